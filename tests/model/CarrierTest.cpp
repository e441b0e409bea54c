#include "model/C_Carrier.h"
#include "model/records/C_Message.h"
#include "engine/C_PositionSequence.h"
#include "tests/support/C_PngBytes.h"
#include "tests/support/C_TestPictures.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<S_Rgb> PngPalette(size_t n)
{
    std::vector<S_Rgb> palette(n);
    for (size_t i = 0; i < n; ++i)
        palette[i] = S_Rgb{static_cast<uint8_t>(i * 15), static_cast<uint8_t>(i * 7), 200};
    return palette;
}

class CarrierTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path()
            / ("vmk_carrier_" + std::to_string(::getpid()) + "_"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& strName, const std::vector<uint8_t>& bytes)
    {
        C_TestBytes::Write(m_dir / strName, bytes);
        return (m_dir / strName).string();
    }

    // A carrier of exactly nPixelBytes pixel bytes (an 8-bit PCX of that many pixels in a row).
    void OpenWithPixelBytes(C_Carrier& carrier, int nWidth, int nHeight = 1)
    {
        ASSERT_TRUE(carrier.OpenImage(Write("c.pcx", C_TestPictures::Pcx(nWidth, nHeight, 1, 1))))
            << carrier.GetLastError();
        ASSERT_EQ(carrier.GetObjectDataPtr()->GetImageSize(), uint32_t(nWidth) * nHeight);
    }

    static void Compose(C_Message& message, const std::string& strName, const std::vector<uint8_t>& data)
    {
        message.m_strName = strName;
        message.SetFromText(static_cast<uint32_t>(data.size()), reinterpret_cast<const char*>(data.data()));
    }

    fs::path m_dir;
};

TEST_F(CarrierTest, FitTestIsExactAndNeverWraps)
{
    C_Message message;
    Compose(message, "a.txt", C_TestBytes::Random(100, 2));
    {
        C_Carrier carrier;
        OpenWithPixelBytes(carrier, 1141);  // N = 1,140 = 10 x (9 + 5 + 100)
        EXPECT_EQ(carrier.GetUsableBytes(), 1140u);
        EXPECT_TRUE(carrier.WillFit(message));
    }
    {
        C_Carrier carrier;
        OpenWithPixelBytes(carrier, 1140);
        EXPECT_FALSE(carrier.WillFit(message));
        C_Message huge;
        huge.m_strName = "x";
        huge.m_nSize = 0xFFFFFFF0u;  // 10 x (9 + 1 + S) passes 2^32 - 1
        OpenWithPixelBytes(carrier, 1140);
        EXPECT_FALSE(carrier.WillFit(huge));
    }
}

TEST_F(CarrierTest, CapacityAndTheRemark)
{
    struct Case {
        int nWidth, nHeight;
        uint32_t nCapacity;
        const char* pRemark;
    };
    const Case cases[] = {
        {2000, 1, 179, "This Carrier Can Hide Approximately 179 Bytes (or 0.175 KB) of Message data in it."},
        {201, 1, 0, "This Carrier Can Hide Approximately 0 Bytes (or 0.000 KB) of Message data in it."},
        {150, 1, 0, "This Carrier Can Hide Approximately 0 Bytes (or 0.000 KB) of Message data in it."},
        {611, 491, 29980, "This Carrier Can Hide Approximately 29980 Bytes (or 29.277 KB) of Message data in it."},
    };
    for (const Case& c : cases) {
        C_Carrier carrier;
        OpenWithPixelBytes(carrier, c.nWidth, c.nHeight);
        EXPECT_EQ(carrier.GetCapacity(), c.nCapacity) << c.nWidth;
        C_CarrierInfo info;
        carrier.GetCarrierInfo(info);
        EXPECT_EQ(info.m_strRemarks, c.pRemark);
        EXPECT_EQ(info.m_nWidth, c.nWidth);
        EXPECT_EQ(info.m_nHeight, c.nHeight);
        EXPECT_EQ(info.m_nBitsPerPixel, 8);
        EXPECT_EQ(info.m_strPath, carrier.GetPath());
    }
}

TEST_F(CarrierTest, SizeInKilobytesIsTruncated)
{
    for (auto [nBytes, nKB] : {std::pair{1023, 0}, {1024, 1}, {2047, 1}}) {
        C_Carrier carrier;
        OpenWithPixelBytes(carrier, nBytes);
        C_CarrierInfo info;
        carrier.GetCarrierInfo(info);
        EXPECT_EQ(info.m_nSizeKB, nKB) << nBytes;
    }
}

TEST_F(CarrierTest, PicturesWithFewerThanTwoBytesHoldNothing)
{
    C_Carrier carrier;
    OpenWithPixelBytes(carrier, 1);
    EXPECT_EQ(carrier.GetUsableBytes(), 0u);
    C_Message empty;
    Compose(empty, "", {});
    EXPECT_FALSE(carrier.WillFit(empty));
    EXPECT_FALSE(carrier.HideMessage(empty, ""));
    C_Message revealed;
    EXPECT_FALSE(carrier.RevealMessage(revealed, ""));
    EXPECT_EQ(carrier.GetCapacity(), 0u);
}

TEST_F(CarrierTest, SaveFormatFollowsTheLastThreeCharacters)
{
    C_Carrier carrier;
    ASSERT_TRUE(carrier.OpenImage(Write("in.bmp", C_TestPictures::Bmp(16, 8, 8, 3))));
    const std::pair<const char*, const char*> saved[] = {{"a.BMP", "BM"}, {"b.bMp", "BM"}, {"cbmp", "BM"},
        {"d.Pcx", "\x0A"}, {"e.GIF", "GIF8"}, {"h.pNg", "\x89PNG"}, {"f.jpg", "\xFF\xD8\xFF"},
        {"g.JPEG", "\xFF\xD8\xFF"}};
    for (auto [pName, pMagic] : saved) {
        const std::string strPath = (m_dir / pName).string();
        ASSERT_TRUE(carrier.SaveImage(strPath)) << pName;
        std::ifstream in(strPath, std::ios::binary);
        std::string strHead(std::strlen(pMagic), '\0');
        in.read(strHead.data(), static_cast<std::streamsize>(strHead.size()));
        EXPECT_EQ(strHead, pMagic) << pName;
    }
    for (const char* pName : {"f.jpe", "bm", "x"}) {
        EXPECT_FALSE(carrier.SaveImage((m_dir / pName).string())) << pName;
        EXPECT_FALSE(fs::exists(m_dir / pName)) << pName;
    }
    EXPECT_FALSE(carrier.SaveImage("ab"));
    EXPECT_FALSE(carrier.SaveImage(""));
}

// Hide, save in the same format, reopen as a new carrier, reveal: the same name and bytes.
TEST_F(CarrierTest, RecordSurvivesSaveAndReloadInEveryFormat)
{
    struct Case {
        const char* pName;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases = {
        {"bmp1.bmp", C_TestPictures::Bmp(333, 77, 1, 4)},
        {"bmp4.bmp", C_TestPictures::Bmp(101, 50, 4, 5)},
        {"bmp8.bmp", C_TestPictures::Bmp(97, 61, 8, 6)},
        {"bmp24.bmp", C_TestPictures::Bmp(127, 45, 24, 7)},
        {"bmp32.bmp", C_TestPictures::Bmp(40, 30, 32, 8)},
        {"pcx8.pcx", C_TestPictures::Pcx(123, 41, 1, 9)},
        {"pcx24.pcx", C_TestPictures::Pcx(77, 39, 3, 10)},
        // PNG rows end in bits after the last pixel at these widths; the file keeps them.
        {"png4.png", C_PngBytes::Make(101, 41, 3, 4, false, C_TestBytes::Random(51 * 41, 21), PngPalette(16))},
        {"gray2.png", C_PngBytes::Make(77, 90, 0, 2, false, C_TestBytes::Random(20 * 90, 22))},
        {"rgb16i.png", C_PngBytes::Make(40, 30, 2, 16, true, C_TestBytes::Random(240 * 30, 23))},
        {"rgba8.png", C_PngBytes::Make(31, 20, 6, 8, false, C_TestBytes::Random(124 * 20, 24))},
    };
    {
        // A GIF written by our own encoder from an 8-bit picture.
        C_Carrier source;
        ASSERT_TRUE(source.OpenImage(Write("src.bmp", C_TestPictures::Bmp(90, 70, 8, 11))));
        ASSERT_TRUE(source.SaveImage((m_dir / "g.gif").string()));
        std::ifstream in(m_dir / "g.gif", std::ios::binary);
        cases.push_back({"gif8.gif", std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {})});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pName);
        const std::string strIn = Write(c.pName, c.bytes);
        C_Carrier carrier;
        ASSERT_TRUE(carrier.OpenImage(strIn)) << carrier.GetLastError();
        C_Message message;
        const std::vector<uint8_t> payload = C_TestBytes::Random(carrier.GetCapacity() / 2, 12);
        Compose(message, "report.final.doc", payload);
        ASSERT_TRUE(carrier.WillFit(message));
        ASSERT_TRUE(carrier.HideMessage(message, "Secret"));
        const std::string strOut = (m_dir / (std::string("out_") + c.pName)).string();
        ASSERT_TRUE(carrier.SaveImage(strOut)) << carrier.GetLastError();

        C_Carrier reopened;
        ASSERT_TRUE(reopened.OpenImage(strOut)) << reopened.GetLastError();
        EXPECT_EQ(reopened.CompareImage(carrier), 0);

        C_Message revealed;
        ASSERT_TRUE(reopened.RevealMessage(revealed, "Secret"));
        EXPECT_EQ(revealed.m_strName, "report.final.doc");
        ASSERT_EQ(revealed.m_nSize, payload.size());
        EXPECT_TRUE(std::equal(payload.begin(), payload.end(), revealed.GetData()));

        C_Message wrong;
        EXPECT_FALSE(reopened.RevealMessage(wrong, "secret"));
        EXPECT_EQ(wrong.m_strName, "");
        EXPECT_EQ(wrong.m_nSize, 0u);
        EXPECT_EQ(wrong.GetData(), nullptr);
    }
}

TEST_F(CarrierTest, HidingChangesOnlyLeastSignificantBitsAndCompareSeesIt)
{
    const std::string strPath = Write("p.bmp", C_TestPictures::Bmp(64, 64, 24, 13));
    C_Carrier carrier, original;
    ASSERT_TRUE(carrier.OpenImage(strPath));
    ASSERT_TRUE(original.OpenImage(strPath));
    EXPECT_EQ(carrier.CompareImage(original), 0);
    C_Message message;
    Compose(message, "n", C_TestBytes::Random(500, 14));
    ASSERT_TRUE(carrier.HideMessage(message, ""));
    EXPECT_GT(carrier.CompareImage(original), 0);
    const uint8_t* a = carrier.GetObjectDataPtr()->GetBits();
    const uint8_t* b = original.GetObjectDataPtr()->GetBits();
    for (uint32_t i = 0; i < carrier.GetObjectDataPtr()->GetImageSize(); ++i)
        ASSERT_EQ(a[i] | 1, b[i] | 1) << i;
    EXPECT_EQ(a[carrier.GetUsableBytes()], b[carrier.GetUsableBytes()]);  // the last byte is never used
}

TEST_F(CarrierTest, GrayScaleChangesTheBytesThatHidingUses)
{
    C_Carrier carrier;
    ASSERT_TRUE(carrier.OpenImage(Write("t.bmp", C_TestPictures::Bmp(100, 50, 24, 15))));
    EXPECT_EQ(carrier.GetUsableBytes(), 300u * 50 - 1);
    ASSERT_TRUE(carrier.ConvertToGrayscale());
    EXPECT_EQ(carrier.GetUsableBytes(), 100u * 50 - 1);
    EXPECT_EQ(carrier.GetBits(), carrier.GetObjectDataPtr()->GetBits());
    EXPECT_EQ(carrier.GetCapacity(), 4999u / 10 - 20);
    C_CarrierInfo info;
    carrier.GetCarrierInfo(info);
    EXPECT_EQ(info.m_nBitsPerPixel, 8);

    C_Message message;
    Compose(message, "g.txt", C_TestBytes::Random(480, 16));
    EXPECT_TRUE(carrier.WillFit(message));
    Compose(message, "g.txt", C_TestBytes::Random(490, 16));
    EXPECT_FALSE(carrier.WillFit(message));
    Compose(message, "g.txt", C_TestBytes::Random(480, 16));
    ASSERT_TRUE(carrier.HideMessage(message, "gray"));
    C_Message revealed;
    ASSERT_TRUE(carrier.RevealMessage(revealed, "gray"));
    EXPECT_EQ(revealed.m_nSize, 480u);
}

// A 101 x 101 picture has N = 10,200 = 17 x 600: only 600 distinct bytes are ever drawn.
TEST_F(CarrierTest, CarriersWhoseSizeIsAMultipleOfSeventeenAreNotOverfilled)
{
    C_Carrier carrier;
    OpenWithPixelBytes(carrier, 101, 101);
    ASSERT_EQ(carrier.GetUsableBytes(), 17u * 600);
    EXPECT_EQ(carrier.GetCapacity(), 10200u / 34 / 10 - 20);

    C_Message small;
    Compose(small, "s", C_TestBytes::Random(10, 17));  // 20 bytes of record: 160 draws
    EXPECT_TRUE(carrier.WillFit(small));
    C_Message big;
    Compose(big, "b", C_TestBytes::Random(200, 18));  // 1,680 draws among 600 bytes
    EXPECT_FALSE(carrier.WillFit(big));

    // The hide itself refuses a record whose positions would repeat, before changing a byte.
    const std::vector<uint8_t> before(carrier.GetBits(), carrier.GetBits() + carrier.GetUsableBytes() + 1);
    EXPECT_FALSE(carrier.HideMessage(big, "seventeen"));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), carrier.GetBits()));

    ASSERT_TRUE(carrier.HideMessage(small, "seventeen"));
    C_Message revealed;
    ASSERT_TRUE(carrier.RevealMessage(revealed, "seventeen"));
    EXPECT_EQ(revealed.m_strName, "s");
    EXPECT_EQ(revealed.m_nSize, 10u);
}

TEST_F(CarrierTest, OpeningAnUnreadableFileChangesNothing)
{
    C_Carrier carrier;
    EXPECT_FALSE(carrier.OpenImage(Write("bad.bmp", {'B', 'M', 1, 2, 3})));
    EXPECT_FALSE(carrier.OpenImage((m_dir / "missing.bmp").string()));
    EXPECT_EQ(carrier.GetObjectDataPtr(), nullptr);
    EXPECT_EQ(carrier.GetBits(), nullptr);
    EXPECT_EQ(carrier.GetPath(), "");
    EXPECT_FALSE(carrier.GetLastError().empty());
}

TEST_F(CarrierTest, AFailedSaveLeavesTheOldFileAndThePicture)
{
    C_Carrier carrier;
    ASSERT_TRUE(carrier.OpenImage(Write("k.bmp", C_TestPictures::Bmp(20, 20, 8, 19))));
    const std::string strTarget = Write("old.bmp", {'o', 'l', 'd'});
    fs::create_directory(m_dir / "dir.bmp");
    EXPECT_FALSE(carrier.SaveImage((m_dir / "dir.bmp").string()));            // a directory
    EXPECT_FALSE(carrier.SaveImage((m_dir / "missing" / "x.bmp").string()));  // no such folder
    EXPECT_FALSE(carrier.SaveImage((m_dir / "old.bmp" / "x.bmp").string()));  // through a file
    std::ifstream in(strTarget, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
    ASSERT_NE(carrier.GetBits(), nullptr);
    EXPECT_EQ(carrier.GetUsableBytes(), 20u * 20 - 1);
    size_t nEntries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(m_dir))
        ++nEntries;
    EXPECT_EQ(nEntries, 3u);  // k.bmp, old.bmp, dir.bmp: no temporary file left
}

}  // namespace

TEST_F(CarrierTest, ARefusedHideGivesTheLargestSizeThatFitsUnderItsPassPhrase)
{
    // N a multiple of 17: a hide at full capacity repeats positions under a few pass phrases.
    C_Carrier carrier;
    OpenWithPixelBytes(carrier, 506, 1194);
    ASSERT_EQ(carrier.GetUsableBytes() % 17, 0u);
    C_Message full;
    Compose(full, "b", C_TestBytes::Random(carrier.GetLargestPayload(1), 19));
    ASSERT_TRUE(carrier.WillFit(full));
    std::string strRefused;
    for (int i = 0; i < 5000 && strRefused.empty(); ++i) {
        const std::string strPassword = "p" + std::to_string(i);
        if (!carrier.HideMessage(full, strPassword))
            strRefused = strPassword;
    }
    ASSERT_FALSE(strRefused.empty());
    const uint32_t nLargest = carrier.LargestPayloadFor(strRefused, 1);
    ASSERT_GT(nLargest, 0u);
    ASSERT_LT(nLargest, full.m_nSize);
    C_Message fits;
    Compose(fits, "b", C_TestBytes::Random(nLargest, 20));
    C_Message over;
    Compose(over, "b", C_TestBytes::Random(nLargest + 1, 21));
    EXPECT_FALSE(carrier.HideMessage(over, strRefused));
    ASSERT_TRUE(carrier.HideMessage(fits, strRefused));
    C_Message revealed;
    ASSERT_TRUE(carrier.RevealMessage(revealed, strRefused));
    EXPECT_EQ(revealed.m_nSize, nLargest);
    EXPECT_TRUE(std::equal(revealed.GetData(), revealed.GetData() + nLargest, fits.GetData()));
}

TEST_F(CarrierTest, AboveTheWrapBoundTheCapacityHidesUnderEveryKey)
{
    // From N = (2^32 - 1) / 17 on, the last candidates' products wrap onto bytes that earlier
    // ones drew. The capacity must hold for every key, the sparsest ones included: those whose
    // set bits all sit at the end of the 128-bit cycle, so the first pass reaches farthest.
    for (const uint32_t nBytes : {253'919'999u, 300'000'001u}) {
        SCOPED_TRACE(nBytes);
        const uint64_t nDraws = 8 * (uint64_t{C_Carrier::CapacityFor(nBytes)} + 20);
        ASSERT_GT(nDraws, 40'000'000u);  // still millions of bytes
        std::array<uint8_t, 16> aSparse{};
        for (int nBit = 104; nBit < 128; ++nBit)
            aSparse[nBit / 8] |= static_cast<uint8_t>(0x80 >> (nBit % 8));
        std::array<uint8_t, 16> aDense;
        aDense.fill(0xFF);
        for (const auto& aKey : {aSparse, aDense}) {
            C_PositionSequence sequence;
            sequence.SetRawKey(aKey);
            sequence.SetModulus(nBytes);
            EXPECT_EQ(sequence.DrawsBeforeRepeat(nDraws), nDraws);
        }
    }
}
