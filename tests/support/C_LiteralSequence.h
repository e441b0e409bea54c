#pragma once
// A line-by-line transcription of the keyed position sequence: a 32-bit multiply, a division
// and one key bit per candidate. The reference that the fast sequence is measured against.

#include <array>
#include <cstdint>
#include <string_view>

class C_LiteralSequence {
public:
    void SetKey(std::string_view strPassword);
    void SetRawKey(const std::array<uint8_t, 16>& key)
    {
        m_aKey = key;
        m_nStep = 17;
    }
    void SetModulus(uint32_t nModulus) { m_nModulus = nModulus; }
    uint32_t Next();

private:
    uint32_t m_nModulus = 0;
    uint32_t m_nStep = 17;
    uint32_t m_nCounter = 1;
    uint32_t m_nKeyByte = 0;
    uint32_t m_nKeyBit = 0;
    std::array<uint8_t, 16> m_aKey{};
    uint32_t m_nKeyLength = 16;
};
