#pragma once
// Reveal Message: finds a hidden record under a pass phrase, reports it and saves it on request.

#include "commands/C_FileDialogArgs.h"

#include <string>

class C_Carrier;
class C_Prompts;

class C_RevealCommand {
public:
    static void Run(C_Carrier& carrier, C_Prompts& prompts);

    // The save dialog for a revealed payload: the name is split at its first dot into the
    // initial name (before it) and the extension (after it; the whole name when it has none);
    // the filter offers that extension alone. The dialog appends that extension to a name typed
    // without one; the default extension "txt" only where the filter has no single extension.
    static C_FileDialogArgs SaveDialogArgs(const std::string& strName);
};
