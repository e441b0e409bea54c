#include "model/records/C_KeyedPermutation.h"

#include "model/pictures/C_LittleEndian.h"

#include <sodium.h>

#include <algorithm>
#include <stdexcept>
#include <string>

C_KeyedPermutation::C_KeyedPermutation(std::span<const uint8_t, kKeyBytes> key, uint32_t nCount)
    : m_nCount(nCount)
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not start");
    int k = 2;
    while (k < 32 && (uint64_t{1} << k) < nCount)
        ++k;
    m_nRightBits = k / 2;
    const int nLeftBits = k - m_nRightBits;
    m_nLeftMask = (uint32_t{1} << nLeftBits) - 1;
    m_nRightMask = (uint32_t{1} << m_nRightBits) - 1;

    size_t nTotal = 0;
    for (int r = 0; r < kRounds; ++r) {
        m_offsets[r] = nTotal;
        // Even rounds look up by R, odd rounds by L.
        nTotal += size_t{1} << (r % 2 == 0 ? m_nRightBits : nLeftBits);
    }
    m_tables.resize(nTotal);
    std::vector<uint8_t> stream;
    for (int r = 0; r < kRounds; ++r) {
        const size_t nEntries = size_t{1} << (r % 2 == 0 ? m_nRightBits : nLeftBits);
        const uint32_t nMask = r % 2 == 0 ? m_nLeftMask : m_nRightMask;
        uint8_t nonce[crypto_stream_chacha20_ietf_NONCEBYTES] = {};
        C_LittleEndian::Put32(nonce, static_cast<uint32_t>(r));
        C_LittleEndian::Put32(nonce + 4, static_cast<uint32_t>(k));
        stream.resize(2 * nEntries);
        crypto_stream_chacha20_ietf(stream.data(), stream.size(), nonce, key.data());
        uint16_t* pTable = m_tables.data() + m_offsets[r];
        for (size_t j = 0; j < nEntries; ++j)
            pTable[j] = static_cast<uint16_t>((stream[2 * j] | (stream[2 * j + 1] << 8)) & nMask);
    }
    sodium_memzero(stream.data(), stream.size());
}

C_KeyedPermutation::~C_KeyedPermutation()
{
    if (!m_tables.empty())
        sodium_memzero(m_tables.data(), m_tables.size() * sizeof(uint16_t));
}

uint32_t C_KeyedPermutation::Rounds(uint32_t x) const
{
    uint32_t nLeft = x >> m_nRightBits;
    uint32_t nRight = x & m_nRightMask;
    const uint16_t* p = m_tables.data();
    for (int r = 0; r < kRounds; r += 2) {
        nLeft ^= p[m_offsets[r] + nRight];
        nRight ^= p[m_offsets[r + 1] + nLeft];
    }
    return (nLeft << m_nRightBits) | nRight;
}

uint32_t C_KeyedPermutation::At(uint32_t i) const
{
    if (i >= m_nCount)
        throw std::out_of_range("permutation index " + std::to_string(i) + " of " + std::to_string(m_nCount));
    return Walk(i);
}

std::vector<uint32_t> C_KeyedPermutation::All() const
{
    std::vector<uint32_t> all(m_nCount);
    Fill(0, all);
    return all;
}

void C_KeyedPermutation::Fill(uint32_t nFirst, std::span<uint32_t> out) const
{
    if (uint64_t{nFirst} + out.size() > m_nCount)
        throw std::out_of_range("permutation range past " + std::to_string(m_nCount));
    // Many elements at once, round by round: their table look-ups do not wait for each other,
    // where one element's ten wait each for the one before (several times faster). Those that
    // land at N or above walk on in the next pass.
    constexpr size_t kBatch = 1024;
    uint32_t* const pOut = out.data();
    std::array<uint32_t, kBatch> position;
    std::array<uint32_t, kBatch> left;
    std::array<uint32_t, kBatch> right;
    for (uint64_t nBase = 0; nBase < out.size(); nBase += kBatch) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(kBatch, out.size() - nBase));
        for (size_t t = 0; t < n; ++t) {
            const auto x = static_cast<uint32_t>(nFirst + nBase + t);
            position[t] = static_cast<uint32_t>(nBase + t);
            left[t] = x >> m_nRightBits;
            right[t] = x & m_nRightMask;
        }
        while (n > 0) {
            for (int r = 0; r < kRounds; r += 2) {
                const uint16_t* pEven = m_tables.data() + m_offsets[r];
                const uint16_t* pOdd = m_tables.data() + m_offsets[r + 1];
                for (size_t t = 0; t < n; ++t)
                    left[t] ^= pEven[right[t]];
                for (size_t t = 0; t < n; ++t)
                    right[t] ^= pOdd[left[t]];
            }
            // Without a branch: nearly half the values land outside, at random. One that does
            // is written all the same and written again when its walk ends (nLeft <= t).
            size_t nLeft = 0;
            for (size_t t = 0; t < n; ++t) {
                const uint32_t x = (left[t] << m_nRightBits) | right[t];
                pOut[position[t]] = x;
                position[nLeft] = position[t];
                left[nLeft] = left[t];
                right[nLeft] = right[t];
                nLeft += x >= m_nCount ? 1 : 0;
            }
            n = nLeft;
        }
    }
}
