#include "model/pictures/C_DefaultColours.h"

#include <cstddef>

namespace {

constexpr uint32_t kMasks16[3] = {0x7C00, 0x03E0, 0x001F};
constexpr uint32_t kMasks32[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};

}  // namespace

const uint32_t* C_DefaultColours::RgbMasks(int nBits)
{
    if (nBits == 16)
        return kMasks16;
    return nBits == 32 ? kMasks32 : nullptr;
}

std::vector<S_Rgb> C_DefaultColours::GrayRamp()
{
    std::vector<S_Rgb> aRamp(256);
    for (size_t i = 0; i < aRamp.size(); ++i) {
        const auto v = static_cast<uint8_t>(i);
        aRamp[i] = S_Rgb{v, v, v};
    }
    return aRamp;
}

bool C_DefaultColours::IsGrayRamp(const std::vector<S_Rgb>& palette)
{
    if (palette.empty() || palette.size() > 256)
        return false;
    for (size_t i = 0; i < palette.size(); ++i) {
        const auto n = static_cast<uint8_t>(i);
        if (!(palette[i] == S_Rgb{n, n, n}))
            return false;
    }
    return true;
}
