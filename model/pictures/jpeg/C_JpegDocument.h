#pragma once
// Everything of a JPEG file besides the pixels shown: its quantised DCT coefficients with their
// coding and marker segments (C_JpegCoefficients), which a save writes back with only the
// coefficients a record changed, and a fingerprint of the pixels decoded from them. Pixels that
// no longer match it (turned gray, say) no longer show those coefficients: a save then makes a
// new JPEG of the pixels. A picture converted into JPEG from another format has no coefficients
// at all until it is saved.

#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_ByteSink.h"
#include "model/pictures/C_ByteSource.h"
#include "model/pictures/C_DecodeLimit.h"
#include "model/pictures/C_ImageError.h"
#include "model/pictures/C_PictureDocument.h"
#include "model/pictures/jpeg/C_JpegCoefficients.h"

#include <cstdint>
#include <memory>
#include <string>

class C_JpegDocument final : public C_PictureDocument {
public:
    // The quality a JPEG made from pixels is written at.
    static constexpr int kQuality = 92;

    static C_JpegDocument* Of(BTCImageData& data) { return dynamic_cast<C_JpegDocument*>(data.m_pDocument.get()); }
    static const C_JpegDocument* Of(const BTCImageData& data)
    {
        return dynamic_cast<const C_JpegDocument*>(data.m_pDocument.get());
    }

    // Reads file into out: the coefficients, and the pixels decoded from them. The decode limit's
    // consent and cap cover both, and libjpeg's own working memory, before either is held.
    static bool Decode(C_ByteSource& src, const C_DecodeLimit& limit, BTCImageData& out, C_ImageError& err);
    // The coefficients when the pixels still show them, else a new JPEG of the pixels.
    static bool Encode(BTCImageData& data, C_ByteSink& sink, C_ImageError& err);
    // Red, green, blue or gray rows of 8 bits, top to bottom, without padding.
    static bool HoldsLayout(const BTCImageData& data);
    // A picture converted into JPEG's geometry (blue, green, red) becomes red, green, blue.
    static void AdoptConverted(BTCImageData& out, const BTCImageData& src);

    std::unique_ptr<C_PictureDocument> Clone() const override { return std::make_unique<C_JpegDocument>(*this); }
    bool AssignFrom(const C_PictureDocument& other) override;
    void Describe(const BTCImageData& data, S_PixelLayout& layout) const override;
    C_JpegCoefficients* Coefficients() override { return m_bHasCoefficients ? &m_coefficients : nullptr; }
    bool CoefficientsChanged(BTCImageData& data, std::string& strError) override;

    // True when data's pixels are the ones decoded from the coefficients.
    bool ShowsCoefficients(const BTCImageData& data) const;

private:
    // Decodes the coefficients (as read when bSource) into data's pixels.
    bool DecodeInto(BTCImageData& data, bool bSource, uint64_t nMaxBytes, std::string& strError);

    C_JpegCoefficients m_coefficients;
    bool m_bHasCoefficients = false;
    int m_nChannels = 3;
    uint64_t m_nPixelPrint = 0;  // the pixels' fingerprint when last decoded
};
