#pragma once
// Hide Sealed Message: hides a file that the user picks as a sealed record (C_SealedRecord),
// encrypted and authenticated under a pass phrase of up to 1,024 bytes, compressed when smaller.
// The steps are Hide Message's, with the sealed pass phrase dialog and fit test.

#include "commands/C_HideCommand.h"

#include <functional>

class C_Carrier;
class C_Message;
class C_Prompts;

class C_HideSealedCommand {
public:
    // Sealed records move samples by plus or minus one wherever the picture allows, whatever
    // options says; of the options only the palette pairing applies.
    static void Run(C_Carrier& carrier, C_Prompts& prompts, const std::function<void()>& fnRedraw,
        const C_HideCommand::HiddenFn& fnHidden = {}, const C_HideOptions& options = {});

    // The steps shared with Compose a Sealed Message once the payload has passed the fit test:
    // pass phrase twice, seal, redraw, success dialog. A seal refused for its size shows
    // pszFitMessage. A seal that changes whether some pixels are transparent asks first
    // (C_HideCommand::ConfirmTransparency). Nothing changes unless the seal succeeds and stands.
    static void HidePayload(C_Carrier& carrier, C_Prompts& prompts, const std::function<void()>& fnRedraw,
        const C_Message& message, const char* pszFitMessage, const C_HideCommand::HiddenFn& fnHidden = {},
        const C_HideOptions& options = {});
};
