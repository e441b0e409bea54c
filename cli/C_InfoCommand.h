#pragma once
// veilmark-cli info PICTURE [--json]: the carrier's properties and how much it can hide.

#include "cli/C_Command.h"

#include <string>

class C_InfoCommand : public C_Command {
public:
    explicit C_InfoCommand(CLI::App& root);
    E_ExitCode Run(const C_CliContext& context) override;

private:
    std::string m_strPicture;
    bool m_bJson = false;
};
