#include "commands/C_Prompts.h"

#include "commands/vmk_command_texts.h"

bool C_Prompts::RunPasswordLoop(std::string& strPassword)
{
    // Both entries live across showings, so a mismatch reopens the dialog with what was typed.
    std::string strFirst;
    std::string strSecond;
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
