#include "engine/C_TrellisCoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr float kWet = std::numeric_limits<float>::infinity();

std::vector<uint8_t> RandomBits(size_t n, uint32_t nSeed)
{
    std::mt19937 rng(nSeed);
    std::vector<uint8_t> v(n);
    for (uint8_t& b : v)
        b = uint8_t(rng() & 1);
    return v;
}

std::vector<float> RandomCosts(size_t n, uint32_t nSeed)
{
    std::mt19937 rng(nSeed);
    std::uniform_real_distribution<float> u(0.01f, 1.0f);
    std::vector<float> v(n);
    for (float& f : v)
        f = u(rng);
    return v;
}

// The syndrome straight from the written definition of H: row b + t, column i of block b holds
// bit t of c_j, rows from m on cut off.
std::vector<uint8_t> SyndromeByDefinition(const C_TrellisCoder& coder, const std::vector<uint8_t>& y, size_t m)
{
    const size_t n = y.size();
    const std::vector<uint32_t> columns = coder.Columns((n + m - 1) / m);
    std::vector<uint8_t> syndrome(m, 0);
    for (size_t b = 0; b < m; ++b)
        for (size_t i = b * n / m; i < (b + 1) * n / m; ++i)
            for (int t = 0; t < coder.Height() && b + t < m; ++t)
                syndrome[b + t] ^= uint8_t(((columns[i - b * n / m] >> t) & 1) & y[i]);
    return syndrome;
}

TEST(TrellisCoder, TheMessageComesBackAtEveryRateAndHeight)
{
    for (const int h : {7, 10, 12}) {
        for (const double fRate : {0.05, 0.1, 0.25, 0.5, 1.0}) {
            const size_t n = h == 12 ? 1001 : 3001;
            const size_t m = size_t(std::lround(fRate * n));
            const C_TrellisCoder coder(uint64_t(h * 1000 + m), h);
            const std::vector<uint8_t> x = RandomBits(n, uint32_t(m));
            const std::vector<uint8_t> message = RandomBits(m, uint32_t(m + 1));
            std::vector<uint8_t> y, back;
            ASSERT_TRUE(coder.Embed(x, RandomCosts(n, 3), message, y)) << h << " " << fRate;
            coder.Extract(y, m, back);
            EXPECT_EQ(back, message) << h << " " << fRate;
            EXPECT_EQ(SyndromeByDefinition(coder, y, m), message) << h << " " << fRate;
        }
    }
}

TEST(TrellisCoder, MessagesShorterThanTheHeightFit)
{
    const C_TrellisCoder coder(42);
    for (const size_t m : {1u, 2u, 9u}) {
        const std::vector<uint8_t> message = RandomBits(m, 5);
        std::vector<uint8_t> y, back;
        ASSERT_TRUE(coder.Embed(RandomBits(100, 6), RandomCosts(100, 7), message, y));
        coder.Extract(y, m, back);
        EXPECT_EQ(back, message);
    }
}

TEST(TrellisCoder, RecomputedSegmentsGiveTheSameStego)
{
    const size_t n = 20000, m = 3000;
    C_TrellisCoder coder(7);
    const std::vector<uint8_t> x = RandomBits(n, 8);
    const std::vector<float> costs = RandomCosts(n, 9);
    const std::vector<uint8_t> message = RandomBits(m, 10);
    std::vector<uint8_t> whole, segmented;
    double fWhole = 0, fSegmented = 0;
    ASSERT_TRUE(coder.Embed(x, costs, message, whole, &fWhole));
    coder.SetPathMemoryLimit(10000);  // a few blocks a segment
    ASSERT_TRUE(coder.Embed(x, costs, message, segmented, &fSegmented));
    EXPECT_EQ(whole, segmented);
    EXPECT_EQ(fWhole, fSegmented);
}

// Each processor runs the kernels of its widest vectors: every set it can run must give the
// very same stego bits, or a picture would depend on the machine that sealed it (and a kernel's
// slip would show only on some). Heights 7 and 8 run in registers on AVX-512. Wet bits, ties and
// the last blocks' cut-off rows are in the input.
TEST(TrellisCoder, EveryInstructionSetGivesTheSameStego)
{
    const size_t n = 6007, m = 1201;
    const std::vector<uint8_t> x = RandomBits(n, 21);
    // Few cost values, so that paths tie often and the rule for ties is compared too.
    std::vector<float> costs = RandomCosts(n, 22);
    for (size_t i = 0; i < n; ++i)
        costs[i] = i % 17 == 0 ? kWet : std::round(costs[i] * 3);
    const std::vector<uint8_t> message = RandomBits(m, 23);
    for (int h = C_TrellisCoder::kMinHeight; h <= C_TrellisCoder::kMaxHeight; ++h) {
        const C_TrellisCoder coder(uint64_t(100 + h), h);
        std::vector<uint8_t> reference;
        ASSERT_EQ(setenv("VMK_TRELLIS_KERNELS", "scalar", 1), 0);
        ASSERT_TRUE(coder.Embed(x, costs, message, reference)) << h;
        for (const char* pSet : {"sse2", "avx2", "avx512"}) {
            // A set the processor lacks falls back to its best one, which is then compared again.
            ASSERT_EQ(setenv("VMK_TRELLIS_KERNELS", pSet, 1), 0);
            std::vector<uint8_t> y;
            ASSERT_TRUE(coder.Embed(x, costs, message, y)) << h << " " << pSet;
            EXPECT_EQ(y, reference) << h << " " << pSet;
        }
        unsetenv("VMK_TRELLIS_KERNELS");
    }
}

TEST(TrellisCoder, WetBitsNeverChange)
{
    const size_t n = 6000, m = 1500;
    const C_TrellisCoder coder(11);
    const std::vector<uint8_t> x = RandomBits(n, 12);
    std::vector<float> costs = RandomCosts(n, 13);
    std::mt19937 rng(14);
    for (float& f : costs)
        if (rng() % 10 < 4)
            f = kWet;
    const std::vector<uint8_t> message = RandomBits(m, 15);
    std::vector<uint8_t> y, back;
    double fCost = 0;
    ASSERT_TRUE(coder.Embed(x, costs, message, y, &fCost));
    EXPECT_TRUE(std::isfinite(fCost));
    for (size_t i = 0; i < n; ++i) {
        if (std::isinf(costs[i])) {
            ASSERT_EQ(y[i], x[i]) << i;
        }
    }
    coder.Extract(y, m, back);
    EXPECT_EQ(back, message);
}

TEST(TrellisCoder, APayloadThatCannotFitIsRefused)
{
    const C_TrellisCoder coder(16);
    std::vector<uint8_t> y = {1};
    EXPECT_FALSE(coder.Embed(RandomBits(1000, 17), std::vector<float>(1000, kWet), RandomBits(100, 18), y));
    EXPECT_TRUE(y.empty());
    // More message bits than changeable cover bits.
    std::vector<float> costs(1000, kWet);
    for (size_t i = 0; i < 1000; i += 20)
        costs[i] = 1;
    EXPECT_FALSE(coder.Embed(RandomBits(1000, 19), costs, RandomBits(100, 20), y));
    EXPECT_FALSE(coder.Embed(RandomBits(10, 21), RandomCosts(10, 22), RandomBits(11, 23), y));
    // One block of 2^21 + 1 bits would need over a gigabyte of path bits at h = 12.
    const size_t nHuge = (size_t(1) << 21) + 1;
    EXPECT_FALSE(C_TrellisCoder(16, 12).Embed(
        std::vector<uint8_t>(nHuge), std::vector<float>(nHuge, 1.0f), std::vector<uint8_t>{1}, y));
}

TEST(TrellisCoder, ChangesGoWhereTheyAreCheap)
{
    // Writing the message into m fixed bits changes m / 2 of them at a mean cost of about 0.5.
    const size_t n = 40000, m = 10000;
    const C_TrellisCoder coder(24);
    std::vector<uint8_t> y;
    double fCost = 0;
    ASSERT_TRUE(coder.Embed(RandomBits(n, 25), RandomCosts(n, 26), RandomBits(m, 27), y, &fCost));
    EXPECT_LT(fCost, 0.4 * (m / 2 * 0.5));
}

TEST(TrellisCoder, TheKeyAndColumnsAreFixed)
{
    // The matrix is part of what a receiver reads: these values (checked against the written
    // definition by hand) must never change.
    const std::vector<uint8_t> key = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const C_TrellisCoder coder(key, 10);
    EXPECT_EQ(coder.Seed(), 0x500EC75473F1E3CBull);
    EXPECT_EQ(coder.Columns(4), (std::vector<uint32_t>{899, 933, 851, 679}));
}

TEST(TrellisCoder, PlusMinusMovesEachChangedValueOneStepTheAllowedWay)
{
    const size_t n = 5000, m = 1000;
    const C_TrellisCoder coder(28);
    std::mt19937 rng(29);
    std::vector<int32_t> cover(n);
    for (int32_t& v : cover)
        v = int32_t(rng() % 256);
    std::vector<float> plus = RandomCosts(n, 30), minus = RandomCosts(n, 31);
    for (size_t i = 0; i < n; ++i) {
        if (cover[i] == 0)
            minus[i] = kWet;
        if (cover[i] == 255)
            plus[i] = kWet;
    }
    const std::vector<uint8_t> message = RandomBits(m, 32);
    std::vector<int32_t> stego;
    std::vector<uint8_t> back;
    ASSERT_TRUE(coder.EmbedPlusMinus(cover, plus, minus, message, stego));
    for (size_t i = 0; i < n; ++i) {
        const int d = stego[i] - cover[i];
        ASSERT_TRUE(d == 0 || (d == 1 && plus[i] <= minus[i]) || (d == -1 && minus[i] <= plus[i])) << i;
    }
    coder.ExtractPlusMinus(stego, m, back);
    EXPECT_EQ(back, message);

    size_t nSecond = 0;
    double fCost = 0;
    ASSERT_TRUE(coder.EmbedTwoLayers(cover, plus, minus, message, stego, nSecond, &fCost));
    EXPECT_GT(nSecond, 0u);
    double fSum = 0;
    for (size_t i = 0; i < n; ++i) {
        const int d = stego[i] - cover[i];
        ASSERT_TRUE(d == 0 || d == 1 || d == -1) << i;
        fSum += d == 1 ? plus[i] : d == -1 ? minus[i] : 0;
    }
    EXPECT_DOUBLE_EQ(fSum, fCost);
    coder.ExtractTwoLayers(stego, nSecond, m, back);
    EXPECT_EQ(back, message);
}

// A move a thousand times dearer than the cheap ones is still a move. When most of the values
// are that dear, the second layer must be able to use them, or a message the values can carry
// is refused.
TEST(TrellisCoder, DearMovesStayAllowedInTheSecondLayer)
{
    const size_t n = 5000;
    const C_TrellisCoder coder(33);
    std::mt19937 rng(34);
    std::vector<int32_t> cover(n);
    std::vector<float> plus(n), minus(n);
    for (size_t i = 0; i < n; ++i) {
        cover[i] = int32_t(1 + rng() % 254);
        plus[i] = minus[i] = rng() % 5 == 0 ? 1.0f : 1000.0f;
    }
    // More second-layer bits than the cheap fifth of the values could take.
    const std::vector<uint8_t> second = RandomBits(1500, 35), first = RandomBits(500, 36);
    std::vector<int32_t> stego;
    ASSERT_TRUE(coder.EmbedTwoLayers(cover, plus, minus, second, first, 1.0, stego));
    std::vector<uint8_t> back, message = second;
    message.insert(message.end(), first.begin(), first.end());
    coder.ExtractTwoLayers(stego, second.size(), message.size(), back);
    EXPECT_EQ(back, message);
}

// Free rows: the rows held come back, and letting the code pick the others never costs more
// than any choice of them made beforehand (the cover's own bits there, or random ones).
TEST(TrellisCoder, FreeRowsCostNoMoreThanAnyChoiceOfThem)
{
    const size_t n = 1024, m = 128;
    const C_TrellisCoder coder(37);
    const std::vector<uint8_t> x = RandomBits(n, 38);
    std::vector<float> costs = RandomCosts(n, 39);
    std::mt19937 rng(40);
    for (float& f : costs)
        if (rng() % 2)
            f = kWet;
    const std::vector<uint8_t> message = RandomBits(m, 41);
    std::vector<uint8_t> freeRows(m);
    for (size_t b = 1; b < m; b += 2)
        freeRows[b] = 1;
    std::vector<uint8_t> y, back, own;
    ASSERT_TRUE(coder.EmbedWithFreeRows(x, costs, message, freeRows, y));
    coder.Extract(y, m, back);
    ASSERT_EQ(back.size(), m);
    double fFree = 0;
    for (size_t i = 0; i < n; ++i) {
        ASSERT_TRUE(y[i] == x[i] || costs[i] != kWet) << i;
        fFree += y[i] != x[i] ? costs[i] : 0;
    }
    for (size_t b = 0; b < m; b += 2)
        EXPECT_EQ(back[b], message[b]) << b;

    coder.Extract(x, m, own);
    std::vector<uint8_t> withOwn = message;
    for (size_t b = 1; b < m; b += 2)
        withOwn[b] = own[b];
    for (const std::vector<uint8_t>& fixed : {withOwn, message}) {
        double fFixed = 0;
        ASSERT_TRUE(coder.Embed(x, costs, fixed, y, &fFixed));
        EXPECT_LE(fFree, fFixed * (1 + 1e-5));
    }
    // Whatever it chose, coding those bits with no row free costs the same.
    double fAgain = 0;
    ASSERT_TRUE(coder.Embed(x, costs, back, y, &fAgain));
    EXPECT_NEAR(fAgain, fFree, 1e-3 * fFree);
    // Too large for its memory, or the wrong sizes: refused.
    EXPECT_FALSE(coder.EmbedWithFreeRows(x, costs, message, std::vector<uint8_t>(m - 1), y));
    const size_t nHuge = C_TrellisCoder::kMaxFreeRowsMemory / 128 + 1;
    EXPECT_FALSE(coder.EmbedWithFreeRows(std::vector<uint8_t>(nHuge), std::vector<float>(nHuge, 1.0f),
        std::vector<uint8_t>(m), std::vector<uint8_t>(m), y));
}

}  // namespace
