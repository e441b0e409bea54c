#include "engine/C_HiddenHeader.h"

#include <algorithm>

C_HiddenHeader::C_HiddenHeader(std::string_view strName, uint32_t nDataSize)
    : m_nNameLength(static_cast<uint16_t>(std::min<size_t>(strName.size(), UINT16_MAX)))
    , m_aName(strName.begin(), strName.begin() + m_nNameLength)
    , m_nDataSize(nDataSize)
{
    std::copy(std::begin(kSignature), std::end(kSignature), m_aSignature);
}

std::vector<uint8_t> C_HiddenHeader::Encode() const
{
    std::vector<uint8_t> head(kFixedSize + m_nNameLength);
    std::copy(std::begin(kSignature), std::end(kSignature), head.begin());
    head[3] = static_cast<uint8_t>(m_nNameLength & 0xFF);
    head[4] = static_cast<uint8_t>(m_nNameLength >> 8);
    for (int i = 0; i < 4; ++i)
        head[5 + i] = static_cast<uint8_t>(m_nDataSize >> (8 * i));
    std::copy_n(m_aName.begin(), std::min<size_t>(m_nNameLength, m_aName.size()), head.begin() + kFixedSize);
    return head;
}

uint64_t C_HiddenHeader::RecordBits(uint64_t nNameLength, uint64_t nDataSize)
{
    return 8 * (kFixedSize + nNameLength + nDataSize);
}
