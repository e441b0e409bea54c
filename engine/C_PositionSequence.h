#pragma once
// The keyed order in which carrier bytes receive hidden bits.
//
// Candidate k (1..N) of a pass is p = (17 * k mod 2^32) mod N; it is handed out when key bit
// (k - 1) mod 128 is 1, bits numbered from the most significant bit of key byte 0. After
// candidate N the key is complemented and a new pass starts at k = 1, so the second pass hands
// out exactly the candidates the first one skipped.
//
// Next() yields the same positions as that literal loop without a division per candidate: the
// set bits of the 128-bit key cycle form a fixed list of gaps, so each draw adds the gap to k
// and (17 x gap) mod N, taken from a table, to the candidate; Fill() handles a whole cycle of
// 128 candidates at once. The 32-bit product is reduced afresh only where it wraps, which
// needs N > (2^32 - 1) / 17.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

class C_PositionSequence {
public:
    static constexpr uint32_t kStep = 17;
    static constexpr uint32_t kKeyLength = 16;
    static constexpr uint32_t kKeyBits = kKeyLength * 8;
    // Largest N whose products 17 * k, k <= N, never wrap 32 bits: (2^32 - 1) / 17 exactly.
    static constexpr uint32_t kLargestUnwrappedModulus = 0xFFFFFFFFu / kStep;

    C_PositionSequence() = default;

    // Key = MD5 of the pass phrase bytes (an empty pass phrase is valid). Sets the step to 17.
    void SetKey(std::string_view strPassword);
    // Key from 16 raw bytes; for tests and for callers that already hold a digest.
    void SetRawKey(std::span<const uint8_t, kKeyLength> key);
    // N, the number of addressable bytes; must be at least 1 before the first Next().
    void SetModulus(uint32_t nModulus);
    // The key as set (not the complement that odd passes use).
    const std::array<uint8_t, kKeyLength>& GetKey() const { return m_aKey; }

    // The next position, in 0 .. N - 1.
    inline uint32_t Next();
    // The next nCount positions, as nCount calls of Next() would give them, with the state
    // held in registers for the whole run.
    void Fill(uint32_t* pPositions, size_t nCount);

    // True when the next nDraws positions this sequence would hand out name some byte twice;
    // the sequence itself does not move. Only a modulus that is a multiple of 17, or one whose
    // products wrap, can repeat within N draws; for any other N, k -> 17k mod N is a bijection
    // on 1..N and the two passes split those candidates, so the first N draws are all distinct.
    bool RepeatsWithin(uint64_t nDraws) const;
    // How many of the next draws, up to nMaxDraws, come before the first position drawn a
    // second time; the sequence itself does not move. Costs a bitmap of N bits.
    uint64_t DrawsBeforeRepeat(uint64_t nMaxDraws) const;

private:
    // One pass's view of the key: its set bits in cycle order as gaps from the previous one.
    struct S_Gaps {
        uint32_t nCount = 0;                     // set bits in the 128-bit cycle
        uint32_t nFirst = 0;                     // k of the first candidate taken in a pass
        std::array<uint8_t, kKeyBits> aGap{};    // aGap[j]: candidates from set bit j - 1 to j
        std::array<uint32_t, kKeyBits> aStep{};  // (17 x aGap[j]) mod N
        // (17 x (aGap[0] + .. + aGap[j])) mod N: the offsets of a whole key cycle from the last
        // set bit of the cycle before, which lets Fill() compute a cycle's draws independently.
        std::array<uint32_t, kKeyBits> aCycle{};
    };

    void BuildGaps();
    uint32_t StartPass();

    uint32_t m_nModulus = 0;                   // N
    uint32_t m_nStep = kStep;                  // multiplier of the candidate formula
    std::array<uint8_t, kKeyLength> m_aKey{};  // MD5 of the pass phrase
    std::array<S_Gaps, 2> m_aGaps{};           // [0] the key, [1] its complement
    uint32_t m_nPass = 0;                      // 0 on the key's passes, 1 on the complement's

    // Where the sequence stands: the last candidate handed out.
    uint32_t m_nCounter = 0;    // its k; 0 before the first draw
    uint32_t m_nIndex = 0;      // its set bit in m_aGaps[m_nPass]
    uint32_t m_nProduct = 0;    // 17 * k mod 2^32
    uint32_t m_nCandidate = 0;  // m_nProduct mod N
};

inline uint32_t C_PositionSequence::Next()
{
    const S_Gaps& gaps = m_aGaps[m_nPass];
    if (m_nCounter != 0 && gaps.nCount != 0) {
        uint32_t nIndex = m_nIndex + 1;
        if (nIndex == gaps.nCount)
            nIndex = 0;
        const uint32_t nGap = gaps.aGap[nIndex];
        if (nGap <= m_nModulus - m_nCounter) {
            m_nIndex = nIndex;
            m_nCounter += nGap;
            const uint32_t nProduct = m_nProduct + m_nStep * nGap;  // wraps like the literal product
            uint32_t nCandidate;
            if (nProduct < m_nProduct) {
                nCandidate = nProduct % m_nModulus;
            } else {
                nCandidate = m_nCandidate + gaps.aStep[nIndex];
                // The sum may pass 2^32 when N is close to it; either way one subtraction fits.
                if (nCandidate >= m_nModulus || nCandidate < m_nCandidate)
                    nCandidate -= m_nModulus;
            }
            m_nProduct = nProduct;
            m_nCandidate = nCandidate;
            return nCandidate;
        }
    }
    return StartPass();
}
