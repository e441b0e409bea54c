#pragma once
// Gray scale over a decoded picture, apart from the picture data so that the data knows no
// effect. A palette picture gets a gray palette (and a GIF's every colour table turns gray)
// and keeps its pixel bytes; a 16-, 24- or 32-bit picture becomes 8 bits of 256 gray levels in
// the same family of row layout, so its byte count changes.

#include "model/image/BTCImageData.h"

#include <cstdint>

class C_GrayscaleEffect {
public:
    // Converts data in place. False, with data unchanged, when its fields do not describe its
    // buffer or the gray picture would not fit the 32-bit byte count.
    static bool Apply(BTCImageData& data);

    // Y = (299 R + 587 G + 114 B + 500) / 1000.
    static uint8_t Luma(uint8_t r, uint8_t g, uint8_t b)
    {
        return static_cast<uint8_t>((299u * r + 587u * g + 114u * b + 500u) / 1000u);
    }
};
