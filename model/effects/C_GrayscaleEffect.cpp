#include "model/effects/C_GrayscaleEffect.h"

#include "model/pictures/C_CheckedSize.h"
#include "model/pictures/C_DefaultColours.h"
#include "model/pictures/C_PixelReader.h"

#include <algorithm>
#include <vector>

namespace {

void GrayColours(std::vector<S_Rgb>& aColours)
{
    for (S_Rgb& c : aColours) {
        const uint8_t y = S_Rgb::Luma(c.r, c.g, c.b);
        c = S_Rgb{y, y, y};
    }
}

// Red, green and blue samples (and alpha after them) become one gray sample of the same depth,
// alpha kept: RGB becomes gray, RGBA gray with alpha, 16-bit samples stay 16-bit.
bool GraySamples(BTCImageData& data, const S_PixelLayout& layout)
{
    if (layout.bFurtherFrames)
        return false;  // the further frames would keep the old samples
    const bool bAlpha = layout.HasAlphaSample();
    const size_t nSample = static_cast<size_t>(layout.nBitsPerSample) / 8;
    const size_t nInStep = nSample * static_cast<size_t>(layout.nChannels);
    const size_t nOutChannels = bAlpha ? 2 : 1;
    const auto nWidth = static_cast<size_t>(data.m_nWidth);
    const auto nHeight = static_cast<size_t>(data.m_nHeight);
    C_CheckedSize total = C_CheckedSize::RowBytes(nWidth, 8 * nSample * nOutChannels, layout.nRowAlign);
    const uint64_t nStride = total.Get();
    total.Mul(nHeight);
    if (!total.FitsIn(C_CheckedSize::kMaxBufferBytes))
        return false;

    const auto sample = [&layout](const uint8_t* p) {
        return static_cast<uint32_t>(layout.bBigEndian16 ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
    };
    std::vector<uint8_t> aGray(static_cast<size_t>(total.Get()), 0);
    for (size_t y = 0; y < nHeight; ++y) {
        const uint8_t* pIn = data.m_aBits.data() + y * data.m_nStride;
        uint8_t* pOut = aGray.data() + y * nStride;
        for (size_t x = 0; x < nWidth; ++x) {
            if (nSample == 1) {
                pOut[0] = S_Rgb::Luma(pIn[0], pIn[1], pIn[2]);
                if (bAlpha)
                    pOut[1] = pIn[3];
            } else {
                const uint32_t nGray =
                    (299u * sample(pIn) + 587u * sample(pIn + 2) + 114u * sample(pIn + 4) + 500u) / 1000u;
                const auto nHigh = static_cast<uint8_t>(nGray >> 8);
                const auto nLow = static_cast<uint8_t>(nGray);
                pOut[0] = layout.bBigEndian16 ? nHigh : nLow;
                pOut[1] = layout.bBigEndian16 ? nLow : nHigh;
                if (bAlpha) {
                    pOut[2] = pIn[6];
                    pOut[3] = pIn[7];
                }
            }
            pIn += nInStep;
            pOut += nSample * nOutChannels;
        }
    }
    data.m_aBits.swap(aGray);
    data.m_nStride = static_cast<uint32_t>(nStride);
    data.m_nBitsPerPixel = static_cast<int>(8 * nSample * nOutChannels);
    if (data.m_pDocument) {
        S_PixelLayout gray = layout;
        gray.eChannels = bAlpha ? E_PixelChannels::GrayAlpha : E_PixelChannels::Gray;
        gray.nChannels = static_cast<int>(nOutChannels);
        gray.nAlphaChannel = bAlpha ? 1 : -1;
        gray.bColourKey = false;
        data.m_pDocument->BecameGray(true, gray);
    }
    return true;
}

// Blue-green-red bytes and masked words become 8-bit indices into 256 gray levels, in the
// format's own row padding and order.
bool GrayIndices(BTCImageData& data, const C_PixelReader& reader, const S_PixelLayout& layout)
{
    const uint32_t nWidth = reader.GetWidth();
    const uint32_t nHeight = reader.GetHeight();
    C_CheckedSize total = C_CheckedSize::RowBytes(nWidth, 8, layout.nRowAlign);
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
            pOut[x] = S_Rgb::Luma(aRow[3 * x + 2], aRow[3 * x + 1], aRow[3 * x]);
    }

    data.m_aBits.swap(aGray);
    data.m_nBitsPerPixel = 8;
    data.m_nStride = static_cast<uint32_t>(nStride);
    data.m_aPalette = C_DefaultColours::GrayRamp();
    std::fill(std::begin(data.m_aMasks), std::end(data.m_aMasks), 0u);
    data.m_bHadMasks = false;
    return true;
}

}  // namespace

bool C_GrayscaleEffect::Apply(BTCImageData& data)
{
    const C_PixelReader reader(data);
    if (!reader.IsValid())
        return false;
    const S_PixelLayout layout = data.Layout();
    switch (layout.eChannels) {
    case E_PixelChannels::Gray:
    case E_PixelChannels::GrayAlpha: return true;  // gray already
    case E_PixelChannels::Rgb:
    case E_PixelChannels::Rgba: return GraySamples(data, layout);
    case E_PixelChannels::Index:
        GrayColours(data.m_aPalette);
        if (data.m_pDocument)
            data.m_pDocument->BecameGray(false, layout);
        return true;
    case E_PixelChannels::Bgr:
    case E_PixelChannels::Masked: break;
    }
    return GrayIndices(data, reader, layout);
}
