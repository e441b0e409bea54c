// A JPEG as a carrier: the sealed record goes into its AC coefficients and comes back exactly from
// the file a save writes, which differs from its source only in coefficients moved by one; a
// plain record has no place in it; and pixels changed otherwise make it hold nothing.
#include "model/C_Carrier.h"
#include "model/pictures/jpeg/C_JpegCoefficients.h"
#include "model/records/C_Message.h"
#include "model/records/C_SealedRecordKind.h"
#include "tests/model/C_ScratchFolder.h"
#include "tests/support/C_TestBytes.h"
#include "tests/support/C_TestJpeg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class JpegCarrierTest : public testing::Test {
protected:
    std::string Write(const std::string& strName, const std::vector<uint8_t>& bytes) const
    {
        C_TestBytes::Write(m_dir / strName, bytes);
        return (m_dir / strName).string();
    }

    C_ScratchFolder m_scratch;
    const fs::path m_dir = m_scratch.Path();
};

std::vector<uint8_t> Segment(const std::string& strHead, size_t nBytes, uint8_t nFirst)
{
    std::vector<uint8_t> data(strHead.begin(), strHead.end());
    for (size_t i = 0; data.size() < nBytes; ++i)
        data.push_back(static_cast<uint8_t>(nFirst + 7 * i));
    return data;
}

void Fill(C_Message& message, const std::string& strName, const std::vector<uint8_t>& payload)
{
    message.m_strName = strName;
    message.SetFromText(static_cast<uint32_t>(payload.size()), reinterpret_cast<const char*>(payload.data()));
}

C_JpegCoefficients Coefficients(const std::string& strPath)
{
    C_JpegCoefficients jpeg;
    std::string strError;
    EXPECT_TRUE(jpeg.Read(C_TestBytes::Read(strPath), uint64_t{1} << 26, strError)) << strError;
    return jpeg;
}

}  // namespace

TEST_F(JpegCarrierTest, ASealedRecordRoundTripsAndOnlyACCoefficientsMoveByOne)
{
    const std::vector<C_JpegCoefficients::S_Marker> segments = {{0xE1, Segment(std::string("Exif\0\0", 6), 900, 1)},
        {0xE2, Segment(std::string("ICC_PROFILE\0\x01\x02", 14), 600, 2)},
        {0xE2, Segment(std::string("ICC_PROFILE\0\x02\x02", 14), 300, 3)},
        {0xE1, Segment("http://ns.adobe.com/xap/1.0/", 200, 4)}, {0xFE, Segment("taken on a pier", 15, 0)}};
    struct S_Case {
        const char* pName;
        C_TestJpeg::S_Options options;
    };
    std::vector<S_Case> cases(5);
    cases[0] = {"420-q75.jpg", {}};
    cases[1] = {"444-q95-progressive.jpg", {}};
    cases[1].options.nLumaHorizontal = cases[1].options.nLumaVertical = 1;
    cases[1].options.nQuality = 95;
    cases[1].options.bProgressive = true;
    cases[2] = {"422-q85-optimised-restart.jpg", {}};
    cases[2].options.nLumaVertical = 1;
    cases[2].options.nQuality = 85;
    cases[2].options.bOptimize = true;
    cases[2].options.nRestart = 3;
    cases[3] = {"gray-q50.jpg", {}};
    cases[3].options.nComponents = 1;
    cases[3].options.nLumaHorizontal = cases[3].options.nLumaVertical = 1;
    cases[3].options.nQuality = 50;
    cases[4] = {"420-q100.jpg", {}};
    cases[4].options.nQuality = 100;
    for (S_Case& c : cases) {
        SCOPED_TRACE(c.pName);
        c.options.nWidth = 203;
        c.options.nHeight = 141;
        const std::string strSource = Write(c.pName, C_TestJpeg::Make(c.options, segments));
        C_Carrier carrier;
        ASSERT_TRUE(carrier.OpenImage(strSource)) << carrier.GetLastError();
        ASSERT_TRUE(carrier.HidesInCoefficients());
        // Only the sealed record has a place here, counted in non-zero AC coefficients.
        EXPECT_EQ(carrier.CapacityOf(C_Carrier::PlainKind(), 0), 0u);
        const uint32_t nCapacity = carrier.CapacityOf(C_Carrier::SealedKind(), 5);
        ASSERT_GT(nCapacity, 40u);
        EXPECT_LE(uint64_t{nCapacity} * 8, carrier.RateElements() * 4 / 10);
        const std::vector<uint8_t> payload = C_TestBytes::Random(nCapacity, 7);
        C_Message message;
        Fill(message, "a.bin", payload);
        EXPECT_NE(carrier.Hide(C_Carrier::PlainKind(), message, "x", E_Embedding::Replace), E_RecordOutcome::Hidden);
        ASSERT_EQ(carrier.Hide(C_Carrier::SealedKind(), message, "heron at the mill", E_Embedding::Replace),
            E_RecordOutcome::Hidden);
        const std::string strOut = (m_dir / (std::string("out-") + c.pName)).string();
        ASSERT_TRUE(carrier.SaveImage(strOut)) << carrier.GetLastError();

        C_Carrier reopened;
        ASSERT_TRUE(reopened.OpenImage(strOut)) << reopened.GetLastError();
        C_Message found;
        ASSERT_EQ(reopened.Reveal(found, "heron at the mill"), E_RecordOutcome::Found);
        EXPECT_EQ(found.m_strName, "a.bin");
        ASSERT_EQ(found.m_nSize, payload.size());
        EXPECT_EQ(std::memcmp(found.GetData(), payload.data(), payload.size()), 0);
        C_Message none;
        EXPECT_EQ(reopened.Reveal(none, "heron at the mil"), E_RecordOutcome::NotFound);

        // The same file but for AC coefficients moved by exactly one.
        const C_JpegCoefficients before = Coefficients(strSource);
        const C_JpegCoefficients after = Coefficients(strOut);
        EXPECT_EQ(after.Progressive(), before.Progressive());
        EXPECT_EQ(after.RestartInterval(), before.RestartInterval());
        EXPECT_EQ(after.QuantTables(), before.QuantTables());
        ASSERT_EQ(after.Markers().size(), before.Markers().size());
        for (size_t i = 0; i < before.Markers().size(); ++i) {
            EXPECT_EQ(after.Markers()[i].nCode, before.Markers()[i].nCode);
            EXPECT_EQ(after.Markers()[i].data, before.Markers()[i].data) << i;
        }
        ASSERT_EQ(after.Scans().size(), before.Scans().size());
        ASSERT_EQ(after.Components().size(), before.Components().size());
        size_t nChanged = 0;
        for (size_t k = 0; k < before.Components().size(); ++k) {
            const auto& a = before.Components()[k].coefficients;
            const auto& b = after.Components()[k].coefficients;
            ASSERT_EQ(a.size(), b.size());
            for (size_t i = 0; i < a.size(); ++i) {
                const int nStep = b[i] - a[i];
                if (nStep == 0)
                    continue;
                ++nChanged;
                ASSERT_NE(i % 64, 0u) << "a DC coefficient changed";
                ASSERT_TRUE(nStep == 1 || nStep == -1) << nStep;
            }
        }
        EXPECT_GT(nChanged, 0u);
    }
}

TEST_F(JpegCarrierTest, PixelsChangedOtherwiseHoldNoRecordAndASaveCompressesThem)
{
    C_TestJpeg::S_Options options;
    options.nWidth = 96;
    options.nHeight = 64;
    const std::string strSource = Write("photo.jpg", C_TestJpeg::Make(options));
    C_Carrier carrier;
    ASSERT_TRUE(carrier.OpenImage(strSource));
    ASSERT_TRUE(carrier.HidesInCoefficients());
    ASSERT_TRUE(carrier.ConvertToGrayscale());
    // Its coefficients no longer show what the window does: nothing can be hidden, in them or in
    // pixels that a save compresses anew.
    EXPECT_FALSE(carrier.HidesInCoefficients());
    EXPECT_EQ(carrier.CapacityOf(C_Carrier::SealedKind(), 0), 0u);
    EXPECT_EQ(carrier.CapacityOf(C_Carrier::PlainKind(), 0), 0u);
    const std::string strOut = (m_dir / "gray.jpg").string();
    ASSERT_TRUE(carrier.SaveImage(strOut)) << carrier.GetLastError();
    C_Carrier gray;
    ASSERT_TRUE(gray.OpenImage(strOut));
    EXPECT_EQ(gray.GetObjectDataPtr()->GetBitsPerPixel(), 8);
    EXPECT_TRUE(gray.HidesInCoefficients());
}

TEST_F(JpegCarrierTest, ATinyFileThatDeclaresAHugePictureNeedsConsent)
{
    C_TestJpeg::S_Options options;
    options.nWidth = 16;
    options.nHeight = 16;
    std::vector<uint8_t> file = C_TestJpeg::Make(options);
    // The frame header's height and width, 8000 each: 640 MB of coefficients and pixels.
    size_t nAt = 2;
    while (nAt + 9 < file.size() && !(file[nAt] == 0xFF && file[nAt + 1] == 0xC0))
        nAt += 2 + (size_t{file[nAt + 2]} << 8 | file[nAt + 3]);
    ASSERT_LT(nAt + 9, file.size());
    for (const size_t nField : {nAt + 5, nAt + 7}) {
        file[nField] = 8000 >> 8;
        file[nField + 1] = 8000 & 0xFF;
    }
    const std::string strPath = Write("huge.jpg", file);
    C_Carrier carrier;
    EXPECT_FALSE(carrier.OpenImage(strPath));
    EXPECT_EQ(carrier.GetLastErrorCode(), E_ImageError::NeedsConsent) << carrier.GetLastError();
}
