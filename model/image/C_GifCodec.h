#pragma once
// GIF reading and writing through giflib. Reading keeps the whole file (screen, colour tables,
// extension blocks, every frame) in a C_GifDocument; the first frame is the picture, one index
// per pixel in display order. Writing puts the picture's indices back as the first frame
// (interlaced again when it was) and everything else as read.

#include "model/image/BTCImageData.h"
#include "model/image/C_ByteSink.h"
#include "model/image/C_ByteSource.h"
#include "model/image/C_DecodeLimit.h"
#include "model/image/C_ImageError.h"

#include <cstdint>
#include <span>

class C_GifCodec {
public:
    // "GIF87a" or "GIF89a" at the start.
    static bool IsGif(std::span<const uint8_t> head);
    static bool Decode(C_ByteSource& src, const C_DecodeLimit& limit, BTCImageData& out, C_ImageError& err);
    // data must hold a GIF layout (8-bit indices, unpadded, top to bottom, at most 65535 pixels
    // either way). Without a document from a GIF file, a single-frame GIF is written.
    static bool Encode(const BTCImageData& data, C_ByteSink& sink, C_ImageError& err);
};
