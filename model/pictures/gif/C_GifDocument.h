#pragma once
// Everything of a GIF file besides the first image's pixel indices: screen descriptor, colour
// tables, every extension block and every further frame, so that saving a GIF replaces only the
// first image's indices and drops nothing. The first frame's indices live in the picture data.

#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_PictureDocument.h"
#include "model/pictures/S_Rgb.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct S_GifExtension {
    int nFunction = 0;                          // the extension label (0xF9 graphic control, ...)
    std::vector<std::vector<uint8_t>> aBlocks;  // data sub-blocks, each 1 to 255 bytes
};

struct S_GifColourMap {
    std::vector<S_Rgb> aColours;  // 2, 4, ..., 256 entries
    bool bSorted = false;
};

struct S_GifFrame {
    std::vector<S_GifExtension> aExtensions;  // the blocks that stood before this image
    uint16_t nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
    bool bInterlaced = false;
    bool bHasLocalMap = false;
    S_GifColourMap localMap;
    // Indices in display order (de-interlaced). Empty for the first frame: its indices are the
    // picture's pixel bytes.
    std::vector<uint8_t> aPixels;
};

class C_GifDocument final : public C_PictureDocument {
public:
    // The GIF document of a picture, or null when it holds none.
    static C_GifDocument* Of(BTCImageData& data) { return dynamic_cast<C_GifDocument*>(data.m_pDocument.get()); }
    static const C_GifDocument* Of(const BTCImageData& data)
    {
        return dynamic_cast<const C_GifDocument*>(data.m_pDocument.get());
    }

    std::unique_ptr<C_PictureDocument> Clone() const override { return std::make_unique<C_GifDocument>(*this); }
    bool AssignFrom(const C_PictureDocument& other) override;
    void Describe(const BTCImageData& data, S_PixelLayout& layout) const override;
    bool CanRenumberPalette(const BTCImageData& data) const override;
    void RenumberPalette(const std::vector<S_Rgb>& aNewPalette, const std::vector<uint32_t>& aOrder,
        const std::vector<uint8_t>& aRemap) override;
    void BecameGray(bool bSamples, const S_PixelLayout& layout) override;

    // The map a frame draws with: its own, else the global one; null when it has neither.
    S_GifColourMap* EffectiveMap(size_t nFrame);
    const S_GifColourMap* EffectiveMap(size_t nFrame) const;
    // The index the first image leaves transparent (its graphic control block's), or -1.
    int TransparentIndex() const;

    bool m_b89a = true;  // "GIF89a" rather than "GIF87a"
    uint16_t m_nScreenWidth = 0;
    uint16_t m_nScreenHeight = 0;
    int m_nColourResolution = 8;  // bits per primary, 1 to 8
    int m_nBackground = 0;
    uint8_t m_nAspect = 0;
    bool m_bHasGlobalMap = false;
    S_GifColourMap m_globalMap;
    std::vector<S_GifFrame> m_aFrames;        // at least one once loaded
    std::vector<S_GifExtension> m_aTrailing;  // blocks after the last image, before the trailer
};
