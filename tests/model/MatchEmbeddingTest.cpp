#include "model/C_Carrier.h"
#include "model/records/C_Message.h"
#include "tests/support/C_PngBytes.h"
#include "tests/support/C_TestBytes.h"
#include "tests/support/C_TestPictures.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct S_Moves {
    size_t nChanged = 0, nLargest = 0, nTotal = 0;
    size_t nAway = 0;  // moves replacement never makes: an even value down, an odd one up
};

// How the samples moved from before to after: 8-bit samples one byte each, else 16-bit pairs.
S_Moves Moves(const std::vector<uint8_t>& before, const uint8_t* pAfter, bool bWide)
{
    S_Moves moves;
    const size_t nStep = bWide ? 2 : 1;
    for (size_t i = 0; i + nStep <= before.size(); i += nStep) {
        const long nOld = bWide ? long{before[i]} << 8 | before[i + 1] : before[i];
        const long nNew = bWide ? long{pAfter[i]} << 8 | pAfter[i + 1] : pAfter[i];
        moves.nChanged += nNew != nOld;
        moves.nAway += (nOld % 2 == 0 && nNew < nOld) || (nOld % 2 == 1 && nNew > nOld);
        moves.nLargest = std::max<size_t>(moves.nLargest, static_cast<size_t>(std::labs(nNew - nOld)));
        moves.nTotal += static_cast<size_t>(std::labs(nNew - nOld));
    }
    return moves;
}

class MatchEmbeddingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("vmk_match_" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& strName, const std::vector<uint8_t>& bytes)
    {
        C_TestBytes::Write(m_dir / strName, bytes);
        return (m_dir / strName).string();
    }

    static void Fill(C_Message& message, const std::vector<uint8_t>& data)
    {
        message.m_strName = "notes.txt";
        message.SetFromText(static_cast<uint32_t>(data.size()), reinterpret_cast<const char*>(data.data()));
    }

    fs::path m_dir;
};

TEST_F(MatchEmbeddingTest, SamplePicturesMoveByOneEitherWayAndStillReveal)
{
    struct Case {
        const char* pName;
        std::vector<uint8_t> bytes;
        bool bGray = false;  // turned to an 8-bit gray ramp before hiding
        bool bWide = false;
    };
    const std::vector<Case> cases = {
        {"bmp24.bmp", C_TestPictures::Bmp(127, 45, 24, 7)},
        {"bmp32.bmp", C_TestPictures::Bmp(40, 30, 32, 8)},
        {"gray8.bmp", C_TestPictures::Bmp(90, 70, 24, 9), true},
        {"pcx24.pcx", C_TestPictures::Pcx(77, 39, 3, 10)},
        {"ga8.png", C_PngBytes::Make(60, 40, 4, 8, false, C_TestBytes::Random(120 * 40, 11))},
        {"rgb16.png", C_PngBytes::Make(40, 30, 2, 16, true, C_TestBytes::Random(240 * 30, 12)), false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pName);
        C_Carrier carrier;
        ASSERT_TRUE(carrier.OpenImage(Write(c.pName, c.bytes))) << carrier.GetLastError();
        if (c.bGray) {
            ASSERT_TRUE(carrier.ConvertToGrayscale());
        }
        ASSERT_TRUE(carrier.CanEmbedMatch());
        const uint8_t* pBits = carrier.GetObjectDataPtr()->GetBits();
        const std::vector<uint8_t> before(pBits, pBits + carrier.GetObjectDataPtr()->GetImageSize());
        C_Message message;
        const std::vector<uint8_t> payload = C_TestBytes::Random(carrier.GetCapacity(), 13);
        Fill(message, payload);
        ASSERT_TRUE(carrier.HideMessage(message, "Secret", E_Embedding::Match));

        // Never further than the written bits require, and either way at random.
        const S_Moves moves = Moves(before, carrier.GetObjectDataPtr()->GetBits(), c.bWide);
        EXPECT_GT(moves.nChanged, before.size() / 20);
        EXPECT_GT(moves.nAway, moves.nChanged / 4);
        if (c.bWide) {
            // Replacement moves a 16-bit sample by 256 when the high byte's bit changes, by about
            // 128 on average; the nearest value with the same two bits is about half as far.
            EXPECT_LE(moves.nLargest, 257u);
            EXPECT_LT(moves.nTotal, 80 * moves.nChanged);
        } else {
            EXPECT_LE(moves.nLargest, 1u);
        }

        const std::string strOut = (m_dir / (std::string("out_") + c.pName)).string();
        ASSERT_TRUE(carrier.SaveImage(strOut)) << carrier.GetLastError();
        C_Carrier reopened;
        ASSERT_TRUE(reopened.OpenImage(strOut));
        C_Message revealed;
        ASSERT_TRUE(reopened.RevealMessage(revealed, "Secret"));
        ASSERT_EQ(revealed.m_nSize, payload.size());
        EXPECT_TRUE(std::equal(payload.begin(), payload.end(), revealed.GetData()));
    }
}

TEST_F(MatchEmbeddingTest, SaturatedSamplesStayInRangeAndSealedRecordsMatchByDefault)
{
    // Only 0, 1, 254 and 255: a step the wrong way would wrap round to the far end.
    std::vector<uint8_t> bytes = C_TestBytes::Random(40000, 14);
    for (uint8_t& n : bytes)
        n = static_cast<uint8_t>(n & 0x80 ? 254 | (n & 1) : n & 1);
    const std::vector<uint8_t> before = bytes;
    C_Carrier carrier;
    carrier.UseBytes(bytes.data(), bytes.size());
    C_Message message;
    Fill(message, C_TestBytes::Random(carrier.CapacityOf(C_Carrier::SealedKind(), 9), 15));
    ASSERT_EQ(carrier.Hide(C_Carrier::SealedKind(), message, "a long sealed pass phrase", E_Embedding::Match),
        E_RecordOutcome::Hidden);
    // A wrap (0 down to 255) would be a move of 255.
    EXPECT_LE(Moves(before, bytes.data(), false).nLargest, 1u);
    // 1 -> 0 and 254 -> 255 are what replacement gives; 1 -> 2 and 254 -> 253 only a step of one.
    size_t nAway = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        nAway += (before[i] == 1 && bytes[i] == 2) || (before[i] == 254 && bytes[i] == 253);
    EXPECT_GT(nAway, 0u);
    C_Message revealed;
    const C_Record* pKind = nullptr;
    ASSERT_EQ(carrier.Reveal(revealed, "a long sealed pass phrase", nullptr, &pKind), E_RecordOutcome::Found);
    EXPECT_TRUE(pKind && pKind->IsSealed());
    EXPECT_EQ(revealed.m_nSize, message.m_nSize);
}

TEST_F(MatchEmbeddingTest, IndexPicturesFallBackToReplacement)
{
    const std::vector<S_Rgb> palette(16, S_Rgb{10, 20, 30});
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"bmp8.bmp", C_TestPictures::Bmp(97, 61, 8, 6)},
        {"bmp4.bmp", C_TestPictures::Bmp(101, 50, 4, 5)},
        {"pcx8.pcx", C_TestPictures::Pcx(123, 41, 1, 9)},
        {"gif.gif", C_TestPictures::Make(E_TestPicture::Gif, 60, 40, 3)},
        {"pal4.png", C_PngBytes::Make(101, 41, 3, 4, false, C_TestBytes::Random(51 * 41, 21), palette)},
        {"gray2.png", C_PngBytes::Make(77, 90, 0, 2, false, C_TestBytes::Random(20 * 90, 22))},
    };
    for (const auto& [pName, file] : cases) {
        SCOPED_TRACE(pName);
        C_Carrier carrier;
        ASSERT_TRUE(carrier.OpenImage(Write(pName, file))) << carrier.GetLastError();
        EXPECT_FALSE(carrier.CanEmbedMatch());
        const uint8_t* pBits = carrier.GetObjectDataPtr()->GetBits();
        const std::vector<uint8_t> before(pBits, pBits + carrier.GetObjectDataPtr()->GetImageSize());
        C_Message message;
        Fill(message, C_TestBytes::Random(carrier.GetCapacity() / 2, 16));
        ASSERT_TRUE(carrier.HideMessage(message, "k", E_Embedding::Match));
        for (size_t i = 0; i < before.size(); ++i)
            ASSERT_EQ(before[i] | 1, pBits[i] | 1) << i;
    }
}

}  // namespace
