// Hides into pictures with transparency: the carrier counts exactly the pixels whose
// transparency a hide changed, steps of one never make a shown pixel transparent (nor move an
// alpha to either end), and palette pairing keeps a GIF's transparent index from a used colour.

#include "model/C_Carrier.h"
#include "model/records/C_Message.h"
#include "model/effects/C_PalettePairing.h"
#include "tests/support/C_ImageBytes.h"
#include "tests/support/C_PngBytes.h"
#include "tests/support/C_TestBytes.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using T_Clear = std::function<bool(const uint8_t* pPixel)>;

struct S_Counts {
    size_t nChanged = 0;   // transparency differs
    size_t nVanished = 0;  // shown before, transparent after
};

// Counted here from the bytes, independently of the carrier.
S_Counts Count(const std::vector<uint8_t>& before, const uint8_t* pAfter, size_t nPixelBytes, const T_Clear& isClear)
{
    S_Counts counts;
    for (size_t i = 0; i + nPixelBytes <= before.size(); i += nPixelBytes) {
        const bool bWas = isClear(before.data() + i);
        const bool bIs = isClear(pAfter + i);
        counts.nChanged += bWas != bIs;
        counts.nVanished += !bWas && bIs;
    }
    return counts;
}

std::vector<uint8_t> WithTrns(const std::vector<uint8_t>& png, const std::vector<uint8_t>& trns)
{
    std::vector<S_RawChunk> chunks = C_PngBytes::Chunks(png);
    chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(C_PngBytes::Find(chunks, "IDAT")), {"tRNS", trns});
    return C_PngBytes::Join(chunks);
}

class TransparencyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("vmk_clear_" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        m_message.m_strName = "notes.bin";
        const std::vector<uint8_t> payload = C_TestBytes::Random(300, 3);
        m_message.SetFromText(static_cast<uint32_t>(payload.size()), reinterpret_cast<const char*>(payload.data()));
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Open(C_Carrier& carrier, const std::vector<uint8_t>& file, const std::string& strName)
    {
        C_TestBytes::Write(m_dir / strName, file);
        ASSERT_TRUE(carrier.OpenImage((m_dir / strName).string())) << carrier.GetLastError();
    }

    fs::path m_dir;
    C_Message m_message;
};

TEST_F(TransparencyTest, StepsOfOneKeepKeysAndAlphaEndsAndEveryChangeIsCounted)
{
    const size_t nPixels = 60 * 40;
    const std::vector<uint8_t> noise = C_TestBytes::Random(8 * nPixels, 9);
    struct S_Case {
        const char* pName;
        int nColourType, nDepth;
        size_t nPixelBytes;
        std::vector<uint8_t> trns;
        std::function<void(size_t, uint8_t*)> fnPixel;  // fills pixel i
        T_Clear isClear;
    };
    const std::vector<S_Case> cases = {
        // White key; a third of the pixels are one step off it in one channel.
        {"rgb8 key", 2, 8, 3, {0, 255, 0, 255, 0, 255},
            [&](size_t i, uint8_t* p) {
                for (int c = 0; c < 3; ++c)
                    p[c] = i % 3 == 2 ? noise[3 * i + c] : 255;
                if (i % 3 == 1)
                    p[i / 3 % 3] = 254;
            },
            [](const uint8_t* p) { return p[0] == 255 && p[1] == 255 && p[2] == 255; }},
        // Key 0x1301: a high-byte step from 0x12FF and a low-byte step from 0x1302 reach it nearest.
        {"gray16 key", 0, 16, 2, {0x13, 0x01},
            [&](size_t i, uint8_t* p) {
                static const uint8_t kValues[4][2] = {{0x13, 0x01}, {0x12, 0xFF}, {0x13, 0x02}, {0x40, 0x00}};
                p[0] = kValues[i % 4][0];
                p[1] = kValues[i % 4][1];
            },
            [](const uint8_t* p) { return p[0] == 0x13 && p[1] == 0x01; }},
        {"rgba8", 6, 8, 4, {},
            [&](size_t i, uint8_t* p) {
                static const uint8_t kAlpha[5] = {0, 1, 254, 255, 128};
                for (int c = 0; c < 3; ++c)
                    p[c] = noise[4 * i + c];
                p[3] = kAlpha[i % 5];
            },
            [](const uint8_t* p) { return p[3] == 0; }},
    };
    for (const S_Case& c : cases) {
        SCOPED_TRACE(c.pName);
        std::vector<uint8_t> rows(nPixels * c.nPixelBytes);
        for (size_t i = 0; i < nPixels; ++i)
            c.fnPixel(i, rows.data() + i * c.nPixelBytes);
        std::vector<uint8_t> png = C_PngBytes::Make(60, 40, c.nColourType, c.nDepth, false, rows);
        if (!c.trns.empty())
            png = WithTrns(png, c.trns);
        for (const E_Embedding eEmbedding : {E_Embedding::Replace, E_Embedding::Match}) {
            SCOPED_TRACE(eEmbedding == E_Embedding::Match ? "match" : "replace");
            C_Carrier carrier;
            Open(carrier, png, "picture.png");
            carrier.KeepBeforeHide();
            ASSERT_TRUE(carrier.HideMessage(m_message, "tiger7", eEmbedding));
            const S_Counts counts = Count(rows, carrier.GetBits(), c.nPixelBytes, c.isClear);
            EXPECT_GT(counts.nChanged, 0u);
            EXPECT_EQ(carrier.TransparencyChanges(), counts.nChanged);
            if (eEmbedding == E_Embedding::Replace)
                continue;
            // Only pixels that were transparent changed: a step that would hide one went the other way.
            EXPECT_EQ(counts.nVanished, 0u);
            size_t nAlphaToEnd = 0;  // 254 to 255, or 1 to 0
            for (size_t i = 3; c.nPixelBytes == 4 && i < rows.size(); i += 4) {
                const uint8_t nNow = carrier.GetBits()[i];
                nAlphaToEnd += (rows[i] == 254 && nNow == 255) || (rows[i] == 1 && nNow == 0);
            }
            EXPECT_EQ(nAlphaToEnd, 0u);
            C_Message revealed;
            ASSERT_TRUE(carrier.RevealMessage(revealed, "tiger7"));
            EXPECT_EQ(std::vector<uint8_t>(revealed.GetData(), revealed.GetData() + revealed.m_nSize),
                std::vector<uint8_t>(m_message.GetData(), m_message.GetData() + m_message.m_nSize));
        }
    }
}

TEST_F(TransparencyTest, GifTransparentIndexPairsWithAnUnusedColourAndKeptPictureComesBack)
{
    // Entry 0 is transparent and its nearest colour, entry 5, is the most used one; entry 6 is
    // used by no pixel.
    std::vector<S_Rgb> palette = C_ImageBytes::Palette(8, 4);
    palette[0] = {0, 0, 0};
    palette[5] = {2, 2, 2};
    palette[6] = {200, 100, 0};
    std::vector<uint8_t> pixels = C_TestBytes::Random(100 * 100, 6);
    constexpr uint8_t kOthers[] = {1, 2, 3, 4, 7};
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = i % 3 == 0 ? 0 : i % 3 == 1 ? 5 : kOthers[pixels[i] % 5];
    S_GifLayout layout;
    layout.nScreenWidth = layout.nScreenHeight = 100;
    layout.aGlobalPalette = palette;
    S_GifRecord control;
    control.nLabel = 0xF9;
    control.aBlocks = {{1, 0, 0, 0}};
    S_GifRecord image;
    image.bImage = true;
    image.nWidth = image.nHeight = 100;
    image.aPixels = pixels;
    layout.aRecords = {control, image};

    C_Carrier carrier;
    Open(carrier, C_ImageBytes::Gif(layout), "picture.gif");
    carrier.KeepBeforeHide();
    BTCImageData& data = *carrier.GetObjectDataPtr();
    ASSERT_EQ(C_PalettePairing::Apply(data), E_PairingOutcome::Paired);
    const std::vector<uint8_t> paired = data.m_aBits;
    ASSERT_TRUE(carrier.HideMessage(m_message, "tiger7"));
    // The transparent index is where entry 0 went; it shows black wherever it is.
    const auto nClear = static_cast<uint8_t>(
        std::find(data.m_aPalette.begin(), data.m_aPalette.end(), S_Rgb{0, 0, 0}) - data.m_aPalette.begin());
    const S_Counts counts = Count(paired, carrier.GetBits(), 1, [&](const uint8_t* p) { return *p == nClear; });
    EXPECT_EQ(data.m_aPalette[nClear ^ 1u], palette[6]);
    EXPECT_EQ(counts.nVanished, 0u);
    EXPECT_GT(counts.nChanged, 0u);
    EXPECT_EQ(carrier.TransparencyChanges(), counts.nChanged);

    // Declined: the picture, palette order and all, is as it was opened.
    carrier.ReleaseKept(true);
    EXPECT_EQ(data.m_aBits, pixels);
    EXPECT_EQ(data.m_aPalette, palette);
    EXPECT_EQ(carrier.TransparencyChanges(), 0u);
}

}  // namespace
