#pragma once
// Picture formats and the save codes the carrier passes (0 Windows bitmap, 1 PCX, 9 GIF; PNG,
// added later, takes 2, and JPEG 3). Everything else about a format is in C_FormatRegistry.

#include <cstdint>

enum class E_ImageFormat : int32_t {
    None = -1,
    Bmp = 0,
    Pcx = 1,
    Png = 2,
    Jpeg = 3,
    Gif = 9,
};
