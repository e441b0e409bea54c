#pragma once
// Reveal Message and Reveal Sealed Message: find a hidden record of either kind under a pass
// phrase, report it and save it on request. They differ only in the pass phrase dialog: the
// plain one (at most 15 characters) or the sealed one (up to 1,024 bytes).

#include "commands/C_FileDialogArgs.h"

#include <string>

class C_Carrier;
class C_Message;
class C_Prompts;

class C_RevealCommand {
public:
    static void Run(C_Carrier& carrier, C_Prompts& prompts);
    static void RunSealed(C_Carrier& carrier, C_Prompts& prompts);

    // The save dialog for a revealed payload: the name is split at its first dot into the
    // initial name (before it) and the extension (after it; the whole name when it has none);
    // the filter offers that extension alone. The dialog appends that extension to a name typed
    // without one; the default extension "txt" only where the filter has no single extension.
    static C_FileDialogArgs SaveDialogArgs(const std::string& strName);
    // The found dialog for a revealed message, then on Save... the save dialog and the file.
    static void OfferToSave(C_Prompts& prompts, C_Message& message);

private:
    // Looks for either kind of record; a sealed one takes a key derivation (about a third of a
    // second) and asks before it lets out a payload far larger than the picture's file (the rule
    // pictures follow). The carrier keeps the pass phrase whether or not a record is found.
    static void RevealAndSave(C_Carrier& carrier, C_Prompts& prompts, const std::string& strPassphrase);
};
