#pragma once
// Compose a Sealed Message: hides a short typed text, as Compose a Message does, but as a sealed
// record under a pass phrase of up to 1,024 bytes.

#include "commands/C_HideCommand.h"

#include <functional>

class C_Carrier;
class C_Prompts;

class C_ComposeSealedCommand {
public:
    static void Run(C_Carrier& carrier, C_Prompts& prompts, const std::function<void()>& fnRedraw,
        const C_HideCommand::HiddenFn& fnHidden = {}, const C_HideOptions& options = {});
};
