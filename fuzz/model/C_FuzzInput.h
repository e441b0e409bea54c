#pragma once
// The fuzzer's bytes, taken from the front in pieces; a piece longer than what is left is refused.

#include <cstddef>
#include <cstdint>

class C_FuzzInput {
public:
    C_FuzzInput(const uint8_t* pData, size_t nSize)
        : m_p(pData)
        , m_n(nSize)
    { }

    bool Take(size_t nCount, const uint8_t*& pOut)
    {
        if (m_n < nCount)
            return false;
        pOut = m_p;
        m_p += nCount;
        m_n -= nCount;
        return true;
    }
    const uint8_t* Rest() const { return m_p; }
    size_t Left() const { return m_n; }

private:
    const uint8_t* m_p;
    size_t m_n;
};
