#include "engine/C_BitTransfer.h"
#include "engine/C_CarrierWalk.h"
#include "engine/C_PositionSequence.h"
#include "tests/support/C_LiteralSequence.h"
#include "tests/support/C_TestBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::array<uint8_t, 16> KeyOf(std::string_view strPassword)
{
    C_PositionSequence sequence;
    sequence.SetKey(strPassword);
    return sequence.GetKey();
}

// The walk gives every rank in the window exactly once, at the position the literal draw has.
void ExpectWindowMatchesLiteral(std::string_view strPassword, uint32_t nModulus, uint64_t nBegin, uint64_t nEnd)
{
    const C_CarrierWalk walk(KeyOf(strPassword), nModulus);
    std::vector<int64_t> positions(nEnd - nBegin, -1);
    bool bOutside = false;
    walk.Walk(nBegin, nEnd, [&](uint32_t p, uint64_t r) {
        if (r < nBegin || r >= nEnd || positions[r - nBegin] != -1)
            bOutside = true;
        else
            positions[r - nBegin] = p;
    });
    ASSERT_FALSE(bOutside) << "a rank was visited twice or outside the window";
    C_LiteralSequence literal;
    literal.SetKey(strPassword);
    literal.SetModulus(nModulus);
    for (uint64_t r = 0; r < nBegin; ++r)
        literal.Next();
    for (uint64_t r = nBegin; r < nEnd; ++r)
        ASSERT_EQ(positions[r - nBegin], literal.Next()) << "N " << nModulus << ", rank " << r;
}

TEST(CarrierWalk, VisitsEveryDrawOfTheFirstTwoPassesAtItsLiteralPosition)
{
    for (uint32_t n : {1u, 2u, 10u, 16u, 17u, 34u, 1000u, 1001u, 17u * 3001, 65537u, 99991u, 17u * 40000})
        for (const char* password : {"", "walk", "123456789012345"})
            ExpectWindowMatchesLiteral(password, n, 0, n);
}

TEST(CarrierWalk, WindowsOfLargeCarriers)
{
    constexpr uint32_t kUnwrapped = C_PositionSequence::kLargestUnwrappedModulus;
    for (uint32_t n : {36578303u, kUnwrapped - 1, kUnwrapped, kUnwrapped + 1, 0xFFFFFFFFu})
        ExpectWindowMatchesLiteral("big", n, 1000, 60000);
    // Around the first wrap of the product (k = 252,645,136, near rank 126 million).
    ExpectWindowMatchesLiteral("big", 300000001u, 126300000, 126340000);
    ExpectWindowMatchesLiteral("big", 0xFFFFFFFFu, 126300000, 126340000);
}

// A hide through the transfer (walk for large payloads) against the literal loop, byte for byte.
TEST(CarrierWalk, HideIsByteIdenticalToTheLiteralLoop)
{
    struct Case {
        uint32_t nCarrier;
        uint32_t nPayload;
    };
    const Case cases[] = {
        {200003, 2000},      // above the walk's threshold
        {200003, 20},        // below it: draw order
        {131072, 16000},     // ends exactly within the first pass or so
        {17 * 8000, 12000},  // a multiple of 17: positions repeat, the last writer must win
        {40000, 4980},       // 39,976 draws of N = 40,000
        {40000, 4990},       // more draws than bytes: the sequence path, as written
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.nCarrier) + " / " + std::to_string(c.nPayload));
        const std::vector<uint8_t> original = C_TestBytes::Random(c.nCarrier, c.nCarrier);
        std::vector<uint8_t> payload = C_TestBytes::Random(c.nPayload, c.nPayload);
        const C_HiddenHeader header("walk.bin", c.nPayload);

        std::vector<uint8_t> fast = original;
        C_BitTransfer transfer(fast.data(), c.nCarrier, payload.data(), c.nPayload);
        transfer.SetKey("same key");
        transfer.SendHeader(header);
        transfer.SendPayload();

        std::vector<uint8_t> literal = original;
        C_LiteralSequence sequence;
        sequence.SetKey("same key");
        sequence.SetModulus(c.nCarrier);
        std::vector<uint8_t> record = header.Encode();
        record.insert(record.end(), payload.begin(), payload.end());
        for (uint8_t v : record)
            for (int bit = 7; bit >= 0; --bit) {
                const uint32_t p = sequence.Next();
                literal[p] = static_cast<uint8_t>((literal[p] & 0xFE) | ((v >> bit) & 1));
            }
        ASSERT_EQ(fast, literal);

        // And the reveal reads back what the literal loop wrote, where no bit was overwritten.
        if (c.nCarrier % 17 != 0 && 8 * uint64_t{header.Encode().size() + c.nPayload} <= c.nCarrier) {
            C_BitTransfer reveal(literal.data(), c.nCarrier);
            reveal.SetKey("same key");
            C_HiddenHeader found;
            ASSERT_TRUE(reveal.ReceiveHeader(found));
            std::vector<uint8_t> revealed(found.m_nDataSize + 1, 0xAA);
            reveal.SetPayloadView(C_ByteView(revealed.data(), found.m_nDataSize));
            reveal.ReceivePayload();
            revealed.pop_back();
            EXPECT_EQ(revealed, payload);
        }
    }
}

}  // namespace

namespace {

// The repeat check, whichever way it runs (sorted draws or the walk's block bitmap), agrees
// with a brute-force walk of the literal sequence.
TEST(CarrierWalk, RepeatCheckAgreesWithTheLiteralSequence)
{
    for (uint32_t n : {17u * 8000, 17u * 3001, 17u * 2048}) {
        for (const char* password : {"", "seventeen"}) {
            C_LiteralSequence literal;
            literal.SetKey(password);
            literal.SetModulus(n);
            std::vector<bool> seen(n, false);
            uint64_t nFirstRepeat = 1;  // draws up to and including the first repeated one
            for (uint32_t p = literal.Next(); !seen[p]; p = literal.Next(), ++nFirstRepeat)
                seen[p] = true;
            std::vector<uint8_t> carrier(n);
            C_BitTransfer transfer(carrier.data(), n);
            transfer.SetKey(password);
            const uint64_t nBytes = nFirstRepeat / 8;  // the record whose draws stop just short
            EXPECT_FALSE(transfer.WouldRepeat(nFirstRepeat % 8 == 0 ? nBytes - 1 : nBytes)) << n;
            EXPECT_TRUE(transfer.WouldRepeat(nBytes + 1)) << n;
            EXPECT_TRUE(transfer.WouldRepeat(n / 10)) << n;
            C_PositionSequence sequence;
            sequence.SetKey(password);
            sequence.SetModulus(n);
            EXPECT_FALSE(sequence.RepeatsWithin(nFirstRepeat - 1));
            EXPECT_TRUE(sequence.RepeatsWithin(nFirstRepeat));
        }
    }
}

}  // namespace
