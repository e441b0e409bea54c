#include "commands/C_RevealCommand.h"

#include "commands/C_BusyScope.h"
#include "commands/C_Prompts.h"
#include "commands/vmk_command_texts.h"
#include "model/C_Carrier.h"
#include "model/C_FileException.h"
#include "model/C_Message.h"

C_FileDialogArgs C_RevealCommand::SaveDialogArgs(const std::string& strName)
{
    // Searching bytes is safe for UTF-8: no byte of a multibyte character equals '.'.
    const size_t nDot = strName.find('.');
    const std::string strExt = nDot == std::string::npos ? strName : strName.substr(nDot + 1);
    const std::string strBase = nDot == std::string::npos ? std::string() : strName.substr(0, nDot);

    C_FileDialogArgs args;
    args.m_strFilter = strExt + " Files(*." + strExt + ")|*." + strExt + "|";
    args.m_strDefaultExt = vmk::kStrRevealDefaultExt;
    args.m_strInitialName = strBase;
    return args;
}

void C_RevealCommand::Run(C_Carrier& carrier, C_Prompts& prompts)
{
    std::string strPassword;
    if (!prompts.RunPasswordLoop(strPassword))
        return;
    // The carrier keeps the pass phrase whether or not a record is found.
    C_Message message;
    bool bFound = false;
    {
        C_BusyScope busy(prompts);
        bFound = carrier.RevealMessage(message, strPassword);
    }
    if (!bFound) {
        prompts.ShowMessage(vmk::kStrNothingFound);
        return;
    }
    if (!prompts.ShowFound(message.m_strName, message.m_nSize))
        return;

    const std::string strPath = prompts.ChooseSaveFile(SaveDialogArgs(message.m_strName));
    if (strPath.empty())
        return;
    // A file that cannot be written is reported with its reason; the command then ends.
    try {
        C_BusyScope busy(prompts);
        message.SaveToFile(strPath);
    } catch (const C_FileException& error) {
        prompts.ShowMessage(error.GetErrorMessage());
    }
}
