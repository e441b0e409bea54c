#pragma once
// veilmark-cli grayscale PICTURE -o OUTPUT: the picture in gray, as the application converts it.

#include "cli/C_Command.h"

#include <string>

class C_GrayscaleCommand : public C_Command {
public:
    explicit C_GrayscaleCommand(CLI::App& root);
    E_ExitCode Run(const C_CliContext& context) override;

private:
    std::string m_strPicture;
    bool m_bForce = false;
    std::string m_strOutput;
};
