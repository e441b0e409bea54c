#pragma once
// The keyed order in which carrier bytes receive hidden bits.
//
// Candidate k (1..N) of a pass is p = (17 * k mod 2^32) mod N; it is handed out when key bit
// (k - 1) mod 128 is 1, bits numbered from the most significant bit of key byte 0. After
// candidate N the key is complemented and a new pass starts at k = 1, so the second pass hands
// out exactly the candidates the first one skipped.
//
// Next() yields the same positions as that literal loop without a division per candidate: the
// candidate advances by 17 mod N, a table gives the distance to the next set key bit, and the
// 32-bit product is reduced afresh only where it wraps (possible for N > (2^32 - 1) / 17).

#include <array>
#include <cstdint>
#include <string_view>

class C_PositionSequence {
public:
    static constexpr uint32_t kStep = 17;
    static constexpr uint32_t kKeyLength = 16;
    static constexpr uint32_t kKeyBits = kKeyLength * 8;
    // Largest N whose products 17 * k, k <= N, never wrap 32 bits: (2^32 - 1) / 17 exactly.
    static constexpr uint32_t kLargestUnwrappedModulus = 0xFFFFFFFFu / kStep;

    C_PositionSequence();

    // Key = MD5 of the pass phrase bytes (an empty pass phrase is valid). Sets the step to 17.
    void SetKey(std::string_view strPassword);
    // Key from 16 raw bytes; for tests and for callers that already hold a digest.
    void SetRawKey(const std::array<uint8_t, kKeyLength>& key);
    // N, the number of addressable bytes; must be at least 1 before the first Next().
    void SetModulus(uint32_t nModulus);

    uint32_t GetModulus() const { return m_nModulus; }
    const std::array<uint8_t, kKeyLength>& GetKey() const { return m_aKey; }

    // The next position, in 0 .. N - 1.
    inline uint32_t Next();

    // True when the next nDraws positions this sequence would hand out name some byte twice;
    // the sequence itself does not move. Only a modulus that is a multiple of 17, or one whose products
    // wrap, can repeat within N draws; for any other N, k -> 17k mod N is a bijection on 1..N
    // and the two passes split those candidates, so the first N draws are all distinct.
    bool RepeatsWithin(uint64_t nDraws) const;

private:
    void BuildSkipTables();
    void StartPass();
    inline void Advance(uint32_t nDistance);

    // The fields of the literal algorithm.
    uint32_t m_nModulus = 0;    // N
    uint32_t m_nStep = kStep;   // multiplier of the candidate formula
    uint32_t m_nCounter = 1;    // k, 1..N within the current pass
    uint32_t m_nKeyByte = 0;    // key byte cursor, 0..15
    uint32_t m_nKeyBit = 0;     // key bit cursor, 0 = most significant
    std::array<uint8_t, kKeyLength> m_aKey{};  // current key; complemented on every other pass
    uint32_t m_nKeyLength = kKeyLength;

    // Derived state for the fast draw.
    uint32_t m_nProduct = kStep;  // 17 * k mod 2^32
    uint32_t m_nCandidate = 0;    // m_nProduct mod N
    bool m_bComplemented = false; // which of the two skip tables applies
    // Distance from bit i (0..127) to the next set key bit, cyclically; kNoBit when none.
    static constexpr uint8_t kNoBit = 0xFF;
    std::array<std::array<uint8_t, kKeyBits>, 2> m_aSkip{};
    // (17 * d) mod N for d = 0..128: advancing d candidates without a division.
    std::array<uint32_t, kKeyBits + 1> m_aStepMod{};
};

inline void C_PositionSequence::Advance(uint32_t nDistance)
{
    m_nCounter += nDistance;
    const uint32_t nBit = (m_nKeyByte * 8 + m_nKeyBit + nDistance) & (kKeyBits - 1);
    m_nKeyByte = nBit >> 3;
    m_nKeyBit = nBit & 7;
    const uint32_t nProduct = m_nProduct + m_nStep * nDistance;  // wraps like the literal product
    if (nProduct < m_nProduct) {
        m_nCandidate = nProduct % m_nModulus;
    } else {
        uint32_t nCandidate = m_nCandidate + m_aStepMod[nDistance];
        if (nCandidate >= m_nModulus || nCandidate < m_nCandidate)
            nCandidate -= m_nModulus;
        m_nCandidate = nCandidate;
    }
    m_nProduct = nProduct;
}

inline uint32_t C_PositionSequence::Next()
{
    for (;;) {
        const uint32_t nBit = m_nKeyByte * 8 + m_nKeyBit;
        const uint32_t nDistance = m_aSkip[m_bComplemented][nBit];
        // Candidates left in this pass after the current one: N - k.
        if (nDistance != kNoBit && nDistance <= m_nModulus - m_nCounter) {
            Advance(nDistance);
            const uint32_t nPosition = m_nCandidate;
            if (m_nCounter == m_nModulus)
                StartPass();
            else
                Advance(1);
            return nPosition;
        }
        StartPass();
    }
}
