#pragma once
// A keyed permutation of 0 .. N - 1 (N up to 2^32 - 1), so that a record's positions spread over
// the whole picture with no structure by index.
//
// Why a Feistel network and not a shuffle: At(i) is random access at a few table look-ups, and
// the order can be visited without holding it. For N = 36,578,304 (a 4032 x 3024 RGB picture),
// All() takes about 0.7 s of one core (Release build, 2-core EPYC build machine) with 160 KB
// of tables besides its result (1.3 MB at most, for N above 2^31); a Fisher-Yates shuffle driven by ChaCha20 took
// about 0.6 s there but must hold the whole 146 MB order (and its key stream, or draw it in
// pieces) before the first element is known, and has no random access.
//
// Definition (enough to write it again; all integers unsigned):
//   k = the smallest integer >= 2 with 2^k >= N; the domain is 0 .. 2^k - 1.
//   b = floor(k / 2) and a = k - b: a value x of the domain is the pair L = x >> b (a bits) and
//   R = x & (2^b - 1) (b bits); x = (L << b) | R.
//   Ten rounds, r = 0 .. 9 (an alternating Feistel network, the layout of NIST SP 800-38G FF1):
//     r even: L = L xor T_r[R]   (T_r has 2^b entries of a bits)
//     r odd:  R = R xor T_r[L]   (T_r has 2^a entries of b bits)
//   T_r: the ChaCha20 key stream (RFC 8439, as libsodium's crypto_stream_chacha20_ietf) under the
//   32-byte key, with the 12-byte nonce = r as 4 bytes little-endian, then k as 4 bytes
//   little-endian, then 4 zero bytes, block counter starting at 0. Entry j is the key stream's
//   bytes 2j and 2j + 1 read as a little-endian 16-bit number, keeping its low a bits (r even)
//   or b bits (r odd).
//   E(x) = the domain value after the ten rounds: a permutation of the domain.
//   At(i) = E(i), then E again while the result is >= N (cycle walking: it ends inside
//   0 .. N - 1 because E permutes the domain and i < N; all N walks together take at most 2^k
//   steps, fewer than 2N for N >= 3).
// Every ChaCha20 stream it reads has a nonce of this form: the key must key nothing else (derive
// it for this use alone). Two N with the same k share E, so their orders are related: the key
// should depend on N too when that matters.
//
// Test vectors (key bytes; N; At(0) .. At(7)):
//   00 01 02 .. 1f (byte i = i);      1000;          840 375 772 400 880 705 691 816
//   32 bytes 00;                      17;            4 5 2 10 12 7 13 16
//   32 bytes ff;                      1048579;       604903 621652 385943 190731 843661 916420
//                                                    438374 982431
//   byte i = (7 i + 1) mod 256;       36578304;      24538552 32331603 36467545 4257795 31767537
//                                                    4825249 10820435 7648574

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
    // At(nFirst) .. At(nFirst + out.size() - 1) into out; throws std::out_of_range past Count().
    // Ranges are independent: threads may fill parts of one order at once.
    void Fill(uint32_t nFirst, std::span<uint32_t> out) const;

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
