#include "cli/C_CliCompareCommand.h"

#include "cli/C_PictureIo.h"
#include "model/C_Carrier.h"
#include "model/effects/C_ColourComparer.h"
#include "model/pictures/jpeg/C_JpegCoefficients.h"
#include "model/vmk_texts.h"

#include <cstdint>
#include <optional>
#include <ostream>

C_CliCompareCommand::C_CliCompareCommand(CLI::App& root)
{
    m_pCommand = root.add_subcommand("compare",
        "Compare two pictures' geometry, palette and pixel bytes, or the colours of their pixels where they are stored differently");
    m_pCommand->add_option("PICTURE", m_strPicture, "The first picture")->required();
    m_pCommand->add_option("OTHER", m_strOther, "The second picture")->required();
    m_pCommand->footer(std::string("Example:\n  ") + vmk::kStrCliExampleCompare);
}

E_ExitCode C_CliCompareCommand::Run(const C_CliContext& context)
{
    C_Carrier first;
    C_PictureIo::Open(context, first, m_strPicture);
    C_Carrier second;
    C_PictureIo::Open(context, second, m_strOther, C_PictureIo::kOpenSecondFailed);

    const BTCImageData& a = *first.GetObjectDataPtr();
    const BTCImageData& b = *second.GetObjectDataPtr();
    // The same pixels stored another way (as BMP and as PNG) differ in every byte: what they
    // show is compared instead, and said so.
    if (C_ColourComparer::StoredDifferently(a, b))
        if (const std::optional<uint64_t> nPixels = C_ColourComparer::DifferingPixels(a, b)) {
            if (*nPixels > 0)
                context.Out() << kDiffer << "\n";
            context.Out() << C_ColourComparer::Describe(a, b, *nPixels) << "\n";
            return *nPixels > 0 ? E_ExitCode::NotFound : E_ExitCode::Done;
        }

    // Two JPEGs: their records would be in the coefficients, which a change of one there may
    // not show in the pixels at all.
    bool bDiffer = first.CompareImage(second) > 0;
    const std::string strCoefficients = CoefficientLine(a, b, bDiffer);
    context.Out() << (bDiffer ? kDiffer : kSimilar) << "\n";
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetBitsPerPixel() != b.GetBitsPerPixel()
        || a.GetImageSize() != b.GetImageSize()) {
        context.Out() << "Differing pixel bytes: not comparable (the pictures differ in width, height or depth)\n";
    } else {
        uint64_t nDiffer = 0;
        uint64_t nLowBitOnly = 0;
        const uint8_t* pA = a.GetBits();
        const uint8_t* pB = b.GetBits();
        for (uint32_t i = 0; i < a.GetImageSize(); ++i) {
            const unsigned nXor = static_cast<unsigned>(pA[i] ^ pB[i]);
            nDiffer += nXor != 0;
            nLowBitOnly += nXor == 1;
        }
        context.Out() << "Differing pixel bytes: " << nDiffer << " (in the least significant bit only: " << nLowBitOnly
                      << ")\n";
    }
    context.Out() << strCoefficients;
    return bDiffer ? E_ExitCode::NotFound : E_ExitCode::Done;
}

std::string C_CliCompareCommand::CoefficientLine(const BTCImageData& a, const BTCImageData& b, bool& bDiffer)
{
    const C_JpegCoefficients* pA = a.m_pDocument ? a.m_pDocument->Coefficients() : nullptr;
    const C_JpegCoefficients* pB = b.m_pDocument ? b.m_pDocument->Coefficients() : nullptr;
    if (!pA || !pB)
        return {};
    const auto& ca = pA->Components();
    const auto& cb = pB->Components();
    bool bComparable = ca.size() == cb.size();
    for (size_t c = 0; bComparable && c < ca.size(); ++c)
        bComparable = ca[c].coefficients.size() == cb[c].coefficients.size();
    if (!bComparable) {
        bDiffer = true;
        return "Differing DCT coefficients: not comparable (the pictures differ in components or blocks)\n";
    }
    uint64_t nDiffer = 0;
    uint64_t nByOne = 0;
    for (size_t c = 0; c < ca.size(); ++c)
        for (size_t i = 0; i < ca[c].coefficients.size(); ++i) {
            const int nStep = ca[c].coefficients[i] - cb[c].coefficients[i];
            nDiffer += nStep != 0;
            nByOne += nStep == 1 || nStep == -1;
        }
    bDiffer = bDiffer || nDiffer > 0;
    return "Differing DCT coefficients: " + std::to_string(nDiffer) + " (by one: " + std::to_string(nByOne) + ")\n";
}
