#pragma once
// veilmark-cli compare PICTURE OTHER: says whether two pictures differ internally, and in how
// many pixel bytes (and how many of those only in the least significant bit, where a hidden
// record would be); for two JPEGs, in how many quantised DCT coefficients too.

#include "cli/C_Command.h"
#include "model/pictures/BTCImageData.h"
#include "model/vmk_texts.h"

#include <string>

class C_CliCompareCommand : public C_Command {
public:
    static constexpr const char* kDiffer = vmk::kStrImagesDiffer;
    static constexpr const char* kSimilar = vmk::kStrImagesAlike;

    explicit C_CliCompareCommand(CLI::App& root);
    E_ExitCode Run(const C_CliContext& context) override;

private:
    // For two JPEGs, the line that counts their differing quantised DCT coefficients (bDiffer
    // set when any differ); empty for other pictures.
    static std::string CoefficientLine(const BTCImageData& a, const BTCImageData& b, bool& bDiffer);

    std::string m_strPicture;
    std::string m_strOther;
};
