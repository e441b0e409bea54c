#pragma once
// A byte or pixel count computed from untrusted header fields. Every step checks for 64-bit
// overflow; once overflowed the value stays invalid, so a chain of steps is checked once at the
// end: C_CheckedSize(w).Mul(bpp).Add(31).Div(32).Mul(4).Mul(h).FitsIn(limit).

#include <cstdint>

class C_CheckedSize {
public:
    // The pixel buffer's byte count is 32-bit, so no decoded picture may reach 4 GiB.
    static constexpr uint64_t kMaxBufferBytes = 0xFFFFFFFFull;

    constexpr explicit C_CheckedSize(uint64_t nValue = 0)
        : m_nValue(nValue)
    { }

    C_CheckedSize& Mul(uint64_t n);
    C_CheckedSize& Add(uint64_t n);
    C_CheckedSize& Div(uint64_t n);              // n must be non-zero; rounds down
    C_CheckedSize& RoundUp(uint64_t nMultiple);  // to a multiple of nMultiple (non-zero)

    bool IsValid() const { return m_bValid; }
    // Valid and at most nLimit.
    bool FitsIn(uint64_t nLimit) const { return m_bValid && m_nValue <= nLimit; }
    uint64_t Get() const { return m_bValid ? m_nValue : UINT64_MAX; }

    // Bytes of one row of nWidth pixels at nBits per pixel, padded to nAlign bytes.
    static C_CheckedSize RowBytes(uint64_t nWidth, uint64_t nBits, uint64_t nAlign);

private:
    uint64_t m_nValue = 0;
    bool m_bValid = true;
};
