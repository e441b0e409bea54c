#include "tests/support/C_LiteralSequence.h"

#include <openssl/evp.h>

void C_LiteralSequence::SetKey(std::string_view strPassword)
{
    unsigned int nLength = 0;
    EVP_Digest(strPassword.data(), strPassword.size(), m_aKey.data(), &nLength, EVP_md5(), nullptr);
    m_nStep = 17;
}

uint32_t C_LiteralSequence::Next()
{
    for (;;) {
        uint32_t p = m_nStep * m_nCounter;
        p = p % m_nModulus;
        const int b = (m_aKey[m_nKeyByte] >> (7 - m_nKeyBit)) & 1;
        m_nKeyBit += 1;
        if (m_nKeyBit == 8) {
            m_nKeyBit = 0;
            m_nKeyByte += 1;
            if (m_nKeyByte == m_nKeyLength)
                m_nKeyByte = 0;
        }
        m_nCounter += 1;
        if (m_nCounter == m_nModulus + 1) {  // wraps to 0 for N = 2^32 - 1, as the literal does
            for (auto& k : m_aKey)
                k = static_cast<uint8_t>(~k);
            m_nCounter = 1;
            m_nKeyByte = 0;
            m_nKeyBit = 0;
        }
        if (b == 1)
            return p;
    }
}
