#pragma once
// veilmark-cli convert PICTURE -o OUTPUT: the picture in the format OUTPUT's name asks for.

#include "cli/C_Command.h"

#include <string>

class C_ConvertCommand : public C_Command {
public:
    explicit C_ConvertCommand(CLI::App& root);
    E_ExitCode Run(const C_CliContext& context) override;

private:
    std::string m_strPicture;
    bool m_bForce = false;
    std::string m_strOutput;
};
