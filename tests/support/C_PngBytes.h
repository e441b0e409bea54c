#pragma once
// PNG files for the tests, written by libpng from rows given in PNG's own layout, so that what
// the codec under test decodes can be checked against the rows that went in. Chunks can be
// listed, inserted, changed and joined again with fresh CRCs.

#include "model/pictures/S_Rgb.h"

#include <cstdint>
#include <string>
#include <vector>

struct S_RawChunk {
    std::string strName;  // four letters
    std::vector<uint8_t> aData;
    bool operator==(const S_RawChunk&) const = default;
};

class C_PngBytes {
public:
    // rows: height rows of PNG's row bytes (no filter byte); palette for colour type 3.
    static std::vector<uint8_t> Make(uint32_t nWidth, uint32_t nHeight, int nColourType, int nBitDepth,
        bool bInterlaced, const std::vector<uint8_t>& rows, const std::vector<S_Rgb>& palette = {});
    // The chunks after the signature, in file order; empty when the bytes are not a whole PNG.
    static std::vector<S_RawChunk> Chunks(const std::vector<uint8_t>& png);
    // A PNG of these chunks, each with its correct CRC.
    static std::vector<uint8_t> Join(const std::vector<S_RawChunk>& chunks);
    // The index of the first chunk named strName, or the chunk count when there is none.
    static size_t Find(const std::vector<S_RawChunk>& chunks, const std::string& strName);
    static S_RawChunk Chunk(const std::string& strName, const std::string& strData);
};
