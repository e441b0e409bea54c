#include "commands/C_ComposeCommand.h"

#include "commands/C_HideCommand.h"
#include "commands/C_Prompts.h"
#include "commands/vmk_command_texts.h"
#include "model/C_Carrier.h"
#include "model/C_HideService.h"
#include "model/records/C_Message.h"

void C_ComposeCommand::Run(C_Carrier& carrier, C_Prompts& prompts, const std::function<void()>& fnRedraw,
    const C_HideCommand::HiddenFn& fnHidden, const C_HideOptions& options)
{
    // Said before any typing: a JPEG takes sealed messages only.
    if (carrier.HidesInCoefficients()) {
        prompts.ShowMessage(vmk::kStrJpegNeedsSeal);
        return;
    }
    C_Message message;
    if (!AskText(prompts, message))
        return;
    if (!C_HideService::For(false).Fits(carrier, message)) {
        prompts.ShowMessage(vmk::kStrTextWontFit);
        return;
    }
    C_HideCommand::HidePayload(carrier, prompts, fnRedraw, message, vmk::kStrTextWontFit, fnHidden, options);
}

bool C_ComposeCommand::AskText(C_Prompts& prompts, C_Message& message)
{
    // The same fields across showings: a refused entry reopens with what was typed.
    std::string strText;
    std::string strSubject;
    for (;;) {
        if (!prompts.ShowCompose(strText, strSubject))
            return false;
        if (!strText.empty() && !strSubject.empty())
            break;
        prompts.ShowMessage(vmk::kStrComposeEmpty);
    }
    message.m_strName = strSubject + ".txt";  // the subject exactly as typed, blanks kept
    message.SetFromText(static_cast<uint32_t>(strText.size()), strText.data());
    return true;
}
