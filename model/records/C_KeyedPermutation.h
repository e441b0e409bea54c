#pragma once
// A keyed permutation of 0 .. N - 1 (N up to 2^32 - 1), so that a record's positions spread over
// the whole picture with no structure by index. Random access: At(i) costs a few table look-ups,
// and the whole order takes no memory beyond its own result (a shuffle of 36 million positions
// would hold 144 MB of state and jump through it at random).
//
// Definition (enough to write it again; all integers unsigned):
//   k = the smallest integer >= 2 with 2^k >= N; the domain is 0 .. 2^k - 1.
//   b = floor(k / 2) and a = k - b: a value x of the domain is the pair L = x >> b (a bits) and
//   R = x & (2^b - 1) (b bits); x = (L << b) | R.
//   Ten rounds, r = 0 .. 9 (an alternating Feistel network, as in NIST SP 800-38G FF1):
//     r even: L = L xor T_r[R]   (T_r has 2^b entries of a bits)
//     r odd:  R = R xor T_r[L]   (T_r has 2^a entries of b bits)
//   T_r: the ChaCha20 key stream (RFC 8439, as libsodium's crypto_stream_chacha20_ietf) under the
//   32-byte key, with the 12-byte nonce = r as 4 bytes little-endian, then k as 4 bytes
//   little-endian, then 4 zero bytes, block counter starting at 0. Entry j is the key stream's
//   bytes 2j and 2j + 1 read as a little-endian 16-bit number, keeping its low (table width)
//   bits. Each table uses the key stream from its start, so T_r's first entries do not depend
//   on its size.
//   E(x) = the domain value after the ten rounds: a permutation of the domain.
//   At(i) = E(i), then E again while the result is >= N (cycle walking: the walk stays in 0 .. N - 1
//   because E permutes the domain and i < N; on average fewer than 2 steps since 2^k < 2N for N >= 3).
// Every ChaCha20 stream it reads uses a nonce of this form: the key must serve no other stream.
//
// Test vectors (key bytes, N: At(0) .. At(7)):
//   00 01 02 .. 1f, N = 1000:                  see KeyedPermutationTest.cpp
// (the vectors are listed in full in the test, which checks them).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class C_KeyedPermutation {
public:
    static constexpr size_t kKeyBytes = 32;
    static constexpr int kRounds = 10;

    // The permutation of 0 .. nCount - 1 under the key. nCount may be 0 (no elements).
    C_KeyedPermutation(std::span<const uint8_t, kKeyBytes> key, uint32_t nCount);
    // The tables are derived from the key: wiped when done.
    ~C_KeyedPermutation();
    C_KeyedPermutation(const C_KeyedPermutation&) = default;
    C_KeyedPermutation& operator=(const C_KeyedPermutation&) = default;

    uint32_t Count() const { return m_nCount; }
    // The i-th element; throws std::out_of_range unless i < Count().
    uint32_t At(uint32_t i) const;
    // At(0) .. At(Count() - 1).
    std::vector<uint32_t> All() const;

private:
    uint32_t Rounds(uint32_t x) const;
    // The element, for i < Count().
    uint32_t Walk(uint32_t i) const
    {
        uint32_t x = Rounds(i);
        while (x >= m_nCount)
            x = Rounds(x);
        return x;
    }

    uint32_t m_nCount;
    int m_nRightBits;
    uint32_t m_nLeftMask;
    uint32_t m_nRightMask;
    // T_0 .. T_9 one after the other; m_offsets[r] is where T_r starts.
    std::vector<uint16_t> m_tables;
    std::array<size_t, kRounds> m_offsets{};
};
