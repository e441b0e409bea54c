// The fuzzer's seed pictures: one small file per layout the decoders know. Every seed must load
// and come back unchanged from a save in its own format, so the fuzzer starts from pictures that
// reach the encoders. With VMK_IMAGE_CORPUS_DIR set, the seeds are also written there
// (fuzz/corpus/image holds the committed copy).

#include "tests/support/C_ImageBytes.h"
#include "model/pictures/BTCImageObject.h"
#include "model/pictures/C_DecodeLimit.h"
#include "model/effects/C_ImageComparer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using B = C_ImageBytes;
using Seed = std::pair<std::string, std::vector<uint8_t>>;

std::vector<uint8_t> Rle8Stream()
{
    // Row 0: a run and a padded absolute run; row 1: a delta and a run; then the end mark.
    return {3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 0, 2, 9, 0, 0, 0, 1};
}

std::vector<Seed> BmpSeeds()
{
    std::vector<Seed> seeds;
    struct S_Case {
        const char* pName;
        uint32_t nHeader;
        uint16_t nBits;
        int32_t nHeight;
    };
    const S_Case aCases[] = {
        {"bmp-core-1.bmp", 12, 1, 3},
        {"bmp-core-24.bmp", 12, 24, 3},
        {"bmp-info-4.bmp", 40, 4, 3},
        {"bmp-info-8-topdown.bmp", 40, 8, -3},
        {"bmp-info-16.bmp", 40, 16, 3},
        {"bmp-info-24.bmp", 40, 24, 3},
        {"bmp-v4-32.bmp", 108, 32, -3},
        {"bmp-v5-8.bmp", 124, 8, 3},
    };
    for (const S_Case& c : aCases) {
        S_BmpLayout layout;
        layout.nHeaderSize = c.nHeader;
        layout.nWidth = 5;
        layout.nHeight = c.nHeight;
        layout.nBits = c.nBits;
        if (c.nBits <= 8)
            layout.aPalette = B::Palette(c.nBits == 8 ? 16 : size_t{1} << c.nBits, 2);
        if (c.nBits == 8)
            layout.nColoursUsed = 16;
        layout.aPixels = B::Pattern(B::BmpStride(5, c.nBits) * 3, static_cast<uint8_t>(c.nBits));
        if (c.nBits == 8)
            for (uint8_t& v : layout.aPixels)
                v &= 0x0F;
        seeds.emplace_back(c.pName, B::Bmp(layout));
    }
    S_BmpLayout masks;
    masks.nWidth = 3;
    masks.nHeight = 2;
    masks.nBits = 16;
    masks.nCompression = 3;
    masks.aMasks[0] = 0xF800;
    masks.aMasks[1] = 0x07E0;
    masks.aMasks[2] = 0x001F;
    masks.aPixels = B::Pattern(16, 4);
    seeds.emplace_back("bmp-bitfields-565.bmp", B::Bmp(masks));

    S_BmpLayout rle8;
    rle8.nWidth = 6;
    rle8.nHeight = 2;
    rle8.nBits = 8;
    rle8.nCompression = 1;
    rle8.aPalette = B::Palette(16, 5);
    rle8.aPixels = Rle8Stream();
    seeds.emplace_back("bmp-rle8.bmp", B::Bmp(rle8));

    S_BmpLayout rle4 = rle8;
    rle4.nBits = 4;
    rle4.nCompression = 2;
    rle4.aPixels = {4, 0x12, 0, 0, 0, 4, 0x34, 0x56, 2, 0x78, 0, 1};
    seeds.emplace_back("bmp-rle4.bmp", B::Bmp(rle4));
    return seeds;
}

std::vector<Seed> PcxSeeds()
{
    std::vector<Seed> seeds;
    S_PcxLayout eight;
    eight.nWidth = 5;
    eight.nHeight = 3;
    eight.nBytesPerLine = 6;
    std::vector<uint8_t> lines = B::Pattern(18, 3);
    lines[0] = lines[1] = lines[2] = 0xC5;  // bytes that can only be stored as runs
    eight.aBody = B::PcxLiteral(lines);
    eight.aTailPalette = B::Palette(256, 6);
    seeds.emplace_back("pcx-8.pcx", B::Pcx(eight));

    S_PcxLayout rgb = eight;
    rgb.nPlanes = 3;
    rgb.aBody = B::PcxLiteral(B::Pattern(3 * 6 * 3, 7));
    rgb.aTailPalette.clear();
    seeds.emplace_back("pcx-24.pcx", B::Pcx(rgb));

    S_PcxLayout ega;
    ega.nVersion = 2;
    ega.nBits = 1;
    ega.nPlanes = 4;
    ega.nWidth = 10;
    ega.nHeight = 2;
    ega.nBytesPerLine = 2;
    ega.aHeaderPalette = B::Palette(16, 8);
    ega.aBody = B::PcxLiteral(B::Pattern(4 * 2 * 2, 9));
    seeds.emplace_back("pcx-ega-planar.pcx", B::Pcx(ega));

    S_PcxLayout two = ega;
    two.nVersion = 0;
    two.nEncoding = 0;
    two.nBits = 2;
    two.nPlanes = 1;
    two.nWidth = 7;
    two.aBody = B::Pattern(2 * 2, 10);
    seeds.emplace_back("pcx-v0-2bit-raw.pcx", B::Pcx(two));

    S_PcxLayout mono = ega;
    mono.nVersion = 3;
    mono.nPlanes = 1;
    mono.aBody = B::PcxLiteral(B::Pattern(2 * 2, 11));
    seeds.emplace_back("pcx-mono.pcx", B::Pcx(mono));
    return seeds;
}

std::vector<Seed> GifSeeds()
{
    std::vector<Seed> seeds;
    S_GifRecord image;
    image.bImage = true;
    image.nWidth = 5;
    image.nHeight = 3;
    image.aPixels = B::Pattern(15, 12);
    for (uint8_t& v : image.aPixels)
        v &= 0x07;

    S_GifLayout plain;
    plain.nScreenWidth = 5;
    plain.nScreenHeight = 3;
    plain.aGlobalPalette = B::Palette(8, 13);
    plain.aRecords.push_back(image);
    seeds.emplace_back("gif-87a-plain.gif", B::Gif(plain));

    S_GifLayout interlaced = plain;
    interlaced.strVersion = "GIF89a";
    interlaced.nScreenHeight = 9;
    interlaced.aRecords[0].nHeight = 9;
    interlaced.aRecords[0].bInterlaced = true;
    interlaced.aRecords[0].aPixels = B::Pattern(45, 14);
    for (uint8_t& v : interlaced.aRecords[0].aPixels)
        v &= 0x07;
    seeds.emplace_back("gif-interlaced.gif", B::Gif(interlaced));

    S_GifLayout animation = plain;
    animation.strVersion = "GIF89a";
    S_GifRecord loop;
    loop.nLabel = 0xFF;
    loop.aBlocks = {{'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'}, {1, 0, 0}};
    S_GifRecord control;
    control.nLabel = 0xF9;
    control.aBlocks = {{0x04, 10, 0, 0}};
    S_GifRecord comment;
    comment.nLabel = 0xFE;
    comment.aBlocks = {{'s', 'e', 'e', 'd'}};
    S_GifRecord second = image;
    second.nLeft = 1;
    second.nWidth = 2;
    second.nHeight = 2;
    second.aPixels = {1, 2, 3, 0};
    second.aLocalPalette = B::Palette(4, 15);
    animation.aRecords = {loop, control, image, control, second, comment};
    seeds.emplace_back("gif-animation.gif", B::Gif(animation));

    S_GifLayout noTable = plain;
    noTable.aGlobalPalette.clear();
    noTable.aRecords[0].nCodeSize = 3;
    seeds.emplace_back("gif-no-table.gif", B::Gif(noTable));
    return seeds;
}

// Tiny files that claim huge pictures: an RLE early end mark leaves the rest of the picture
// empty, and a GIF frame may claim far more pixels than its data holds. They must be refused
// before anything of that size is allocated, so the fuzzer starts next to that edge too.
std::vector<Seed> ExpandingSeeds()
{
    std::vector<Seed> seeds;
    S_BmpLayout rle8;
    rle8.nWidth = 9000;
    rle8.nHeight = 8000;  // 72 MB, more than 64 MiB and 256 times the file
    rle8.nBits = 8;
    rle8.nCompression = 1;
    rle8.aPalette = B::Palette(16, 5);
    rle8.aPixels = {9, 3, 0, 1};
    seeds.emplace_back("expand-bmp-rle8.bmp", B::Bmp(rle8));

    S_BmpLayout rle4 = rle8;
    rle4.nWidth = rle4.nHeight = 60000;  // 1.7 GB
    rle4.nBits = 4;
    rle4.nCompression = 2;
    rle4.aPixels = {0, 1};
    seeds.emplace_back("expand-bmp-rle4.bmp", B::Bmp(rle4));

    // 65535 x 65535 pixels claimed by a frame of three data bytes.
    seeds.emplace_back("expand-gif-frame.gif",
        std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,
            0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 3, 0x44, 0x01, 0x05, 0, 0x3B});
    return seeds;
}

void WriteSeed(const std::string& strName, const std::vector<uint8_t>& file)
{
    if (const char* pDir = std::getenv("VMK_IMAGE_CORPUS_DIR")) {
        std::ofstream out(std::string(pDir) + "/" + strName, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        EXPECT_TRUE(out.good());
    }
}

}  // namespace

TEST(SeedCorpus, PicturesFarLargerThanTheirFileNeedConsent)
{
    for (const auto& [strName, file] : ExpandingSeeds()) {
        SCOPED_TRACE(strName);
        BTCImageObject obj;
        EXPECT_FALSE(obj.LoadFromMemory(file));
        EXPECT_EQ(obj.GetObjectDataPtr(), nullptr);
        EXPECT_TRUE(obj.GetLastErrorCode() == E_ImageError::NeedsConsent || strName.ends_with(".gif"))
            << obj.GetLastError();
        WriteSeed(strName, file);
    }
    // Allowed, a valid one opens: the early end mark leaves the rest of the rows at index 0.
    BTCImageObject obj;
    obj.SetAllowLarge(true);
    ASSERT_TRUE(obj.LoadFromMemory(ExpandingSeeds()[0].second)) << obj.GetLastError();
    EXPECT_EQ(obj.GetObjectDataPtr()->GetImageSize(), 72'000'000u);
    EXPECT_EQ(obj.GetObjectDataPtr()->GetBits()[8], 3);
    EXPECT_EQ(obj.GetObjectDataPtr()->GetBits()[9], 0);
    // The bound is against the file: a picture whose file is as large as its pixels needs no consent.
    C_ImageError err;
    EXPECT_TRUE(C_DecodeLimit(UINT32_MAX, 100'000'000, false).Admit(100'000'000, err));
    EXPECT_TRUE(C_DecodeLimit(UINT32_MAX, 10, false).Admit(C_DecodeLimit::kConsentBytes, err));
    EXPECT_FALSE(C_DecodeLimit(UINT32_MAX, 10, false).Admit(C_DecodeLimit::kConsentBytes + 1, err));
    EXPECT_EQ(err.GetCode(), E_ImageError::NeedsConsent);
    EXPECT_FALSE(C_DecodeLimit(1000, 10, true).Admit(1001, err));
    EXPECT_EQ(err.GetCode(), E_ImageError::TooLarge);
}

TEST(SeedCorpus, EverySeedLoadsAndSurvivesASaveInItsOwnFormat)
{
    std::vector<Seed> seeds = BmpSeeds();
    for (std::vector<Seed> more : {PcxSeeds(), GifSeeds()})
        seeds.insert(seeds.end(), more.begin(), more.end());

    size_t nTotal = 0;
    for (const auto& [strName, file] : seeds) {
        SCOPED_TRACE(strName);
        nTotal += file.size();
        BTCImageObject obj;
        ASSERT_TRUE(obj.LoadFromMemory(file)) << obj.GetLastError();
        const BTCImageData* d = obj.GetObjectDataPtr();
        const E_ImageFormat eFormat = d->GetSourceFormat();
        EXPECT_EQ(eFormat,
            strName[0] == 'b'       ? E_ImageFormat::Bmp
                : strName[0] == 'p' ? E_ImageFormat::Pcx
                                    : E_ImageFormat::Gif);
        std::vector<uint8_t> saved;
        ASSERT_TRUE(obj.SaveToMemory(eFormat, saved)) << obj.GetLastError();
        BTCImageObject again;
        ASSERT_TRUE(again.LoadFromMemory(saved)) << again.GetLastError();
        EXPECT_EQ(C_ImageComparer::Compare(*again.GetObjectDataPtr(), *d), 0);
        WriteSeed(strName, file);
    }
    // Small seeds keep the fuzzer's early runs fast.
    EXPECT_LT(nTotal, 8192u);
}
