#include "model/records/C_ElementCosts.h"

#include "engine/C_ParallelTasks.h"
#include "model/records/C_HillCost.h"

#include <algorithm>
#include <limits>

namespace {

constexpr float kWet = std::numeric_limits<float>::infinity();

int ColourChannels(const S_PixelLayout& layout)
{
    return layout.HasAlphaSample() ? layout.nChannels - 1 : layout.nChannels;
}

}  // namespace

bool C_ElementCosts::CanWeigh(const S_PixelLayout& layout)
{
    if (!layout.bKnown || (layout.nBitsPerSample != 8 && layout.nBitsPerSample != 16))
        return false;
    switch (layout.eChannels) {
    case E_PixelChannels::Gray:
    case E_PixelChannels::GrayAlpha:
    case E_PixelChannels::Bgr:
    case E_PixelChannels::Rgb:
    case E_PixelChannels::Rgba: return true;
    case E_PixelChannels::Index:
    case E_PixelChannels::Masked: break;
    }
    return false;
}

bool C_ElementCosts::Compute(const S_Picture& picture, uint32_t nElements, std::vector<float>& costs)
{
    costs.clear();
    const S_PixelLayout& layout = picture.layout;
    if (!CanWeigh(layout) || !picture.pBytes || picture.nWidth == 0 || picture.nHeight == 0)
        return false;
    const uint32_t nSampleBytes = layout.nBitsPerSample / 8;
    const uint64_t nPixelBytes = uint64_t{nSampleBytes} * static_cast<uint32_t>(layout.nChannels);
    const uint64_t nRowBytes = nPixelBytes * picture.nWidth;
    // The last row may end at the last element or one past it (the carrier's N leaves the
    // buffer's last byte out); any other shape is not this layout's.
    if (nRowBytes > picture.nStride
        || uint64_t{picture.nStride} * (picture.nHeight - 1) + nRowBytes > uint64_t{nElements} + 1)
        return false;

    costs.assign(nElements, kWet);
    const size_t nPlane = size_t{picture.nWidth} * picture.nHeight;
    const int nColours = ColourChannels(layout);
    const int nAlpha = layout.nAlphaChannel;
    const bool bWide = nSampleBytes == 2;
    // The byte of a 16-bit sample that holds its lowest bit.
    const uint32_t nLowByte = bWide && layout.bBigEndian16 ? 1 : 0;
    const auto SampleAt = [&](uint32_t x, uint32_t y, int c) -> uint64_t {
        return uint64_t{y} * picture.nStride + x * nPixelBytes + uint64_t(c) * nSampleBytes;
    };
    const auto Value = [&](uint64_t nAt) -> unsigned {
        const uint8_t* p = picture.pBytes + nAt;
        if (!bWide)
            return p[0];
        return layout.bBigEndian16 ? unsigned{p[0]} << 8 | p[1] : unsigned{p[1]} << 8 | p[0];
    };

    // Channel c of the colour channels, skipping the alpha sample.
    const auto ChannelOf = [&](int nColour) { return nAlpha >= 0 && nColour >= nAlpha ? nColour + 1 : nColour; };
    C_ParallelTasks::Run(static_cast<size_t>(nColours), [&](size_t nTask) {
        const int c = ChannelOf(static_cast<int>(nTask));
        std::vector<float> rho;
        if (bWide) {
            std::vector<uint16_t> plane(nPlane);
            for (uint32_t y = 0; y < picture.nHeight; ++y)
                for (uint32_t x = 0; x < picture.nWidth; ++x)
                    plane[size_t{y} * picture.nWidth + x] = static_cast<uint16_t>(Value(SampleAt(x, y, c)));
            rho = C_HillCost::ForPlane16(plane.data(), picture.nWidth, picture.nHeight);
        } else {
            std::vector<uint8_t> plane(nPlane);
            for (uint32_t y = 0; y < picture.nHeight; ++y) {
                const uint8_t* pRow = picture.pBytes + uint64_t{y} * picture.nStride + c;
                uint8_t* pOut = plane.data() + size_t{y} * picture.nWidth;
                for (uint32_t x = 0; x < picture.nWidth; ++x)
                    pOut[x] = pRow[x * nPixelBytes];
            }
            rho = C_HillCost::ForPlane(plane.data(), picture.nWidth, picture.nHeight);
        }
        // Each task writes its own channel's elements only.
        for (uint32_t y = 0; y < picture.nHeight; ++y)
            for (uint32_t x = 0; x < picture.nWidth; ++x) {
                const uint64_t nAt = SampleAt(x, y, c) + nLowByte;
                if (nAt < nElements)
                    costs[nAt] = rho[size_t{y} * picture.nWidth + x];
            }
    });

    if (nAlpha >= 0)
        for (uint32_t y = 0; y < picture.nHeight; ++y)
            for (uint32_t x = 0; x < picture.nWidth; ++x) {
                if (Value(SampleAt(x, y, nAlpha)) != 0)
                    continue;
                for (int c = 0; c < layout.nChannels; ++c) {
                    const uint64_t nAt = SampleAt(x, y, c) + nLowByte;
                    if (nAt < nElements)
                        costs[nAt] = kWet;
                }
            }
    return true;
}
