#pragma once
// Reads the pixels of any decoded layout (BMP rows of 1 to 32 bits, padded, either row order;
// GIF and PCX indices; PCX blue-green-red; PNG's colour types and depths) as colour indices or
// as blue-green-red bytes. A PNG gray picture of up to 8 bits reads as indices into a gray
// palette; 16-bit samples give their high byte, alpha is passed over. Used
// by gray scale and by conversion between formats. Construct, then check IsValid() before
// reading: it proves the fields describe the buffer, so no read below can leave it.

#include "model/image/BTCImageData.h"

#include <cstdint>
#include <vector>

class C_PixelReader {
public:
    explicit C_PixelReader(const BTCImageData& data);

    bool IsValid() const { return m_bValid; }
    // The bytes are colour indices into Palette(): 1 to 8 bits per pixel and no PNG channels.
    bool IsIndexed() const { return m_bIndexed; }
    // The palette indices look up: the picture's own, or the gray levels of a PNG gray picture.
    const std::vector<S_Rgb>& Palette() const { return m_aGray.empty() ? m_data.m_aPalette : m_aGray; }
    uint32_t GetWidth() const { return m_nWidth; }
    uint32_t GetHeight() const { return m_nHeight; }

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

    // Sets up a PNG picture's reading; false when its document does not describe it.
    bool ReadsPng();
    void BgrOfPngRow(const uint8_t* pRow, uint8_t* pOut) const;

    const BTCImageData& m_data;
    bool m_bValid = false;
    bool m_bIndexed = false;
    int m_nPngChannels = 0;  // samples per pixel of a PNG true-colour or 16-bit gray picture
    int m_nPngSampleBytes = 0;
    std::vector<S_Rgb> m_aGray;  // a PNG gray picture's levels
    uint32_t m_nWidth = 0;
    uint32_t m_nHeight = 0;
    int m_nBits = 0;
    uint32_t m_nStride = 0;
    bool m_bBottomUp = false;
    S_Channel m_aChannel[3];  // red, green, blue of a 16- or 32-bit picture
};
