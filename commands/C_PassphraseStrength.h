#pragma once
// The sealed pass phrase dialog's strength line, from the estimate the CLI uses too
// (C_StrengthEstimate): guesses, what one costs, and the time for one computer and for a large
// attacker.

#include "model/records/C_StrengthEstimate.h"

#include <string>
#include <string_view>

class C_PassphraseStrength {
public:
    static constexpr double kSecondsPerGuess = C_StrengthEstimate::kSecondsPerGuess;

    // log2 of the guesses needed to try every pass phrase as strong as this one; 0 when empty.
    static double EstimateBits(std::string_view strPassphrase)
    {
        return C_StrengthEstimate::EstimateBits(strPassphrase);
    }
    // The dialog's line.
    static std::string Describe(std::string_view strPassphrase);
    // "about 3 centuries", "less than a second": a duration given as log10 of seconds.
    static std::string DescribeDuration(double dLog10Seconds)
    {
        return C_StrengthEstimate::DescribeDuration(dLog10Seconds);
    }
};
