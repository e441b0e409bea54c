#pragma once
// Where two pictures of the same layout differ, as a picture to look at: the first picture
// dimmed to a dark gray, each pixel whose bytes differ only in their lowest bits in red, each
// pixel that differs more in yellow, so that a single changed bit stands out. Also the counts a
// comparison reports: differing pixels, differing bytes (padding and all, as C_ImageComparer
// counts them), and how many of either differ only in the lowest bit.

#include "model/pictures/BTCImageData.h"

#include <cstdint>
#include <vector>

class C_DifferenceMap {
public:
    // Gray level of the dimmed picture per 256 of its brightness (about 30 %).
    static constexpr uint32_t kDimmed = 77;

    // True when the two can be compared pixel by pixel: the same width, height, depth, row
    // layout and buffer size, and fields that describe their bytes.
    static bool SameLayout(const BTCImageData& a, const BTCImageData& b);

    // Builds the picture and the counts; false (and an empty map) when SameLayout is false or
    // the picture would not fit in memory's addressable range.
    bool Build(const BTCImageData& a, const BTCImageData& b);

    uint32_t GetWidth() const { return m_nWidth; }
    uint32_t GetHeight() const { return m_nHeight; }
    // Width x height pixels, 3 bytes each (red, green, blue), top row first.
    const std::vector<uint8_t>& GetRgb() const { return m_aRgb; }
    uint64_t GetDifferingPixels() const { return m_nDifferingPixels; }
    uint64_t GetLsbOnlyPixels() const { return m_nLsbOnlyPixels; }
    uint64_t GetDifferingBytes() const { return m_nDifferingBytes; }
    uint64_t GetLsbOnlyBytes() const { return m_nLsbOnlyBytes; }

private:
    uint32_t m_nWidth = 0;
    uint32_t m_nHeight = 0;
    std::vector<uint8_t> m_aRgb;
    uint64_t m_nDifferingPixels = 0;
    uint64_t m_nLsbOnlyPixels = 0;
    uint64_t m_nDifferingBytes = 0;
    uint64_t m_nLsbOnlyBytes = 0;
};
