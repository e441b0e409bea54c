#include "model/records/C_Transparency.h"

#include "model/pictures/C_CheckedSize.h"

#include <algorithm>

C_Transparency::C_Transparency(const BTCImageData& data)
{
    if (data.IsEmpty() || data.m_nWidth <= 0 || data.m_nHeight <= 0)
        return;
    m_nWidth = static_cast<uint32_t>(data.m_nWidth);
    m_nHeight = static_cast<uint32_t>(data.m_nHeight);
    m_nStride = data.m_nStride;
    // Samples packed below 8 bits, of 8 bits or of 16 bits most significant byte first; a
    // masked word's alpha is not transparency here.
    const S_PixelLayout layout = data.Layout();
    if (!layout.bKnown || layout.eChannels == E_PixelChannels::Masked
        || (layout.nBitsPerSample == 16 && !layout.bBigEndian16))
        return;
    m_nChannels = static_cast<unsigned>(layout.nChannels);
    m_nDepth = static_cast<unsigned>(layout.nBitsPerSample);
    if (m_nChannels == 0 || m_nChannels > 4 || (m_nDepth < 8 && m_nChannels != 1))
        return;
    E_Kind eKind = E_Kind::None;
    if (layout.HasAlphaSample()) {
        // Alpha is the last sample of each pixel.
        if (layout.nAlphaChannel != layout.nChannels - 1)
            return;
        eKind = E_Kind::Alpha;
    } else if (layout.HasIndexTransparency()) {
        // An index is clear when its alpha is 0, or when it is the transparent index.
        const size_t nEntries = std::min(layout.aIndexAlpha.size(), m_aClear.size());
        for (size_t i = 0; i < nEntries; ++i)
            m_aClear[i] = layout.aIndexAlpha[i] == 0;
        if (layout.nTransparentIndex >= 0 && static_cast<size_t>(layout.nTransparentIndex) < m_aClear.size())
            m_aClear[static_cast<size_t>(layout.nTransparentIndex)] = true;
        if (std::find(m_aClear.begin(), m_aClear.end(), true) != m_aClear.end())
            eKind = E_Kind::Indexed;
    } else if (layout.bColourKey && m_nChannels <= m_aKey.size()) {
        for (unsigned c = 0; c < m_nChannels; ++c)
            m_aKey[c] = layout.aColourKey[c];
        eKind = E_Kind::ColourKey;
    }
    // Only a layout whose rows lie within the buffer is read.
    const C_CheckedSize rowBytes = C_CheckedSize::RowBytes(m_nWidth, uint64_t{m_nChannels} * m_nDepth, 1);
    if (eKind == E_Kind::None || !rowBytes.IsValid() || m_nStride < rowBytes.Get()
        || !C_CheckedSize(m_nStride).Mul(m_nHeight).FitsIn(data.m_aBits.size()))
        return;
    m_eKind = eKind;
}

unsigned C_Transparency::Sample(const uint8_t* pRow, uint32_t x, unsigned c) const
{
    const size_t nIndex = size_t{x} * m_nChannels + c;
    switch (m_nDepth) {
    case 8: return pRow[nIndex];
    case 16: return unsigned{pRow[2 * nIndex]} << 8 | pRow[2 * nIndex + 1];
    default: {
        // Below 8 bits there is one channel; the leftmost pixel sits in the most significant bits.
        const unsigned nPerByte = 8 / m_nDepth;
        const unsigned nShift = 8 - m_nDepth * (x % nPerByte + 1);
        return (pRow[x / nPerByte] >> nShift) & ((1u << m_nDepth) - 1);
    }
    }
}

bool C_Transparency::IsTransparent(const uint8_t* pRow, uint32_t x) const
{
    switch (m_eKind) {
    case E_Kind::None: return false;
    case E_Kind::Alpha: return Sample(pRow, x, m_nChannels - 1) == 0;
    case E_Kind::Indexed: return m_aClear[Sample(pRow, x, 0) & 0xFF];
    case E_Kind::ColourKey:
        for (unsigned c = 0; c < m_nChannels; ++c)
            if (Sample(pRow, x, c) != m_aKey[c])
                return false;
        return true;
    }
    return false;
}

unsigned C_Transparency::ClassOf(const uint8_t* pRow, uint32_t x) const
{
    if (m_eKind != E_Kind::Alpha)
        return IsTransparent(pRow, x) ? 0 : 1;
    const unsigned nAlpha = Sample(pRow, x, m_nChannels - 1);
    return nAlpha == 0 ? 0 : nAlpha == (1u << m_nDepth) - 1 ? 2 : 1;
}

uint64_t C_Transparency::CountChanges(const BTCImageData& before, const BTCImageData& after)
{
    const C_Transparency was(before);
    const C_Transparency now(after);
    if ((was.IsEmpty() && now.IsEmpty()) || before.m_nWidth != after.m_nWidth || before.m_nHeight != after.m_nHeight
        || before.m_nStride != after.m_nStride || before.m_aBits.size() != after.m_aBits.size())
        return 0;
    uint64_t nChanged = 0;
    const auto nWidth = static_cast<uint32_t>(before.m_nWidth);
    const auto nHeight = static_cast<uint32_t>(before.m_nHeight);
    for (uint32_t y = 0; y < nHeight; ++y) {
        const size_t nRow = size_t{y} * before.m_nStride;
        for (uint32_t x = 0; x < nWidth; ++x)
            nChanged +=
                was.IsTransparent(before.m_aBits.data() + nRow, x) != now.IsTransparent(after.m_aBits.data() + nRow, x);
    }
    return nChanged;
}

bool C_Transparency::Allows(const uint8_t* pCarrier, uint32_t nPosition, unsigned nValue) const
{
    // Steps of one happen only where samples are whole bytes (8 or 16 bits).
    if (m_eKind == E_Kind::None || m_nDepth < 8 || m_nStride == 0 || nPosition / m_nStride >= m_nHeight)
        return true;
    const unsigned nSampleBytes = m_nDepth / 8;
    const unsigned nPixelBytes = m_nChannels * nSampleBytes;
    const uint32_t nOffset = nPosition % m_nStride;
    const uint32_t x = nOffset / nPixelBytes;
    if (x >= m_nWidth)
        return true;  // row padding shows nothing
    // The pixel as it is and as the step would leave it, as a one-pixel row.
    const uint8_t* pPixel = pCarrier + (nPosition - nOffset) + size_t{x} * nPixelBytes;
    uint8_t aNew[8];
    std::copy(pPixel, pPixel + nPixelBytes, aNew);
    const uint32_t nAt = nOffset - x * nPixelBytes;
    if (nSampleBytes == 2) {
        aNew[nAt] = static_cast<uint8_t>(nValue >> 8);
        aNew[nAt + 1] = static_cast<uint8_t>(nValue);
    } else {
        aNew[nAt] = static_cast<uint8_t>(nValue);
    }
    return ClassOf(pPixel, 0) == ClassOf(aNew, 0);
}
