// Pictures stored differently compared by what their pixels show.

#include "model/pictures/BTCImageData.h"
#include "model/effects/C_ColourComparer.h"
#include "model/pictures/png/C_PngDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

struct S_Pixel {
    uint8_t r, g, b, a;
};

// 2 x 2 pixels, top row first.
constexpr S_Pixel kPixels[4] = {{10, 20, 30, 255}, {40, 50, 60, 255}, {70, 80, 90, 255}, {255, 255, 255, 0}};

// A 24-bit BMP: bottom-up rows of blue, green, red padded to 4 bytes; alpha is not kept.
void MakeBmp(BTCImageData& data)
{
    data.m_eSourceFormat = E_ImageFormat::Bmp;
    data.m_nWidth = data.m_nHeight = 2;
    data.m_nBitsPerPixel = 24;
    data.m_nStride = 8;
    data.m_bBottomUp = true;
    data.m_aBits.assign(16, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            const S_Pixel& p = kPixels[2 * y + x];
            uint8_t* pAt = &data.m_aBits[(1 - y) * 8 + 3 * x];
            pAt[0] = p.b;
            pAt[1] = p.g;
            pAt[2] = p.r;
        }
}

// An 8-bit PNG, red first, top-down, with an alpha channel when nChannels is 4.
void MakePng(BTCImageData& data, int nChannels)
{
    data.m_eSourceFormat = E_ImageFormat::Png;
    data.m_pDocument = std::make_unique<C_PngDocument>();
    C_PngDocument::Of(data)->m_nColourType = nChannels == 4 ? C_PngDocument::kRgbAlpha : C_PngDocument::kRgb;
    data.m_nWidth = data.m_nHeight = 2;
    data.m_nBitsPerPixel = 8 * nChannels;
    data.m_nStride = static_cast<uint32_t>(2 * nChannels);
    for (const S_Pixel& p : kPixels) {
        data.m_aBits.insert(data.m_aBits.end(), {p.r, p.g, p.b});
        if (nChannels == 4)
            data.m_aBits.push_back(p.a);
    }
}

TEST(ColourComparer, TheSamePixelsStoredAsBmpAndPngShowTheSameColours)
{
    BTCImageData bmp, png, rgba;
    MakeBmp(bmp);
    MakePng(png, 3);
    MakePng(rgba, 4);
    EXPECT_FALSE(C_ColourComparer::SameLayout(bmp, png));
    EXPECT_TRUE(C_ColourComparer::SameLayout(png, png));
    EXPECT_FALSE(C_ColourComparer::StoredDifferently(png, png));
    EXPECT_EQ(C_ColourComparer::DifferingPixels(bmp, png), 0u);
    EXPECT_EQ(C_ColourComparer::Describe(bmp, png, 0),
        "The pictures are stored differently (24-bit BMP and 24-bit PNG); their pixels show the same colours.");

    // The transparent pixel shows in neither the BMP nor the RGB PNG.
    EXPECT_EQ(C_ColourComparer::DifferingPixels(bmp, rgba), 1u);
    EXPECT_EQ(C_ColourComparer::Describe(bmp, rgba, 1),
        "The pictures are stored differently (24-bit BMP and 32-bit PNG); 1 pixel shows a different colour.");

    // A colour key makes the white pixel transparent; a transparent pixel of any colour matches it.
    C_PngDocument::Of(png)->m_aChunks.push_back(
        S_PngChunk{{'t', 'R', 'N', 'S'}, E_PngPlace::BeforeData, {0, 255, 0, 255, 0, 255}});
    rgba.m_aBits[12] = 1;
    EXPECT_EQ(C_ColourComparer::DifferingPixels(png, rgba), 0u);
    // A changed colour counts, however it is stored, and so does the keyed pixel against the
    // opaque one.
    bmp.m_aBits[8] ^= 1;
    EXPECT_EQ(C_ColourComparer::DifferingPixels(bmp, png), 2u);
    EXPECT_TRUE(C_ColourComparer::Describe(bmp, png, 3).ends_with("PNG); 3 pixels show different colours."));

    // Indices alike under a palette padded to 256 entries, as GIF pads it: only the colours tell.
    BTCImageData gif, bmp8;
    for (BTCImageData* p : {&gif, &bmp8}) {
        p->m_nWidth = p->m_nHeight = 2;
        p->m_nBitsPerPixel = 8;
        p->m_nStride = 2;
        p->m_aBits = {0, 1, 1, 0};
        p->m_aPalette = {S_Rgb{1, 2, 3}, S_Rgb{4, 5, 6}};
    }
    gif.m_eSourceFormat = E_ImageFormat::Gif;
    bmp8.m_eSourceFormat = E_ImageFormat::Bmp;
    gif.m_aPalette.resize(256);
    EXPECT_TRUE(C_ColourComparer::SameLayout(gif, bmp8));
    EXPECT_TRUE(C_ColourComparer::StoredDifferently(gif, bmp8));
    EXPECT_EQ(C_ColourComparer::DifferingPixels(gif, bmp8), 0u);

    // Pictures of other sizes are not compared by colour.
    BTCImageData small;
    MakePng(small, 3);
    small.m_nWidth = 1;
    EXPECT_EQ(C_ColourComparer::DifferingPixels(bmp, small), std::nullopt);
}

// The layouts read furthest apart: 16-bit RGBA PNG samples (more significant byte first) and
// 32-bit BMP words split by channel masks (little-endian, bottom-up), alpha included.
TEST(ColourComparer, SixteenBitRgbaPngAndMaskedBmpShowTheSameColours)
{
    BTCImageData png, bmp;
    png.m_eSourceFormat = E_ImageFormat::Png;
    png.m_pDocument = std::make_unique<C_PngDocument>();
    C_PngDocument::Of(png)->m_nColourType = C_PngDocument::kRgbAlpha;
    C_PngDocument::Of(png)->m_nBitDepth = 16;
    png.m_nWidth = png.m_nHeight = 2;
    png.m_nBitsPerPixel = 64;
    png.m_nStride = 16;
    for (const S_Pixel& p : kPixels)
        for (uint8_t v : {p.r, p.g, p.b, p.a})
            png.m_aBits.insert(png.m_aBits.end(), {v, uint8_t(v ^ 0x5A)});  // the low byte does not show

    bmp.m_eSourceFormat = E_ImageFormat::Bmp;
    bmp.m_nWidth = bmp.m_nHeight = 2;
    bmp.m_nBitsPerPixel = 32;
    bmp.m_nStride = 8;
    bmp.m_bBottomUp = true;
    const uint32_t aMasks[4] = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF};  // red, green, blue, alpha
    std::copy(aMasks, aMasks + 4, bmp.m_aMasks);
    bmp.m_bHadMasks = true;
    for (int y = 1; y >= 0; --y)
        for (int x = 0; x < 2; ++x) {
            const S_Pixel& p = kPixels[2 * y + x];
            bmp.m_aBits.insert(bmp.m_aBits.end(), {p.a, p.r, p.g, p.b});
        }
    EXPECT_EQ(C_ColourComparer::DifferingPixels(png, bmp), 0u);

    // A transparent pixel's colour does not show; a changed alpha does.
    bmp.m_aBits[7] = 0;  // blue of the transparent pixel, bottom right
    EXPECT_EQ(C_ColourComparer::DifferingPixels(png, bmp), 0u);
    bmp.m_aBits[8] = 128;  // alpha of the top left pixel
    EXPECT_EQ(C_ColourComparer::DifferingPixels(png, bmp), 1u);
}

}  // namespace
