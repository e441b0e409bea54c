#pragma once
// Saving in another format: brings a picture into the layout the target format's encoder
// writes. Palette pictures stay palette pictures (8-bit indices, same palette); true colour
// stays true colour, except for GIF, where giflib's quantiser reduces it to 256 colours.

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
