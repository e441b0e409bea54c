// Saving in another format keeps what it should (palette pictures stay indices with their
// palette, true colour stays true colour except in GIF); gray scale and compare.

#include "tests/support/C_ImageBytes.h"
#include "tests/support/C_PngBytes.h"
#include "model/pictures/BTCImageObject.h"
#include "model/pictures/C_ConversionLoss.h"
#include "model/pictures/C_FormatRegistry.h"
#include "model/effects/C_GrayscaleEffect.h"
#include "model/effects/C_ImageComparer.h"
#include "model/pictures/C_ImageConverter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

namespace {

using B = C_ImageBytes;

std::vector<uint8_t> Bits(const BTCImageData& d)
{
    return std::vector<uint8_t>(d.GetBits(), d.GetBits() + d.GetImageSize());
}

// Saves obj in eFormat and loads the result into out.
void Convert(BTCImageObject& obj, E_ImageFormat eFormat, BTCImageObject& out)
{
    std::vector<uint8_t> saved;
    ASSERT_TRUE(obj.SaveToMemory(eFormat, saved)) << obj.GetLastError();
    ASSERT_TRUE(out.LoadFromMemory(saved)) << out.GetLastError();
    EXPECT_EQ(out.GetObjectDataPtr()->GetSourceFormat(), eFormat);
}

// A 5 x 3 bottom-up BMP; pixel (x, y) with y = 0 the top row.
std::vector<uint8_t> Bmp(uint16_t nBits, const std::vector<uint8_t>& aPixels, const std::vector<S_Rgb>& aPalette = {})
{
    S_BmpLayout layout;
    layout.nWidth = 5;
    layout.nHeight = 3;
    layout.nBits = nBits;
    layout.aPalette = aPalette;
    layout.aPixels = aPixels;
    return B::Bmp(layout);
}

// Stored bottom-up rows of 4-bit indices: top row 0 1 2 3 4, middle 5 6 7 8 9, bottom A B C D E.
const std::vector<uint8_t> kBmp4 = {0xAB, 0xCD, 0xE0, 0, 0x56, 0x78, 0x90, 0, 0x01, 0x23, 0x40, 0};
const std::vector<uint8_t> kIndices = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};

}  // namespace

TEST(Conversion, PalettePicturesStayIndicesWithTheirPalette)
{
    const std::vector<S_Rgb> palette = B::Palette(16, 3);
    BTCImageObject bmp;
    ASSERT_TRUE(bmp.LoadFromMemory(Bmp(4, kBmp4, palette)));

    BTCImageObject pcx, gif;
    Convert(bmp, E_ImageFormat::Pcx, pcx);
    Convert(bmp, E_ImageFormat::Gif, gif);
    for (BTCImageObject* p : {&pcx, &gif}) {
        const BTCImageData* d = p->GetObjectDataPtr();
        EXPECT_EQ(d->GetBitsPerPixel(), 8);
        EXPECT_EQ(d->GetWidth(), 5);
        EXPECT_EQ(d->GetHeight(), 3);
        EXPECT_EQ(Bits(*d), kIndices);
        for (size_t i = 0; i < palette.size(); ++i)
            EXPECT_EQ(d->GetPalette().at(i), palette[i]);
    }

    // Back to BMP: 8-bit indices, bottom-up rows padded to 4.
    BTCImageObject back;
    Convert(gif, E_ImageFormat::Bmp, back);
    const BTCImageData* d = back.GetObjectDataPtr();
    EXPECT_EQ(d->GetBitsPerPixel(), 8);
    EXPECT_TRUE(d->IsBottomUp());
    EXPECT_EQ(
        Bits(*d), (std::vector<uint8_t>{10, 11, 12, 13, 14, 0, 0, 0, 5, 6, 7, 8, 9, 0, 0, 0, 0, 1, 2, 3, 4, 0, 0, 0}));
}

// A converted picture is in its target's layout, so the save writes it as it is; further GIF
// frames do not stop a conversion, which keeps the first frame.
TEST(Conversion, EveryTargetHoldsAConvertedPictureAsItIs)
{
    S_GifRecord frame;
    frame.bImage = true;
    frame.nWidth = 5;
    frame.nHeight = 3;
    frame.aPixels = kIndices;
    S_GifLayout animation;
    animation.nScreenWidth = 5;
    animation.nScreenHeight = 3;
    animation.aGlobalPalette = B::Palette(16, 3);
    animation.aRecords = {frame, frame};
    BTCImageObject gif, bmp;
    ASSERT_TRUE(gif.LoadFromMemory(B::Gif(animation)));
    ASSERT_TRUE(gif.GetObjectDataPtr()->Layout().bFurtherFrames);
    ASSERT_TRUE(bmp.LoadFromMemory(Bmp(24, B::Pattern(48, 7))));
    for (const BTCImageObject* pSource : {&gif, &bmp}) {
        for (const S_FormatEntry& target : C_FormatRegistry::All()) {
            BTCImageData out;
            C_ImageError err;
            ASSERT_TRUE(C_ImageConverter::Convert(*pSource->GetObjectDataPtr(), target.eFormat, out, err))
                << err.Text();
            EXPECT_TRUE(C_ImageConverter::HasLayoutOf(out, target.eFormat)) << target.pszName;
        }
    }
}

TEST(Conversion, TrueColourStaysTrueColourBetweenBmpAndPcx)
{
    // 24-bit bottom-up rows of 15 bytes + 1 pad.
    std::vector<uint8_t> stored = B::Pattern(16 * 3, 5);
    for (size_t y = 0; y < 3; ++y)
        stored[16 * y + 15] = 0;
    BTCImageObject bmp;
    ASSERT_TRUE(bmp.LoadFromMemory(Bmp(24, stored)));
    BTCImageObject pcx;
    Convert(bmp, E_ImageFormat::Pcx, pcx);
    const BTCImageData* d = pcx.GetObjectDataPtr();
    EXPECT_EQ(d->GetBitsPerPixel(), 24);
    EXPECT_FALSE(d->IsBottomUp());
    std::vector<uint8_t> topDown;
    for (int y = 2; y >= 0; --y)
        topDown.insert(topDown.end(), stored.begin() + 16 * y, stored.begin() + 16 * y + 15);
    EXPECT_EQ(Bits(*d), topDown);

    BTCImageObject back;
    Convert(pcx, E_ImageFormat::Bmp, back);
    EXPECT_EQ(Bits(*back.GetObjectDataPtr()), stored);
    EXPECT_EQ(back.GetObjectDataPtr()->GetBitsPerPixel(), 24);
}

TEST(Conversion, SixteenBitMasksScaleToEightBitChannels)
{
    // 5-6-5: pure red, pure green, pure blue, white, black in the one row (5 x 1).
    S_BmpLayout layout;
    layout.nWidth = 5;
    layout.nBits = 16;
    layout.nCompression = 3;
    layout.aMasks[0] = 0xF800;
    layout.aMasks[1] = 0x07E0;
    layout.aMasks[2] = 0x001F;
    layout.aPixels = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF, 0, 0, 0, 0};
    BTCImageObject bmp;
    ASSERT_TRUE(bmp.LoadFromMemory(B::Bmp(layout))) << bmp.GetLastError();
    BTCImageObject pcx;
    Convert(bmp, E_ImageFormat::Pcx, pcx);
    EXPECT_EQ(
        Bits(*pcx.GetObjectDataPtr()), (std::vector<uint8_t>{0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 0, 0, 0}));
}

TEST(Conversion, TrueColourToGifIsQuantisedToNearbyColours)
{
    // Four colours in a 24-bit picture: each pixel's palette colour stays close to its own.
    const uint8_t aColours[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {200, 200, 200}};
    std::vector<uint8_t> stored(16 * 3, 0);
    for (size_t y = 0; y < 3; ++y)
        for (size_t x = 0; x < 5; ++x)
            for (size_t c = 0; c < 3; ++c)
                stored[16 * y + 3 * x + c] = aColours[(x + y) % 4][c];
    BTCImageObject bmp;
    ASSERT_TRUE(bmp.LoadFromMemory(Bmp(24, stored)));
    BTCImageObject gif;
    Convert(bmp, E_ImageFormat::Gif, gif);
    const BTCImageData* d = gif.GetObjectDataPtr();
    EXPECT_EQ(d->GetBitsPerPixel(), 8);
    EXPECT_LE(d->GetPalette().size(), 256u);
    std::set<uint8_t> used;
    for (size_t y = 0; y < 3; ++y)
        for (size_t x = 0; x < 5; ++x) {
            const uint8_t nIndex = d->GetBits()[5 * (2 - y) + x];  // GIF rows top-down
            used.insert(nIndex);
            const S_Rgb c = d->GetPalette().at(nIndex);
            const uint8_t* want = aColours[(x + y) % 4];
            EXPECT_LE(std::abs(c.b - want[0]), 8);
            EXPECT_LE(std::abs(c.g - want[1]), 8);
            EXPECT_LE(std::abs(c.r - want[2]), 8);
        }
    EXPECT_EQ(used.size(), 4u);
}

// Transparency, 16-bit precision and colours beyond 256 are named only where the save loses them.
TEST(Conversion, LossNamesWhatTheTargetCannotKeep)
{
    auto lossOf = [](const std::vector<uint8_t>& file, E_ImageFormat eTarget) {
        BTCImageObject obj;
        EXPECT_TRUE(obj.LoadFromMemory(file)) << obj.GetLastError();
        const C_ConversionLoss loss = C_ConversionLoss::Of(*obj.GetObjectDataPtr(), eTarget);
        return std::vector<bool>{loss.m_bTransparency, loss.m_bPrecision, loss.m_bColours};
    };
    using V = std::vector<bool>;
    // 2 x 1 RGBA: one pixel half transparent; the same picture fully opaque loses nothing.
    const auto rgba = C_PngBytes::Make(2, 1, 6, 8, false, {1, 2, 3, 255, 4, 5, 6, 128});
    const auto opaque = C_PngBytes::Make(2, 1, 6, 8, false, {1, 2, 3, 255, 4, 5, 6, 255});
    EXPECT_EQ(lossOf(rgba, E_ImageFormat::Bmp), V({true, false, false}));
    EXPECT_EQ(lossOf(rgba, E_ImageFormat::Png), V({false, false, false}));
    EXPECT_EQ(lossOf(opaque, E_ImageFormat::Bmp), V({false, false, false}));
    EXPECT_EQ(lossOf(rgba, E_ImageFormat::Gif), V({true, false, true}));

    // A palette PNG with a transparent entry (tRNS) to GIF: indices stay, transparency goes.
    auto chunks = C_PngBytes::Chunks(C_PngBytes::Make(2, 1, 3, 8, false, {0, 1}, B::Palette(2, 1)));
    chunks.insert(chunks.begin() + long(C_PngBytes::Find(chunks, "IDAT")), S_RawChunk{"tRNS", {0, 255}});
    EXPECT_EQ(lossOf(C_PngBytes::Join(chunks), E_ImageFormat::Gif), V({true, false, false}));

    // 16-bit RGB to BMP loses the low bytes; 24-bit BMP to GIF its colours, to PNG nothing.
    const auto rgb16 = C_PngBytes::Make(1, 1, 2, 16, false, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(lossOf(rgb16, E_ImageFormat::Bmp), V({false, true, false}));
    const auto bmp24 = Bmp(24, std::vector<uint8_t>(48, 7));
    EXPECT_EQ(lossOf(bmp24, E_ImageFormat::Gif), V({false, false, true}));
    EXPECT_EQ(lossOf(bmp24, E_ImageFormat::Png), V({false, false, false}));

    // A GIF whose graphic control block marks index 1 transparent, saved as PNG.
    S_GifLayout gif;
    gif.nScreenWidth = 2;
    gif.aGlobalPalette = B::Palette(2, 4);
    S_GifRecord control;
    control.nLabel = 0xF9;
    control.aBlocks = {{0x01, 0, 0, 1}};
    S_GifRecord image;
    image.bImage = true;
    image.nWidth = 2;
    image.nHeight = 1;
    image.aPixels = {0, 1};
    gif.aRecords = {control, image};
    EXPECT_EQ(lossOf(B::Gif(gif), E_ImageFormat::Png), V({true, false, false}));
    EXPECT_EQ(lossOf(B::Gif(gif), E_ImageFormat::Gif), V({false, false, false}));
    EXPECT_EQ(C_ConversionLoss{}.Lines().size(), 0u);
}

TEST(Grayscale, PalettePictureKeepsItsBytesAndGetsAGrayPalette)
{
    const std::vector<S_Rgb> palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
    BTCImageObject bmp;
    ASSERT_TRUE(bmp.LoadFromMemory(Bmp(4, kBmp4, palette)));
    BTCImageData* d = bmp.GetObjectDataPtr();
    const std::vector<uint8_t> before = Bits(*d);
    ASSERT_TRUE(C_GrayscaleEffect::Apply(*d));
    EXPECT_EQ(Bits(*d), before);
    EXPECT_EQ(d->GetBitsPerPixel(), 4);
    // Y = (299 R + 587 G + 114 B + 500) / 1000
    const std::vector<S_Rgb> gray = {{76, 76, 76}, {150, 150, 150}, {29, 29, 29}, {18, 18, 18}};
    EXPECT_EQ(d->GetPalette(), gray);
}

TEST(Grayscale, TrueColourBecomesEightBitsInTheSameRowLayout)
{
    // 24-bit top-down BMP, 5 x 3: rows of 16 bytes become rows of 8.
    S_BmpLayout layout;
    layout.nWidth = 5;
    layout.nHeight = -3;
    layout.nBits = 24;
    layout.aPixels = B::Pattern(48, 8);
    BTCImageObject bmp;
    ASSERT_TRUE(bmp.LoadFromMemory(B::Bmp(layout)));
    BTCImageData* d = bmp.GetObjectDataPtr();
    ASSERT_TRUE(C_GrayscaleEffect::Apply(*d));
    EXPECT_EQ(d->GetBitsPerPixel(), 8);
    EXPECT_EQ(d->GetStride(), 8u);
    EXPECT_EQ(d->GetImageSize(), 24u);
    EXPECT_FALSE(d->IsBottomUp());
    ASSERT_EQ(d->GetPalette().size(), 256u);
    EXPECT_EQ(d->GetPalette()[77], (S_Rgb{77, 77, 77}));
    const uint8_t* p = layout.aPixels.data() + 16 + 3 * 2;  // stored row 1, pixel 2 (B, G, R)
    EXPECT_EQ(d->GetBits()[8 + 2], (299 * p[2] + 587 * p[1] + 114 * p[0] + 500) / 1000);

    // Saved and reloaded as BMP it stays an 8-bit gray picture.
    std::vector<uint8_t> saved;
    ASSERT_TRUE(bmp.SaveToMemory(E_ImageFormat::Bmp, saved)) << bmp.GetLastError();
    BTCImageObject again;
    ASSERT_TRUE(again.LoadFromMemory(saved));
    EXPECT_EQ(C_ImageComparer::Compare(*again.GetObjectDataPtr(), *d), 0);

    // A 24-bit PCX becomes unpadded 8-bit rows.
    BTCImageObject pcx;
    layout.nHeight = 3;
    ASSERT_TRUE(bmp.LoadFromMemory(B::Bmp(layout)));
    Convert(bmp, E_ImageFormat::Pcx, pcx);
    ASSERT_TRUE(C_GrayscaleEffect::Apply(*pcx.GetObjectDataPtr()));
    EXPECT_EQ(pcx.GetObjectDataPtr()->GetStride(), 5u);
    EXPECT_EQ(pcx.GetObjectDataPtr()->GetImageSize(), 15u);
}

TEST(Grayscale, GifSaveCarriesTheGrayTables)
{
    S_GifLayout layout;
    layout.nScreenWidth = 2;
    layout.aGlobalPalette = {{255, 0, 0}, {0, 0, 255}};
    S_GifRecord image;
    image.bImage = true;
    image.nWidth = 2;
    image.nHeight = 1;
    image.aPixels = {1, 0};
    layout.aRecords.push_back(image);
    BTCImageObject gif;
    ASSERT_TRUE(gif.LoadFromMemory(B::Gif(layout)));
    ASSERT_TRUE(C_GrayscaleEffect::Apply(*gif.GetObjectDataPtr()));
    std::vector<uint8_t> saved;
    ASSERT_TRUE(gif.SaveToMemory(E_ImageFormat::Gif, saved));
    BTCImageObject again;
    ASSERT_TRUE(again.LoadFromMemory(saved));
    EXPECT_EQ(again.GetObjectDataPtr()->GetPalette()[0], (S_Rgb{76, 76, 76}));
    EXPECT_EQ(again.GetObjectDataPtr()->GetPalette()[1], (S_Rgb{29, 29, 29}));
    EXPECT_EQ(Bits(*again.GetObjectDataPtr()), (std::vector<uint8_t>{1, 0}));
}

TEST(Compare, CountsDifferingBytesAndFlagsOtherDifferences)
{
    const std::vector<S_Rgb> palette = B::Palette(16, 3);
    BTCImageObject a, b;
    ASSERT_TRUE(a.LoadFromMemory(Bmp(4, kBmp4, palette)));
    ASSERT_TRUE(b.LoadFromMemory(Bmp(4, kBmp4, palette)));
    BTCImageData* da = a.GetObjectDataPtr();
    BTCImageData* db = b.GetObjectDataPtr();
    EXPECT_EQ(C_ImageComparer::Compare(*da, *db), 0);

    db->GetBits()[1] ^= 1;
    EXPECT_EQ(C_ImageComparer::Compare(*da, *db), 1);
    db->GetBits()[5] ^= 0x80;
    db->GetBits()[6] ^= 0x80;
    EXPECT_EQ(C_ImageComparer::Compare(*da, *db), 3);
    EXPECT_EQ(C_ImageComparer::Compare(*db, *da), 3);

    // Same pixel bytes, different palette colour.
    ASSERT_TRUE(b.LoadFromMemory(Bmp(4, kBmp4, palette)));
    db = b.GetObjectDataPtr();
    db->m_aPalette[2].g ^= 1;
    EXPECT_EQ(C_ImageComparer::Compare(*da, *db), 1);

    // Different size, and different depth over the same byte count.
    S_BmpLayout wide;
    wide.nWidth = 6;
    wide.nHeight = 3;
    wide.nBits = 4;
    wide.aPalette = palette;
    wide.aPixels = kBmp4;
    ASSERT_TRUE(b.LoadFromMemory(B::Bmp(wide)));
    EXPECT_EQ(C_ImageComparer::Compare(*da, *b.GetObjectDataPtr()), 1);
    wide.nWidth = 2;
    wide.nBits = 8;
    ASSERT_TRUE(b.LoadFromMemory(B::Bmp(wide)));
    ASSERT_EQ(b.GetObjectDataPtr()->GetImageSize(), da->GetImageSize());
    EXPECT_EQ(C_ImageComparer::Compare(*da, *b.GetObjectDataPtr()), 1);
}
