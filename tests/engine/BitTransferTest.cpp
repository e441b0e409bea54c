#include "engine/C_BitTransfer.h"
#include "tests/support/C_LiteralSequence.h"
#include "tests/support/C_TestBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void Hide(std::vector<uint8_t>& carrier, std::string_view password, std::string_view name, std::vector<uint8_t> payload)
{
    C_BitTransfer transfer(
        carrier.data(), static_cast<uint32_t>(carrier.size()), payload.data(), static_cast<uint32_t>(payload.size()));
    transfer.SetKey(password);
    transfer.SendHeader(C_HiddenHeader(name, static_cast<uint32_t>(payload.size())));
    transfer.SendPayload();
}

struct Revealed {
    bool bFound = false;
    std::string strName;
    std::vector<uint8_t> data;
};

Revealed Reveal(std::vector<uint8_t>& carrier, std::string_view password)
{
    Revealed result;
    C_BitTransfer transfer(carrier.data(), static_cast<uint32_t>(carrier.size()));
    transfer.SetKey(password);
    C_HiddenHeader header;
    result.bFound = transfer.ReceiveHeader(header);
    if (!result.bFound)
        return result;
    EXPECT_EQ(header.m_aName.size(), header.m_nNameLength + 1u);
    EXPECT_EQ(header.m_aName.back(), 0);
    result.strName.assign(header.m_aName.begin(), header.m_aName.end() - 1);
    result.data.resize(header.m_nDataSize + 1);
    transfer.SetPayloadView(C_ByteView(result.data.data(), header.m_nDataSize));
    transfer.ReceivePayload();
    result.data.resize(header.m_nDataSize);
    return result;
}

TEST(HiddenRecord, ATxtRecordIsSixteenBytesMostSignificantBitFirst)
{
    std::vector<uint8_t> carrier = C_TestBytes::Random(4001, 7);
    const std::vector<uint8_t> before = carrier;
    Hide(carrier, "pw", "a.txt", {0xC3, 0x3C});

    // Read the 128 drawn positions with the literal sequence and rebuild the bytes.
    C_LiteralSequence literal;
    literal.SetKey("pw");
    literal.SetModulus(static_cast<uint32_t>(carrier.size()));
    std::vector<uint8_t> record(16, 0);
    std::vector<bool> drawn(carrier.size(), false);
    for (int i = 0; i < 128; ++i) {
        const uint32_t p = literal.Next();
        drawn[p] = true;
        record[i / 8] = static_cast<uint8_t>(record[i / 8] << 1 | (carrier[p] & 1));
    }
    const std::vector<uint8_t> expected = {
        0x56, 0x4D, 0x4B, 0x05, 0x00, 0x02, 0x00, 0x00, 0x00, 0x61, 0x2E, 0x74, 0x78, 0x74, 0xC3, 0x3C};
    EXPECT_EQ(record, expected);

    // Only least significant bits of drawn bytes change.
    for (size_t i = 0; i < carrier.size(); ++i) {
        ASSERT_EQ(carrier[i] & 0xFE, before[i] & 0xFE) << i;
        if (!drawn[i]) {
            ASSERT_EQ(carrier[i], before[i]) << i;
        }
    }
}

TEST(HiddenRecord, RoundTripsNamesAndPayloadsOfEverySize)
{
    struct Case {
        std::string name;
        size_t nSize;
        std::string password;
    };
    const std::vector<Case> cases = {{"a.txt", 0, "p"}, {"", 0, ""}, {"x", 1, "one"}, {"b.bin", 2, ""},
        {"data.tar.gz", 777, "123456789012345"}, {std::string(255, 'n'), 3000, "long name"}};
    for (const auto& c : cases) {
        std::vector<uint8_t> carrier = C_TestBytes::Random(8 * (9 + c.name.size() + c.nSize) + 1001, 3);
        const std::vector<uint8_t> payload = C_TestBytes::Random(c.nSize, 11);
        Hide(carrier, c.password, c.name, payload);
        const Revealed r = Reveal(carrier, c.password);
        ASSERT_TRUE(r.bFound) << c.name;
        EXPECT_EQ(r.strName, c.name);
        EXPECT_EQ(r.data, payload);
    }
}

TEST(HiddenRecord, UsesEveryByteOfACarrierThatHoldsTheRecordExactly)
{
    // 8 x (9 + 1 + 2) = 96 bytes; N coprime with 17, so the draws cover the buffer once.
    std::vector<uint8_t> carrier = C_TestBytes::Random(96, 5);
    Hide(carrier, "tight", "z", {1, 2});
    const Revealed r = Reveal(carrier, "tight");
    ASSERT_TRUE(r.bFound);
    EXPECT_EQ(r.strName, "z");
    EXPECT_EQ(r.data, (std::vector<uint8_t>{1, 2}));
}

TEST(HiddenRecord, WrongPassPhraseOrUntouchedCarrierFindsNothing)
{
    std::vector<uint8_t> carrier = C_TestBytes::Random(20000, 9);
    EXPECT_FALSE(Reveal(carrier, "anything").bFound);
    std::vector<uint8_t> zeros(20000, 0);
    EXPECT_FALSE(Reveal(zeros, "").bFound);

    Hide(carrier, "Right", "f.txt", C_TestBytes::Random(100, 1));
    EXPECT_TRUE(Reveal(carrier, "Right").bFound);
    for (const char* wrong : {"right", "Right ", "", "Righ"})
        EXPECT_FALSE(Reveal(carrier, wrong).bFound) << wrong;
}

TEST(HiddenRecord, SecondHideOverwritesTheFirstFromItsStart)
{
    std::vector<uint8_t> carrier = C_TestBytes::Random(50000, 2);
    Hide(carrier, "same", "long.bin", C_TestBytes::Random(2000, 4));
    const std::vector<uint8_t> second = C_TestBytes::Random(10, 8);
    Hide(carrier, "same", "short", second);
    const Revealed r = Reveal(carrier, "same");
    ASSERT_TRUE(r.bFound);
    EXPECT_EQ(r.strName, "short");
    EXPECT_EQ(r.data, second);
}

TEST(HiddenRecord, OneByteCarrierNeverReadsOrWritesOutsideIt)
{
    std::vector<uint8_t> carrier = {0x80};
    Hide(carrier, "x", "n", {0xFF});
    EXPECT_EQ(carrier[0] & 0xFE, 0x80);
    EXPECT_FALSE(Reveal(carrier, "x").bFound);
}

TEST(HiddenRecord, EmptyCarrierIsNeverDrawnFrom)
{
    C_BitTransfer transfer(nullptr, 0);
    transfer.SetKey("k");
    C_HiddenHeader header;
    EXPECT_FALSE(transfer.ReceiveHeader(header));
    std::vector<uint8_t> payload = {1, 2, 3};
    C_BitTransfer hide(nullptr, 0, payload.data(), 3);
    hide.SetKey("k");
    hide.SendHeader(C_HiddenHeader("n", 3));
    hide.SendPayload();  // nothing to write into, and nothing breaks
}

TEST(HiddenRecord, HeaderClaimingMoreThanTheCarrierHoldsIsRefused)
{
    // A genuine signature whose S cannot lie within N: refused before the name is allocated.
    std::vector<uint8_t> carrier = C_TestBytes::Random(10007, 6);
    {
        C_BitTransfer transfer(carrier.data(), static_cast<uint32_t>(carrier.size()));
        transfer.SetKey("big");
        transfer.SendHeader(C_HiddenHeader("huge.bin", 0xFFFFFFF0u));
    }
    C_BitTransfer transfer(carrier.data(), static_cast<uint32_t>(carrier.size()));
    transfer.SetKey("big");
    C_HiddenHeader header;
    EXPECT_FALSE(transfer.ReceiveHeader(header));
    EXPECT_TRUE(header.m_aName.empty());
    EXPECT_EQ(header.m_aSignature[2], 'K');  // the signature itself matched
}

TEST(HiddenRecord, RepeatCheckOnCarriersWhoseSizeIsAMultipleOfSeventeen)
{
    std::vector<uint8_t> carrier(17 * 600, 0);  // only 600 distinct candidates
    const uint32_t n = static_cast<uint32_t>(carrier.size());
    C_BitTransfer transfer(carrier.data(), n);
    transfer.SetKey("seventeen");
    EXPECT_FALSE(transfer.WouldRepeat(9));      // 72 draws
    EXPECT_TRUE(transfer.WouldRepeat(n / 10));  // far more draws than distinct positions

    std::vector<uint8_t> coprime(17 * 600 + 1, 0);
    C_BitTransfer plain(coprime.data(), n + 1);
    plain.SetKey("seventeen");
    EXPECT_FALSE(plain.WouldRepeat((n + 1) / 8));  // every draw up to N is distinct
    EXPECT_TRUE(plain.WouldRepeat((n + 1) / 8 + 1));
}

}  // namespace
