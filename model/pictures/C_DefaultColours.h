#pragma once
// The colours a picture gets where its file names none: the channel masks of a 16- or 32-bit
// BMP without BI_BITFIELDS, and the 256-level gray ramp (an 8-bit picture without a palette,
// a GIF frame without a colour table, a true colour picture turned gray).

#include "model/pictures/S_Rgb.h"

#include <cstdint>
#include <vector>

class C_DefaultColours {
public:
    // Red, green and blue masks of the BI_RGB layouts: 5-5-5 for 16 bits, 8-8-8 for 32 bits;
    // null for any other depth.
    static const uint32_t* RgbMasks(int nBits);
    // 256 entries, entry i being (i, i, i).
    static std::vector<S_Rgb> GrayRamp();
    // True when every entry i of a palette of 1 to 256 entries is (i, i, i): its indices are
    // gray levels themselves.
    static bool IsGrayRamp(const std::vector<S_Rgb>& palette);
};
