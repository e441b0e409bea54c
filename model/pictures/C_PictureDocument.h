#pragma once
// What a format keeps of a file besides the decoded pixel bytes (further frames, chunks,
// extension blocks, header fields), so that a save writes the file again with only the pixels
// changed. Each format that needs one derives from this; code outside the format's folder works
// through these calls and never through the derived class.

#include "model/pictures/S_PixelLayout.h"
#include "model/pictures/S_Rgb.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class BTCImageData;
class C_JpegCoefficients;

class C_PictureDocument {
public:
    virtual ~C_PictureDocument() = default;

    virtual std::unique_ptr<C_PictureDocument> Clone() const = 0;
    // Copies other into this when both are of the same format; false (nothing changed) when not.
    virtual bool AssignFrom(const C_PictureDocument& other) = 0;

    // Fills the format's part of the layout: channels, depth, byte order, transparency, frames.
    // The geometry (stride, row order) is already set from the picture.
    virtual void Describe(const BTCImageData& data, S_PixelLayout& layout) const = 0;

    // Palette pairing: whether the format can renumber this picture's palette (every frame and
    // every block that names an index agrees), and the renumbering of everything outside the
    // decoded pixel bytes: old index i becomes aRemap[i] (256 entries, every index a byte can
    // hold); aNewPalette is the picture's palette afterwards, and aOrder[j] the old index now at j.
    virtual bool CanRenumberPalette(const BTCImageData& data) const;
    virtual void RenumberPalette(
        const std::vector<S_Rgb>& aNewPalette, const std::vector<uint32_t>& aOrder, const std::vector<uint8_t>& aRemap);

    // Gray scale: the picture's pixel bytes have become gray. bSamples is true when they were
    // rewritten as samples of layout (gray or gray with alpha, same depth), false when only the
    // palette turned gray; the format brings its own tables and chunks into line.
    virtual void BecameGray(bool bSamples, const S_PixelLayout& layout);

    // The quantised transform coefficients of a format whose records live there rather than in
    // the pixel bytes (JPEG); null for every other format.
    virtual C_JpegCoefficients* Coefficients() { return nullptr; }
    // The coefficients were changed: data's pixels are decoded from them again. False, with the
    // pixels as they were, when that fails.
    virtual bool CoefficientsChanged(BTCImageData& /*data*/, std::string& /*strError*/) { return true; }

protected:
    C_PictureDocument() = default;
    C_PictureDocument(const C_PictureDocument&) = default;
    C_PictureDocument& operator=(const C_PictureDocument&) = default;
};
