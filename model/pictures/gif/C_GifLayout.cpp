#include "model/pictures/gif/C_GifLayout.h"

#include <algorithm>

int C_GifLayout::BitsFor(std::span<const uint8_t> aPixels)
{
    uint8_t nMax = 0;
    for (const uint8_t v : aPixels)
        nMax = std::max(nMax, v);
    int nBits = 1;
    while ((1u << nBits) <= nMax)
        ++nBits;
    return nBits;
}

void C_GifLayout::PadMap(std::vector<S_Rgb>& aColours, int nMinBits)
{
    size_t nSize = size_t{1} << nMinBits;
    while (nSize < aColours.size())
        nSize *= 2;
    aColours.resize(std::min<size_t>(nSize, 256));
}
