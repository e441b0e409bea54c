#pragma once
// PNG reading and writing through libpng. The pixel bytes are the full picture's rows, top row
// first, each as PNG stores it after unfiltering without the filter-type byte: samples in PNG's
// channel order, depths below 8 packed most significant bits first with the row padded to a
// whole byte, 16-bit samples most significant byte first; an interlaced file is de-interlaced.
// Every ancillary chunk is kept raw in a C_PngDocument with its place, and written back there.

#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_ByteSink.h"
#include "model/pictures/C_ByteSource.h"
#include "model/pictures/C_DecodeLimit.h"
#include "model/pictures/C_ImageError.h"

#include <cstdint>
#include <span>

class C_PngCodec {
public:
    // The eight-byte PNG signature at the start.
    static bool IsPng(std::span<const uint8_t> head);
    // Decodes into out (which must be empty). A CRC or checksum error, truncated data, an unknown
    // critical chunk and any chunk libpng would drop are refused with libpng's reason.
    static bool Decode(C_ByteSource& src, const C_DecodeLimit& limit, BTCImageData& out, C_ImageError& err);
    // data must hold a PNG layout (HoldsLayout); its document's colour type,
    // depth, interlace and chunks are written as they are.
    static bool Encode(const BTCImageData& data, C_ByteSink& sink, C_ImageError& err);
    // PNG allows no index past the palette's end, but a hide may make one (the last colour's
    // partner in the least significant bit). Grows a palette picture's palette to cover every
    // index; each new entry repeats its partner's colour, so the picture looks the same. Called
    // on load and before a save, so the picture in memory is the one in the file.
    static void CoverIndices(BTCImageData& data);
    // data holds a PNG layout: its document's colour type and depth describe its rows, unpadded
    // past the last whole byte, top to bottom, with a palette for palette pictures.
    static bool HoldsLayout(const BTCImageData& data);
    // A picture converted into PNG's geometry (packed or 8-bit indices, or blue, green, red
    // bytes) becomes a PNG picture: a palette picture of its depth or 8-bit RGB (the bytes
    // reordered), with src's resolution.
    static void AdoptConverted(BTCImageData& out, const BTCImageData& src);
};
