#include "commands/C_Prompts.h"

#include "commands/vmk_command_texts.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SecretBytes.h"

namespace {

// The entries of a pass phrase loop, wiped however the loop ends.
struct S_Entries {
    std::string strFirst;
    std::string strSecond;
    ~S_Entries()
    {
        C_SecretBytes::WipeString(strFirst);
        C_SecretBytes::WipeString(strSecond);
    }
};

}  // namespace

bool C_Prompts::RunPasswordLoop(std::string& strPassword)
{
    // Both entries live across showings, so a mismatch reopens the dialog with what was typed.
    S_Entries entries;
    std::string& strFirst = entries.strFirst;
    std::string& strSecond = entries.strSecond;
    for (;;) {
        if (!ShowPasswordDialog(strFirst, strSecond))
            return false;
        if (strFirst == strSecond) {
            strPassword = strSecond;
            return true;
        }
        ShowMessage(vmk::kStrPasswordsDiffer);
    }
}

bool C_Prompts::RunSealedPassphraseLoop(std::string& strPassphrase, bool bTwice)
{
    S_Entries entries;
    std::string& strFirst = entries.strFirst;
    std::string& strSecond = entries.strSecond;
    for (;;) {
        if (!ShowSealedPassphraseDialog(strFirst, strSecond, bTwice))
            return false;
        // The dialog refuses these itself; this holds for any prompts.
        switch (C_SealedRecord::CheckPassphrase(strFirst)) {
        case C_SealedRecord::E_Passphrase::Valid: break;
        case C_SealedRecord::E_Passphrase::TooLong: ShowMessage(vmk::kStrSealedPassphraseTooLong); continue;
        case C_SealedRecord::E_Passphrase::HasNul:
        case C_SealedRecord::E_Passphrase::NotUtf8: ShowMessage(vmk::kStrSealedPassphraseNotText); continue;
        }
        if (!bTwice || strFirst == strSecond) {
            strPassphrase = strFirst;
            return true;
        }
        ShowMessage(vmk::kStrPasswordsDiffer);
    }
}
