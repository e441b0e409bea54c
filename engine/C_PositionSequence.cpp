#include "engine/C_PositionSequence.h"

#include <openssl/evp.h>

#include <stdexcept>
#include <vector>

C_PositionSequence::C_PositionSequence()
{
    BuildSkipTables();
}

void C_PositionSequence::SetKey(std::string_view strPassword)
{
    std::array<uint8_t, kKeyLength> key{};
    unsigned int nLength = 0;
    if (EVP_Digest(strPassword.data(), strPassword.size(), key.data(), &nLength, EVP_md5(), nullptr) != 1
        || nLength != kKeyLength)
        throw std::runtime_error("MD5 digest failed");
    SetRawKey(key);
}

void C_PositionSequence::SetRawKey(const std::array<uint8_t, kKeyLength>& key)
{
    m_aKey = key;
    m_nStep = kStep;
    m_bComplemented = false;
    BuildSkipTables();
}

void C_PositionSequence::SetModulus(uint32_t nModulus)
{
    m_nModulus = nModulus;
    if (nModulus == 0)
        return;  // never drawn from; the caller treats the carrier as empty
    for (uint32_t d = 0; d <= kKeyBits; ++d)
        m_aStepMod[d] = static_cast<uint32_t>((uint64_t{m_nStep} * d) % nModulus);
    m_nProduct = m_nStep * m_nCounter;
    m_nCandidate = m_nProduct % nModulus;
}

void C_PositionSequence::BuildSkipTables()
{
    for (int nTable = 0; nTable < 2; ++nTable) {
        auto bit = [&](uint32_t i) {
            const int b = (m_aKey[i >> 3] >> (7 - (i & 7))) & 1;
            return nTable ? b ^ 1 : b;
        };
        auto& skip = m_aSkip[nTable];
        // Walk backwards twice round the cycle so every entry sees its next set bit.
        uint32_t nNext = kNoBit;
        for (int pass = 0; pass < 2; ++pass) {
            for (uint32_t i = kKeyBits; i-- > 0;) {
                if (bit(i))
                    nNext = i;
                skip[i] = nNext == kNoBit ? kNoBit
                                          : static_cast<uint8_t>((nNext + kKeyBits - i) % kKeyBits);
            }
        }
    }
}

void C_PositionSequence::StartPass()
{
    for (auto& b : m_aKey)
        b = static_cast<uint8_t>(~b);
    m_bComplemented = !m_bComplemented;
    m_nCounter = 1;
    m_nKeyByte = 0;
    m_nKeyBit = 0;
    m_nProduct = m_nStep;
    m_nCandidate = m_nProduct % m_nModulus;
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
    C_PositionSequence sequence(*this);
    std::vector<uint64_t> seen((uint64_t{m_nModulus} + 63) / 64, 0);
    for (uint64_t i = 0; i < nDraws; ++i) {
        const uint32_t p = sequence.Next();
        uint64_t& word = seen[p >> 6];
        const uint64_t mask = uint64_t{1} << (p & 63);
        if (word & mask)
            return true;
        word |= mask;
    }
    return false;
}
