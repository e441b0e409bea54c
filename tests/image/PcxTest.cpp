// PCX: palette pictures decode to one index per pixel, 24-bit ones to blue-green-red, rows top
// to bottom without padding; a save is version 5 RLE that gives the same bytes back.

#include "tests/support/C_ImageBytes.h"
#include "model/pictures/BTCImageObject.h"
#include "model/effects/C_ImageComparer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using B = C_ImageBytes;

std::vector<uint8_t> Bits(const BTCImageData& d)
{
    return std::vector<uint8_t>(d.GetBits(), d.GetBits() + d.GetImageSize());
}

// Decodes a saved file's lines with the strict rule that no run leaves its plane line.
bool DecodeLinesStrictly(const std::vector<uint8_t>& file, size_t nLineBytes, size_t nLines, std::vector<uint8_t>& out)
{
    size_t i = 128;
    for (size_t line = 0; line < nLines; ++line) {
        size_t n = 0;
        while (n < nLineBytes) {
            if (i >= file.size())
                return false;
            size_t nRun = 1;
            uint8_t v = file[i++];
            if ((v & 0xC0) == 0xC0) {
                nRun = v & 0x3F;
                v = file.at(i++);
            }
            if (nRun > nLineBytes - n)
                return false;
            out.insert(out.end(), nRun, v);
            n += nRun;
        }
    }
    return true;
}

std::unique_ptr<BTCImageObject> LoadOk(const std::vector<uint8_t>& file)
{
    auto obj = std::make_unique<BTCImageObject>();
    EXPECT_TRUE(obj->LoadFromMemory(file)) << obj->GetLastError();
    return obj;
}

}  // namespace

TEST(PcxRead, EightBitsWithTheTailPaletteAndRunsAcrossLines)
{
    // 3 x 2 inside a window that does not start at 0; bytes per line 4, so one pad byte per line
    // that must not reach the picture. The first run crosses from line 0 into line 1.
    S_PcxLayout layout;
    layout.nXMin = 10;
    layout.nYMin = 20;
    layout.nWidth = 3;
    layout.nHeight = 2;
    layout.nBytesPerLine = 4;
    layout.aBody = {0x05, 0x06, 0xC3, 0xD0, 0xC1, 0xC7, 0x08, 0x09};  // 5 6 D0 [D0 | D0] C7 8 9
    layout.aTailPalette = B::Palette(256, 8);
    const auto obj = LoadOk(B::Pcx(layout));
    const BTCImageData* d = obj->GetObjectDataPtr();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetWidth(), 3);
    EXPECT_EQ(d->GetHeight(), 2);
    EXPECT_EQ(d->GetBitsPerPixel(), 8);
    EXPECT_EQ(d->GetStride(), 3u);
    EXPECT_FALSE(d->IsBottomUp());
    EXPECT_EQ(Bits(*d), (std::vector<uint8_t>{0x05, 0x06, 0xD0, 0xD0, 0xC7, 0x08}));
    EXPECT_EQ(d->GetPalette(), layout.aTailPalette);
    EXPECT_EQ(d->GetSourceFormat(), E_ImageFormat::Pcx);
}

TEST(PcxRead, TrueColourPlanesBecomeBlueGreenRed)
{
    S_PcxLayout layout;
    layout.nPlanes = 3;
    layout.nWidth = 2;
    layout.nHeight = 2;
    layout.nBytesPerLine = 2;
    // Each line: red plane, green plane, blue plane.
    layout.aBody = B::PcxLiteral({0x10, 0x11, 0x20, 0x21, 0x30, 0x31, 0x40, 0x41, 0x50, 0x51, 0xE0, 0xE1});
    const auto obj = LoadOk(B::Pcx(layout));
    const BTCImageData* d = obj->GetObjectDataPtr();
    EXPECT_EQ(d->GetBitsPerPixel(), 24);
    EXPECT_EQ(d->GetStride(), 6u);
    EXPECT_TRUE(d->GetPalette().empty());
    EXPECT_EQ(Bits(*d), (std::vector<uint8_t>{0x30, 0x20, 0x10, 0x31, 0x21, 0x11, 0xE0, 0x50, 0x40, 0xE1, 0x51, 0x41}));
}

TEST(PcxRead, PlanarAndPackedPaletteLayoutsGiveOneIndexPerPixel)
{
    const std::vector<S_Rgb> aHeader = B::Palette(16, 5);
    struct S_Case {
        const char* pName;
        uint8_t nVersion, nBits, nPlanes;
        uint16_t nWidth, nBpl;
        std::vector<uint8_t> aLine;
        std::vector<uint8_t> aIndices;
        std::vector<S_Rgb> aPalette;  // the first entries expected
    };
    const S_Rgb black{}, white{255, 255, 255};
    std::vector<S_Rgb> aHeaderThenBlack = aHeader;
    aHeaderThenBlack.resize(30);
    const std::vector<S_Case> aCases = {
        {"EGA 1 bit x 4 planes", 5, 1, 4, 8, 1, {0xAA, 0xCC, 0xF0, 0x01}, {7, 6, 5, 4, 3, 2, 1, 8}, aHeader},
        {"1 bit x 3 planes", 2, 1, 3, 3, 2, {0x80, 0, 0x40, 0, 0x20, 0}, {1, 2, 4},
            {aHeader.begin(), aHeader.begin() + 8}},
        {"4 bits packed", 5, 4, 1, 3, 2, {0x12, 0x30}, {1, 2, 3}, aHeader},
        {"2 bits CGA", 5, 2, 1, 5, 2, {0x1B, 0xC0}, {0, 1, 2, 3, 3}, {aHeader.begin(), aHeader.begin() + 4}},
        {"2 bits x 2 planes", 4, 2, 2, 2, 1, {0x60, 0xD0}, {0xD, 0x6}, aHeader},
        // A 6-bit index: the header's 16 colours, black past them, nothing read beyond the header.
        {"2 bits x 3 planes", 5, 2, 3, 2, 1, {0x60, 0xD0, 0x40}, {29, 6}, aHeaderThenBlack},
        {"2 bits x 3 planes, EGA", 0, 2, 3, 2, 1, {0x60, 0xD0, 0x40}, {29, 6}, {black, S_Rgb{0, 0, 170}}},
        {"4 bits x 2 planes", 5, 4, 2, 2, 1, {0x21, 0x43}, {0x42, 0x31}, {}},
        {"mono", 5, 1, 1, 10, 2, {0x80, 0x40}, {1, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {black, white}},
        {"version 3 uses the EGA colours", 3, 4, 1, 2, 2, {0x1F, 0}, {1, 15}, {black, S_Rgb{0, 0, 170}}},
    };
    for (const S_Case& c : aCases) {
        SCOPED_TRACE(c.pName);
        S_PcxLayout layout;
        layout.nVersion = c.nVersion;
        layout.nBits = c.nBits;
        layout.nPlanes = c.nPlanes;
        layout.nWidth = c.nWidth;
        layout.nBytesPerLine = c.nBpl;
        layout.aHeaderPalette = aHeader;
        layout.aBody = B::PcxLiteral(c.aLine);
        if (c.nBits * c.nPlanes == 8)
            layout.aTailPalette = B::Palette(256, 6);
        const auto obj = LoadOk(B::Pcx(layout));
        const BTCImageData* d = obj->GetObjectDataPtr();
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->GetBitsPerPixel(), 8);
        EXPECT_EQ(Bits(*d), c.aIndices);
        ASSERT_EQ(d->GetPalette().size(), 256u);  // indices are bytes: the palette has 256 entries
        const std::vector<S_Rgb>& expected = c.nBits * c.nPlanes == 8 ? layout.aTailPalette : c.aPalette;
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(d->GetPalette()[i], expected[i]) << "entry " << i;
    }
}

TEST(PcxRead, RawEncodingAndMissingTailPalette)
{
    S_PcxLayout layout;
    layout.nEncoding = 0;
    layout.nWidth = 2;
    layout.nHeight = 2;
    layout.nBytesPerLine = 2;
    layout.aBody = {0xC5, 0x01, 0xFF, 0x02};  // raw: 0xC5 is a pixel, not a run
    const auto obj = LoadOk(B::Pcx(layout));
    EXPECT_EQ(Bits(*obj->GetObjectDataPtr()), (std::vector<uint8_t>{0xC5, 0x01, 0xFF, 0x02}));
    // No 256-colour palette: the indices are gray levels.
    EXPECT_EQ(obj->GetObjectDataPtr()->GetPalette()[0xC5], (S_Rgb{0xC5, 0xC5, 0xC5}));
}

TEST(PcxWrite, PalettePictureIsVersion5RleWithEvenLinesAndTailPalette)
{
    // 5 wide (odd) with long runs and bytes of 0xC0 and more, so runs split and escape.
    S_PcxLayout layout;
    layout.nWidth = 5;
    layout.nHeight = 3;
    layout.nBytesPerLine = 5;
    layout.nDpiX = 300;
    layout.nDpiY = 72;
    const std::vector<uint8_t> pixels = {0xC0, 0xC0, 0xC0, 1, 0xFF, 7, 7, 7, 7, 7, 0xC3, 2, 2, 0xC3, 9};
    layout.aBody = B::PcxLiteral(pixels);
    layout.aTailPalette = B::Palette(256, 11);
    auto obj = LoadOk(B::Pcx(layout));

    std::vector<uint8_t> saved;
    ASSERT_TRUE(obj->SaveToMemory(E_ImageFormat::Pcx, saved)) << obj->GetLastError();
    ASSERT_GT(saved.size(), 128u + 769u);
    EXPECT_EQ(saved[0], 0x0A);
    EXPECT_EQ(saved[1], 5);
    EXPECT_EQ(saved[2], 1);
    EXPECT_EQ(saved[3], 8);
    EXPECT_EQ(saved[65], 1);
    EXPECT_EQ(B::U16(saved, 66), 6u);  // 5 rounded up to even
    EXPECT_EQ(B::U16(saved, 8), 4u);
    EXPECT_EQ(B::U16(saved, 10), 2u);
    EXPECT_EQ(B::U16(saved, 12), 300u);
    EXPECT_EQ(B::U16(saved, 14), 72u);
    EXPECT_EQ(saved[saved.size() - 769], 0x0C);
    for (size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(saved[saved.size() - 768 + 3 * i], layout.aTailPalette[i].r);
        EXPECT_EQ(saved[saved.size() - 768 + 3 * i + 2], layout.aTailPalette[i].b);
    }
    std::vector<uint8_t> lines;
    ASSERT_TRUE(DecodeLinesStrictly(std::vector<uint8_t>(saved.begin(), saved.end() - 769), 6, 3, lines));
    for (size_t y = 0; y < 3; ++y) {
        EXPECT_TRUE(std::equal(pixels.begin() + 5 * y, pixels.begin() + 5 * y + 5, lines.begin() + 6 * y));
        EXPECT_EQ(lines[6 * y + 5], 0);  // the pad byte
    }

    auto again = LoadOk(saved);
    EXPECT_EQ(C_ImageComparer::Compare(*again->GetObjectDataPtr(), *obj->GetObjectDataPtr()), 0);
    EXPECT_EQ(again->GetObjectDataPtr()->m_nXPelsPerMeter, obj->GetObjectDataPtr()->m_nXPelsPerMeter);
}

TEST(PcxWrite, TrueColourIsThreePlanesAndLongRowsRoundTrip)
{
    // 131 pixels of one colour then a change: runs longer than 63 must split.
    S_PcxLayout layout;
    layout.nPlanes = 3;
    layout.nWidth = 131;
    layout.nHeight = 2;
    layout.nBytesPerLine = 132;
    std::vector<uint8_t> line;
    for (int p = 0; p < 3; ++p) {
        std::vector<uint8_t> plane(132, static_cast<uint8_t>(0xF0 + p));
        plane[130] = static_cast<uint8_t>(p);
        line.insert(line.end(), plane.begin(), plane.end());
    }
    layout.aBody = B::PcxLiteral(line);
    const std::vector<uint8_t> second = B::Pattern(3 * 132, 4);
    const std::vector<uint8_t> secondCoded = B::PcxLiteral(second);
    layout.aBody.insert(layout.aBody.end(), secondCoded.begin(), secondCoded.end());
    auto obj = LoadOk(B::Pcx(layout));

    std::vector<uint8_t> saved;
    ASSERT_TRUE(obj->SaveToMemory(E_ImageFormat::Pcx, saved)) << obj->GetLastError();
    EXPECT_EQ(saved[65], 3);
    EXPECT_EQ(B::U16(saved, 66), 132u);
    std::vector<uint8_t> lines;
    EXPECT_TRUE(DecodeLinesStrictly(saved, 3 * 132, 2, lines));
    auto again = LoadOk(saved);
    EXPECT_EQ(C_ImageComparer::Compare(*again->GetObjectDataPtr(), *obj->GetObjectDataPtr()), 0);
    EXPECT_EQ(again->GetObjectDataPtr()->GetBitsPerPixel(), 24);
}

TEST(PcxRefuse, MalformedHeadersAndDataAreRefusedWithAReason)
{
    S_PcxLayout good;
    good.nWidth = 4;
    good.nHeight = 2;
    good.nBytesPerLine = 4;
    good.aBody = B::PcxLiteral(B::Pattern(8, 2));
    good.aTailPalette = B::Palette(256, 1);
    ASSERT_TRUE(BTCImageObject().LoadFromMemory(B::Pcx(good)));

    struct S_Crasher {
        const char* pName;
        std::vector<uint8_t> file;
        const char* pReason;
    };
    std::vector<S_Crasher> aCrashers;
    auto with = [&](const char* pName, const char* pReason, auto change) {
        S_PcxLayout s = good;
        change(s);
        aCrashers.push_back({pName, B::Pcx(s), pReason});
    };
    with("version 1", "header", [](S_PcxLayout& s) { s.nVersion = 1; });
    with("encoding 2", "compression", [](S_PcxLayout& s) { s.nEncoding = 2; });
    with("3 bits", "bit depth", [](S_PcxLayout& s) { s.nBits = 3; });
    with("5 planes", "bit depth", [](S_PcxLayout& s) { s.nPlanes = 5; });
    with("0 planes", "bit depth", [](S_PcxLayout& s) { s.nPlanes = 0; });
    with("8 bits x 2 planes", "bit depth", [](S_PcxLayout& s) { s.nPlanes = 2; });
    with("bytes per line below the width", "header", [](S_PcxLayout& s) { s.nBytesPerLine = 3; });
    with("lines cut short", "truncated", [](S_PcxLayout& s) {
        s.aBody.resize(5);
        s.aTailPalette.clear();
    });
    with("run past the last line", "RLE", [](S_PcxLayout& s) {
        const std::vector<uint8_t> p = B::Pattern(8, 2);
        s.aBody = B::PcxLiteral(std::vector<uint8_t>(p.begin(), p.begin() + 7));
        s.aBody.push_back(0xC2);  // the last pixel as a run of two
        s.aBody.push_back(p[7]);
    });
    with("run count without its value", "truncated", [](S_PcxLayout& s) {
        s.aBody = {0xC7};
        s.aTailPalette.clear();
    });
    with("65536 x 65536 from a few bytes", "truncated", [](S_PcxLayout& s) {
        s.nWidth = 0xFFFF;
        s.nHeight = 0xFFFF;
        s.nBytesPerLine = 0xFFFF;
    });
    std::vector<uint8_t> header = B::Pcx(good);
    header.resize(100);
    aCrashers.push_back({"header cut", header, "truncated"});
    std::vector<uint8_t> window = B::Pcx(good);
    window[8] = 0;  // x max below x min
    window[4] = 5;
    aCrashers.push_back({"window inverted", window, "header"});

    for (const S_Crasher& c : aCrashers) {
        SCOPED_TRACE(c.pName);
        BTCImageObject obj;
        EXPECT_FALSE(obj.LoadFromMemory(c.file));
        EXPECT_EQ(obj.GetObjectDataPtr(), nullptr);
        EXPECT_NE(obj.GetLastError().find(c.pReason), std::string::npos) << obj.GetLastError();
        EXPECT_EQ(obj.GetLastError().rfind("PCX: ", 0), 0u) << obj.GetLastError();
    }
}
