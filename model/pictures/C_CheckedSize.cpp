#include "model/pictures/C_CheckedSize.h"

C_CheckedSize& C_CheckedSize::Mul(uint64_t n)
{
    if (m_bValid && __builtin_mul_overflow(m_nValue, n, &m_nValue))
        m_bValid = false;
    return *this;
}

C_CheckedSize& C_CheckedSize::Add(uint64_t n)
{
    if (m_bValid && __builtin_add_overflow(m_nValue, n, &m_nValue))
        m_bValid = false;
    return *this;
}

C_CheckedSize& C_CheckedSize::Div(uint64_t n)
{
    if (n == 0)
        m_bValid = false;
    else if (m_bValid)
        m_nValue /= n;
    return *this;
}

C_CheckedSize& C_CheckedSize::RoundUp(uint64_t nMultiple)
{
    if (nMultiple == 0) {
        m_bValid = false;
        return *this;
    }
    const uint64_t nRest = m_bValid ? m_nValue % nMultiple : 0;
    if (nRest != 0)
        Add(nMultiple - nRest);
    return *this;
}

C_CheckedSize C_CheckedSize::RowBytes(uint64_t nWidth, uint64_t nBits, uint64_t nAlign)
{
    C_CheckedSize size(nWidth);
    size.Mul(nBits).Add(7).Div(8).RoundUp(nAlign);
    return size;
}
