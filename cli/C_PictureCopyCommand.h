#pragma once
// What convert and grayscale share: PICTURE -o OUTPUT [--force], a step on the picture in
// between, and the write. OUTPUT's name chooses the format; a read-only OUTPUT needs --force.

#include "cli/C_Command.h"

#include <string>

class C_Carrier;

class C_PictureCopyCommand : public C_Command {
public:
    E_ExitCode Run(const C_CliContext& context) override;

protected:
    // Registers the sub-command with its options; pExample is the help's example line.
    C_PictureCopyCommand(CLI::App& root, const char* pName, const char* pDescription, const char* pExample);
    // What the command does to the picture before it is written; throws C_CliError on failure.
    virtual void Change(C_Carrier& carrier) const = 0;

    std::string m_strPicture;

private:
    std::string m_strOutput;
    bool m_bForce = false;
};
