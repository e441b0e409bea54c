#pragma once
// Saving in another format: brings a picture into the layout the target format's encoder
// writes. Palette pictures stay palette pictures (same palette; 8-bit indices, or the packed
// depth where BMP or PNG has it); true colour stays true colour (24 bits; PNG: 8-bit RGB),
// except for GIF, where giflib's quantiser reduces it to 256 colours. An animated PNG is
// refused: no other format keeps its further frames.

#include "model/image/BTCImageData.h"
#include "model/image/C_ImageError.h"
#include "model/image/C_ImageFormat.h"

class C_ImageConverter {
public:
    // True when data came from eFormat and still holds its layout, so its pixel bytes go into
    // the file unchanged.
    static bool HasLayoutOf(const BTCImageData& data, E_ImageFormat eFormat);
    // Fills out (empty) with the picture in eTarget's layout.
    static bool Convert(const BTCImageData& src, E_ImageFormat eTarget, BTCImageData& out, C_ImageError& err);
};
