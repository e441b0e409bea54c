#pragma once
// GIF reading through giflib. Keeps the whole file (screen, colour tables, extension blocks,
// every frame) in a C_GifDocument; the first frame is the picture, one index per pixel in
// display order. Writing is C_GifEncoder's, in its own files, as giflib keeps its reader and
// writer apart.

#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_ByteSource.h"
#include "model/pictures/C_DecodeLimit.h"
#include "model/pictures/C_ImageError.h"

#include <cstdint>
#include <span>

class C_GifDecoder {
public:
    // "GIF87a" or "GIF89a" at the start.
    static bool IsGif(std::span<const uint8_t> head);
    static bool Decode(C_ByteSource& src, const C_DecodeLimit& limit, BTCImageData& out, C_ImageError& err);
};
