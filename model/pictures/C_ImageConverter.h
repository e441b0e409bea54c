#pragma once
// Saving in another format: brings a picture into the layout the target format's encoder
// writes, from the target's registry entry. Palette pictures stay palette pictures (same
// palette; 8-bit indices, or the packed depth where the target keeps it); true colour stays
// true colour (24 bits blue, green, red, which the target may reorder) except in a format
// without true colour, whose entry reduces the colours. A picture whose further frames its
// format keeps only in its own files is refused.

#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_ImageError.h"
#include "model/pictures/C_ImageFormat.h"

class C_ImageConverter {
public:
    // True when data came from eFormat and still holds its layout, so its pixel bytes go into
    // the file unchanged.
    static bool HasLayoutOf(const BTCImageData& data, E_ImageFormat eFormat);
    // data has further frames that its format keeps only in its own files: no conversion may
    // drop them, so it is written in its own format or not at all.
    static bool FramesBindSource(const BTCImageData& data);
    // Turns the 24-bit pixels of a converted picture (blue, green, red) into red, green, blue,
    // for a target that stores them so.
    static void SwapRedAndBlue(BTCImageData& data);
    // Fills out (empty) with the picture in eTarget's layout.
    static bool Convert(const BTCImageData& src, E_ImageFormat eTarget, BTCImageData& out, C_ImageError& err);
};
