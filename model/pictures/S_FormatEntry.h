#pragma once
// One picture format as the program knows it: names, signature test, codec entry points, what it
// can hold and how a converted picture becomes its own. Each format fills one in its own folder;
// C_FormatRegistry lists them.

#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_ByteSink.h"
#include "model/pictures/C_ByteSource.h"
#include "model/pictures/C_DecodeLimit.h"
#include "model/pictures/C_ImageError.h"
#include "model/pictures/C_ImageFormat.h"

#include <cstdint>
#include <span>

// What a format can hold, so callers ask the format rather than naming it.
struct S_FormatCapabilities {
    bool bPalette = false;     // palette (indexed) pictures
    bool bTrueColour = false;  // more than 256 colours; without it a save quantises
    bool bAlpha = false;       // an alpha channel
    bool bColourKey = false;   // one colour or palette index marked transparent
    bool bAnimation = false;   // more than one frame
    bool bLossless = true;     // pixel bytes come back as they were written
    int nMaxSampleBits = 8;    // widest sample it stores
    uint32_t nRowAlign = 1;    // its rows are padded to a multiple of this many bytes
    bool bBottomUp = false;    // it writes the bottom row first
};

struct S_FormatEntry {
    E_ImageFormat eFormat = E_ImageFormat::None;
    const char* pszName = nullptr;            // "BMP", the name the texts use
    const char* pszExtension = nullptr;       // "bmp", lower case, without the dot
    const char* pszOtherExtension = nullptr;  // another name's ending it takes ("jpeg"); may be null
    const char* pszFilterText = nullptr;      // the file dialog's description of it
    // The first bytes are this format's; a weak signature is tried after every strong one.
    bool (*fnIsSignature)(std::span<const uint8_t> head) = nullptr;
    bool bWeakSignature = false;
    // A first byte that sends a picture to this decoder even when the signature test fails, so
    // the refusal names the bad field rather than an unknown format; -1 for none.
    int nLeadByte = -1;
    bool (*fnDecode)(C_ByteSource& src, const C_DecodeLimit& limit, BTCImageData& out, C_ImageError& err) = nullptr;
    // May adjust data first (a PNG palette grows to cover every index), as a save always did.
    bool (*fnEncode)(BTCImageData& data, C_ByteSink& sink, C_ImageError& err) = nullptr;
    S_FormatCapabilities caps;
    // Conversion from another format (C_ImageConverter): data holds this format's layout as it
    // is, so its pixel bytes go into the file unchanged (the source format aside).
    bool (*fnAccepts)(const BTCImageData& data) = nullptr;
    // Makes out, a picture converted into this format's geometry (indices, or blue, green, red
    // bytes), this format's own: its document, channel order, palette size. Null: nothing to do.
    void (*fnAdopt)(BTCImageData& out, const BTCImageData& src) = nullptr;
    // Without true colour: fills out's 8-bit indices and palette with src's colours reduced.
    bool (*fnReduceColours)(const BTCImageData& src, BTCImageData& out, C_ImageError& err) = nullptr;
    // The packed index depths below 8 it stores (bit n for n bits); other palette pictures
    // convert to 8-bit indices.
    uint32_t nPackedIndexDepths = 0;
    // The most pixels it holds either way; 0 for no limit of its own.
    uint32_t nMaxSide = 0;
    // A picture of this format with further frames is written in this format alone, never
    // converted: another would keep the first frame only. Without it, a conversion keeps the
    // first frame.
    bool bFramesBindFormat = false;
    // Its MIME types for the desktop entry, each followed by ";": "image/bmp;image/x-bmp;".
    const char* pszMimeTypes = nullptr;
};
