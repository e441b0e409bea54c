#pragma once
// Hide Across Pictures and Reveal from Pictures: one file across several picture files, any k
// of n restoring it (C_AcrossService). Both work on files, not on an open picture: the main
// window runs them with the prompts alone. A hide writes every picture into the output folder
// under its own name, all of them or none.

#include "commands/C_AcrossChoice.h"

#include <string>
#include <vector>

class C_AcrossPictures;
class C_Prompts;

class C_AcrossCommand {
public:
    static void RunHide(C_Prompts& prompts);
    static void RunReveal(C_Prompts& prompts);

    // The dialog's line for these pictures, this k and this file (C_AcrossChoice::T_Weigh):
    // reads the pictures into pictures as needed.
    static std::string Weigh(C_AcrossPictures& pictures, const std::vector<std::string>& paths, unsigned nNeeded,
        const std::string& strFile);

    // The part of a path after its last "/".
    static std::string FileNameOf(const std::string& strPath);

private:
    // One try at the hide the dialog asked for. True when the dialog should show again (the
    // choice needs changing); false when the command is over, done or not.
    static bool HideChosen(C_Prompts& prompts, C_AcrossPictures& pictures, const C_AcrossChoice& choice);
};
