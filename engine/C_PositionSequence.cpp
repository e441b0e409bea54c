#include "engine/C_PositionSequence.h"

#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

void C_PositionSequence::SetKey(std::string_view strPassword)
{
    std::array<uint8_t, kKeyLength> key{};
    unsigned int nLength = 0;
    if (EVP_Digest(strPassword.data(), strPassword.size(), key.data(), &nLength, EVP_md5(), nullptr) != 1
        || nLength != kKeyLength)
        throw std::runtime_error("MD5 digest failed");
    SetRawKey(key);
}

void C_PositionSequence::SetRawKey(std::span<const uint8_t, kKeyLength> key)
{
    std::copy(key.begin(), key.end(), m_aKey.begin());
    m_nStep = kStep;
    BuildGaps();
}

void C_PositionSequence::SetModulus(uint32_t nModulus)
{
    m_nModulus = nModulus;
    BuildGaps();
}

void C_PositionSequence::BuildGaps()
{
    for (uint32_t nPass = 0; nPass < 2; ++nPass) {
        S_Gaps& gaps = m_aGaps[nPass];
        gaps = S_Gaps{};
        std::array<uint32_t, kKeyBits> aBits{};  // indices of the set bits, ascending
        for (uint32_t i = 0; i < kKeyBits; ++i) {
            const uint32_t nBit = ((m_aKey[i >> 3] >> (7 - (i & 7))) & 1) ^ nPass;
            if (nBit)
                aBits[gaps.nCount++] = i;
        }
        if (gaps.nCount == 0)
            continue;
        gaps.nFirst = aBits[0] + 1;
        for (uint32_t j = 0; j < gaps.nCount; ++j) {
            const uint32_t nPrevious = j == 0 ? aBits[gaps.nCount - 1] : aBits[j - 1];
            const uint32_t nGap = (aBits[j] + kKeyBits - nPrevious - 1) % kKeyBits + 1;  // 1..128
            gaps.aGap[j] = static_cast<uint8_t>(nGap);
            gaps.aStep[j] = m_nModulus ? static_cast<uint32_t>((uint64_t{m_nStep} * nGap) % m_nModulus) : 0;
        }
        // Offsets from the last set bit of one cycle to each set bit of the next.
        uint32_t nOffset = 0;
        for (uint32_t j = 0; j < gaps.nCount; ++j) {
            nOffset += gaps.aGap[j];
            gaps.aCycle[j] = m_nModulus ? static_cast<uint32_t>((uint64_t{m_nStep} * nOffset) % m_nModulus) : 0;
        }
    }
    // A fresh sequence: the next draw is the first of the first pass.
    m_nPass = 1;
    m_nCounter = 0;
}

void C_PositionSequence::Fill(uint32_t* pPositions, size_t nCount)
{
    size_t i = 0;
    while (i < nCount) {
        const S_Gaps& gaps = m_aGaps[m_nPass];
        if (m_nCounter == 0 || gaps.nCount == 0) {
            pPositions[i++] = StartPass();
            continue;
        }
        // The same step as Next(), on locals.
        const uint32_t nModulus = m_nModulus;
        const uint32_t nStep = m_nStep;
        const uint32_t nSetBits = gaps.nCount;
        uint32_t nIndex = m_nIndex;
        uint32_t nCounter = m_nCounter;
        uint32_t nProduct = m_nProduct;
        uint32_t nCandidate = m_nCandidate;
        // Whole key cycles: each draw is the cycle's base plus a table offset, independent of
        // the draws before it. Allowed while the cycle ends inside the pass and the product
        // does not wrap within it.
        const auto wholeCycleFits = [&] {
            return nIndex == nSetBits - 1 && nCount - i >= nSetBits && nModulus - nCounter >= kKeyBits
                && nProduct <= UINT32_MAX - nStep * kKeyBits;
        };
        for (;;) {
            while (wholeCycleFits()) {
                const uint32_t nBase = nCandidate;
                uint32_t* pOut = pPositions + i;
                for (uint32_t j = 0; j < nSetBits; ++j) {
                    const uint32_t nSum = nBase + gaps.aCycle[j];
                    pOut[j] = nSum >= nModulus || nSum < nBase ? nSum - nModulus : nSum;
                }
                nCandidate = pOut[nSetBits - 1];
                nCounter += kKeyBits;
                nProduct += nStep * kKeyBits;
                i += nSetBits;
            }
            if (i == nCount)
                break;
            uint32_t nNext = nIndex + 1;
            if (nNext == nSetBits)
                nNext = 0;
            const uint32_t nGap = gaps.aGap[nNext];
            if (nGap > nModulus - nCounter)
                break;  // the pass ends before the next set bit
            nIndex = nNext;
            nCounter += nGap;
            const uint32_t nNextProduct = nProduct + nStep * nGap;
            if (nNextProduct < nProduct) {
                nCandidate = nNextProduct % nModulus;
            } else {
                const uint32_t nSum = nCandidate + gaps.aStep[nNext];
                nCandidate = nSum >= nModulus || nSum < nCandidate ? nSum - nModulus : nSum;
            }
            nProduct = nNextProduct;
            pPositions[i++] = nCandidate;
        }
        m_nIndex = nIndex;
        m_nCounter = nCounter;
        m_nProduct = nProduct;
        m_nCandidate = nCandidate;
        if (i < nCount)
            pPositions[i++] = StartPass();
    }
}

uint32_t C_PositionSequence::StartPass()
{
    // Complement the key and start over at k = 1, until a pass has a candidate to give (with
    // N >= 1 one of the two passes always has).
    for (;;) {
        m_nPass ^= 1;
        const S_Gaps& gaps = m_aGaps[m_nPass];
        if (gaps.nCount == 0 || gaps.nFirst > m_nModulus)
            continue;
        m_nIndex = 0;
        m_nCounter = gaps.nFirst;
        m_nProduct = m_nStep * m_nCounter;
        m_nCandidate = m_nProduct % m_nModulus;
        return m_nCandidate;
    }
}

bool C_PositionSequence::RepeatsWithin(uint64_t nDraws) const
{
    if (m_nModulus == 0)
        return nDraws > 0;
    if (nDraws > m_nModulus)
        return true;  // more draws than bytes
    const bool bMayRepeat = m_nModulus % kStep == 0 || m_nModulus > kLargestUnwrappedModulus;
    if (!bMayRepeat)
        return false;
    // Sorting the draws costs 4 bytes a draw, never a bitmap of all N bytes.
    C_PositionSequence sequence(*this);
    std::vector<uint32_t> drawn(nDraws);
    sequence.Fill(drawn.data(), drawn.size());
    std::sort(drawn.begin(), drawn.end());
    return std::adjacent_find(drawn.begin(), drawn.end()) != drawn.end();
}

uint64_t C_PositionSequence::DrawsBeforeRepeat(uint64_t nMaxDraws) const
{
    if (m_nModulus == 0)
        return 0;
    nMaxDraws = std::min<uint64_t>(nMaxDraws, m_nModulus);  // N + 1 draws always repeat one
    C_PositionSequence sequence(*this);
    std::vector<uint64_t> seen((uint64_t{m_nModulus} + 63) / 64);
    std::vector<uint32_t> chunk(std::min<uint64_t>(nMaxDraws, 1u << 16));
    uint64_t nDone = 0;
    while (nDone < nMaxDraws) {
        const size_t nCount = static_cast<size_t>(std::min<uint64_t>(chunk.size(), nMaxDraws - nDone));
        sequence.Fill(chunk.data(), nCount);
        for (size_t i = 0; i < nCount; ++i, ++nDone) {
            const uint32_t p = chunk[i];
            const uint64_t nMask = uint64_t{1} << (p & 63);
            if (seen[p >> 6] & nMask)
                return nDone;
            seen[p >> 6] |= nMask;
        }
    }
    return nDone;
}
