#pragma once
// PCX reading and writing. Reading accepts versions 0 to 5, RLE or raw; 1, 2, 4 or 8 bits with
// 1 to 4 planes while a pixel has at most 8 bits (EGA planar included), and 8 bits in 3 planes
// as true colour. Palette pictures decode to one index per pixel, true colour to blue, green,
// red per pixel; rows top to bottom without padding. Writing is version 5, RLE: one 8-bit plane
// with the 256-colour palette at the end, or three 8-bit planes; bytes per line even.

#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_ByteSink.h"
#include "model/pictures/C_ByteSource.h"
#include "model/pictures/C_DecodeLimit.h"
#include "model/pictures/C_ImageError.h"

#include <cstdint>
#include <span>

class C_PcxCodec {
public:
    static constexpr size_t kHeaderSize = 128;

    // Byte 0 is 0x0A and every header field is one this codec reads.
    static bool IsPcx(std::span<const uint8_t> head);
    static bool Decode(C_ByteSource& src, const C_DecodeLimit& limit, BTCImageData& out, C_ImageError& err);
    // data must hold a PCX layout: 8 bits with a palette or 24 bits, unpadded, top to bottom.
    static bool Encode(const BTCImageData& data, C_ByteSink& sink, C_ImageError& err);
    // data holds that layout, so its pixel bytes go into the file unchanged.
    static bool HoldsLayout(const BTCImageData& data);
    // A picture converted into that layout: a palette picture's palette gets the 256 entries
    // the file always has.
    static void AdoptConverted(BTCImageData& out, const BTCImageData& src);
};
