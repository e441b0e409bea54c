#pragma once
// veilmark-cli compare PICTURE OTHER: says whether two pictures differ internally, and in how
// many pixel bytes (and how many of those only in the least significant bit, where a hidden
// record would be).

#include "cli/C_Command.h"

#include <string>

class C_CompareCommand : public C_Command {
public:
    static constexpr const char* kDiffer =
        "The Two Images Differ!\nIf they appear visually similiar, there might be\nhidden data in one of these.";
    static constexpr const char* kSimilar = "The Two Images are Similiar Internally.";

    explicit C_CompareCommand(CLI::App& root);
    E_ExitCode Run(const C_CliContext& context) override;

private:
    std::string m_strPicture;
    std::string m_strOther;
};
