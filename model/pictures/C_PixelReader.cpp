#include "model/pictures/C_PixelReader.h"

#include "model/pictures/C_CheckedSize.h"
#include "model/pictures/C_DefaultColours.h"

#include <bit>

namespace {

bool IsPackedDepth(int nBits)
{
    return nBits == 1 || nBits == 2 || nBits == 4 || nBits == 8;
}

// Samples per pixel each kind of channels has.
int ChannelsOf(E_PixelChannels eChannels)
{
    switch (eChannels) {
    case E_PixelChannels::GrayAlpha: return 2;
    case E_PixelChannels::Bgr:
    case E_PixelChannels::Rgb: return 3;
    case E_PixelChannels::Rgba: return 4;
    default: return 1;
    }
}

}  // namespace

uint8_t C_PixelReader::S_Channel::Extract(uint32_t nValue) const
{
    if (nMax == 0)
        return 0;
    const uint64_t v = (nValue & nMask) >> nShift;
    return static_cast<uint8_t>((v * 255 + nMax / 2) / nMax);
}

C_PixelReader::C_PixelReader(const BTCImageData& data)
    : m_data(data)
    , m_layout(data.Layout())
{
    if (data.m_nWidth <= 0 || data.m_nHeight <= 0)
        return;
    m_nWidth = static_cast<uint32_t>(data.m_nWidth);
    m_nHeight = static_cast<uint32_t>(data.m_nHeight);
    m_nBits = data.m_nBitsPerPixel;
    m_nStride = data.m_nStride;
    m_bBottomUp = data.m_bBottomUp;
    // Without a layout, up to 8 bits a pixel are taken for indices (no reading follows).
    m_bIndexed = m_nBits <= 8;
    if (!SetUp())
        return;
    const C_CheckedSize rowBytes = C_CheckedSize::RowBytes(m_nWidth, static_cast<uint64_t>(m_nBits), 1);
    if (!rowBytes.IsValid() || m_nStride < rowBytes.Get())
        return;
    C_CheckedSize total(m_nStride);
    total.Mul(m_nHeight);
    if (!total.IsValid() || total.Get() != data.m_aBits.size())
        return;
    m_bValid = true;
}

bool C_PixelReader::SetUp()
{
    const S_PixelLayout& layout = m_layout;
    if (!layout.bKnown || layout.BitsPerPixel() != m_nBits || layout.bBottomUp != m_bBottomUp
        || layout.nChannels != ChannelsOf(layout.eChannels))
        return false;
    const int nBits = layout.nBitsPerSample;
    switch (layout.eChannels) {
    case E_PixelChannels::Index:
        if (!IsPackedDepth(nBits))
            return false;
        m_bIndexed = true;
        return true;
    case E_PixelChannels::Masked: {
        if (nBits != 16 && nBits != 32)
            return false;
        m_bIndexed = false;
        // A picture that names no masks has the default layout of its depth.
        const uint32_t* pPicture = m_data.m_aMasks;
        const bool bNoMasks = pPicture[0] == 0 && pPicture[1] == 0 && pPicture[2] == 0;
        const uint32_t* pMasks = bNoMasks ? C_DefaultColours::RgbMasks(nBits) : pPicture;
        for (int i = 0; i < 3; ++i) {
            m_aMasks[i] = pMasks[i];
            S_Channel& c = m_aChannel[i];
            c.nMask = pMasks[i];
            if (c.nMask != 0) {
                c.nShift = static_cast<uint32_t>(std::countr_zero(c.nMask));
                c.nMax = c.nMask >> c.nShift;
            }
        }
        return true;
    }
    case E_PixelChannels::Gray:
        if (IsPackedDepth(nBits)) {
            // Gray levels read as indices into a palette of the levels.
            const uint32_t nLevels = 1u << nBits;
            for (uint32_t i = 0; i < nLevels; ++i) {
                const auto y = static_cast<uint8_t>(i * 255 / (nLevels - 1));
                m_aGray.push_back(S_Rgb{y, y, y});
            }
            m_bIndexed = true;
            return true;
        }
        break;
    case E_PixelChannels::Bgr:
        m_aColourSample[0] = 2;
        m_aColourSample[1] = 1;
        m_aColourSample[2] = 0;
        break;
    case E_PixelChannels::Rgb:
    case E_PixelChannels::Rgba:
        m_aColourSample[0] = 0;
        m_aColourSample[1] = 1;
        m_aColourSample[2] = 2;
        break;
    case E_PixelChannels::GrayAlpha: break;
    }
    // Whole-byte samples.
    if (nBits != 8 && nBits != 16)
        return false;
    m_bIndexed = false;
    m_nSampleBytes = static_cast<uint32_t>(nBits) / 8;
    m_nPixelBytes = static_cast<uint32_t>(layout.nChannels) * m_nSampleBytes;
    m_nHighByte = m_nSampleBytes == 2 && !layout.bBigEndian16 ? 1 : 0;
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
        // Leftmost pixel in the most significant bits.
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

void C_PixelReader::BgrOfStoredRow(uint32_t nRow, uint8_t* pOut) const
{
    const uint8_t* pRow = m_data.m_aBits.data() + static_cast<size_t>(nRow) * m_nStride;
    if (m_nPixelBytes != 0) {
        const uint32_t nRed = HighByteOf(m_aColourSample[0]);
        const uint32_t nGreen = HighByteOf(m_aColourSample[1]);
        const uint32_t nBlue = HighByteOf(m_aColourSample[2]);
        for (uint32_t x = 0; x < m_nWidth; ++x) {
            const uint8_t* p = pRow + static_cast<size_t>(x) * m_nPixelBytes;
            pOut[3 * x] = p[nBlue];
            pOut[3 * x + 1] = p[nGreen];
            pOut[3 * x + 2] = p[nRed];
        }
        return;
    }
    if (!m_bIndexed) {
        // Masked words, little-endian.
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
        return;
    }
    // Indexed: one row of indices at a time through the palette, reusing pOut's tail.
    uint8_t* pIndices = pOut + 2 * m_nWidth;
    IndicesOfStoredRow(nRow, pIndices);
    for (uint32_t x = 0; x < m_nWidth; ++x) {
        const S_Rgb c = PaletteColour(pIndices[x]);
        pOut[3 * x] = c.b;
        pOut[3 * x + 1] = c.g;
        pOut[3 * x + 2] = c.r;
    }
}
