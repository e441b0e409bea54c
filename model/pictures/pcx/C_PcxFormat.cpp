#include "model/pictures/pcx/C_PcxFormat.h"

#include "model/pictures/pcx/C_PcxCodec.h"

namespace {

bool Encode(BTCImageData& data, C_ByteSink& sink, C_ImageError& err)
{
    return C_PcxCodec::Encode(data, sink, err);
}

}  // namespace

S_FormatEntry C_PcxFormat::Entry()
{
    S_FormatEntry entry;
    entry.eFormat = E_ImageFormat::Pcx;
    entry.pszName = "PCX";
    entry.pszExtension = "pcx";
    entry.pszFilterText = "ZSoft PC Paint Brush";
    // PCX has no magic number of its own, only a plausible header, so it is tried last; a file
    // starting with its manufacturer byte still goes to its decoder, which names the bad field.
    entry.fnIsSignature = &C_PcxCodec::IsPcx;
    entry.bWeakSignature = true;
    entry.nLeadByte = 0x0A;
    entry.fnDecode = &C_PcxCodec::Decode;
    entry.fnEncode = &Encode;
    entry.caps.bPalette = true;
    entry.caps.bTrueColour = true;
    entry.caps.nMaxSampleBits = 8;
    entry.fnAccepts = &C_PcxCodec::HoldsLayout;
    entry.fnAdopt = &C_PcxCodec::AdoptConverted;
    entry.pszMimeTypes = "image/x-pcx;image/vnd.zbrush.pcx;";
    return entry;
}
