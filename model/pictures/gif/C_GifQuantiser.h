#pragma once
// GIF holds no true colour: a true-colour picture saved as GIF has its colours reduced to 256
// by giflib's quantiser.

#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_ImageError.h"

class C_GifQuantiser {
public:
    // Fills out's pixel bytes (8-bit indices, unpadded, top to bottom, already sized) and its
    // palette with src's colours reduced to at most 256. src must read as valid true colour.
    static bool ReduceColours(const BTCImageData& src, BTCImageData& out, C_ImageError& err);
};
