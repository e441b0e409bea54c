#pragma once
// Compose a Message: hides a short typed text under a subject, named subject + ".txt".

#include "commands/C_HideCommand.h"

#include <functional>

class C_Carrier;
class C_Message;
class C_Prompts;

class C_ComposeCommand {
public:
    static void Run(C_Carrier& carrier, C_Prompts& prompts, const std::function<void()>& fnRedraw,
        const C_HideCommand::HiddenFn& fnHidden = {}, const C_HideOptions& options = {});

    // Shows the compose dialog until both text and subject are given, and builds the message
    // (named subject + ".txt") from them. False when cancelled.
    static bool AskText(C_Prompts& prompts, C_Message& message);
};
