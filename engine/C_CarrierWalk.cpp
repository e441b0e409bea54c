#include "engine/C_CarrierWalk.h"

C_CarrierWalk::C_CarrierWalk(const std::array<uint8_t, 16>& key, uint32_t nModulus)
    : m_nModulus(nModulus)
{
    for (uint32_t j = 0; j < 128; ++j) {
        m_aBit[j] = static_cast<uint8_t>((key[j >> 3] >> (7 - (j & 7))) & 1);
        m_aPrefix[j + 1] = m_aPrefix[j] + m_aBit[j];
    }
    for (int nPass = 0; nPass < 2; ++nPass) {
        const auto taken = [&](uint32_t j) { return (m_aBit[j & 127] ^ nPass) != 0; };
        for (uint32_t j = 0; j < 128; ++j) {
            m_aAnyTaken[nPass] = m_aAnyTaken[nPass] || taken(j);
            if (taken(j))
                m_aTaken[nPass][m_aTakenCount[nPass]++] = static_cast<uint8_t>(j);
        }
        uint32_t nIndex = m_aTakenCount[nPass];
        for (uint32_t j = 128; j-- > 0;) {
            if (taken(j))
                --nIndex;
            m_aTakenAtOrAfter[nPass][j] = static_cast<uint8_t>(nIndex);
        }
    }
    if (nModulus == 0)
        return;
    m_nTakenInPass1 = TakenBefore(uint64_t{nModulus} + 1);

    // Split candidates 1..N into runs on which both the 32-bit wrap count w of 17k and the
    // sweep r = (17k mod 2^32) / N stay constant: there position = 17k - (w 2^32 + r N).
    const uint64_t nN = nModulus;
    for (uint64_t k = 1; k <= nN;) {
        const uint64_t nProduct = 17 * k;
        const uint64_t w = nProduct >> 32;
        const uint64_t r = (nProduct & 0xFFFFFFFFu) / nN;
        const uint64_t nNextSweep = ((r + 1) * nN + (w << 32) + 16) / 17;
        const uint64_t nNextWrap = (((w + 1) << 32) + 16) / 17;
        uint64_t kEnd = nNextSweep < nNextWrap ? nNextSweep : nNextWrap;
        if (kEnd > nN + 1)
            kEnd = nN + 1;
        m_aRuns.push_back({k, kEnd - 1, (w << 32) + r * nN});
        k = kEnd;
    }
}

uint64_t C_CarrierWalk::TakenBefore(uint64_t k) const
{
    const uint64_t c = k - 1;
    return (c >> 7) * m_aPrefix[128] + m_aPrefix[c & 127];
}

uint64_t C_CarrierWalk::Rank(int nPass, uint64_t k) const
{
    return nPass == 0 ? TakenBefore(k) : m_nTakenInPass1 + (k - 1) - TakenBefore(k);
}

uint64_t C_CarrierWalk::FirstCandidateAtRank(int nPass, uint64_t nRank) const
{
    // Rank(nPass, k) never decreases with k; search 1 .. N + 1.
    uint64_t lo = 1, hi = uint64_t{m_nModulus} + 1;
    if (Rank(nPass, hi) < nRank)
        return hi;
    while (lo < hi) {
        const uint64_t mid = lo + (hi - lo) / 2;
        if (Rank(nPass, mid) >= nRank)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}
