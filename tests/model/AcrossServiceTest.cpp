// A file across pictures through carriers: a PNG, a BMP and a JPEG hold one file, any two of the
// three restoring it; the largest file that fits is the one the check names; pictures of unequal
// room hold more than k times the smallest; a damaged share is
// named and passed over; a share is never a file to a reader of sealed records. Each hide and
// each look into a picture costs one Argon2id derivation (two where nothing authenticates), so
// the cases share one set of pictures.

#include "model/C_AcrossService.h"
#include "model/C_Carrier.h"
#include "model/records/C_Message.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SpreadRecord.h"

#include "tests/support/C_PngBytes.h"
#include "tests/support/C_TestBytes.h"
#include "tests/support/C_TestJpeg.h"
#include "tests/support/C_TestPictures.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

void Fill(C_Message& message, const std::string& strName, const std::vector<uint8_t>& payload)
{
    message.m_strName = strName;
    message.SetFromText(static_cast<uint32_t>(payload.size()), reinterpret_cast<const char*>(payload.data()));
}

std::vector<uint8_t> Payload(const C_SealedContent& content)
{
    C_Message message;
    EXPECT_EQ(content.ExtractTo(message), C_SealedContent::E_Extract::Done);
    return std::vector<uint8_t>(message.GetData(), message.GetData() + message.m_nSize);
}

class AcrossServiceTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("vmk_across_" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        C_TestJpeg::S_Options jpeg;
        jpeg.nWidth = 160;
        jpeg.nHeight = 120;
        const std::vector<std::string> paths = {
            Write("rgb.png", C_PngBytes::Make(96, 72, 2, 8, false, C_TestBytes::Random(size_t{96} * 72 * 3, 5))),
            Write("rgb.bmp", C_TestPictures::Make(E_TestPicture::Bmp24, 90, 70, 6)),
            Write("photo.jpg", C_TestJpeg::Make(jpeg))};
        for (const std::string& strPath : paths) {
            m_owned.push_back(std::make_unique<C_Carrier>());
            ASSERT_TRUE(m_owned.back()->OpenImage(strPath)) << strPath;
            m_carriers.push_back(m_owned.back().get());
        }
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& strName, const std::vector<uint8_t>& bytes) const
    {
        C_TestBytes::Write(m_dir / strName, bytes);
        return (m_dir / strName).string();
    }

    fs::path m_dir;
    std::vector<std::unique_ptr<C_Carrier>> m_owned;
    std::vector<C_Carrier*> m_carriers;
};

}  // namespace

TEST_F(AcrossServiceTest, AnyTwoOfAPngABmpAndAJpegRestoreTheFile)
{
    const C_AcrossService service;
    // The largest file the check names fits, one byte more does not (random bytes do not
    // compress); neither costs a derivation.
    C_Message probe;
    Fill(probe, "f.bin", C_TestBytes::Random(400000, 1));
    const C_AcrossService::S_Check tooLarge = service.Check(m_carriers, 2, probe);
    ASSERT_EQ(tooLarge.eCheck, C_AcrossService::E_Check::TooLarge);
    ASSERT_GT(tooLarge.nLargest, 200u);
    EXPECT_EQ(tooLarge.nLargest, service.LargestPayload(m_carriers, 2, 5));
    Fill(probe, "f.bin", C_TestBytes::Random(tooLarge.nLargest, 2));
    EXPECT_EQ(service.Check(m_carriers, 2, probe).eCheck, C_AcrossService::E_Check::Ready);
    Fill(probe, "f.bin", C_TestBytes::Random(tooLarge.nLargest + 1, 2));
    EXPECT_EQ(service.Check(m_carriers, 2, probe).eCheck, C_AcrossService::E_Check::TooLarge);
    // Three shares that each need a third of the file hold more than three that need one each.
    EXPECT_GT(service.LargestPayload(m_carriers, 3, 5), 2 * service.LargestPayload(m_carriers, 1, 5));
    EXPECT_EQ(service.Check(m_carriers, 4, probe).eCheck, C_AcrossService::E_Check::BadCount);

    const std::vector<uint8_t> payload = C_TestBytes::Random(tooLarge.nLargest / 2, 3);
    C_Message message;
    Fill(message, "f.bin", payload);
    const C_AcrossService::S_Hidden hidden = service.Hide(m_carriers, 2, message, "heron at dusk");
    ASSERT_EQ(hidden.eOutcome, E_RecordOutcome::Hidden) << hidden.nPicture;

    std::vector<C_ShareSet::S_Share> shares(3);
    for (unsigned i = 0; i < 3; ++i) {
        const C_AcrossService::S_Picture picture =
            C_AcrossService::Examine(*m_carriers[i], "heron at dusk", &shares[i]);
        ASSERT_EQ(picture.eHolds, C_AcrossService::E_Holds::Share) << i;
        EXPECT_EQ(picture.index, i);
        EXPECT_EQ(picture.k, 2u);
        EXPECT_EQ(picture.n, 3u);
        EXPECT_EQ(picture.setId, hidden.setId);
    }
    for (const auto& pair : std::vector<std::vector<size_t>>{{0, 1}, {0, 2}, {1, 2}, {2, 1}}) {
        C_SealedContent content;
        const C_AcrossService::S_Restore restore =
            C_AcrossService::Restore({shares[pair[0]], shares[pair[1]]}, content);
        ASSERT_EQ(restore.eRestore, C_AcrossService::E_Restore::Restored);
        EXPECT_EQ(content.GetName(), "f.bin");
        EXPECT_EQ(Payload(content), payload);
    }
    for (size_t i = 0; i < 3; ++i) {
        C_SealedContent content;
        const C_AcrossService::S_Restore restore = C_AcrossService::Restore({shares[i], shares[i]}, content);
        EXPECT_EQ(restore.eRestore, C_AcrossService::E_Restore::TooFew);
        EXPECT_EQ(restore.nFound, 1u);
        EXPECT_EQ(restore.nNeeded, 2u);
        EXPECT_TRUE(content.IsEmpty());
    }

    // A reader of sealed records finds a record and calls it damaged, never a file; the opened
    // content says it authenticated as a share (version 3).
    C_Message found;
    C_SealedContent opened;
    EXPECT_EQ(m_carriers[0]->Reveal(found, "heron at dusk", &opened), E_RecordOutcome::Damaged);
    EXPECT_TRUE(opened.HasShare());
    EXPECT_TRUE(opened.IsEmpty());
    EXPECT_EQ(found.m_nSize, 0u);

    // A changed record element (not a salt one, which would read as another pass phrase) in the
    // PNG: that picture is named as damaged and the other two restore the file.
    uint8_t* pBits = m_carriers[0]->GetObjectDataPtr()->GetBits();
    const uint32_t n = m_carriers[0]->GetUsableBytes();
    const auto salt = C_SpreadRecord::ReadSalt(pBits, n, "heron at dusk");
    uint32_t nAt = n / 2;
    for (;; ++nAt) {
        pBits[nAt] ^= 1;
        if (C_SpreadRecord::ReadSalt(pBits, n, "heron at dusk") == salt)
            break;
        pBits[nAt] ^= 1;
    }
    std::vector<C_AcrossService::S_Picture> pictures;
    C_SealedContent content;
    const C_AcrossService::S_Restore restore = service.Reveal(m_carriers, "heron at dusk", pictures, content);
    ASSERT_EQ(pictures.size(), 3u);
    EXPECT_EQ(pictures[0].eHolds, C_AcrossService::E_Holds::Damaged);
    EXPECT_EQ(pictures[1].eHolds, C_AcrossService::E_Holds::Share);
    EXPECT_EQ(pictures[2].eHolds, C_AcrossService::E_Holds::Share);
    ASSERT_EQ(restore.eRestore, C_AcrossService::E_Restore::Restored);
    EXPECT_EQ(Payload(content), payload);
}

TEST_F(AcrossServiceTest, PicturesOfUnequalRoomHoldMoreThanKTimesTheSmallest)
{
    // A small PNG and one sixteen times its size, both needed: the file may pass twice what the
    // small one holds alone, since the large one takes more of the fragments.
    std::vector<std::unique_ptr<C_Carrier>> owned;
    std::vector<C_Carrier*> pair;
    for (const auto& [nWidth, nHeight] : {std::pair{64, 48}, std::pair{256, 192}}) {
        const std::string strPath = Write(nWidth == 64 ? "small.png" : "large.png",
            C_PngBytes::Make(nWidth, nHeight, 2, 8, false, C_TestBytes::Random(size_t(nWidth) * nHeight * 3, nWidth)));
        owned.push_back(std::make_unique<C_Carrier>());
        ASSERT_TRUE(owned.back()->OpenImage(strPath));
        pair.push_back(owned.back().get());
    }
    const C_AcrossService service;
    C_Carrier* const small[] = {pair[0]};
    const uint64_t nSmall = service.LargestPayload(small, 1, 5);
    const uint64_t nLargest = service.LargestPayload(pair, 2, 5);
    ASSERT_GT(nSmall, 100u);
    EXPECT_GT(nLargest, 4 * nSmall);

    // A file three times what the small picture holds goes across both, and back.
    const std::vector<uint8_t> payload = C_TestBytes::Random(3 * nSmall, 11);
    C_Message message;
    Fill(message, "g.bin", payload);
    ASSERT_EQ(service.Check(pair, 2, message).eCheck, C_AcrossService::E_Check::Ready);
    const C_AcrossService::S_Hidden hidden = service.Hide(pair, 2, message, "kestrel over the dyke");
    ASSERT_EQ(hidden.eOutcome, E_RecordOutcome::Hidden) << hidden.nPicture;
    std::vector<C_AcrossService::S_Picture> pictures;
    C_SealedContent content;
    const C_AcrossService::S_Restore restore = service.Reveal(pair, "kestrel over the dyke", pictures, content);
    ASSERT_EQ(restore.eRestore, C_AcrossService::E_Restore::Restored);
    EXPECT_EQ(content.GetName(), "g.bin");
    EXPECT_EQ(Payload(content), payload);
}

TEST(AcrossService, OfTwoSetsTheOneWithEnoughIsRestored)
{
    const C_SecretBytes first = C_SealedRecord::InnerRecord("one", C_TestBytes::Random(100, 1), false);
    const C_SecretBytes second = C_SealedRecord::InnerRecord("two", C_TestBytes::Random(100, 2), false);
    const auto Shares = [](const std::vector<std::vector<uint8_t>>& bodies, std::vector<size_t> which) {
        std::vector<C_ShareSet::S_Share> shares;
        for (const size_t i : which) {
            shares.emplace_back();
            EXPECT_TRUE(C_ShareSet::Parse(bodies[i].data(), bodies[i].size(), shares.back()));
        }
        return shares;
    };
    const auto a = C_ShareSet::Split(first, 3, 4, C_ShareSet::FreshDraws());
    const auto b = C_ShareSet::Split(second, 2, 3, C_ShareSet::FreshDraws());
    // Two of the first set (it needs three) before two of the second (it needs two).
    std::vector<C_ShareSet::S_Share> shares = Shares(a, {0, 3});
    for (auto& share : Shares(b, {2, 0}))
        shares.push_back(share);
    C_SealedContent content;
    C_AcrossService::S_Restore restore = C_AcrossService::Restore(shares, content);
    ASSERT_EQ(restore.eRestore, C_AcrossService::E_Restore::Restored);
    EXPECT_EQ(content.GetName(), "two");
    EXPECT_EQ(restore.nSets, 2u);
    EXPECT_EQ(restore.nCompleteSets, 1u);
    // Without the second set's second share, both lack one: the first is reported.
    shares.pop_back();
    restore = C_AcrossService::Restore(shares, content);
    EXPECT_EQ(restore.eRestore, C_AcrossService::E_Restore::TooFew);
    EXPECT_EQ(restore.nFound, 2u);
    EXPECT_EQ(restore.nNeeded, 3u);
    // With the first set's fourth share dropped too, the second is closer.
    shares.erase(shares.begin() + 1);
    restore = C_AcrossService::Restore(shares, content);
    EXPECT_EQ(restore.nFound, 1u);
    EXPECT_EQ(restore.nNeeded, 2u);
    EXPECT_TRUE(content.IsEmpty());
    EXPECT_EQ(C_AcrossService::Restore({}, content).eRestore, C_AcrossService::E_Restore::NoShares);
}
