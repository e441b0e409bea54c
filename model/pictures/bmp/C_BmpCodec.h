#pragma once
// Windows bitmap reading and writing. Reading accepts the OS/2 core header and the info headers
// of 40, 52, 56, 108 and 124 bytes; 1, 4, 8, 16, 24 and 32 bits; BI_RGB, BI_RLE4, BI_RLE8 and
// BI_BITFIELDS; both row orders. The pixel bytes are the file's pixel array as stored (RLE
// expanded to the bottom-up rows an uncompressed file of the same depth holds). Writing is
// uncompressed and puts the pixel buffer into the file byte for byte.

#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_ByteSink.h"
#include "model/pictures/C_ByteSource.h"
#include "model/pictures/C_DecodeLimit.h"
#include "model/pictures/C_ImageError.h"

#include <cstdint>
#include <span>

class C_BmpCodec {
public:
    // "BM" at the start.
    static bool IsBmp(std::span<const uint8_t> head);
    // Decodes into out (which must be empty); nMaxBytes caps the pixel buffer.
    static bool Decode(C_ByteSource& src, const C_DecodeLimit& limit, BTCImageData& out, C_ImageError& err);
    // data must hold a BMP layout: rows padded to 4 bytes, a depth BMP knows, a palette for
    // 1 to 8 bits.
    static bool Encode(const BTCImageData& data, C_ByteSink& sink, C_ImageError& err);
    // data holds that layout, so its pixel bytes go into the file unchanged.
    static bool HoldsLayout(const BTCImageData& data);

private:
    static bool DecodeRle(std::span<const uint8_t> rle, int nBits, BTCImageData& out, C_ImageError& err);
};
