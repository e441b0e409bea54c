#include "commands/C_PassphraseStrength.h"

std::string C_PassphraseStrength::Describe(std::string_view strPassphrase)
{
    if (strPassphrase.empty())
        return "No pass phrase: anyone who tries none reveals the message at once.";
    return "Estimated strength: " + C_StrengthEstimate::Describe(C_StrengthEstimate::EstimateBits(strPassphrase));
}
