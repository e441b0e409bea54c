// The order a record's positions are visited in: every position exactly once, a different order
// for a different key, and the same order as the definition in the header gives.

#include "model/records/C_KeyedPermutation.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <vector>

namespace {

using T_Key = std::array<uint8_t, C_KeyedPermutation::kKeyBytes>;

T_Key KeyOf(uint8_t nFactor, uint8_t nOffset)
{
    T_Key key;
    for (size_t i = 0; i < key.size(); ++i)
        key[i] = static_cast<uint8_t>(nFactor * i + nOffset);
    return key;
}

TEST(KeyedPermutation, EveryIndexOnce)
{
    for (const uint32_t n : {1u, 2u, 3u, 17u, 1000u, (1u << 20) + 3}) {
        SCOPED_TRACE(n);
        const C_KeyedPermutation permutation(KeyOf(1, 0), n);
        const std::vector<uint32_t> all = permutation.All();
        ASSERT_EQ(all.size(), n);
        std::vector<bool> seen(n);
        for (const uint32_t x : all) {
            ASSERT_LT(x, n);
            ASSERT_FALSE(seen[x]);
            seen[x] = true;
        }
        EXPECT_EQ(permutation.At(n - 1), all[n - 1]);
        EXPECT_THROW(permutation.At(n), std::out_of_range);
    }
    EXPECT_TRUE(C_KeyedPermutation(KeyOf(1, 0), 0).All().empty());
    // The widest domain: 16-bit halves, and only 2^32 - 1 itself walks on.
    const C_KeyedPermutation widest(KeyOf(1, 0), UINT32_MAX);
    EXPECT_LT(widest.At(UINT32_MAX - 1), UINT32_MAX);
}

TEST(KeyedPermutation, KeysGiveUnrelatedOrders)
{
    constexpr uint32_t n = 1000;
    const std::vector<uint32_t> a = C_KeyedPermutation(KeyOf(1, 0), n).All();
    T_Key key = KeyOf(1, 0);
    key[31] ^= 1;
    const std::vector<uint32_t> b = C_KeyedPermutation(key, n).All();
    int nSame = 0, nFixed = 0;
    for (uint32_t i = 0; i < n; ++i) {
        nSame += a[i] == b[i];
        nFixed += a[i] == i;
    }
    // About 1 each for random orders.
    EXPECT_LT(nSame, 8);
    EXPECT_LT(nFixed, 8);
}

TEST(KeyedPermutation, TestVectors)
{
    struct S_Vector {
        T_Key key;
        uint32_t nCount;
        std::array<uint32_t, 8> first;
    };
    // The vectors in the header, computed by a separate implementation of its definition.
    const S_Vector vectors[] = {
        {KeyOf(1, 0), 1000, {840, 375, 772, 400, 880, 705, 691, 816}},
        {KeyOf(0, 0), 17, {4, 5, 2, 10, 12, 7, 13, 16}},
        {KeyOf(0, 0xff), (1u << 20) + 3, {604903, 621652, 385943, 190731, 843661, 916420, 438374, 982431}},
        {KeyOf(7, 1), 4032u * 3024 * 3, {24538552, 32331603, 36467545, 4257795, 31767537, 4825249, 10820435, 7648574}},
    };
    for (const S_Vector& v : vectors) {
        SCOPED_TRACE(v.nCount);
        const C_KeyedPermutation permutation(v.key, v.nCount);
        for (uint32_t i = 0; i < 8; ++i)
            EXPECT_EQ(permutation.At(i), v.first[i]) << i;
    }
}

}  // namespace
