#pragma once
// Pictures built byte by byte for the tests, independent of the codecs under test: every header
// field is set here by hand, and GIF image data uses a plain literal-only LZW stream.

#include "model/pictures/BTCImageData.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct S_BmpLayout {
    uint32_t nHeaderSize = 40;  // 12, 40, 52, 56, 108 or 124
    int32_t nWidth = 1;
    int32_t nHeight = 1;  // negative: top-down
    uint16_t nPlanes = 1;
    uint16_t nBits = 24;
    uint32_t nCompression = 0;
    uint32_t nColoursUsed = 0;
    std::vector<S_Rgb> aPalette;        // 3 bytes each after a core header, 4 otherwise
    uint32_t aMasks[4] = {0, 0, 0, 0};  // after a 40-byte header when compression is 3
    int32_t nXPpm = 0;
    int32_t nYPpm = 0;
    std::vector<uint8_t> aPixels;  // the pixel array or RLE stream as stored
    int64_t nOffBitsDelta = 0;     // added to the pixel offset field (the pixels stay put)
};

struct S_PcxLayout {
    uint8_t nVersion = 5;
    uint8_t nEncoding = 1;
    uint8_t nBits = 8;
    uint8_t nPlanes = 1;
    uint16_t nXMin = 0, nYMin = 0;
    uint16_t nWidth = 1, nHeight = 1;
    uint16_t nBytesPerLine = 2;
    uint16_t nDpiX = 0, nDpiY = 0;
    std::vector<S_Rgb> aHeaderPalette;  // up to 16
    std::vector<uint8_t> aBody;         // encoded scan lines
    std::vector<S_Rgb> aTailPalette;    // written with its 0x0C mark when not empty (padded to 256)
};

struct S_GifRecord {
    // An extension (bImage false) or an image.
    bool bImage = false;
    int nLabel = 0;
    std::vector<std::vector<uint8_t>> aBlocks;
    uint16_t nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
    bool bInterlaced = false;
    std::vector<S_Rgb> aLocalPalette;  // none when empty; size a power of two
    std::vector<uint8_t> aPixels;      // display order
    int nCodeSize = 0;                 // LZW minimum code size; 0: from the palette, at least 2
    size_t nClearEvery = 0;            // pixels between clear codes; 0: as the code size allows, at most 100
};

struct S_GifLayout {
    std::string strVersion = "GIF89a";
    uint16_t nScreenWidth = 1, nScreenHeight = 1;
    std::vector<S_Rgb> aGlobalPalette;  // none when empty; size a power of two
    uint8_t nBackground = 0;
    uint8_t nAspect = 0;
    std::vector<S_GifRecord> aRecords;
    bool bTrailer = true;
};

class C_ImageBytes {
public:
    static std::vector<uint8_t> Bmp(const S_BmpLayout& layout);
    static std::vector<uint8_t> Pcx(const S_PcxLayout& layout);
    static std::vector<uint8_t> Gif(const S_GifLayout& layout);

    // Each byte < 0xC0 as itself, every other as a run of one: valid PCX RLE without runs.
    static std::vector<uint8_t> PcxLiteral(const std::vector<uint8_t>& aLine);
    // Runs of up to 63 equal bytes, and every byte of 0xC0 or more as a run: PCX RLE as encoders write it.
    static std::vector<uint8_t> PcxRle(const std::vector<uint8_t>& aLine);
    // n bytes of a pattern that differs from byte to byte and from seed to seed.
    static std::vector<uint8_t> Pattern(size_t n, uint8_t nSeed);
    static std::vector<S_Rgb> Palette(size_t n, uint8_t nSeed);
    // BMP row bytes: width x bits rounded up to 4.
    static uint32_t BmpStride(uint32_t nWidth, uint32_t nBits) { return (nWidth * nBits + 31) / 32 * 4; }
    static uint32_t U32(const std::vector<uint8_t>& v, size_t nAt);
    static uint16_t U16(const std::vector<uint8_t>& v, size_t nAt);
};
