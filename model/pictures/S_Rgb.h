#pragma once
// One colour of a palette or colour table, 8 bits per primary. Apart from the picture data so
// that the GIF document and the colour defaults can name it without the picture.

#include <cstdint>

struct S_Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const S_Rgb&) const = default;

    // The gray level of a colour: Y = (299 R + 587 G + 114 B + 500) / 1000.
    static uint8_t Luma(uint8_t r, uint8_t g, uint8_t b)
    {
        return static_cast<uint8_t>((299u * r + 587u * g + 114u * b + 500u) / 1000u);
    }
};
