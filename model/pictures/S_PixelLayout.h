#pragma once
// How a decoded picture's pixel bytes are laid out, described once by its format so that every
// reader (pixel reader, detection check, plus-or-minus-one embedding, transparency, the view, the
// difference map, palette pairing) works from the same facts instead of asking which format the
// picture came from.

#include <cstdint>
#include <vector>

// What the samples of one pixel are, in the order they are stored.
enum class E_PixelChannels : uint8_t {
    Index,      // one palette index; 1, 2, 4 or 8 bits, packed most significant bits first
    Gray,       // one gray sample; 1 to 16 bits (below 8 packed most significant bits first)
    GrayAlpha,  // gray, then alpha; 8 or 16 bits each
    Bgr,        // blue, green, red; 8 bits each
    Rgb,        // red, green, blue; 8 or 16 bits each
    Rgba,       // red, green, blue, alpha; 8 or 16 bits each
    Masked,     // one 16- or 32-bit little-endian word split by the picture's channel masks
};

struct S_PixelLayout {
    bool bKnown = false;  // false: the fields below describe nothing a reader may use
    E_PixelChannels eChannels = E_PixelChannels::Index;
    int nChannels = 1;          // samples per pixel (1 for Index, Gray and Masked)
    int nBitsPerSample = 8;     // 1, 2, 4, 8 or 16; 16 or 32 for the whole Masked word
    bool bBigEndian16 = false;  // a 16-bit sample's more significant byte comes first
    uint32_t nRowAlign = 1;     // rows are padded to a multiple of this many bytes
    bool bBottomUp = false;     // the first stored row is the bottom one
    int nAlphaChannel = -1;     // the sample that is alpha; -1 for none (a Masked alpha has a mask)
    // Transparency without an alpha sample.
    int nTransparentIndex = -1;          // the one palette index shown transparent; -1 for none
    std::vector<uint8_t> aIndexAlpha;    // the alpha of each palette index from 0 (missing = opaque)
    bool bColourKey = false;             // pixels whose samples equal aColourKey are transparent
    uint16_t aColourKey[3] = {0, 0, 0};  // gray in [0]; else red, green, blue, in sample units
    // An index past the palette's end is saved in its partner's colour (index xor 1), the
    // palette growing to cover it; without this it is saved as it is and shows black.
    bool bPartnerBeyondPalette = false;
    // Frames the file holds beyond the decoded one, kept byte for byte but not decoded.
    bool bFurtherFrames = false;

    int BitsPerPixel() const
    {
        return eChannels == E_PixelChannels::Masked ? nBitsPerSample : nChannels * nBitsPerSample;
    }
    bool IsIndexed() const { return eChannels == E_PixelChannels::Index; }
    bool HasAlphaSample() const { return nAlphaChannel >= 0; }
    bool HasIndexTransparency() const { return nTransparentIndex >= 0 || !aIndexAlpha.empty(); }
};
