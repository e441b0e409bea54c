#include "model/image/C_GrayscaleEffect.h"

#include "model/image/C_CheckedSize.h"
#include "model/image/C_DefaultColours.h"
#include "model/image/gif/C_GifDocument.h"
#include "model/image/C_PixelReader.h"
#include "model/image/png/C_PngDocument.h"

#include <algorithm>
#include <vector>

namespace {

void GrayColours(std::vector<S_Rgb>& aColours)
{
    for (S_Rgb& c : aColours) {
        const uint8_t y = C_GrayscaleEffect::Luma(c.r, c.g, c.b);
        c = S_Rgb{y, y, y};
    }
}

// Every colour table of the GIF file, so that a save keeps the further frames gray as well.
void GrayTables(C_GifDocument& doc)
{
    GrayColours(doc.m_globalMap.aColours);
    for (S_GifFrame& frame : doc.m_aFrames)
        GrayColours(frame.localMap.aColours);
}

// A PNG true-colour picture keeps its depth and its alpha: RGB becomes gray, RGBA gray-alpha,
// 16-bit samples stay 16-bit. Gray pictures are left as they are.
bool GrayPng(BTCImageData& data)
{
    C_PngDocument& doc = *C_PngDocument::Of(data);
    const int nChannels = C_PngDocument::Channels(doc.m_nColourType);
    if (nChannels < 3)
        return true;
    if (doc.IsAnimated())
        return false;  // the further frames would keep the old colour type
    const bool bAlpha = nChannels == 4;
    const size_t nSample = static_cast<size_t>(doc.m_nBitDepth) / 8;
    const size_t nOutChannels = bAlpha ? 2 : 1;
    const auto nWidth = static_cast<size_t>(data.m_nWidth);
    const auto nHeight = static_cast<size_t>(data.m_nHeight);
    C_CheckedSize total = C_CheckedSize::RowBytes(nWidth, 8 * nSample * nOutChannels, 1);
    const uint64_t nStride = total.Get();
    total.Mul(nHeight);
    if (!total.FitsIn(C_CheckedSize::kMaxBufferBytes))
        return false;

    std::vector<uint8_t> aGray(static_cast<size_t>(total.Get()));
    const size_t nPixels = nWidth * nHeight;  // rows have no padding at 8 and 16 bits
    const uint8_t* pIn = data.m_aBits.data();
    uint8_t* pOut = aGray.data();
    for (size_t i = 0; i < nPixels; ++i) {
        if (nSample == 1) {
            pOut[0] = C_GrayscaleEffect::Luma(pIn[0], pIn[1], pIn[2]);
            if (bAlpha)
                pOut[1] = pIn[3];
        } else {
            auto sample = [pIn](size_t n) { return static_cast<uint32_t>(pIn[2 * n] << 8 | pIn[2 * n + 1]); };
            const uint32_t y = (299u * sample(0) + 587u * sample(1) + 114u * sample(2) + 500u) / 1000u;
            pOut[0] = static_cast<uint8_t>(y >> 8);
            pOut[1] = static_cast<uint8_t>(y);
            if (bAlpha) {
                pOut[2] = pIn[6];
                pOut[3] = pIn[7];
            }
        }
        pIn += nSample * static_cast<size_t>(nChannels);
        pOut += nSample * nOutChannels;
    }
    data.m_aBits.swap(aGray);
    data.m_nStride = static_cast<uint32_t>(nStride);
    data.m_nBitsPerPixel = static_cast<int>(8 * nSample * nOutChannels);
    doc.ChangeColourType(bAlpha ? C_PngDocument::kGrayAlpha : C_PngDocument::kGray, doc.m_nBitDepth);
    return true;
}

}  // namespace

bool C_GrayscaleEffect::Apply(BTCImageData& data)
{
    const C_PixelReader reader(data);
    if (!reader.IsValid())
        return false;
    if (C_PngDocument::Of(data) && !reader.IsIndexed())
        return GrayPng(data);

    if (reader.IsIndexed()) {
        GrayColours(data.m_aPalette);
        if (C_GifDocument::Of(data))
            GrayTables(*C_GifDocument::Of(data));
        return true;
    }

    // True colour becomes 8 bits of gray in the same family of row layout: BMP rows stay padded
    // to 4 bytes in the same order, PCX rows stay unpadded top to bottom.
    const uint32_t nWidth = reader.GetWidth();
    const uint32_t nHeight = reader.GetHeight();
    const uint32_t nAlign = data.m_eSourceFormat == E_ImageFormat::Bmp ? 4 : 1;
    C_CheckedSize total = C_CheckedSize::RowBytes(nWidth, 8, nAlign);
    const uint64_t nStride = total.Get();
    total.Mul(nHeight);
    if (!total.FitsIn(C_CheckedSize::kMaxBufferBytes))
        return false;

    std::vector<uint8_t> aGray(static_cast<size_t>(total.Get()), 0);
    std::vector<uint8_t> aRow(3 * static_cast<size_t>(nWidth));
    for (uint32_t r = 0; r < nHeight; ++r) {
        reader.BgrOfStoredRow(r, aRow.data());
        uint8_t* pOut = aGray.data() + r * nStride;
        for (uint32_t x = 0; x < nWidth; ++x)
            pOut[x] = Luma(aRow[3 * x + 2], aRow[3 * x + 1], aRow[3 * x]);
    }

    data.m_aBits.swap(aGray);
    data.m_nBitsPerPixel = 8;
    data.m_nStride = static_cast<uint32_t>(nStride);
    data.m_aPalette = C_DefaultColours::GrayRamp();
    std::fill(std::begin(data.m_aMasks), std::end(data.m_aMasks), 0u);
    data.m_bHadMasks = false;
    return true;
}
