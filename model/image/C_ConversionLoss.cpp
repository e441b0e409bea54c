#include "model/image/C_ConversionLoss.h"

#include "model/image/C_FormatRegistry.h"
#include "model/image/gif/C_GifDocument.h"
#include "model/image/C_ImageConverter.h"
#include "model/image/C_PixelReader.h"
#include "model/image/png/C_PngDocument.h"

#include <algorithm>

namespace {

constexpr int kGraphicControl = 0xF9;

// An alpha channel (gray and alpha, RGBA) with a sample below its maximum. Alpha is the last
// sample of each pixel; a 16-bit sample is opaque only when both its bytes are 0xFF.
bool HasTranslucentSample(const BTCImageData& data, const C_PngDocument& png)
{
    const size_t nSampleBytes = static_cast<size_t>(png.m_nBitDepth / 8);
    const size_t nPixelBytes = static_cast<size_t>(C_PngDocument::Channels(png.m_nColourType)) * nSampleBytes;
    if (nSampleBytes == 0 || data.m_nWidth <= 0 || data.m_nHeight <= 0)
        return false;
    const size_t nRowBytes = static_cast<size_t>(data.m_nWidth) * nPixelBytes;
    for (size_t nRow = 0; nRow < static_cast<size_t>(data.m_nHeight); ++nRow) {
        const size_t nStart = nRow * data.m_nStride;
        if (nStart + nRowBytes > data.m_aBits.size())
            return false;
        const uint8_t* pRow = data.m_aBits.data() + nStart;
        for (size_t nAlpha = nPixelBytes - nSampleBytes; nAlpha < nRowBytes; nAlpha += nPixelBytes)
            if (std::any_of(pRow + nAlpha, pRow + nAlpha + nSampleBytes, [](uint8_t b) { return b != 0xFF; }))
                return true;
    }
    return false;
}

bool PngHasTransparency(const BTCImageData& data, const C_PngDocument& png)
{
    if (png.m_nColourType == C_PngDocument::kGrayAlpha || png.m_nColourType == C_PngDocument::kRgbAlpha)
        return HasTranslucentSample(data, png);
    for (const S_PngChunk& chunk : png.m_aChunks) {
        if (!chunk.Is("tRNS"))
            continue;
        // A palette's tRNS lists alpha per entry; a colour key marks one colour transparent.
        if (png.m_nColourType != C_PngDocument::kPalette)
            return true;
        return std::any_of(chunk.aData.begin(), chunk.aData.end(), [](uint8_t a) { return a != 0xFF; });
    }
    return false;
}

// The first frame's graphic control block sets the transparent index flag (bit 0 of its first byte).
bool GifHasTransparency(const C_GifDocument& gif)
{
    if (gif.m_aFrames.empty())
        return false;
    for (const S_GifExtension& ext : gif.m_aFrames.front().aExtensions)
        if (ext.nFunction == kGraphicControl && !ext.aBlocks.empty() && !ext.aBlocks.front().empty()
            && (ext.aBlocks.front().front() & 1) != 0)
            return true;
    return false;
}

}  // namespace

bool C_ConversionLoss::HasTransparency(const BTCImageData& data)
{
    if (C_PngDocument::Of(data))
        return PngHasTransparency(data, *C_PngDocument::Of(data));
    if (C_GifDocument::Of(data))
        return GifHasTransparency(*C_GifDocument::Of(data));
    // A 32-bit BMP whose masks name an alpha channel.
    return data.m_nBitsPerPixel == 32 && data.m_aMasks[3] != 0;
}

C_ConversionLoss C_ConversionLoss::Of(const BTCImageData& data, E_ImageFormat eTarget)
{
    C_ConversionLoss loss;
    if (data.IsEmpty() || eTarget == E_ImageFormat::None || C_ImageConverter::HasLayoutOf(data, eTarget))
        return loss;
    loss.m_bTransparency = HasTransparency(data);
    loss.m_bPrecision = C_PngDocument::Of(data) && C_PngDocument::Of(data)->m_nBitDepth == 16;
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
    return lines;
}
