// PNG through libpng: the pixel bytes are the file's unfiltered rows in PNG's own layout, a save
// writes the same header and every chunk in its place, and hostile files are refused with a reason.

#include "tests/support/C_PngBytes.h"
#include "tests/support/C_TestBytes.h"
#include "model/pictures/BTCImageObject.h"
#include "model/effects/C_GrayscaleEffect.h"
#include "model/effects/C_ImageComparer.h"
#include "model/pictures/png/C_PngDocument.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using P = C_PngBytes;
using D = C_PngDocument;

std::vector<uint8_t> Bits(const BTCImageData& d)
{
    return std::vector<uint8_t>(d.GetBits(), d.GetBits() + d.GetImageSize());
}

std::vector<S_Rgb> Palette(size_t n)
{
    std::vector<S_Rgb> palette;
    for (size_t i = 0; i < n; ++i)
        palette.push_back(S_Rgb{static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i)});
    return palette;
}

std::vector<uint8_t> Save(BTCImageObject& obj)
{
    std::vector<uint8_t> out;
    EXPECT_TRUE(obj.SaveToMemory(E_ImageFormat::Png, out)) << obj.GetLastError();
    return out;
}

// Rows of random bytes in the given layout; bits after the last pixel stay zero when asked.
std::vector<uint8_t> Rows(uint32_t nWidth, uint32_t nHeight, int nBits, uint32_t nSeed, bool bClearPadding)
{
    const size_t nRowBytes = (size_t{nWidth} * static_cast<size_t>(nBits) + 7) / 8;
    std::vector<uint8_t> rows = C_TestBytes::Random(nRowBytes * nHeight, nSeed);
    const size_t nSpare = nRowBytes * 8 - size_t{nWidth} * static_cast<size_t>(nBits);
    if (bClearPadding && nSpare > 0)
        for (uint32_t y = 0; y < nHeight; ++y)
            rows[(y + 1) * nRowBytes - 1] &= static_cast<uint8_t>(0xFFu << nSpare);
    return rows;
}

}  // namespace

TEST(PngRead, EveryColourTypeAndDepthGivesTheFileRowsAndSavesThemBack)
{
    struct S_Kind {
        int nType, nDepth;
    };
    const S_Kind kinds[] = {{D::kGray, 1}, {D::kGray, 2}, {D::kGray, 4}, {D::kGray, 8}, {D::kGray, 16}, {D::kRgb, 8},
        {D::kRgb, 16}, {D::kPalette, 1}, {D::kPalette, 2}, {D::kPalette, 4}, {D::kPalette, 8}, {D::kGrayAlpha, 8},
        {D::kGrayAlpha, 16}, {D::kRgbAlpha, 8}, {D::kRgbAlpha, 16}};
    uint32_t nSeed = 1;
    for (const S_Kind& kind : kinds)
        for (const bool bInterlaced : {false, true}) {
            SCOPED_TRACE(testing::Message()
                << "type " << kind.nType << " depth " << kind.nDepth << " interlaced " << bInterlaced);
            // 13 x 11: no depth fills its last byte, and every Adam7 pass has pixels. A file
            // that is not interlaced keeps the bits after the last pixel, so they are set too.
            const int nBits = D::Channels(kind.nType) * kind.nDepth;
            const std::vector<uint8_t> rows = Rows(13, 11, nBits, nSeed++, bInterlaced);
            const std::vector<S_Rgb> palette =
                kind.nType == D::kPalette ? Palette(size_t{1} << kind.nDepth) : std::vector<S_Rgb>{};
            BTCImageObject obj;
            ASSERT_TRUE(obj.LoadFromMemory(P::Make(13, 11, kind.nType, kind.nDepth, bInterlaced, rows, palette)))
                << obj.GetLastError();
            const BTCImageData& data = *obj.GetObjectDataPtr();
            EXPECT_EQ(Bits(data), rows);
            EXPECT_EQ(data.GetBitsPerPixel(), nBits);
            EXPECT_EQ(data.GetStride(), rows.size() / 11);
            EXPECT_FALSE(data.IsBottomUp());

            BTCImageObject again;
            ASSERT_TRUE(again.LoadFromMemory(Save(obj))) << again.GetLastError();
            EXPECT_EQ(Bits(*again.GetObjectDataPtr()), rows);
            EXPECT_EQ(again.GetObjectDataPtr()->GetPalette(), palette);
            const D& doc = *C_PngDocument::Of(*again.GetObjectDataPtr());
            EXPECT_EQ(doc.m_nColourType, kind.nType);
            EXPECT_EQ(doc.m_nBitDepth, kind.nDepth);
            EXPECT_EQ(doc.m_bInterlaced, bInterlaced);
        }
}

TEST(PngWrite, EveryChunkKeepsItsPlaceAndAnimationFramesStayAsTheyWere)
{
    std::vector<S_RawChunk> chunks =
        P::Chunks(P::Make(6, 4, D::kPalette, 8, false, Rows(6, 4, 8, 3, false), Palette(256)));
    const size_t nPlte = P::Find(chunks, "PLTE");
    ASSERT_LT(nPlte, chunks.size());
    // Before PLTE, between PLTE and IDAT, after IDAT; an unknown chunk safe to copy, one that is
    // not (dropped, as PNG asks of an editor), and an animation's controls and further frame.
    chunks.insert(chunks.begin() + 1,
        {P::Chunk("gAMA", std::string("\0\0\xB1\x8F", 4)), P::Chunk("acTL", std::string("\0\0\0\2\0\0\0\0", 8)),
            P::Chunk("iCCP", std::string("p\0\0x\x9C\x03\0\0\0\0\1", 11))});
    const size_t nIdat = P::Find(chunks, "IDAT");
    chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(nIdat),
        {P::Chunk("tRNS", "\x10\x20"), P::Chunk("prVt", "mine"), P::Chunk("unSF", "pixel-bound"),
            P::Chunk("fcTL", std::string(26, '\0'))});
    chunks.insert(chunks.end() - 1,
        {P::Chunk("tEXt", std::string("Comment\0after", 13)), P::Chunk("fdAT", std::string("\0\0\0\2frame", 9))});
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(P::Join(chunks))) << obj.GetLastError();
    obj.GetObjectDataPtr()->GetBits()[5] ^= 1;

    std::vector<S_RawChunk> expected = chunks;
    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(P::Find(expected, "unSF")));
    std::vector<S_RawChunk> saved = P::Chunks(Save(obj));
    // The image data is compressed anew; everything else is compared byte for byte.
    for (auto* pList : {&expected, &saved})
        std::erase_if(*pList, [](const S_RawChunk& c) { return c.strName == "IDAT" || c.strName == "IHDR"; });
    EXPECT_EQ(saved, expected);
    EXPECT_TRUE(C_PngDocument::Of(*obj.GetObjectDataPtr())->IsAnimated());
}

TEST(PngWrite, PaletteGrowsToCoverIndicesAHidePutsPastItsEnd)
{
    // Five colours; flipping the low bit of index 4 makes index 5, which PNG does not allow
    // unless the palette has it.
    const std::vector<uint8_t> rows = {0x01, 0x23, 0x40};
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(P::Make(5, 1, D::kPalette, 4, false, rows, Palette(5))));
    obj.GetObjectDataPtr()->GetBits()[2] = 0x51;  // index 5, then a padding bit
    const std::vector<uint8_t> saved = Save(obj);
    const std::vector<S_RawChunk> chunks = P::Chunks(saved);
    const S_RawChunk& plte = chunks[P::Find(chunks, "PLTE")];
    ASSERT_EQ(plte.aData.size(), 6u * 3);  // not 7: the padding bit is no index
    EXPECT_TRUE(std::equal(plte.aData.begin() + 15, plte.aData.end(), plte.aData.begin() + 12));  // 4's colour
    BTCImageObject again;
    ASSERT_TRUE(again.LoadFromMemory(saved)) << again.GetLastError();
    EXPECT_EQ(Bits(*again.GetObjectDataPtr()), (std::vector<uint8_t>{0x01, 0x23, 0x51}));
    // The picture in memory is the one in the file.
    EXPECT_EQ(C_ImageComparer::Compare(*again.GetObjectDataPtr(), *obj.GetObjectDataPtr()), 0);

    // Interlaced, those bits have no place in the file: it is written without interlacing.
    BTCImageObject interlaced;
    ASSERT_TRUE(interlaced.LoadFromMemory(P::Make(5, 1, D::kPalette, 4, true, rows, Palette(16))));
    interlaced.GetObjectDataPtr()->GetBits()[2] |= 1;
    BTCImageObject plain;
    ASSERT_TRUE(plain.LoadFromMemory(Save(interlaced))) << plain.GetLastError();
    EXPECT_EQ(Bits(*plain.GetObjectDataPtr()), (std::vector<uint8_t>{0x01, 0x23, 0x41}));
    EXPECT_FALSE(C_PngDocument::Of(*plain.GetObjectDataPtr())->m_bInterlaced);
}

TEST(PngRefuse, DamagedTruncatedAndOversizedFilesAreRefusedWithAReason)
{
    const std::vector<uint8_t> good = P::Make(64, 64, D::kRgb, 8, false, Rows(64, 64, 24, 5, false));
    const std::vector<S_RawChunk> chunks = P::Chunks(good);
    auto refused = [](const std::vector<uint8_t>& bytes, const char* pReason) {
        BTCImageObject obj;
        EXPECT_FALSE(obj.LoadFromMemory(bytes)) << pReason;
        EXPECT_NE(obj.GetLastError().find(pReason), std::string::npos) << obj.GetLastError();
        EXPECT_EQ(obj.GetObjectDataPtr(), nullptr);
        return obj.GetLastErrorCode();
    };
    // Damaged image data, a wrong CRC on intact image data, and a wrong CRC on an ancillary chunk.
    std::vector<uint8_t> bad = good;
    bad[good.size() - 20] ^= 0x40;
    refused(bad, "PNG decoding failed");
    bad = good;
    bad[good.size() - 13] ^= 0x40;  // the last byte of the IDAT's CRC, before the 12-byte IEND
    refused(bad, "CRC");
    std::vector<S_RawChunk> withText = chunks;
    withText.insert(withText.begin() + 1, P::Chunk("tEXt", std::string("a\0b", 3)));
    bad = P::Join(withText);
    bad[8 + 25 + 8 + 1] ^= 1;  // inside the text, after IHDR
    refused(bad, "CRC");
    // Cut inside the image data, and the image data ending early with correct CRCs.
    refused(
        std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2)), "truncated");
    std::vector<S_RawChunk> shortData = chunks;
    S_RawChunk& idat = shortData[P::Find(shortData, "IDAT")];
    idat.aData.resize(idat.aData.size() / 2);
    refused(P::Join(shortData), "PNG");
    // An unknown critical chunk: the picture cannot be understood without it.
    std::vector<S_RawChunk> critical = chunks;
    critical.insert(critical.begin() + 1, P::Chunk("CRIT", "x"));
    refused(P::Join(critical), "CRIT");
    // A tiny file claiming 60000 x 60000 RGBA at 16 bits is refused before any allocation.
    std::vector<S_RawChunk> huge = chunks;
    huge[0].aData = {0, 0, 0xEA, 0x60, 0, 0, 0xEA, 0x60, 16, 6, 0, 0, 0};
    EXPECT_EQ(refused(P::Join(huge), "picture"), E_ImageError::TooLarge);
    huge[0].aData = {0, 0, 0x1F, 0x40, 0, 0, 0x1F, 0x40, 8, 2, 0, 0, 0};  // 8000 x 8000 RGB: 183 MiB
    EXPECT_EQ(refused(P::Join(huge), "expands"), E_ImageError::NeedsConsent);
}

TEST(PngGrayscale, KeepsDepthAndAlphaAndDropsWhatBelongedToColour)
{
    // RGBA at 16 bits: two pixels, (65535, 0, 0, alpha 0x1234) and (0, 0, 65535, alpha 0xFFFF).
    const std::vector<uint8_t> rgba16 = {0xFF, 0xFF, 0, 0, 0, 0, 0x12, 0x34, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    std::vector<S_RawChunk> chunks = P::Chunks(P::Make(2, 1, D::kRgbAlpha, 16, false, rgba16));
    chunks.insert(
        chunks.begin() + 1, {P::Chunk("bKGD", std::string(6, '\x01')), P::Chunk("tEXt", std::string("k\0v", 3))});
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(P::Join(chunks)));
    ASSERT_TRUE(C_GrayscaleEffect::Apply(*obj.GetObjectDataPtr()));
    BTCImageObject gray;
    ASSERT_TRUE(gray.LoadFromMemory(Save(obj))) << obj.GetLastError();
    const BTCImageData& data = *gray.GetObjectDataPtr();
    EXPECT_EQ(C_PngDocument::Of(data)->m_nColourType, D::kGrayAlpha);
    EXPECT_EQ(data.GetBitsPerPixel(), 32);
    // 0.299 x 65535 = 19595 (0x4C8B), 0.114 x 65535 = 7471 (0x1D2F); alpha as it was.
    EXPECT_EQ(Bits(data), (std::vector<uint8_t>{0x4C, 0x8B, 0x12, 0x34, 0x1D, 0x2F, 0xFF, 0xFF}));
    ASSERT_EQ(C_PngDocument::Of(data)->m_aChunks.size(), 1u);  // the background was a colour; the text stays
    EXPECT_TRUE(C_PngDocument::Of(data)->m_aChunks[0].Is("tEXt"));

    // RGB at 8 bits becomes 8-bit gray; a palette picture keeps its indices under a gray palette.
    BTCImageObject rgb;
    ASSERT_TRUE(rgb.LoadFromMemory(P::Make(2, 1, D::kRgb, 8, false, {255, 255, 255, 0, 255, 0})));
    ASSERT_TRUE(C_GrayscaleEffect::Apply(*rgb.GetObjectDataPtr()));
    EXPECT_EQ(Bits(*rgb.GetObjectDataPtr()), (std::vector<uint8_t>{255, 150}));
    EXPECT_EQ(C_PngDocument::Of(*rgb.GetObjectDataPtr())->m_nColourType, D::kGray);
    BTCImageObject palette;
    ASSERT_TRUE(palette.LoadFromMemory(P::Make(2, 1, D::kPalette, 8, false, {1, 0}, Palette(2))));
    ASSERT_TRUE(C_GrayscaleEffect::Apply(*palette.GetObjectDataPtr()));
    EXPECT_EQ(Bits(*palette.GetObjectDataPtr()), (std::vector<uint8_t>{1, 0}));
    EXPECT_EQ(palette.GetObjectDataPtr()->GetPalette()[1].r, palette.GetObjectDataPtr()->GetPalette()[1].b);
}
