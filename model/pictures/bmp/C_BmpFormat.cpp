#include "model/pictures/bmp/C_BmpFormat.h"

#include "model/pictures/bmp/C_BmpCodec.h"

namespace {

bool Encode(BTCImageData& data, C_ByteSink& sink, C_ImageError& err)
{
    return C_BmpCodec::Encode(data, sink, err);
}

}  // namespace

S_FormatEntry C_BmpFormat::Entry()
{
    S_FormatEntry entry;
    entry.eFormat = E_ImageFormat::Bmp;
    entry.pszName = "BMP";
    entry.pszExtension = "bmp";
    entry.pszFilterText = "Windows Bitmap";
    entry.fnIsSignature = &C_BmpCodec::IsBmp;
    entry.fnDecode = &C_BmpCodec::Decode;
    entry.fnEncode = &Encode;
    entry.caps.bPalette = true;
    entry.caps.bTrueColour = true;
    // A 32-bit BMP may name an alpha channel in its masks.
    entry.caps.bAlpha = true;
    entry.caps.nMaxSampleBits = 8;
    entry.caps.nRowAlign = 4;
    entry.caps.bBottomUp = true;
    // Conversion keeps 1- and 4-bit indices.
    entry.fnAccepts = &C_BmpCodec::HoldsLayout;
    entry.nPackedIndexDepths = (1u << 1) | (1u << 4);
    entry.pszMimeTypes = "image/bmp;image/x-bmp;";
    return entry;
}
