#pragma once
// Picture formats and the save codes the carrier passes (0 Windows bitmap, 1 PCX, 9 GIF; PNG,
// added later, takes 2).

#include <cstdint>

enum class E_ImageFormat : int32_t {
    None = -1,
    Bmp = 0,
    Pcx = 1,
    Png = 2,
    Gif = 9,
};

// The format's usual name ("BMP", "GIF", "PCX", "PNG"); null for None.
inline const char* ImageFormatName(E_ImageFormat eFormat)
{
    switch (eFormat) {
    case E_ImageFormat::Bmp: return "BMP";
    case E_ImageFormat::Pcx: return "PCX";
    case E_ImageFormat::Gif: return "GIF";
    case E_ImageFormat::Png: return "PNG";
    case E_ImageFormat::None: break;
    }
    return nullptr;
}
