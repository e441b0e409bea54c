#include "commands/C_ComposeSealedCommand.h"

#include "commands/C_ComposeCommand.h"
#include "commands/C_HideSealedCommand.h"
#include "commands/C_Prompts.h"
#include "commands/vmk_command_texts.h"
#include "model/C_HideService.h"
#include "model/records/C_Message.h"

void C_ComposeSealedCommand::Run(C_Carrier& carrier, C_Prompts& prompts, const std::function<void()>& fnRedraw,
    const C_HideCommand::HiddenFn& fnHidden, const C_HideOptions& options)
{
    C_Message message;
    if (!C_ComposeCommand::AskText(prompts, message))
        return;
    // At most 250 characters: compressing them for the fit test takes no time worth a wait cursor.
    if (!C_HideService::For(true).Fits(carrier, message)) {
        prompts.ShowMessage(vmk::kStrTextWontFit);
        return;
    }
    C_HideSealedCommand::HidePayload(carrier, prompts, fnRedraw, message, vmk::kStrTextWontFit, fnHidden, options);
}
