#pragma once
// GIF writing through giflib. Puts the picture's indices back as the first frame (interlaced
// again when it was) and everything else of the file it came from as read.

#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_ByteSink.h"
#include "model/pictures/C_ImageError.h"

class C_GifEncoder {
public:
    // data must hold a GIF layout (8-bit indices, unpadded, top to bottom, at most 65535 pixels
    // either way). Without a document from a GIF file, a single-frame GIF is written.
    static bool Encode(const BTCImageData& data, C_ByteSink& sink, C_ImageError& err);
    // data holds that layout (the size aside), so its indices go into the file unchanged.
    static bool HoldsLayout(const BTCImageData& data);
};
