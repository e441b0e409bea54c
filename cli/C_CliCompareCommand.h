#pragma once
// veilmark-cli compare PICTURE OTHER: says whether two pictures differ internally, and in how
// many pixel bytes (and how many of those only in the least significant bit, where a hidden
// record would be).

#include "cli/C_Command.h"
#include "model/vmk_texts.h"

#include <string>

class C_CliCompareCommand : public C_Command {
public:
    static constexpr const char* kDiffer = vmk::kStrImagesDiffer;
    static constexpr const char* kSimilar = vmk::kStrImagesAlike;

    explicit C_CliCompareCommand(CLI::App& root);
    E_ExitCode Run(const C_CliContext& context) override;

private:
    std::string m_strPicture;
    std::string m_strOther;
};
