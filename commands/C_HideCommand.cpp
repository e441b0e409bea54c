#include "commands/C_HideCommand.h"

#include "commands/C_BusyScope.h"
#include "commands/C_Prompts.h"
#include "commands/vmk_command_texts.h"
#include "model/C_Carrier.h"
#include "model/C_FileException.h"
#include "model/C_Message.h"

#include <utility>

namespace {

// LoadFromFile says only that the open failed; a second open names the reason.
std::string OpenErrorText(const std::string& strPath)
{
    C_File probe;
    C_FileException error;
    if (!probe.Open(strPath, C_File::modeRead, &error))
        return error.GetErrorMessage();
    probe.Close();
    return C_FileException(C_FileException::genericException, strPath).GetErrorMessage();
}

}  // namespace

void C_HideCommand::Run(C_Carrier& carrier, C_Prompts& prompts, const std::function<void()>& fnRedraw)
{
    const std::string strPath = prompts.ChooseOpenFile({"", vmk::kStrHideFilter, vmk::kStrHideDefaultExt, ""});
    if (strPath.empty())
        return;

    C_Message message;
    // A file that cannot be read stops here, instead of hiding an empty record.
    bool bLoaded = false;
    try {
        C_BusyScope busy(prompts);
        bLoaded = message.LoadFromFile(strPath);
    } catch (const C_FileException& error) {
        prompts.ShowMessage(error.GetErrorMessage());
        return;
    }
    if (!bLoaded) {
        prompts.ShowMessage(OpenErrorText(strPath));
        return;
    }

    if (!carrier.WillFit(message)) {
        prompts.ShowMessage(vmk::kStrFileWontFit);
        return;
    }
    HidePayload(carrier, prompts, fnRedraw, message, vmk::kStrFileWontFit);
}

void C_HideCommand::HidePayload(C_Carrier& carrier, C_Prompts& prompts, const std::function<void()>& fnRedraw,
                                const C_Message& message, const char* pszFitMessage)
{
    std::string strPassword;
    if (!prompts.RunPasswordLoop(strPassword))
        return;

    // HideMessage reads the key from the carrier; a refused hide must leave the old one there.
    std::string strPrevious = std::exchange(carrier.m_strPassword, strPassword);
    bool bHidden = false;
    {
        C_BusyScope busy(prompts);
        bHidden = carrier.HideMessage(message);
    }
    if (!bHidden) {
        carrier.m_strPassword = std::move(strPrevious);
        prompts.ShowMessage(pszFitMessage);
        return;
    }
    if (fnRedraw)
        fnRedraw();
    prompts.ShowHidden(message.m_strName, message.m_nSize);
}
