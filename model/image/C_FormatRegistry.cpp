#include "model/image/C_FormatRegistry.h"

#include "model/image/bmp/C_BmpCodec.h"
#include "model/image/gif/C_GifDecoder.h"
#include "model/image/gif/C_GifEncoder.h"
#include "model/image/pcx/C_PcxCodec.h"
#include "model/image/png/C_PngCodec.h"

namespace {

bool EncodeBmp(BTCImageData& data, C_ByteSink& sink, C_ImageError& err)
{
    return C_BmpCodec::Encode(data, sink, err);
}

bool EncodeGif(BTCImageData& data, C_ByteSink& sink, C_ImageError& err)
{
    return C_GifEncoder::Encode(data, sink, err);
}

bool EncodePcx(BTCImageData& data, C_ByteSink& sink, C_ImageError& err)
{
    return C_PcxCodec::Encode(data, sink, err);
}

// The picture in memory must be the one in the file, so the palette covers every index first.
bool EncodePng(BTCImageData& data, C_ByteSink& sink, C_ImageError& err)
{
    C_PngCodec::CoverIndices(data);
    return C_PngCodec::Encode(data, sink, err);
}

S_FormatCapabilities Capabilities(bool bTrueColour, bool bAlpha, bool bColourKey, bool bAnimation, int nMaxSampleBits)
{
    S_FormatCapabilities caps;
    caps.bPalette = true;  // every format so far holds palette pictures
    caps.bTrueColour = bTrueColour;
    caps.bAlpha = bAlpha;
    caps.bColourKey = bColourKey;
    caps.bAnimation = bAnimation;
    caps.nMaxSampleBits = nMaxSampleBits;
    return caps;
}

std::vector<S_FormatEntry> MakeEntries()
{
    // A 32-bit BMP may name an alpha channel in its masks; a GIF marks one palette index
    // transparent; a PNG has both, 16-bit samples and animation.
    S_FormatEntry bmp{E_ImageFormat::Bmp, "BMP", "bmp", "Windows Bitmap", &C_BmpCodec::IsBmp, false, -1,
        &C_BmpCodec::Decode, &EncodeBmp, Capabilities(true, true, false, false, 8), "image/bmp;image/x-bmp;"};
    bmp.caps.nRowAlign = 4;
    bmp.caps.bBottomUp = true;
    const S_FormatEntry gif{E_ImageFormat::Gif, "GIF", "gif", "Compuserve Graphics Interchange Format",
        &C_GifDecoder::IsGif, false, -1, &C_GifDecoder::Decode, &EncodeGif, Capabilities(false, false, true, true, 8),
        "image/gif;"};
    // PCX has no magic number of its own, only a plausible header, so it is tried last.
    const S_FormatEntry pcx{E_ImageFormat::Pcx, "PCX", "pcx", "ZSoft PC Paint Brush", &C_PcxCodec::IsPcx, true, 0x0A,
        &C_PcxCodec::Decode, &EncodePcx, Capabilities(true, false, false, false, 8),
        "image/x-pcx;image/vnd.zbrush.pcx;"};
    const S_FormatEntry png{E_ImageFormat::Png, "PNG", "png", "Portable Network Graphics", &C_PngCodec::IsPng, false,
        -1, &C_PngCodec::Decode, &EncodePng, Capabilities(true, true, true, true, 16), "image/png;"};
    return {bmp, gif, pcx, png};
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

const std::vector<S_FormatEntry>& C_FormatRegistry::All()
{
    static const std::vector<S_FormatEntry> kEntries = MakeEntries();
    return kEntries;
}

const S_FormatEntry* C_FormatRegistry::Find(E_ImageFormat eFormat)
{
    for (const S_FormatEntry& entry : All())
        if (entry.eFormat == eFormat)
            return &entry;
    return nullptr;
}

const char* C_FormatRegistry::Name(E_ImageFormat eFormat)
{
    const S_FormatEntry* pEntry = Find(eFormat);
    return pEntry ? pEntry->pszName : nullptr;
}

E_ImageFormat C_FormatRegistry::ForPath(const std::string& strPath)
{
    // Only the name's last characters count, not a dot before them: "photobmp" is a BMP too.
    for (const S_FormatEntry& entry : All()) {
        const std::string strExtension = entry.pszExtension;
        if (strPath.size() < strExtension.size())
            continue;
        const size_t nStart = strPath.size() - strExtension.size();
        bool bMatch = true;
        for (size_t i = 0; i < strExtension.size() && bMatch; ++i)
            bMatch = Lower(strPath[nStart + i]) == strExtension[i];
        if (bMatch)
            return entry.eFormat;
    }
    return E_ImageFormat::None;
}

E_ImageFormat C_FormatRegistry::Detect(std::span<const uint8_t> head)
{
    for (const bool bWeak : {false, true})
        for (const S_FormatEntry& entry : All())
            if (entry.bWeakSignature == bWeak && entry.fnIsSignature(head))
                return entry.eFormat;
    return E_ImageFormat::None;
}

E_ImageFormat C_FormatRegistry::ForLeadByte(std::span<const uint8_t> head)
{
    if (head.empty())
        return E_ImageFormat::None;
    for (const S_FormatEntry& entry : All())
        if (entry.nLeadByte == head[0])
            return entry.eFormat;
    return E_ImageFormat::None;
}

std::vector<std::string> C_FormatRegistry::Extensions()
{
    std::vector<std::string> extensions;
    for (const S_FormatEntry& entry : All())
        extensions.emplace_back(entry.pszExtension);
    return extensions;
}

std::string C_FormatRegistry::NameList(const char* pszLastJoin, bool bExtensions)
{
    const std::vector<S_FormatEntry>& entries = All();
    std::string strList;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0)
            strList += i + 1 == entries.size() ? pszLastJoin : ", ";
        strList += bExtensions ? entries[i].pszExtension : entries[i].pszName;
    }
    return strList;
}
