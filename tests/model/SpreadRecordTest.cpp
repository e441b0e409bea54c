// The sealed record where it spreads by its costs (version 2): exact round trips in every kind
// of sample picture, damage never read as a message, no changes where the picture is flat, no
// trace by byte index, what a wrong pass phrase costs, and version 1 records still found.
#include "model/C_Carrier.h"
#include "model/records/C_Message.h"
#include "model/records/C_PixelCover.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SpreadRecord.h"
#include "tests/support/C_PngBytes.h"
#include "tests/support/C_TestBytes.h"
#include "tests/support/C_TestPictures.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class SpreadRecordTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("vmk_spread_" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& strName, const std::vector<uint8_t>& bytes) const
    {
        const fs::path path = m_dir / strName;
        C_TestBytes::Write(path, bytes);
        return path.string();
    }

    fs::path m_dir;
};

void Fill(C_Message& message, const std::string& strName, const std::vector<uint8_t>& payload)
{
    message.m_strName = strName;
    message.SetFromText(static_cast<uint32_t>(payload.size()), reinterpret_cast<const char*>(payload.data()));
}

// A PNG with a tRNS colour key (gray: 2 bytes, RGB: 6), the key's value given to a few pixels.
std::vector<uint8_t> KeyedPng(uint32_t w, uint32_t h, int nColourType, int nDepth, std::vector<uint8_t> rows)
{
    const size_t nSample = nDepth / 8;
    const size_t nPixel = (nColourType == 2 ? 3 : 1) * nSample;
    for (size_t i = 0; i < 40; ++i)
        std::memset(rows.data() + (i * 97 % (size_t{w} * h)) * nPixel, 0x21, nPixel);
    std::vector<S_RawChunk> chunks = C_PngBytes::Chunks(C_PngBytes::Make(w, h, nColourType, nDepth, false, rows));
    chunks.insert(chunks.begin() + 1, C_PngBytes::Chunk("tRNS", std::string(nPixel == 1 ? 2 : nPixel, '\x21')));
    return C_PngBytes::Join(chunks);
}

// The p-value of a chi-square statistic with k degrees of freedom (Wilson and Hilferty's normal
// approximation, good to well under a percent for k >= 1 at the tails used here).
double ChiSquareP(double dStatistic, int k)
{
    const double v = 2.0 / (9.0 * k);
    const double z = (std::cbrt(dStatistic / k) - (1.0 - v)) / std::sqrt(v);
    return 0.5 * std::erfc(z / std::sqrt(2.0));
}

}  // namespace

TEST_F(SpreadRecordTest, EverySampleFormatRoundTripsUpToTheSafePayload)
{
    const uint32_t w = 96;
    const uint32_t h = 80;
    struct S_Case {
        const char* pName;
        std::vector<uint8_t> bytes;
    };
    const std::vector<S_Case> cases = {
        {"gray8.png", C_PngBytes::Make(w, h, 0, 8, false, C_TestBytes::Random(w * h, 1))},
        {"gray16.png", C_PngBytes::Make(w, h, 0, 16, false, C_TestBytes::Random(2 * w * h, 2))},
        {"rgb8.png", C_PngBytes::Make(w, h, 2, 8, false, C_TestBytes::Random(3 * w * h, 3))},
        {"rgb16.png", C_PngBytes::Make(w, h, 2, 16, false, C_TestBytes::Random(6 * w * h, 4))},
        {"graya8.png", C_PngBytes::Make(w, h, 4, 8, false, C_TestBytes::Random(2 * w * h, 5))},
        {"rgba8.png", C_PngBytes::Make(w, h, 6, 8, false, C_TestBytes::Random(4 * w * h, 6))},
        {"rgba16.png", C_PngBytes::Make(w, h, 6, 16, false, C_TestBytes::Random(8 * w * h, 7))},
        {"rgbkey.png", KeyedPng(w, h, 2, 8, C_TestBytes::Random(3 * w * h, 8))},
        {"graykey16.png", KeyedPng(w, h, 0, 16, C_TestBytes::Random(2 * w * h, 9))},
        {"bmp24.bmp", C_TestPictures::Make(E_TestPicture::Bmp24, 63, 41, 10)},
        {"pcx24.pcx", C_TestPictures::Make(E_TestPicture::Pcx24, 63, 41, 11)},
    };
    for (const S_Case& c : cases) {
        SCOPED_TRACE(c.pName);
        const std::string strSource = Write(c.pName, c.bytes);
        C_Carrier probe;
        ASSERT_TRUE(probe.OpenImage(strSource)) << probe.GetLastError();
        ASSERT_TRUE(probe.SealsSpread());
        const uint32_t nCapacity = probe.CapacityOf(C_Carrier::SealedKind(), 5);
        ASSERT_GT(nCapacity, 20u);
        // The empty payload, one byte, and the whole safe payload in the first and last case.
        std::vector<uint32_t> sizes = {1, nCapacity};
        if (&c == &cases.front())
            sizes = {0, nCapacity / 3, nCapacity};
        for (const uint32_t nSize : sizes) {
            SCOPED_TRACE(nSize);
            C_Carrier carrier;
            ASSERT_TRUE(carrier.OpenImage(strSource));
            carrier.KeepBeforeHide();
            const std::vector<uint8_t> payload = C_TestBytes::Random(nSize, 100 + nSize);
            C_Message message;
            Fill(message, "a.bin", payload);
            ASSERT_EQ(carrier.Hide(C_Carrier::SealedKind(), message, "heron at the mill", E_Embedding::Match),
                E_RecordOutcome::Hidden);
            // Nothing shown appeared and nothing hidden showed: alpha, keys and transparent
            // pixels are wet.
            EXPECT_EQ(carrier.TransparencyChanges(), 0u);
            carrier.ReleaseKept(false);
            const std::string strOut = (m_dir / (std::string("out-") + c.pName)).string();
            ASSERT_TRUE(carrier.SaveImage(strOut));

            C_Carrier reopened;
            ASSERT_TRUE(reopened.OpenImage(strOut));
            C_Message found;
            ASSERT_EQ(reopened.Reveal(found, "heron at the mill"), E_RecordOutcome::Found);
            EXPECT_EQ(found.m_strName, "a.bin");
            ASSERT_EQ(found.m_nSize, nSize);
            EXPECT_TRUE(nSize == 0 || std::memcmp(found.GetData(), payload.data(), nSize) == 0);
        }
        // One byte past the safe payload is refused, and changes nothing.
        C_Carrier carrier;
        ASSERT_TRUE(carrier.OpenImage(strSource));
        const std::vector<uint8_t> before(carrier.GetBits(), carrier.GetBits() + carrier.GetUsableBytes());
        C_Message tooMuch;
        Fill(tooMuch, "a.bin", C_TestBytes::Random(nCapacity + 1, 7));
        EXPECT_FALSE(carrier.Fits(C_Carrier::SealedKind(), tooMuch));
        EXPECT_EQ(carrier.Hide(C_Carrier::SealedKind(), tooMuch, "heron at the mill", E_Embedding::Match),
            E_RecordOutcome::TooLarge);
        EXPECT_TRUE(std::equal(before.begin(), before.end(), carrier.GetBits()));
    }
}

TEST_F(SpreadRecordTest, AChangedBitIsDamageOrNothingNeverOtherBytes)
{
    const std::string strSource =
        Write("rgb.png", C_PngBytes::Make(64, 48, 2, 8, false, C_TestBytes::Random(9216, 21)));
    C_Carrier carrier;
    ASSERT_TRUE(carrier.OpenImage(strSource));
    const std::vector<uint8_t> cover(carrier.GetBits(), carrier.GetBits() + carrier.GetUsableBytes());
    C_Message message;
    Fill(message, "m.bin", C_TestBytes::Random(200, 22));
    ASSERT_EQ(carrier.Hide(C_Carrier::SealedKind(), message, "kestrel", E_Embedding::Match), E_RecordOutcome::Hidden);
    uint8_t* pBits = carrier.GetObjectDataPtr()->GetBits();
    const uint32_t n = carrier.GetUsableBytes();
    // Changed bytes, and a spread of others (the salt's and the record's alike); each reveal
    // costs two key derivations, so a sample of them.
    std::vector<uint32_t> flips;
    uint32_t nChanged = 0;
    for (uint32_t k = 0; k < n; ++k)
        if ((pBits[k] != cover[k] && nChanged++ % 16 == 0) || k % 997 == 0)
            flips.push_back(k);
    ASSERT_GT(flips.size(), 20u);
    int nDamaged = 0;
    for (const uint32_t k : flips) {
        pBits[k] ^= 1;
        C_Message found;
        const E_RecordOutcome eOutcome = carrier.Reveal(found, "kestrel");
        pBits[k] ^= 1;
        ASSERT_NE(eOutcome, E_RecordOutcome::Found) << "byte " << k;
        nDamaged += eOutcome == E_RecordOutcome::Damaged;
    }
    // Most bits are the record's: their change is seen as damage, not as no record.
    EXPECT_GT(nDamaged, static_cast<int>(flips.size()) / 2);
    C_Message found;
    EXPECT_EQ(carrier.Reveal(found, "kestrel"), E_RecordOutcome::Found);
}

TEST_F(SpreadRecordTest, FlatBlocksStayAsTheyAreAndChangesShowNoPlace)
{
    // A screenshot: flat panels on the left half, texture on the right.
    const uint32_t w = 256;
    const uint32_t h = 192;
    std::vector<uint8_t> rows = C_TestBytes::Random(size_t{3} * w * h, 31);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w / 2; ++x)
            for (uint32_t c = 0; c < 3; ++c)
                rows[(size_t{y} * w + x) * 3 + c] = static_cast<uint8_t>(40 + 60 * (y / 64) + 30 * c);
    C_Carrier carrier;
    ASSERT_TRUE(carrier.OpenImage(Write("screen.png", C_PngBytes::Make(w, h, 2, 8, false, rows))));
    const std::vector<uint8_t> cover(carrier.GetBits(), carrier.GetBits() + carrier.GetUsableBytes());
    const uint32_t nCapacity = carrier.CapacityOf(C_Carrier::SealedKind(), 5);
    C_Message message;
    Fill(message, "s.bin", C_TestBytes::Random(nCapacity, 32));
    ASSERT_EQ(
        carrier.Hide(C_Carrier::SealedKind(), message, "flat panels", E_Embedding::Match), E_RecordOutcome::Hidden);
    const uint8_t* pBits = carrier.GetBits();
    // No byte of a flat 8 x 8 block changed.
    int nFlatBlocks = 0;
    for (uint32_t by = 0; by < h; by += 8)
        for (uint32_t bx = 0; bx < w; bx += 8) {
            bool bFlat = true;
            for (uint32_t y = by; y < by + 8 && bFlat; ++y)
                for (uint32_t x = bx; x < bx + 8 && bFlat; ++x)
                    for (uint32_t c = 0; c < 3; ++c)
                        bFlat = bFlat && cover[(size_t{y} * w + x) * 3 + c] == cover[(size_t{by} * w + bx) * 3 + c];
            if (!bFlat)
                continue;
            ++nFlatBlocks;
            for (uint32_t y = by; y < by + 8; ++y)
                for (uint32_t x = bx; x < bx + 8; ++x)
                    for (uint32_t c = 0; c < 3; ++c) {
                        const size_t k = (size_t{y} * w + x) * 3 + c;
                        ASSERT_TRUE(k >= cover.size() || pBits[k] == cover[k]) << "x " << x << " y " << y;
                    }
        }
    EXPECT_GT(nFlatBlocks, 300);
}

// The capacity check keeps the costs it weighed for the hide that follows: pixels changed in
// between must be weighed again, or the hide would write into what is flat now.
TEST_F(SpreadRecordTest, AHideWeighsThePixelsAsTheyAreNowNotAsTheCapacityFoundThem)
{
    const uint32_t w = 128;
    const uint32_t h = 96;
    C_Carrier carrier;
    ASSERT_TRUE(carrier.OpenImage(
        Write("texture.png", C_PngBytes::Make(w, h, 2, 8, false, C_TestBytes::Random(size_t{3} * w * h, 41)))));
    const uint32_t nCapacity = carrier.CapacityOf(C_Carrier::SealedKind(), 5);
    ASSERT_GT(nCapacity, 400u);
    // The top half turns flat (as an effect would leave it): no element there may change now.
    uint8_t* pBits = carrier.GetObjectDataPtr()->GetBits();
    ASSERT_EQ(pBits, carrier.GetBits());
    const size_t nFlat = size_t{3} * w * (h / 2);
    std::fill(pBits, pBits + nFlat, uint8_t{90});
    C_Message message;
    Fill(message, "t.bin", C_TestBytes::Random(200, 42));
    ASSERT_EQ(
        carrier.Hide(C_Carrier::SealedKind(), message, "weighed anew", E_Embedding::Match), E_RecordOutcome::Hidden);
    EXPECT_TRUE(std::all_of(pBits, pBits + nFlat, [](uint8_t b) { return b == 90; }));
}

TEST_F(SpreadRecordTest, ChangesPreferNoResidueAndNoPartOfThePicture)
{
    // Texture everywhere, sealed at the safe payload with fixed draws (the result is the same
    // on every run, so a threshold cannot flake).
    const uint32_t w = 256;
    const uint32_t h = 256;
    std::vector<uint8_t> bytes = C_TestBytes::Random(size_t{3} * w * h + 1, 41);
    const auto n = static_cast<uint32_t>(bytes.size() - 1);
    const std::vector<uint8_t> cover = bytes;
    C_PixelCover pixels(bytes.data(), n, C_SampleWriter::E_Mode::MatchBytes);
    pixels.SetPicture(C_ElementCosts::S_Picture::Packed8(bytes.data(), w, h, E_PixelChannels::Rgb, 3));
    C_SpreadRecord::S_Draws draws;
    draws.salt.fill(7);
    draws.nonce.fill(9);
    draws.fnDirections = [](uint8_t* p, size_t nCount) { std::memset(p, 0x5A, nCount); };
    const std::vector<uint8_t> stored = C_TestBytes::Random(size_t(0.4 * n / 8) - 200, 42);
    ASSERT_EQ(C_SpreadRecord::Seal(pixels, "t.bin", stored, false, "no place", {}, draws), E_RecordOutcome::Hidden);

    std::vector<uint32_t> changed;
    for (uint32_t k = 0; k < n; ++k)
        if (bytes[k] != cover[k])
            changed.push_back(k);
    ASSERT_GT(changed.size(), 5000u);
    // Residues modulo 2 .. 64: none preferred (Bonferroni over the 63 moduli, at 0.01).
    for (uint32_t m = 2; m <= 64; ++m) {
        std::vector<double> counts(m, 0.0);
        for (const uint32_t k : changed)
            counts[k % m] += 1;
        double dChi = 0;
        for (uint32_t r = 0; r < m; ++r) {
            // Residues below n mod m have one more byte.
            const double dExpected = static_cast<double>(changed.size()) * (n / m + (r < n % m ? 1 : 0)) / n;
            dChi += (counts[r] - dExpected) * (counts[r] - dExpected) / dExpected;
        }
        EXPECT_GT(ChiSquareP(dChi, static_cast<int>(m) - 1), 0.01 / 63) << "modulo " << m;
    }
    // None crowd at the picture's start, nor lean to either end: the changes follow the costs,
    // which vary a little with what each row shows, but nothing follows from where a byte is.
    const double dChanged = static_cast<double>(changed.size());
    const auto nStart = std::count_if(changed.begin(), changed.end(), [n](uint32_t k) { return k < n / 10; });
    EXPECT_LT(static_cast<double>(nStart), dChanged / 10 + 4 * std::sqrt(dChanged / 10));
    double dMean = 0;
    for (const uint32_t k : changed)
        dMean += static_cast<double>(k) / n;
    EXPECT_NEAR(dMean / dChanged, 0.5, 0.03);

    C_SealedContent content;
    EXPECT_EQ(C_SpreadRecord::Open(bytes.data(), n, "no place", content), E_RevealOutcome::Found);
}

TEST_F(SpreadRecordTest, AWrongPassPhraseCostsTwoDerivationsAndVersionOneStillReveals)
{
    const std::string strSource =
        Write("rgb.png", C_PngBytes::Make(64, 48, 2, 8, false, C_TestBytes::Random(9216, 51)));
    C_Carrier carrier;
    ASSERT_TRUE(carrier.OpenImage(strSource));
    C_Message message;
    Fill(message, "v2.txt", {'2'});
    ASSERT_EQ(carrier.Hide(C_Carrier::SealedKind(), message, "grebe", E_Embedding::Match), E_RecordOutcome::Hidden);
    C_Message found;
    const uint64_t nBefore = C_SealedRecord::Derivations();
    EXPECT_EQ(carrier.Reveal(found, "grebes"), E_RecordOutcome::NotFound);
    EXPECT_LE(C_SealedRecord::Derivations() - nBefore, 2u);

    // A picture sealed by an earlier release (version 1, in a picture that now takes version 2)
    // is still found, under the same cost.
    C_Carrier old;
    ASSERT_TRUE(old.OpenImage(strSource));
    std::string strWhy;
    bool bCompressed = false;
    const std::vector<uint8_t> stored = C_SealedRecord::Pack(reinterpret_cast<const uint8_t*>("one"), 3, bCompressed);
    ASSERT_TRUE(C_SealedRecord::Seal(
        old.GetObjectDataPtr()->GetBits(), old.GetUsableBytes(), "v1.txt", stored, bCompressed, "grebe", strWhy));
    ASSERT_EQ(old.Reveal(found, "grebe"), E_RecordOutcome::Found);
    EXPECT_EQ(found.m_strName, "v1.txt");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(found.GetData()), found.m_nSize), "one");
    const uint64_t nWrong = C_SealedRecord::Derivations();
    EXPECT_EQ(old.Reveal(found, "grebes"), E_RecordOutcome::NotFound);
    EXPECT_LE(C_SealedRecord::Derivations() - nWrong, 2u);
}

// A photograph whose background is smooth but not flat: its pixels may change, though at a high
// price. A record of a fifth of the safe payload was refused there now and then, the second
// layer of the code treating the dear pixels as unchangeable.
TEST_F(SpreadRecordTest, ASmoothPictureTakesEverySizeUpToItsPayload)
{
    const uint32_t w = 192;
    const uint32_t h = 144;
    std::vector<uint8_t> rows = C_TestBytes::Random(size_t{3} * w * h, 51);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w * 9 / 10; ++x)
            for (uint32_t c = 0; c < 3; ++c) {
                uint8_t& v = rows[(size_t{y} * w + x) * 3 + c];
                v = static_cast<uint8_t>(30 + (x + y) / 3 + 20 * c + ((v & 15) == 0));
            }
    const std::string strSource = Write("smooth.png", C_PngBytes::Make(w, h, 2, 8, false, rows));
    C_Carrier probe;
    ASSERT_TRUE(probe.OpenImage(strSource));
    const uint32_t nCapacity = probe.CapacityOf(C_Carrier::SealedKind(), 5);
    ASSERT_GT(nCapacity, 2000u);
    for (const uint32_t nSize : {nCapacity / 10, nCapacity / 5, nCapacity / 4, nCapacity}) {
        SCOPED_TRACE(nSize);
        C_Carrier carrier;
        ASSERT_TRUE(carrier.OpenImage(strSource));
        const std::vector<uint8_t> payload = C_TestBytes::Random(nSize, 52 + nSize);
        C_Message message;
        Fill(message, "s.bin", payload);
        ASSERT_EQ(
            carrier.Hide(C_Carrier::SealedKind(), message, "smooth", E_Embedding::Match), E_RecordOutcome::Hidden);
        C_Message found;
        ASSERT_EQ(carrier.Reveal(found, "smooth"), E_RecordOutcome::Found);
        ASSERT_EQ(found.m_nSize, nSize);
        EXPECT_EQ(std::memcmp(found.GetData(), payload.data(), nSize), 0);
    }
}
