#pragma once
// Gray scale over a decoded picture, apart from the picture data so that the data knows no
// effect. It works from the picture's layout: a palette picture gets a gray palette and keeps
// its pixel bytes; red, green and blue samples become gray samples of the same depth (alpha
// kept); blue-green-red bytes and masked words become 8 bits of 256 gray levels in the format's
// row padding and order, so the byte count changes. The picture's document then brings what
// its format keeps besides (further colour tables, the colour type and its chunks) into line.

#include "model/pictures/BTCImageData.h"

#include <cstdint>

class C_GrayscaleEffect {
public:
    // Converts data in place. False, with data unchanged, when its fields do not describe its
    // buffer or the gray picture would not fit the 32-bit byte count.
    static bool Apply(BTCImageData& data);
};
