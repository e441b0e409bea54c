// BMP: the decoded pixel bytes are the file's pixel array, and a save gives them back byte for
// byte with the same header facts.

#include "tests/support/C_ImageBytes.h"
#include "model/pictures/BTCImageObject.h"
#include "model/effects/C_ImageComparer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using B = C_ImageBytes;

std::vector<uint8_t> Bits(const BTCImageData& d)
{
    return std::vector<uint8_t>(d.GetBits(), d.GetBits() + d.GetImageSize());
}

// Loads, saves as BMP, reloads; returns the saved bytes.
std::vector<uint8_t> SaveBmp(BTCImageObject& obj)
{
    std::vector<uint8_t> out;
    EXPECT_TRUE(obj.SaveToMemory(E_ImageFormat::Bmp, out)) << obj.GetLastError();
    return out;
}

struct S_Variant {
    uint32_t nHeader;
    uint16_t nBits;
};

}  // namespace

TEST(BmpRead, EveryHeaderDepthAndRowOrderKeepsThePixelArray)
{
    const S_Variant aVariants[] = {
        {12, 1},
        {12, 4},
        {12, 8},
        {12, 24},
        {40, 1},
        {40, 4},
        {40, 8},
        {40, 16},
        {40, 24},
        {40, 32},
        {52, 8},
        {52, 16},
        {56, 24},
        {56, 32},
        {108, 4},
        {108, 32},
        {124, 1},
        {124, 16},
        {124, 24},
    };
    for (const S_Variant& v : aVariants) {
        for (const bool bTopDown : {false, true}) {
            if (v.nHeader == 12 && bTopDown)
                continue;  // the core header's height is unsigned
            SCOPED_TRACE("header " + std::to_string(v.nHeader) + ", " + std::to_string(v.nBits) + " bits"
                + (bTopDown ? ", top-down" : ""));
            S_BmpLayout layout;
            layout.nHeaderSize = v.nHeader;
            layout.nWidth = 5;  // odd, so every depth below 32 bits pads its rows
            layout.nHeight = bTopDown ? -3 : 3;
            layout.nBits = v.nBits;
            if (v.nBits <= 8)
                layout.aPalette = B::Palette(size_t{1} << v.nBits, 7);
            layout.nXPpm = 2835;
            layout.nYPpm = 3780;
            const uint32_t nStride = B::BmpStride(5, v.nBits);
            layout.aPixels = B::Pattern(nStride * 3, static_cast<uint8_t>(v.nBits));
            const std::vector<uint8_t> file = B::Bmp(layout);

            BTCImageObject obj;
            ASSERT_TRUE(obj.LoadFromMemory(file)) << obj.GetLastError();
            const BTCImageData* d = obj.GetObjectDataPtr();
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->GetWidth(), 5);
            EXPECT_EQ(d->GetHeight(), 3);
            EXPECT_EQ(d->GetBitsPerPixel(), v.nBits);
            EXPECT_EQ(d->GetStride(), nStride);
            EXPECT_EQ(d->IsBottomUp(), !bTopDown);
            EXPECT_EQ(d->GetImageSize(), nStride * 3);
            EXPECT_EQ(Bits(*d), layout.aPixels);
            EXPECT_EQ(d->GetPalette(), layout.aPalette);
            EXPECT_EQ(d->GetSourceFormat(), E_ImageFormat::Bmp);

            const std::vector<uint8_t> saved = SaveBmp(obj);
            ASSERT_GE(saved.size(), 54u);
            const uint32_t nOff = B::U32(saved, 10);
            EXPECT_EQ(saved.size(), nOff + layout.aPixels.size());
            EXPECT_EQ(B::U32(saved, 2), saved.size());
            EXPECT_EQ(static_cast<int32_t>(B::U32(saved, 22)), bTopDown ? -3 : 3);
            EXPECT_EQ(B::U16(saved, 28), v.nBits);
            EXPECT_EQ(B::U32(saved, 30), 0u);  // BI_RGB
            // A core header has no resolution fields, so none is invented on saving.
            EXPECT_EQ(B::U32(saved, 38), v.nHeader == 12 ? 0u : 2835u);
            EXPECT_EQ(B::U32(saved, 42), v.nHeader == 12 ? 0u : 3780u);
            EXPECT_TRUE(std::equal(layout.aPixels.begin(), layout.aPixels.end(), saved.begin() + nOff));

            BTCImageObject again;
            ASSERT_TRUE(again.LoadFromMemory(saved)) << again.GetLastError();
            EXPECT_EQ(C_ImageComparer::Compare(*again.GetObjectDataPtr(), *d), 0);
            EXPECT_EQ(again.GetObjectDataPtr()->IsBottomUp(), !bTopDown);
        }
    }
}

TEST(BmpRead, ShortPaletteIsKeptAndWrittenWithItsCount)
{
    S_BmpLayout layout;
    layout.nWidth = 4;
    layout.nHeight = 2;
    layout.nBits = 8;
    layout.nColoursUsed = 3;
    layout.aPalette = B::Palette(3, 1);
    layout.aPixels = {0, 1, 2, 1, 2, 1, 0, 0};
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(B::Bmp(layout))) << obj.GetLastError();
    EXPECT_EQ(obj.GetObjectDataPtr()->GetPalette(), layout.aPalette);

    const std::vector<uint8_t> saved = SaveBmp(obj);
    EXPECT_EQ(B::U32(saved, 46), 3u);               // colours used
    EXPECT_EQ(B::U32(saved, 10), 14u + 40u + 12u);  // three 4-byte entries before the pixels
    BTCImageObject again;
    ASSERT_TRUE(again.LoadFromMemory(saved));
    EXPECT_EQ(C_ImageComparer::Compare(*again.GetObjectDataPtr(), *obj.GetObjectDataPtr()), 0);
}

TEST(BmpRead, PaletteCutShortByThePixelOffsetIsAccepted)
{
    // Colours used says 0 (all 16) but only 2 entries fit before the pixels.
    S_BmpLayout layout;
    layout.nWidth = 8;
    layout.nBits = 4;
    layout.aPalette = B::Palette(2, 3);
    layout.aPixels = {0x01, 0x10, 0x11, 0x00};
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(B::Bmp(layout))) << obj.GetLastError();
    EXPECT_EQ(obj.GetObjectDataPtr()->GetPalette(), layout.aPalette);
}

TEST(BmpRead, BitfieldsKeepTheirMasksThroughASave)
{
    struct S_Case {
        uint32_t nHeader;
        uint16_t nBits;
        uint32_t aMasks[4];
    };
    const S_Case aCases[] = {
        {40, 16, {0xF800, 0x07E0, 0x001F, 0}},
        {56, 16, {0x0F00, 0x00F0, 0x000F, 0xF000}},
        {124, 32, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}},
        {40, 32, {0xFF000000, 0x00FF0000, 0x0000FF00, 0}},
    };
    for (const S_Case& c : aCases) {
        SCOPED_TRACE(std::to_string(c.nHeader) + "/" + std::to_string(c.nBits));
        S_BmpLayout layout;
        layout.nHeaderSize = c.nHeader;
        layout.nWidth = 3;
        layout.nHeight = 2;
        layout.nBits = c.nBits;
        layout.nCompression = 3;
        std::memcpy(layout.aMasks, c.aMasks, sizeof c.aMasks);
        layout.aPixels = B::Pattern(B::BmpStride(3, c.nBits) * 2, 9);
        BTCImageObject obj;
        ASSERT_TRUE(obj.LoadFromMemory(B::Bmp(layout))) << obj.GetLastError();
        const uint32_t* pMasks = obj.GetObjectDataPtr()->GetMasks();
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(pMasks[i], c.nHeader >= 56 || i < 3 ? c.aMasks[i] : 0u);

        const std::vector<uint8_t> saved = SaveBmp(obj);
        EXPECT_EQ(B::U32(saved, 30), 3u);  // still BI_BITFIELDS
        BTCImageObject again;
        ASSERT_TRUE(again.LoadFromMemory(saved)) << again.GetLastError();
        const uint32_t* pAgain = again.GetObjectDataPtr()->GetMasks();
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(pAgain[i], pMasks[i]);
        EXPECT_EQ(C_ImageComparer::Compare(*again.GetObjectDataPtr(), *obj.GetObjectDataPtr()), 0);
    }
}

TEST(BmpRead, Rle8ExpandsToBottomUpRows)
{
    // 6 x 3: a run, an absolute run (odd, padded), a delta, line ends and the end mark.
    S_BmpLayout layout;
    layout.nWidth = 6;
    layout.nHeight = 3;
    layout.nBits = 8;
    layout.nCompression = 1;
    layout.aPalette = B::Palette(256, 2);
    layout.aPixels = {
        3, 7, 0, 3, 1, 2, 3, 0,  // row 0: 7 7 7 1 2 3 (absolute run of 3 + pad byte)
        0, 0,                    // end of line
        0, 2, 2, 1,              // delta: 2 right, 1 up -> row 2, x 2
        2, 9,                    // row 2: x 2..3 = 9
        0, 1,                    // end of bitmap; the rest stays 0
    };
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(B::Bmp(layout))) << obj.GetLastError();
    const BTCImageData* d = obj.GetObjectDataPtr();
    EXPECT_TRUE(d->IsBottomUp());
    EXPECT_EQ(d->GetStride(), 8u);
    const std::vector<uint8_t> expected = {
        7,
        7,
        7,
        1,
        2,
        3,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        9,
        9,
        0,
        0,
        0,
        0,
    };
    EXPECT_EQ(Bits(*d), expected);

    const std::vector<uint8_t> saved = SaveBmp(obj);
    EXPECT_EQ(B::U32(saved, 30), 0u);  // written uncompressed
    EXPECT_GT(static_cast<int32_t>(B::U32(saved, 22)), 0);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), saved.begin() + B::U32(saved, 10)));
}

TEST(BmpRead, Rle4ExpandsNibbles)
{
    // 5 x 2: a run alternating two nibbles, then an absolute run of 3 nibbles on the next row.
    S_BmpLayout layout;
    layout.nWidth = 5;
    layout.nHeight = 2;
    layout.nBits = 4;
    layout.nCompression = 2;
    layout.aPalette = B::Palette(16, 4);
    layout.aPixels = {5, 0x12, 0, 0, 0, 3, 0xAB, 0xC0, 0, 0, 0, 1};
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(B::Bmp(layout))) << obj.GetLastError();
    const std::vector<uint8_t> expected = {0x12, 0x12, 0x10, 0, 0xAB, 0xC0, 0, 0};
    EXPECT_EQ(Bits(*obj.GetObjectDataPtr()), expected);
}

TEST(BmpRefuse, MalformedHeadersAndDataAreRefusedWithAReason)
{
    S_BmpLayout good;
    good.nWidth = 4;
    good.nHeight = 2;
    good.nBits = 24;
    good.aPixels = B::Pattern(24, 5);
    ASSERT_TRUE(BTCImageObject().LoadFromMemory(B::Bmp(good)));

    struct S_Crasher {
        const char* pName;
        std::vector<uint8_t> file;
        const char* pReason;
    };
    std::vector<S_Crasher> aCrashers;
    auto with = [&](const char* pName, const char* pReason, auto change) {
        S_BmpLayout s = good;
        change(s);
        aCrashers.push_back({pName, B::Bmp(s), pReason});
    };
    with("pixel data one byte short", "truncated", [](S_BmpLayout& s) { s.aPixels.pop_back(); });
    with("header size 64", "header", [](S_BmpLayout& s) { s.nHeaderSize = 64; });
    with("two planes", "header", [](S_BmpLayout& s) { s.nPlanes = 2; });
    with("width 0", "header", [](S_BmpLayout& s) { s.nWidth = 0; });
    with("negative width", "header", [](S_BmpLayout& s) { s.nWidth = -4; });
    with("height 0", "header", [](S_BmpLayout& s) { s.nHeight = 0; });
    with("height INT32_MIN", "header", [](S_BmpLayout& s) { s.nHeight = INT32_MIN; });
    with("7 bits", "bit depth", [](S_BmpLayout& s) { s.nBits = 7; });
    with("RLE8 at 24 bits", "compression", [](S_BmpLayout& s) { s.nCompression = 1; });
    with("JPEG compression", "compression", [](S_BmpLayout& s) { s.nCompression = 4; });
    with("offset inside the header", "header", [](S_BmpLayout& s) { s.nOffBitsDelta = -20; });
    with("offset past the end", "truncated", [](S_BmpLayout& s) { s.nOffBitsDelta = 1000; });
    with("huge picture, tiny file", "truncated", [](S_BmpLayout& s) {
        s.nWidth = 30000;
        s.nHeight = 30000;
    });
    with("over 4 GiB of pixels", "too large", [](S_BmpLayout& s) {
        s.nWidth = 0x7FFFFFFF;
        s.nHeight = 0x7FFFFFFF;
        s.nBits = 32;
    });
    with("8 bits without palette", "palette", [](S_BmpLayout& s) {
        s.nBits = 8;
        s.aPixels.resize(8);
    });
    with("empty bitfield masks", "header", [](S_BmpLayout& s) {
        s.nBits = 32;
        s.nCompression = 3;
        s.aPixels.resize(32);
    });
    auto rle8 = [](std::vector<uint8_t> stream) {
        return [stream](S_BmpLayout& s) {
            s.nBits = 8;
            s.nCompression = 1;
            s.aPalette = B::Palette(256, 1);
            s.aPixels = stream;
        };
    };
    with("RLE run past the row", "RLE", rle8({5, 1, 0, 1}));
    with("RLE absolute run past the row", "RLE", rle8({0, 5, 1, 2, 3, 4, 5, 0, 0, 1}));
    with("RLE delta out of the picture", "RLE", rle8({0, 2, 1, 5, 0, 1}));
    with("RLE line end past the last row", "RLE", rle8({0, 0, 0, 0, 0, 0, 1, 1}));
    with("RLE stream ends early", "truncated", rle8({2, 1, 0, 0}));
    with("RLE absolute run cut off", "truncated", rle8({0, 4, 1, 2}));
    with("top-down RLE", "compression", [&](S_BmpLayout& s) {
        rle8({0, 1})(s);
        s.nHeight = -2;
    });
    const std::vector<uint8_t> goodFile = B::Bmp(good);
    aCrashers.push_back(
        {"file header only", std::vector<uint8_t>(goodFile.begin(), goodFile.begin() + 14), "truncated"});
    aCrashers.push_back(
        {"info header cut", std::vector<uint8_t>(goodFile.begin(), goodFile.begin() + 40), "truncated"});

    for (const S_Crasher& c : aCrashers) {
        SCOPED_TRACE(c.pName);
        BTCImageObject obj;
        EXPECT_FALSE(obj.LoadFromMemory(c.file));
        EXPECT_EQ(obj.GetObjectDataPtr(), nullptr);
        EXPECT_NE(obj.GetLastError().find(c.pReason), std::string::npos) << obj.GetLastError();
    }
}

TEST(BmpRefuse, ByteLimitRefusesBeforeAllocating)
{
    // An RLE file can claim a big picture in a few bytes; the limit stops it.
    S_BmpLayout layout;
    layout.nWidth = 4000;
    layout.nHeight = 4000;
    layout.nBits = 8;
    layout.nCompression = 1;
    layout.aPalette = B::Palette(256, 1);
    layout.aPixels = {0, 1};
    BTCImageObject obj;
    obj.SetMaxImageBytes(1000000);
    EXPECT_FALSE(obj.LoadFromMemory(B::Bmp(layout)));
    EXPECT_NE(obj.GetLastError().find("too large"), std::string::npos);
    obj.SetMaxImageBytes(16000000);
    EXPECT_TRUE(obj.LoadFromMemory(B::Bmp(layout))) << obj.GetLastError();
}
