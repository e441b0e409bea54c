#include "engine/C_PositionSequence.h"
#include "tests/support/C_LiteralSequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kUnwrapped = C_PositionSequence::kLargestUnwrappedModulus;  // (2^32 - 1) / 17

// Draws nDraws positions one at a time and in blocks of varying length, and compares both
// with the literal algorithm.
void ExpectSameAsLiteral(std::string_view strPassword, uint32_t nModulus, uint64_t nDraws)
{
    C_PositionSequence single, blocks;
    for (C_PositionSequence* s : {&single, &blocks}) {
        s->SetKey(strPassword);
        s->SetModulus(nModulus);
    }
    C_LiteralSequence literal;
    literal.SetKey(strPassword);
    literal.SetModulus(nModulus);
    static constexpr size_t kBlockLengths[] = {1, 7, 128, 2048, 3};
    std::vector<uint32_t> block;
    size_t nBlock = 0;
    for (uint64_t i = 0; i < nDraws;) {
        block.resize(std::min<uint64_t>(kBlockLengths[nBlock++ % 5], nDraws - i));
        blocks.Fill(block.data(), block.size());
        for (uint32_t nFromBlock : block) {
            const uint32_t nExpected = literal.Next();
            const uint32_t nActual = single.Next();
            ASSERT_EQ(nActual, nExpected) << "pass phrase '" << strPassword << "', N " << nModulus << ", draw " << i;
            ASSERT_EQ(nFromBlock, nExpected)
                << "in blocks: pass phrase '" << strPassword << "', N " << nModulus << ", draw " << i;
            ASSERT_LT(nActual, nModulus);
            ++i;
        }
    }
}

std::array<uint8_t, 16> KeyWithLeadingBits(std::initializer_list<int> bits)
{
    std::array<uint8_t, 16> key{};
    int i = 0;
    for (int b : bits) {
        if (b)
            key[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
        ++i;
    }
    return key;
}

TEST(PositionSequence, MatchesTheLiteralAlgorithmThroughSeveralPasses)
{
    const std::vector<uint32_t> moduli = {
        1, 2, 3, 10, 16, 17, 34, 51, 127, 128, 129, 1000, 1001, 17 * 59, 17 * 4099, 65536, 99991};
    const std::vector<std::string> passwords = {
        "", "a", "secret", "Secret", "123456789012345", "\xff\xfe", "pass phrase"};
    for (uint32_t n : moduli)
        for (const auto& password : passwords)
            ExpectSameAsLiteral(password, n, 5 * uint64_t{n} + 300);  // beyond N, 2N and 4N draws
}

TEST(PositionSequence, MatchesTheLiteralAlgorithmForLargeModuli)
{
    for (uint32_t n : {kUnwrapped - 1, kUnwrapped, kUnwrapped + 1, 0xFFFFFFFFu, 36578303u, 35999999u})
        for (const char* password : {"", "x", "long pass phrase"})
            ExpectSameAsLiteral(password, n, 300000);
}

// The product 17k wraps 32 bits for k > (2^32 - 1) / 17; only a long walk reaches it.
TEST(PositionSequenceWrap, FirstWrapIsTheLastCandidateOfThePass)
{
    ExpectSameAsLiteral("wrap", kUnwrapped + 1, uint64_t{kUnwrapped} / 2 + 400000);  // then pass 2
}

TEST(PositionSequenceWrap, WrapsInsideThePass)
{
    ExpectSameAsLiteral("", 300000001u, 150000000u);
}

TEST(PositionSequenceWrap, LargestModulus)
{
    ExpectSameAsLiteral("max", 0xFFFFFFFFu, 127000000u);
}

TEST(PositionSequence, TenBytesExample)
{
    // Candidates for k = 1..10 are 7 4 1 8 5 2 9 6 3 0; key bits 0..9 are 1 0 1 1 0 0 1 1 1 0.
    C_PositionSequence sequence;
    sequence.SetRawKey(KeyWithLeadingBits({1, 0, 1, 1, 0, 0, 1, 1, 1, 0}));
    sequence.SetModulus(10);
    std::vector<uint32_t> drawn;
    for (int i = 0; i < 15; ++i)
        drawn.push_back(sequence.Next());
    // Pass 1 takes k = 1 3 4 7 8 9; pass 2 (complemented key) the rest; pass 3 starts over.
    const std::vector<uint32_t> expected = {7, 1, 8, 9, 6, 3, 4, 5, 2, 0, 7, 1, 8, 9, 6};
    EXPECT_EQ(drawn, expected);
}

TEST(PositionSequence, FirstTwoPassesCoverEveryByteOnceWhenCoprimeWithSeventeen)
{
    for (uint32_t n : {1u, 10u, 16u, 1001u, 4096u}) {
        C_PositionSequence sequence;
        sequence.SetKey("cover");
        sequence.SetModulus(n);
        std::set<uint32_t> seen;
        for (uint32_t i = 0; i < n; ++i)
            seen.insert(sequence.Next());
        EXPECT_EQ(seen.size(), n) << "N " << n;
    }
}

TEST(PositionSequence, KeyIsTheMd5OfThePassPhrase)
{
    C_PositionSequence sequence;
    sequence.SetKey("");  // RFC 1321: MD5("") = d41d8cd98f00b204e9800998ecf8427e
    const std::array<uint8_t, 16> empty = {
        0xd4, 0x1d, 0x8c, 0xd9, 0x8f, 0x00, 0xb2, 0x04, 0xe9, 0x80, 0x09, 0x98, 0xec, 0xf8, 0x42, 0x7e};
    EXPECT_EQ(sequence.GetKey(), empty);
    sequence.SetKey("abc");  // 900150983cd24fb0d6963f7d28e17f72
    EXPECT_EQ(sequence.GetKey()[0], 0x90);
    EXPECT_EQ(sequence.GetKey()[15], 0x72);
}

TEST(PositionSequence, OrderDependsOnPassPhraseAndModulus)
{
    auto first = [](std::string_view password, uint32_t n) {
        C_PositionSequence s;
        s.SetKey(password);
        s.SetModulus(n);
        std::vector<uint32_t> v;
        for (int i = 0; i < 1000; ++i)  // 17k stays below both moduli for the first ~290 candidates
            v.push_back(s.Next());
        return v;
    };
    EXPECT_EQ(first("same", 5000), first("same", 5000));
    EXPECT_NE(first("same", 5000), first("samf", 5000));
    EXPECT_NE(first("same", 5000), first("same", 5001));
}

TEST(PositionSequence, OneByteCarrierAlwaysDrawsPositionZero)
{
    C_PositionSequence sequence;
    sequence.SetKey("one");
    sequence.SetModulus(1);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(sequence.Next(), 0u);
}

// The repeat check against a brute-force walk of the literal algorithm.
TEST(PositionSequence, RepeatCheckFindsTheFirstRevisitedByteExactly)
{
    for (uint32_t n : {17u * 100, 17u * 2117u, 34u, 1001u, 10u}) {
        for (const char* password : {"", "k1", "another"}) {
            C_LiteralSequence literal;
            literal.SetKey(password);
            literal.SetModulus(n);
            std::set<uint32_t> seen;
            uint64_t nFirstRepeat = 0;  // number of draws at which a byte is drawn again
            while (seen.insert(literal.Next()).second)
                ;
            nFirstRepeat = seen.size() + 1;

            C_PositionSequence sequence;
            sequence.SetKey(password);
            sequence.SetModulus(n);
            EXPECT_FALSE(sequence.RepeatsWithin(nFirstRepeat - 1)) << "N " << n << " '" << password << "'";
            EXPECT_TRUE(sequence.RepeatsWithin(nFirstRepeat)) << "N " << n << " '" << password << "'";
            if (n % 17 == 0) {
                EXPECT_LE(nFirstRepeat, n / 17 + 1);  // only N/17 distinct candidates exist
            } else {
                EXPECT_EQ(nFirstRepeat, uint64_t{n} + 1);
            }
        }
    }
}

TEST(PositionSequence, RepeatCheckDoesNotMoveTheSequence)
{
    C_PositionSequence a, b;
    a.SetKey("still");
    b.SetKey("still");
    a.SetModulus(1700);
    b.SetModulus(1700);
    EXPECT_TRUE(a.RepeatsWithin(1000));
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(a.Next(), b.Next());
}

// The vectors docs/position-sequence.md publishes, so that a reader written from it can check
// itself; the sequence never changes.
TEST(PositionSequence, PublishedVectors)
{
    C_PositionSequence sequence;
    sequence.SetKey("tiger7");
    sequence.SetModulus(1000);
    std::vector<uint32_t> drawn(473);
    sequence.Fill(drawn.data(), drawn.size());
    const std::vector<uint32_t> first = {17, 51, 85, 119, 153, 238, 255, 306, 357, 391, 425, 442, 459, 510, 527, 561,
        816, 833, 850, 867, 884, 918, 935, 986};
    EXPECT_EQ(std::vector<uint32_t>(drawn.begin(), drawn.begin() + 24), first);
    // The first pass hands out 465 candidates; the complemented key's pass follows.
    const std::vector<uint32_t> around = {864, 881, 932, 0, 34, 68, 102, 136, 170, 187, 204, 221};
    EXPECT_EQ(std::vector<uint32_t>(drawn.begin() + 461, drawn.end()), around);

    sequence.SetKey("");
    sequence.SetModulus(1700);
    std::vector<uint32_t> empty(12);
    sequence.Fill(empty.data(), empty.size());
    EXPECT_EQ(empty, (std::vector<uint32_t>{17, 34, 68, 102, 204, 221, 238, 272, 289, 357, 374, 425}));
    sequence.SetKey("tiger7");
    EXPECT_EQ(sequence.DrawsBeforeRepeat(1700), 45u);

    std::array<uint8_t, 16> key{};
    const uint8_t aKey[16] = {
        0xa2, 0xdf, 0xf1, 0x2b, 0x27, 0x05, 0x3b, 0x85, 0x40, 0x36, 0xec, 0x82, 0xe0, 0xed, 0x5f, 0x36};
    std::copy(std::begin(aKey), std::end(aKey), key.begin());
    sequence.SetRawKey(key);
    sequence.SetModulus(1872);
    std::vector<uint32_t> sealed;
    for (int i = 0; i < 16; ++i)
        sealed.push_back(sequence.Next());
    EXPECT_EQ(
        sealed, (std::vector<uint32_t>{17, 51, 119, 153, 170, 204, 221, 238, 255, 272, 289, 306, 323, 340, 408, 459}));
}

}  // namespace
