#pragma once
// Reads the pixels of any layout the picture's format describes (BTCImageData::Layout()) as
// colour indices or as blue-green-red bytes: packed or byte indices, gray samples, gray with
// alpha, blue-green-red, red-green-blue with or without alpha, and 16- or 32-bit words split by
// channel masks, in either row order and with any row padding. Gray of up to 8 bits reads as
// indices into a gray palette; a 16-bit sample gives its more significant byte; alpha is passed
// over. Used by gray scale, by conversion between formats and by every reader of colours.
// Construct, then check IsValid() before reading: it proves the layout describes the buffer, so
// no read below can leave it.

#include "model/pictures/BTCImageData.h"
#include "model/pictures/S_PixelLayout.h"

#include <cstdint>
#include <vector>

class C_PixelReader {
public:
    explicit C_PixelReader(const BTCImageData& data);

    bool IsValid() const { return m_bValid; }
    // The bytes are colour indices into Palette(): palette indices, or gray of up to 8 bits.
    bool IsIndexed() const { return m_bIndexed; }
    // The palette indices look up: the picture's own, or the gray levels of a gray picture.
    const std::vector<S_Rgb>& Palette() const { return m_aGray.empty() ? m_data.m_aPalette : m_aGray; }
    uint32_t GetWidth() const { return m_nWidth; }
    uint32_t GetHeight() const { return m_nHeight; }
    // The layout read; meaningful when IsValid().
    const S_PixelLayout& Layout() const { return m_layout; }

    // Layouts of whole-byte samples (not indexed, not masked): bytes a sample and a pixel, the
    // pixel's byte that holds sample s's more significant bits, and the sample that holds
    // colour c (0 red, 1 green, 2 blue; the gray sample for all three in gray layouts).
    uint32_t SampleBytes() const { return m_nSampleBytes; }
    uint32_t PixelBytes() const { return m_nPixelBytes; }
    uint32_t HighByteOf(int nSample) const { return static_cast<uint32_t>(nSample) * m_nSampleBytes + m_nHighByte; }
    int SampleOfColour(int nColour) const { return m_aColourSample[nColour]; }
    // Masked layouts: the red, green and blue masks read, the picture's own or the default ones
    // of its depth when it names none.
    const uint32_t* Masks() const { return m_aMasks; }

    // The stored row that shows display row y (0 = top).
    uint32_t StoredRowOf(uint32_t nDisplayRow) const { return m_bBottomUp ? m_nHeight - 1 - nDisplayRow : nDisplayRow; }
    // Width indices of stored row r (indexed pictures only).
    void IndicesOfStoredRow(uint32_t nRow, uint8_t* pOut) const;
    // 3 x width bytes blue, green, red of stored row r (palette looked up for indexed pictures).
    void BgrOfStoredRow(uint32_t nRow, uint8_t* pOut) const;
    // A palette colour; black for an index past the palette's end.
    S_Rgb PaletteColour(uint32_t nIndex) const;

private:
    struct S_Channel {
        uint32_t nMask = 0;
        uint32_t nShift = 0;
        uint64_t nMax = 0;  // mask >> shift; 0 for an unused channel
        uint8_t Extract(uint32_t nValue) const;
    };

    // Sets up reading of the layout; false for a layout no reader knows.
    bool SetUp();

    const BTCImageData& m_data;
    S_PixelLayout m_layout;
    bool m_bValid = false;
    bool m_bIndexed = false;
    std::vector<S_Rgb> m_aGray;  // a gray picture's levels
    uint32_t m_nWidth = 0;
    uint32_t m_nHeight = 0;
    int m_nBits = 0;
    uint32_t m_nStride = 0;
    bool m_bBottomUp = false;
    uint32_t m_nSampleBytes = 0;
    uint32_t m_nPixelBytes = 0;
    uint32_t m_nHighByte = 0;
    int m_aColourSample[3] = {0, 0, 0};
    uint32_t m_aMasks[3] = {0, 0, 0};
    S_Channel m_aChannel[3];  // red, green, blue of a masked picture
};
