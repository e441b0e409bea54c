#pragma once
// Everything of a PNG file besides its pixel bytes: the header's colour type, depth and
// interlace, a true-colour picture's suggested palette, and every ancillary chunk as it was
// read, with its place, so that a save writes the file again with only the pixels changed.
// The palette of a palette picture lives in the picture data.

#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_PictureDocument.h"
#include "model/pictures/S_Rgb.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Where a chunk stood: chunks are written back in the same place relative to PLTE and IDAT.
enum class E_PngPlace : uint8_t {
    BeforePalette,  // after IHDR, before PLTE (or before IDAT when there is no PLTE)
    BeforeData,     // after PLTE, before IDAT
    AfterData,      // after IDAT, before IEND
};

struct S_PngChunk {
    std::array<char, 4> aName{};  // the type, e.g. "tEXt"; not NUL terminated
    E_PngPlace ePlace = E_PngPlace::BeforePalette;
    std::vector<uint8_t> aData;

    bool Is(const char* pName) const;
    std::string Name() const { return std::string(aName.data(), aName.size()); }
};

class C_PngDocument final : public C_PictureDocument {
public:
    // The PNG document of a picture, or null when it holds none.
    static C_PngDocument* Of(BTCImageData& data) { return dynamic_cast<C_PngDocument*>(data.m_pDocument.get()); }
    static const C_PngDocument* Of(const BTCImageData& data)
    {
        return dynamic_cast<const C_PngDocument*>(data.m_pDocument.get());
    }

    std::unique_ptr<C_PictureDocument> Clone() const override { return std::make_unique<C_PngDocument>(*this); }
    bool AssignFrom(const C_PictureDocument& other) override;
    void Describe(const BTCImageData& data, S_PixelLayout& layout) const override;
    // An animated PNG's further frames are compressed chunks kept as read: their indices would
    // keep the old order, so its palette is not renumbered.
    bool CanRenumberPalette(const BTCImageData& data) const override;
    void RenumberPalette(const std::vector<S_Rgb>& aNewPalette, const std::vector<uint32_t>& aOrder,
        const std::vector<uint8_t>& aRemap) override;
    // Gray samples take the gray colour type of the same depth (see ChangeColourType); a palette
    // turned gray changes nothing here.
    void BecameGray(bool bSamples, const S_PixelLayout& layout) override;

    // PNG's colour types.
    enum : int { kGray = 0, kRgb = 2, kPalette = 3, kGrayAlpha = 4, kRgbAlpha = 6 };

    // Samples per pixel of a colour type (1 to 4); 0 for a type PNG does not define.
    static int Channels(int nColourType);
    // True for the colour type and depth pairs PNG allows.
    static bool IsValidDepth(int nColourType, int nBitDepth);

    int BitsPerPixel() const { return Channels(m_nColourType) * m_nBitDepth; }
    // An animated PNG: its further frames (fcTL, fdAT) are chunks here, kept byte for byte.
    bool IsAnimated() const;

    // The chunks a save writes: every chunk whose meaning this program knows (PNG's ancillary
    // chunks and the animation chunks), and unknown ones only when PNG marks them safe to copy,
    // since an unknown chunk that is not may depend on pixels that a save changes.
    bool KeepsOnSave(const S_PngChunk& chunk) const;

    // The picture turns from one colour type to another (gray scale): drops the chunks whose
    // content is defined for the old colour type (transparency, background, significant bits,
    // an ICC profile of colour space RGB).
    void ChangeColourType(int nColourType, int nBitDepth);

    // Pixels per metre from a pHYs chunk in metres; 0 and 0 when there is none.
    void Resolution(int32_t& nX, int32_t& nY) const;
    // Adds a pHYs chunk in metres (a picture converted from a format that has a resolution).
    void SetResolution(int32_t nX, int32_t nY);

    int m_nColourType = kRgb;
    int m_nBitDepth = 8;
    bool m_bInterlaced = false;
    std::vector<S_Rgb> m_aSuggestedPalette;  // PLTE of a true-colour picture; empty if none
    std::vector<S_PngChunk> m_aChunks;       // in file order
};
