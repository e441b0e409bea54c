#pragma once
// Two pictures of one size whose pixel bytes are laid out differently (depth, row order, row
// padding, palette or true colour, channel order, as the same pixels saved as BMP and as PNG
// are) compared by what they show: each pixel's red, green and blue and, where either picture
// has transparency (an alpha channel, a PNG tRNS chunk, a GIF transparent index, a 32-bit
// BMP's alpha mask), its alpha. Two pixels that are both fully transparent show the same.
// 16-bit samples count by their high byte.

#include "model/pictures/BTCImageData.h"

#include <cstdint>
#include <optional>
#include <string>

class C_ColourComparer {
public:
    // Whether byte i of one picture means what byte i of the other does: same width, height,
    // depth, row length, row order and channel order (so the byte counts of the compare hold).
    static bool SameLayout(const BTCImageData& a, const BTCImageData& b);
    // Where the colours are to be compared rather than the bytes: the layouts differ, or the
    // bytes are the same and only the palettes differ (one padded, as GIF pads it).
    static bool StoredDifferently(const BTCImageData& a, const BTCImageData& b);
    // How many pixels show different colours; nullopt when the sizes differ or either picture
    // cannot be read pixel by pixel.
    static std::optional<uint64_t> DifferingPixels(const BTCImageData& a, const BTCImageData& b);
    // "The pictures are stored differently (24-bit BMP and 24-bit PNG); their pixels show the
    // same colours." or "...; 12 pixels show different colours."
    static std::string Describe(const BTCImageData& a, const BTCImageData& b, uint64_t nDiffering);
};
