#pragma once
// veilmark-cli analyze PICTURE [--json]: how detectable hidden data in the picture's lowest bits
// would be, by sample pair analysis, RS analysis and the chi-square attack per channel, and the
// payload that should keep it in the clean range.

#include "cli/C_Command.h"

#include <string>

class C_AnalyzeCommand : public C_Command {
public:
    explicit C_AnalyzeCommand(CLI::App& root);
    E_ExitCode Run(const C_CliContext& context) override;

private:
    std::string m_strPicture;
    bool m_bJson = false;
};
