#include "model/pictures/C_ConversionLoss.h"

#include "model/pictures/C_FormatRegistry.h"
#include "model/pictures/C_ImageConverter.h"
#include "model/pictures/C_PixelReader.h"
#include "model/pictures/jpeg/C_JpegDocument.h"

#include <algorithm>

namespace {

// An alpha sample below its maximum somewhere. A 16-bit sample is opaque only when both its
// bytes are 0xFF.
bool HasTranslucentSample(const BTCImageData& data, const S_PixelLayout& layout)
{
    const size_t nSampleBytes = static_cast<size_t>(layout.nBitsPerSample / 8);
    const size_t nPixelBytes = static_cast<size_t>(layout.nChannels) * nSampleBytes;
    if (nSampleBytes == 0 || data.m_nWidth <= 0 || data.m_nHeight <= 0)
        return false;
    const size_t nAlphaAt = static_cast<size_t>(layout.nAlphaChannel) * nSampleBytes;
    const size_t nRowBytes = static_cast<size_t>(data.m_nWidth) * nPixelBytes;
    for (size_t nRow = 0; nRow < static_cast<size_t>(data.m_nHeight); ++nRow) {
        const size_t nStart = nRow * data.m_nStride;
        if (nStart + nRowBytes > data.m_aBits.size())
            return false;
        const uint8_t* pRow = data.m_aBits.data() + nStart;
        for (size_t nAlpha = nAlphaAt; nAlpha < nRowBytes; nAlpha += nPixelBytes)
            if (std::any_of(pRow + nAlpha, pRow + nAlpha + nSampleBytes, [](uint8_t b) { return b != 0xFF; }))
                return true;
    }
    return false;
}

}  // namespace

bool C_ConversionLoss::HasTransparency(const BTCImageData& data)
{
    const S_PixelLayout layout = data.Layout();
    if (!layout.bKnown)
        return false;
    if (layout.HasAlphaSample())
        return HasTranslucentSample(data, layout);
    // Alpha per palette entry counts where some entry is below opaque; a transparent index or a
    // colour key marks pixels transparent whether or not any pixel uses them.
    if (std::any_of(layout.aIndexAlpha.begin(), layout.aIndexAlpha.end(), [](uint8_t a) { return a != 0xFF; }))
        return true;
    if (layout.nTransparentIndex >= 0 || layout.bColourKey)
        return true;
    // A 32-bit masked word whose masks name an alpha channel.
    return layout.eChannels == E_PixelChannels::Masked && layout.nBitsPerSample == 32 && data.m_aMasks[3] != 0;
}

C_ConversionLoss C_ConversionLoss::Of(const BTCImageData& data, E_ImageFormat eTarget)
{
    C_ConversionLoss loss;
    if (data.IsEmpty() || eTarget == E_ImageFormat::None)
        return loss;
    const C_JpegDocument* pJpeg = C_JpegDocument::Of(data);
    const bool bShowsCoefficients = pJpeg && pJpeg->ShowsCoefficients(data);
    loss.m_bFromJpeg = bShowsCoefficients && eTarget != E_ImageFormat::Jpeg;
    loss.m_bRecord = loss.m_bFromJpeg || (eTarget == E_ImageFormat::Jpeg && !bShowsCoefficients);
    if (C_ImageConverter::HasLayoutOf(data, eTarget))
        return loss;
    loss.m_bTransparency = HasTransparency(data);
    const S_PixelLayout layout = data.Layout();
    loss.m_bPrecision = layout.bKnown && layout.eChannels != E_PixelChannels::Masked && layout.nBitsPerSample == 16;
    const S_FormatEntry* pTarget = C_FormatRegistry::Find(eTarget);
    loss.m_bColours = pTarget && !pTarget->caps.bTrueColour && !C_PixelReader(data).IsIndexed();
    return loss;
}

std::vector<std::string> C_ConversionLoss::Lines() const
{
    std::vector<std::string> lines;
    if (m_bTransparency)
        lines.emplace_back("transparency: transparent pixels become opaque");
    if (m_bPrecision)
        lines.emplace_back("precision: 16-bit samples are cut to 8 bits");
    if (m_bColours)
        lines.emplace_back("colours: reduced to 256");
    if (m_bRecord)
        lines.emplace_back(m_bFromJpeg
                ? "a hidden message: a JPEG's lives in its DCT coefficients, which no other format keeps"
                : "a hidden message: JPEG compresses the pixels anew");
    return lines;
}
