#include "model/pictures/gif/C_GifFormat.h"

#include "model/pictures/gif/C_GifDecoder.h"
#include "model/pictures/gif/C_GifEncoder.h"
#include "model/pictures/gif/C_GifQuantiser.h"
#include "model/pictures/gif/vmk_gif_name.h"

namespace {

bool Encode(BTCImageData& data, C_ByteSink& sink, C_ImageError& err)
{
    return C_GifEncoder::Encode(data, sink, err);
}

}  // namespace

S_FormatEntry C_GifFormat::Entry()
{
    S_FormatEntry entry;
    entry.eFormat = E_ImageFormat::Gif;
    entry.pszName = kGifName;
    entry.pszExtension = "gif";
    entry.pszFilterText = "Compuserve Graphics Interchange Format";
    entry.fnIsSignature = &C_GifDecoder::IsGif;
    entry.fnDecode = &C_GifDecoder::Decode;
    entry.fnEncode = &Encode;
    // Palette pictures only; one palette index may be marked transparent.
    entry.caps.bPalette = true;
    entry.caps.bColourKey = true;
    entry.caps.bAnimation = true;
    entry.caps.nMaxSampleBits = 8;
    // Conversion reduces true colour to a palette; a side holds at most 65535 pixels.
    entry.fnAccepts = &C_GifEncoder::HoldsLayout;
    entry.fnReduceColours = &C_GifQuantiser::ReduceColours;
    entry.nMaxSide = 0xFFFF;
    entry.pszMimeTypes = "image/gif;";
    return entry;
}
