// Random carriers, names, payloads and pass phrases through the carrier's own fit test, hide and
// reveal. The carrier's pixel view is pointed at a plain buffer: those are the only fields that
// hiding and revealing read.
#include "model/C_Carrier.h"
#include "model/records/C_Message.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct S_Stats {
    int nCases = 0;
    int nHidden = 0;
    int nRefusedByFit = 0;
    int nRefusedAsRepeating = 0;
    int nWrongPassSignatureHits = 0;  // a wrong pass phrase found a record that fits N
};

std::string RandomText(std::mt19937& rng, size_t nMax)
{
    std::uniform_int_distribution<size_t> length(0, nMax);
    std::uniform_int_distribution<int> ch(32, 126);
    std::string s(length(rng), ' ');
    for (auto& c : s)
        c = static_cast<char>(ch(rng));
    return s;
}

uint32_t RandomCarrierSize(std::mt19937& rng)
{
    switch (rng() % 6) {
    case 0: return rng() % 64;               // tiny, including 0 and 1
    case 1: return 17 * (1 + rng() % 1200);  // multiples of 17
    case 2: return 200 + rng() % 400;        // around the smallest useful carriers
    default: return 1 + rng() % 30000;
    }
}

TEST(HideRevealProperty, EveryAcceptedHideRevealsExactlyAndWrongPassPhrasesFindNothingThatFits)
{
    std::mt19937 rng(20261207);
    S_Stats stats;
    std::vector<uint8_t> carrier;
    for (; stats.nCases < 100000; ++stats.nCases) {
        const uint32_t nSize = RandomCarrierSize(rng);
        carrier.resize(nSize + 1);
        for (auto& b : carrier)
            b = static_cast<uint8_t>(rng());
        C_Carrier target;
        target.UseBytes(carrier.data(), carrier.size());

        C_Message message;
        message.m_strName = RandomText(rng, 40);
        std::string strPayload = RandomText(rng, nSize / 12 + 2);
        message.SetFromText(static_cast<uint32_t>(strPayload.size()), strPayload.data());
        const std::string strPassword = RandomText(rng, 15);

        if (!target.WillFit(message)) {
            ++stats.nRefusedByFit;
            continue;
        }
        const std::vector<uint8_t> before = carrier;
        if (!target.HideMessage(message, strPassword)) {
            ++stats.nRefusedAsRepeating;
            ASSERT_EQ(carrier, before) << "a refused hide changed the carrier";
            continue;
        }
        ++stats.nHidden;
        for (size_t i = 0; i < carrier.size(); ++i)
            ASSERT_EQ(carrier[i] | 1, before[i] | 1) << "only least significant bits may change";
        ASSERT_EQ(carrier[nSize], before[nSize]) << "the last pixel byte is never used";

        C_Carrier reader;
        reader.UseBytes(carrier.data(), carrier.size());
        C_Message revealed;
        ASSERT_TRUE(reader.RevealMessage(revealed, strPassword)) << "case " << stats.nCases;
        ASSERT_EQ(revealed.m_strName, message.m_strName);
        ASSERT_EQ(revealed.m_nSize, message.m_nSize);
        ASSERT_TRUE(std::equal(strPayload.begin(), strPayload.end(), revealed.GetData()));

        C_Message wrong;
        if (reader.RevealMessage(wrong, strPassword + "x")) {
            // Only a chance match of the three signature bytes gets here, and the record it
            // claims must still lie within N.
            ++stats.nWrongPassSignatureHits;
            EXPECT_LE(8 * (9 + uint64_t{wrong.m_strName.size()} + wrong.m_nSize), nSize);
        }
    }
    std::printf("cases %d: hidden %d, refused by the fit test %d, refused as repeating %d, "
                "wrong pass phrase signature matches %d\n",
        stats.nCases, stats.nHidden, stats.nRefusedByFit, stats.nRefusedAsRepeating, stats.nWrongPassSignatureHits);
    EXPECT_GT(stats.nHidden, 50000);
    EXPECT_GT(stats.nRefusedByFit, 1000);
}

}  // namespace
