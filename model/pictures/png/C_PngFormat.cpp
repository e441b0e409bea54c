#include "model/pictures/png/C_PngFormat.h"

#include "model/pictures/png/C_PngCodec.h"
#include "model/pictures/png/vmk_png_name.h"

namespace {

// The picture in memory must be the one in the file, so the palette covers every index first.
bool Encode(BTCImageData& data, C_ByteSink& sink, C_ImageError& err)
{
    C_PngCodec::CoverIndices(data);
    return C_PngCodec::Encode(data, sink, err);
}

}  // namespace

S_FormatEntry C_PngFormat::Entry()
{
    S_FormatEntry entry;
    entry.eFormat = E_ImageFormat::Png;
    entry.pszName = kPngName;
    entry.pszExtension = "png";
    entry.pszFilterText = "Portable Network Graphics";
    entry.fnIsSignature = &C_PngCodec::IsPng;
    entry.fnDecode = &C_PngCodec::Decode;
    entry.fnEncode = &Encode;
    // An alpha channel and a transparent colour or palette index both, 16-bit samples and
    // animation.
    entry.caps.bPalette = true;
    entry.caps.bTrueColour = true;
    entry.caps.bAlpha = true;
    entry.caps.bColourKey = true;
    entry.caps.bAnimation = true;
    entry.caps.nMaxSampleBits = 16;
    // Conversion keeps 1-, 2- and 4-bit indices; an animated PNG's frames are kept only as a PNG.
    entry.fnAccepts = &C_PngCodec::HoldsLayout;
    entry.fnAdopt = &C_PngCodec::AdoptConverted;
    entry.nPackedIndexDepths = (1u << 1) | (1u << 2) | (1u << 4);
    entry.bFramesBindFormat = true;
    entry.pszMimeTypes = "image/png;";
    return entry;
}
