// GIF: the first frame's indices in display order are the pixel bytes; a save replaces only
// them and keeps every other frame, table and extension block as read.

#include "tests/support/C_ImageBytes.h"
#include "model/pictures/BTCImageObject.h"
#include "model/pictures/gif/C_GifDocument.h"
#include "model/effects/C_ImageComparer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using B = C_ImageBytes;

std::vector<uint8_t> Bits(const BTCImageData& d)
{
    return std::vector<uint8_t>(d.GetBits(), d.GetBits() + d.GetImageSize());
}

S_GifRecord Image(uint16_t nWidth, uint16_t nHeight, std::vector<uint8_t> aPixels, bool bInterlaced = false)
{
    S_GifRecord r;
    r.bImage = true;
    r.nWidth = nWidth;
    r.nHeight = nHeight;
    r.aPixels = std::move(aPixels);
    r.bInterlaced = bInterlaced;
    return r;
}

S_GifRecord Extension(int nLabel, std::vector<std::vector<uint8_t>> aBlocks)
{
    S_GifRecord r;
    r.nLabel = nLabel;
    r.aBlocks = std::move(aBlocks);
    return r;
}

// Row y of an image holds the value y in every pixel, so a row out of place shows.
std::vector<uint8_t> RowNumbers(uint16_t nWidth, uint16_t nHeight)
{
    std::vector<uint8_t> v;
    for (uint16_t y = 0; y < nHeight; ++y)
        v.insert(v.end(), nWidth, static_cast<uint8_t>(y));
    return v;
}

// An animation with everything a GIF can carry besides its pixels.
S_GifLayout RichGif()
{
    S_GifLayout layout;
    layout.nScreenWidth = 12;
    layout.nScreenHeight = 20;
    layout.aGlobalPalette = B::Palette(32, 3);
    layout.nBackground = 4;
    layout.nAspect = 49;
    layout.aRecords.push_back(Extension(0xFF, {{'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'}, {1, 0, 0}}));
    layout.aRecords.push_back(Extension(0xFE, {{'h', 'e', 'l', 'l', 'o'}, std::vector<uint8_t>(255, 'x')}));
    layout.aRecords.push_back(Extension(0xF9, {{0x05, 10, 0, 3}}));
    S_GifRecord first = Image(10, 19, RowNumbers(10, 19), true);
    first.nLeft = 1;
    first.nTop = 1;
    layout.aRecords.push_back(first);
    layout.aRecords.push_back(Extension(0xF9, {{0x04, 20, 0, 0}}));
    S_GifRecord second = Image(4, 3, B::Pattern(12, 1));
    for (uint8_t& v : second.aPixels)
        v &= 0x0F;
    second.aLocalPalette = B::Palette(16, 9);
    second.nLeft = 8;
    layout.aRecords.push_back(second);
    layout.aRecords.push_back(Extension(0xFE, {{'e', 'n', 'd'}}));
    return layout;
}

}  // namespace

TEST(GifRead, FirstFrameIndicesInDisplayOrder)
{
    S_GifLayout layout;
    layout.nScreenWidth = 3;
    layout.nScreenHeight = 2;
    layout.aGlobalPalette = B::Palette(4, 1);
    layout.aRecords.push_back(Image(3, 2, {0, 1, 2, 3, 2, 1}));
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(B::Gif(layout))) << obj.GetLastError();
    const BTCImageData* d = obj.GetObjectDataPtr();
    EXPECT_EQ(d->GetWidth(), 3);
    EXPECT_EQ(d->GetHeight(), 2);
    EXPECT_EQ(d->GetBitsPerPixel(), 8);
    EXPECT_EQ(d->GetStride(), 3u);
    EXPECT_FALSE(d->IsBottomUp());
    EXPECT_EQ(d->GetSourceFormat(), E_ImageFormat::Gif);
    EXPECT_EQ(Bits(*d), (std::vector<uint8_t>{0, 1, 2, 3, 2, 1}));
    EXPECT_EQ(d->GetPalette(), layout.aGlobalPalette);
}

TEST(GifRead, InterlacedRowsAreDeinterlaced)
{
    for (const uint16_t nHeight : {1, 2, 3, 5, 8, 9, 17}) {
        SCOPED_TRACE(nHeight);
        S_GifLayout layout;
        layout.nScreenWidth = 2;
        layout.nScreenHeight = nHeight;
        layout.aGlobalPalette = B::Palette(32, 2);
        layout.aRecords.push_back(Image(2, nHeight, RowNumbers(2, nHeight), true));
        BTCImageObject obj;
        ASSERT_TRUE(obj.LoadFromMemory(B::Gif(layout))) << obj.GetLastError();
        EXPECT_EQ(Bits(*obj.GetObjectDataPtr()), RowNumbers(2, nHeight));
    }
}

TEST(GifRead, LocalTableIsThePicturesPalette)
{
    S_GifLayout layout;
    layout.nScreenWidth = 2;
    layout.aGlobalPalette = B::Palette(2, 1);
    S_GifRecord image = Image(2, 1, {3, 1});
    image.aLocalPalette = B::Palette(4, 7);
    layout.aRecords.push_back(image);
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(B::Gif(layout))) << obj.GetLastError();
    EXPECT_EQ(obj.GetObjectDataPtr()->GetPalette(), image.aLocalPalette);
}

TEST(GifWrite, SaveKeepsEveryFrameExtensionAndTableAndReinterlaces)
{
    const S_GifLayout layout = RichGif();
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(B::Gif(layout))) << obj.GetLastError();
    BTCImageData* d = obj.GetObjectDataPtr();
    ASSERT_EQ(Bits(*d), RowNumbers(10, 19));
    // Change the least significant bits as a hide does.
    for (uint32_t i = 0; i < d->GetImageSize(); i += 3)
        d->GetBits()[i] ^= 1;
    const std::vector<uint8_t> changed = Bits(*d);

    std::vector<uint8_t> saved;
    ASSERT_TRUE(obj.SaveToMemory(E_ImageFormat::Gif, saved)) << obj.GetLastError();
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 6), "GIF89a");
    EXPECT_EQ(saved.back(), ';');
    BTCImageObject again;
    ASSERT_TRUE(again.LoadFromMemory(saved)) << again.GetLastError();
    const BTCImageData* a = again.GetObjectDataPtr();
    EXPECT_EQ(Bits(*a), changed);
    EXPECT_EQ(a->GetPalette(), layout.aGlobalPalette);

    const C_GifDocument& doc = *C_GifDocument::Of(*a);
    EXPECT_EQ(doc.m_nScreenWidth, 12);
    EXPECT_EQ(doc.m_nScreenHeight, 20);
    EXPECT_EQ(doc.m_nBackground, 4);
    EXPECT_EQ(doc.m_nAspect, 49);
    ASSERT_EQ(doc.m_aFrames.size(), 2u);
    const S_GifFrame& first = doc.m_aFrames[0];
    EXPECT_TRUE(first.bInterlaced);
    EXPECT_EQ(first.nLeft, 1);
    EXPECT_EQ(first.nTop, 1);
    ASSERT_EQ(first.aExtensions.size(), 3u);
    EXPECT_EQ(first.aExtensions[0].nFunction, 0xFF);
    EXPECT_EQ(first.aExtensions[0].aBlocks, layout.aRecords[0].aBlocks);
    EXPECT_EQ(first.aExtensions[1].aBlocks, layout.aRecords[1].aBlocks);
    EXPECT_EQ(first.aExtensions[2].aBlocks, layout.aRecords[2].aBlocks);
    const S_GifFrame& second = doc.m_aFrames[1];
    EXPECT_FALSE(second.bInterlaced);
    EXPECT_EQ(second.nLeft, 8);
    EXPECT_EQ(second.aPixels, layout.aRecords[5].aPixels);
    EXPECT_TRUE(second.bHasLocalMap);
    EXPECT_EQ(second.localMap.aColours, layout.aRecords[5].aLocalPalette);
    ASSERT_EQ(second.aExtensions.size(), 1u);
    EXPECT_EQ(second.aExtensions[0].aBlocks, layout.aRecords[4].aBlocks);
    ASSERT_EQ(doc.m_aTrailing.size(), 1u);
    EXPECT_EQ(doc.m_aTrailing[0].aBlocks, layout.aRecords[6].aBlocks);

    // The interlace flag stands in the saved image descriptor.
    const size_t nDescriptor = 13 + 3 * 32 + (3 + 11 + 1 + 3 + 1) + (3 + 5 + 1 + 255 + 1) + (3 + 4 + 1);
    ASSERT_EQ(saved[nDescriptor], ',');
    EXPECT_NE(saved[nDescriptor + 9] & 0x40, 0);
}

TEST(GifWrite, FramesWithAndWithoutLocalTablesKeepTheirOwn)
{
    // Local, none, local, none: each frame must come back drawing with the table it had, and no
    // table of one frame may outlive the save (the sanitizer build checks for leaks).
    S_GifLayout layout;
    layout.nScreenWidth = 3;
    layout.nScreenHeight = 2;
    layout.aGlobalPalette = B::Palette(4, 2);
    for (int i = 0; i < 4; ++i) {
        layout.aRecords.push_back(Image(3, 2, {0, 1, 2, 3, 2, 1}));
        if (i % 2 == 0)
            layout.aRecords.back().aLocalPalette = B::Palette(4, static_cast<uint8_t>(20 + i));
    }
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(B::Gif(layout))) << obj.GetLastError();
    std::vector<uint8_t> saved;
    ASSERT_TRUE(obj.SaveToMemory(E_ImageFormat::Gif, saved)) << obj.GetLastError();
    BTCImageObject again;
    ASSERT_TRUE(again.LoadFromMemory(saved)) << again.GetLastError();
    const C_GifDocument& doc = *C_GifDocument::Of(*again.GetObjectDataPtr());
    ASSERT_EQ(doc.m_aFrames.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(doc.m_aFrames[i].bHasLocalMap, i % 2 == 0);
        EXPECT_EQ(doc.EffectiveMap(i)->aColours, i % 2 == 0 ? layout.aRecords[i].aLocalPalette : layout.aGlobalPalette);
    }
}

TEST(GifWrite, Gif87aStaysGif87a)
{
    S_GifLayout layout;
    layout.strVersion = "GIF87a";
    layout.nScreenWidth = 2;
    layout.aGlobalPalette = B::Palette(2, 1);
    layout.aRecords.push_back(Image(2, 1, {1, 0}));
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(B::Gif(layout))) << obj.GetLastError();
    std::vector<uint8_t> saved;
    ASSERT_TRUE(obj.SaveToMemory(E_ImageFormat::Gif, saved)) << obj.GetLastError();
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 6), "GIF87a");
}

TEST(GifWrite, IndicesBeyondTheTableSurviveASave)
{
    // A 4-colour table but indices up to 13 (the LZW code size allows 16): giflib's writer
    // would mask them to 2 bits unless the table is made deep enough.
    S_GifLayout layout;
    layout.nScreenWidth = 4;
    layout.aGlobalPalette = B::Palette(4, 1);
    S_GifRecord image = Image(4, 1, {0, 5, 13, 3});
    image.nCodeSize = 4;
    layout.aRecords.push_back(image);
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(B::Gif(layout))) << obj.GetLastError();
    EXPECT_EQ(obj.GetObjectDataPtr()->GetPalette().size(), 16u);
    std::vector<uint8_t> saved;
    ASSERT_TRUE(obj.SaveToMemory(E_ImageFormat::Gif, saved));
    BTCImageObject again;
    ASSERT_TRUE(again.LoadFromMemory(saved)) << again.GetLastError();
    EXPECT_EQ(C_ImageComparer::Compare(*again.GetObjectDataPtr(), *obj.GetObjectDataPtr()), 0);

    // And the same when a hide flips a bit above what the table held.
    obj.GetObjectDataPtr()->GetBits()[3] = 0xFF;
    ASSERT_TRUE(obj.SaveToMemory(E_ImageFormat::Gif, saved));
    ASSERT_TRUE(again.LoadFromMemory(saved));
    EXPECT_EQ(again.GetObjectDataPtr()->GetBits()[3], 0xFF);
}

TEST(GifWrite, NoColourTableGetsAGrayOne)
{
    S_GifLayout layout;
    layout.nScreenWidth = 2;
    layout.aRecords.push_back(Image(2, 1, {200, 7}));
    layout.aRecords.back().nCodeSize = 8;
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(B::Gif(layout))) << obj.GetLastError();
    ASSERT_EQ(obj.GetObjectDataPtr()->GetPalette().size(), 256u);
    EXPECT_EQ(obj.GetObjectDataPtr()->GetPalette()[200], (S_Rgb{200, 200, 200}));
    std::vector<uint8_t> saved;
    ASSERT_TRUE(obj.SaveToMemory(E_ImageFormat::Gif, saved)) << obj.GetLastError();
    BTCImageObject again;
    ASSERT_TRUE(again.LoadFromMemory(saved)) << again.GetLastError();
    EXPECT_EQ(C_ImageComparer::Compare(*again.GetObjectDataPtr(), *obj.GetObjectDataPtr()), 0);
}

TEST(GifRefuse, MalformedFilesAreRefusedWithAReason)
{
    S_GifLayout good;
    good.nScreenWidth = 4;
    good.nScreenHeight = 4;
    good.aGlobalPalette = B::Palette(4, 1);
    good.aRecords.push_back(Image(4, 4, B::Pattern(16, 1)));
    for (uint8_t& v : good.aRecords[0].aPixels)
        v &= 3;
    ASSERT_TRUE(BTCImageObject().LoadFromMemory(B::Gif(good)));

    struct S_Crasher {
        const char* pName;
        std::vector<uint8_t> file;
        const char* pReason;
    };
    std::vector<S_Crasher> aCrashers;
    auto with = [&](const char* pName, const char* pReason, auto change) {
        S_GifLayout s = good;
        change(s);
        aCrashers.push_back({pName, B::Gif(s), pReason});
    };
    with("no image", "no usable first image", [](S_GifLayout& s) { s.aRecords.clear(); });
    with("only an extension", "no usable first image", [](S_GifLayout& s) { s.aRecords = {Extension(0xFE, {{'a'}})}; });
    with("first image outside the screen", "outside", [](S_GifLayout& s) { s.aRecords[0].nLeft = 1; });
    with("image without pixels", "without pixels", [](S_GifLayout& s) { s.aRecords[0].nWidth = 0; });
    with("missing trailer", "GIF decoding", [](S_GifLayout& s) { s.bTrailer = false; });
    // Screen and image claim 65535 x 65535 pixels over the few bytes of the 4 x 4 image: the
    // fields are patched, so the test never builds the 4 GiB of data they promise.
    std::vector<uint8_t> huge = B::Gif(good);
    for (const size_t nAt : {6u, 8u, 13u + 12u + 5u, 13u + 12u + 7u}) {
        huge[nAt] = 0xFF;
        huge[nAt + 1] = 0xFF;
    }
    aCrashers.push_back({"huge image from a few bytes", huge, "truncated"});
    std::vector<uint8_t> cut = B::Gif(good);
    cut.resize(cut.size() - 6);
    aCrashers.push_back({"LZW data cut", cut, "GIF decoding"});
    std::vector<uint8_t> badCode = B::Gif(good);
    // Code size byte of the image data (after 13 + 12 + 10 bytes) set beyond what LZW allows.
    badCode[13 + 12 + 10] = 12;
    aCrashers.push_back({"LZW code size 12", badCode, "GIF decoding"});
    std::vector<uint8_t> record = B::Gif(good);
    record[13 + 12] = 'x';
    aCrashers.push_back({"unknown record", record, "GIF decoding"});
    aCrashers.push_back({"signature only", {'G', 'I', 'F', '8', '9', 'a'}, "GIF decoding"});

    for (const S_Crasher& c : aCrashers) {
        SCOPED_TRACE(c.pName);
        BTCImageObject obj;
        EXPECT_FALSE(obj.LoadFromMemory(c.file));
        EXPECT_EQ(obj.GetObjectDataPtr(), nullptr);
        EXPECT_NE(obj.GetLastError().find(c.pReason), std::string::npos) << obj.GetLastError();
    }
}

TEST(GifRefuse, AFrameIsHeldToWhatItsOwnDataCanFill)
{
    // 20,000 bytes of comment and a 9000 x 9000 frame of three data bytes: the file as a whole
    // could hold that many pixels, the frame cannot. Refused before its 81 MB are allocated,
    // even with large pictures allowed.
    std::vector<uint8_t> file = {
        'G', 'I', 'F', '8', '9', 'a', 0x28, 0x23, 0x28, 0x23, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
    file.insert(file.end(), {0x21, 0xFE});
    for (int i = 0; i < 80; ++i) {
        file.push_back(250);
        file.insert(file.end(), 250, 'c');
    }
    file.push_back(0);
    file.insert(file.end(), {0x2C, 0, 0, 0, 0, 0x28, 0x23, 0x28, 0x23, 0, 2, 3, 0x44, 0x01, 0x05, 0, 0x3B});
    BTCImageObject obj;
    obj.SetAllowLarge(true);
    EXPECT_FALSE(obj.LoadFromMemory(file));
    EXPECT_EQ(obj.GetLastErrorCode(), E_ImageError::Truncated) << obj.GetLastError();
}
