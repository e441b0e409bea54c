#include "model/image/C_PixelReader.h"

#include "model/image/C_CheckedSize.h"
#include "model/image/C_DefaultColours.h"
#include "model/image/png/C_PngDocument.h"

uint8_t C_PixelReader::S_Channel::Extract(uint32_t nValue) const
{
    if (nMax == 0)
        return 0;
    const uint64_t v = (nValue & nMask) >> nShift;
    return static_cast<uint8_t>((v * 255 + nMax / 2) / nMax);
}

C_PixelReader::C_PixelReader(const BTCImageData& data)
    : m_data(data)
{
    if (data.m_nWidth <= 0 || data.m_nHeight <= 0)
        return;
    m_nWidth = static_cast<uint32_t>(data.m_nWidth);
    m_nHeight = static_cast<uint32_t>(data.m_nHeight);
    m_nBits = data.m_nBitsPerPixel;
    m_nStride = data.m_nStride;
    m_bBottomUp = data.m_bBottomUp;
    m_bIndexed = m_nBits <= 8;
    if (data.m_eSourceFormat == E_ImageFormat::Png && !ReadsPng())
        return;
    switch (m_nBits) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: break;
    case 48:
    case 64:
        if (m_nPngChannels != 0)
            break;
        return;
    default: return;
    }
    const C_CheckedSize rowBytes = C_CheckedSize::RowBytes(m_nWidth, static_cast<uint64_t>(m_nBits), 1);
    if (!rowBytes.IsValid() || m_nStride < rowBytes.Get())
        return;
    C_CheckedSize total(m_nStride);
    total.Mul(m_nHeight);
    if (!total.IsValid() || total.Get() != data.m_aBits.size())
        return;

    if ((m_nBits == 16 || m_nBits == 32) && m_nPngChannels == 0) {
        // A picture that names no masks has the BI_RGB layout of its depth.
        const bool bNoMasks = data.m_aMasks[0] == 0 && data.m_aMasks[1] == 0 && data.m_aMasks[2] == 0;
        const uint32_t* pMasks = bNoMasks ? C_DefaultColours::RgbMasks(m_nBits) : data.m_aMasks;
        for (int i = 0; i < 3; ++i) {
            S_Channel& c = m_aChannel[i];
            c.nMask = pMasks[i];
            if (c.nMask != 0) {
                c.nShift = static_cast<uint32_t>(__builtin_ctz(c.nMask));
                c.nMax = c.nMask >> c.nShift;
            }
        }
    }
    m_bValid = true;
}

bool C_PixelReader::ReadsPng()
{
    const C_PngDocument* pDoc = C_PngDocument::Of(m_data);
    if (!pDoc || !C_PngDocument::IsValidDepth(pDoc->m_nColourType, pDoc->m_nBitDepth) || pDoc->BitsPerPixel() != m_nBits
        || m_bBottomUp)
        return false;
    if (pDoc->m_nColourType == C_PngDocument::kPalette)
        return true;
    if (pDoc->m_nColourType == C_PngDocument::kGray && pDoc->m_nBitDepth <= 8) {
        const uint32_t nLevels = 1u << pDoc->m_nBitDepth;
        for (uint32_t i = 0; i < nLevels; ++i) {
            const auto y = static_cast<uint8_t>(i * 255 / (nLevels - 1));
            m_aGray.push_back(S_Rgb{y, y, y});
        }
        return true;
    }
    m_bIndexed = false;
    m_nPngChannels = C_PngDocument::Channels(pDoc->m_nColourType);
    m_nPngSampleBytes = pDoc->m_nBitDepth / 8;
    return true;
}

S_Rgb C_PixelReader::PaletteColour(uint32_t nIndex) const
{
    const std::vector<S_Rgb>& aPalette = Palette();
    return nIndex < aPalette.size() ? aPalette[nIndex] : S_Rgb{};
}

void C_PixelReader::IndicesOfStoredRow(uint32_t nRow, uint8_t* pOut) const
{
    const uint8_t* pRow = m_data.m_aBits.data() + static_cast<size_t>(nRow) * m_nStride;
    switch (m_nBits) {
    case 8:
        for (uint32_t x = 0; x < m_nWidth; ++x)
            pOut[x] = pRow[x];
        break;
    case 1:
    case 2:
    case 4: {
        // Leftmost pixel in the most significant bits, as BMP and PCX store them.
        const uint32_t nPerByte = 8u / static_cast<uint32_t>(m_nBits);
        const uint32_t nMask = (1u << m_nBits) - 1u;
        for (uint32_t x = 0; x < m_nWidth; ++x) {
            const uint32_t nShift = 8u - static_cast<uint32_t>(m_nBits) * (x % nPerByte + 1u);
            pOut[x] = static_cast<uint8_t>((pRow[x / nPerByte] >> nShift) & nMask);
        }
        break;
    }
    default:
        for (uint32_t x = 0; x < m_nWidth; ++x)
            pOut[x] = 0;
        break;
    }
}

void C_PixelReader::BgrOfPngRow(const uint8_t* pRow, uint8_t* pOut) const
{
    // The first byte of a sample is its high byte at both depths; gray and gray-alpha have one
    // colour sample, the others three.
    const size_t nStep = static_cast<size_t>(m_nPngChannels) * m_nPngSampleBytes;
    const size_t nGreen = m_nPngChannels >= 3 ? m_nPngSampleBytes : 0;
    for (uint32_t x = 0; x < m_nWidth; ++x) {
        const uint8_t* p = pRow + x * nStep;
        pOut[3 * x] = p[2 * nGreen];
        pOut[3 * x + 1] = p[nGreen];
        pOut[3 * x + 2] = p[0];
    }
}

void C_PixelReader::BgrOfStoredRow(uint32_t nRow, uint8_t* pOut) const
{
    const uint8_t* pRow = m_data.m_aBits.data() + static_cast<size_t>(nRow) * m_nStride;
    if (m_nPngChannels != 0) {
        BgrOfPngRow(pRow, pOut);
        return;
    }
    switch (m_nBits) {
    case 24:
        for (uint32_t i = 0; i < 3 * m_nWidth; ++i)
            pOut[i] = pRow[i];
        break;
    case 16:
    case 32: {
        const uint32_t nBytes = static_cast<uint32_t>(m_nBits) / 8u;
        for (uint32_t x = 0; x < m_nWidth; ++x) {
            const uint8_t* p = pRow + x * nBytes;
            uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
            if (nBytes == 4)
                v |= static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
            pOut[3 * x] = m_aChannel[2].Extract(v);
            pOut[3 * x + 1] = m_aChannel[1].Extract(v);
            pOut[3 * x + 2] = m_aChannel[0].Extract(v);
        }
        break;
    }
    default: {
        // Indexed: one row of indices at a time through the palette, reusing pOut's tail.
        uint8_t* pIndices = pOut + 2 * m_nWidth;
        IndicesOfStoredRow(nRow, pIndices);
        for (uint32_t x = 0; x < m_nWidth; ++x) {
            const S_Rgb c = PaletteColour(pIndices[x]);
            pOut[3 * x] = c.b;
            pOut[3 * x + 1] = c.g;
            pOut[3 * x + 2] = c.r;
        }
        break;
    }
    }
}
