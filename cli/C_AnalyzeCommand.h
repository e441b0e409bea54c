#pragma once
// veilmark-cli analyze PATH... [-r] [--json | --csv] [-j N]: how detectable hidden data in each
// picture's lowest bits (a JPEG's coefficients) would be, by sample pair analysis, RS analysis
// and the chi-square attack per channel, and the payload that should keep it in the clean range;
// folders are scanned for pictures on several threads, each result printed as it is done.

#include "cli/C_Command.h"

#include <string>
#include <vector>

class C_AnalyzeCommand : public C_Command {
public:
    explicit C_AnalyzeCommand(CLI::App& root);
    // Done; NotFound when a picture reads "Hidden data likely"; Failed when a file could not be
    // read (after the others were analysed); Interrupted when SIGINT stopped the scan.
    E_ExitCode Run(const C_CliContext& context) override;

private:
    std::vector<std::string> m_paths;
    bool m_bRecursive = false;
    bool m_bJson = false;
    bool m_bCsv = false;
    unsigned m_nJobs = 0;
};
