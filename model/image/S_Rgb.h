#pragma once
// One colour of a palette or colour table, 8 bits per primary. Apart from the picture data so
// that the GIF document and the colour defaults can name it without the picture.

#include <cstdint>

struct S_Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const S_Rgb&) const = default;
};
