#include "model/image/BTCImageData.h"

#include "model/image/C_CheckedSize.h"
#include "model/image/C_GifDocument.h"
#include "model/image/C_PixelReader.h"

#include <algorithm>
#include <climits>
#include <utility>

BTCImageData::BTCImageData() = default;
BTCImageData::~BTCImageData() = default;

void BTCImageData::DeleteObject()
{
    std::vector<uint8_t>().swap(m_aBits);  // give the memory back, not just the size
    m_nWidth = 0;
    m_nHeight = 0;
    m_nBitsPerPixel = 0;
    m_nStride = 0;
    m_bBottomUp = false;
    m_aPalette.clear();
    std::fill(std::begin(m_aMasks), std::end(m_aMasks), 0u);
    m_eSourceFormat = E_ImageFormat::None;
    m_nXPelsPerMeter = 0;
    m_nYPelsPerMeter = 0;
    m_bHadMasks = false;
    m_pGif.reset();
}

void BTCImageData::Swap(BTCImageData& other) noexcept
{
    std::swap(m_aBits, other.m_aBits);
    std::swap(m_nWidth, other.m_nWidth);
    std::swap(m_nHeight, other.m_nHeight);
    std::swap(m_nBitsPerPixel, other.m_nBitsPerPixel);
    std::swap(m_nStride, other.m_nStride);
    std::swap(m_bBottomUp, other.m_bBottomUp);
    std::swap(m_aPalette, other.m_aPalette);
    std::swap(m_aMasks, other.m_aMasks);
    std::swap(m_eSourceFormat, other.m_eSourceFormat);
    std::swap(m_nXPelsPerMeter, other.m_nXPelsPerMeter);
    std::swap(m_nYPelsPerMeter, other.m_nYPelsPerMeter);
    std::swap(m_bHadMasks, other.m_bHadMasks);
    std::swap(m_pGif, other.m_pGif);
}

bool BTCImageData::Grayscale()
{
    const C_PixelReader reader(*this);
    if (!reader.IsValid())
        return false;

    if (reader.IsIndexed()) {
        for (S_Rgb& c : m_aPalette) {
            const uint8_t y = C_PixelReader::Luma(c.r, c.g, c.b);
            c = S_Rgb{y, y, y};
        }
        if (m_pGif)
            m_pGif->Grayscale();
        return true;
    }

    // True colour becomes 8 bits of gray in the same family of row layout: BMP rows stay padded
    // to 4 bytes in the same order, PCX rows stay unpadded top to bottom.
    const uint32_t nWidth = reader.GetWidth();
    const uint32_t nHeight = reader.GetHeight();
    const uint32_t nAlign = m_eSourceFormat == E_ImageFormat::Bmp ? 4 : 1;
    C_CheckedSize total = C_CheckedSize::RowBytes(nWidth, 8, nAlign);
    const uint64_t nStride = total.Get();
    total.Mul(nHeight);
    if (!total.FitsIn(C_CheckedSize::kMaxBufferBytes))
        return false;

    std::vector<uint8_t> aGray(static_cast<size_t>(total.Get()), 0);
    std::vector<uint8_t> aRow(3 * static_cast<size_t>(nWidth));
    for (uint32_t r = 0; r < nHeight; ++r) {
        reader.BgrOfStoredRow(r, aRow.data());
        uint8_t* pOut = aGray.data() + r * nStride;
        for (uint32_t x = 0; x < nWidth; ++x)
            pOut[x] = C_PixelReader::Luma(aRow[3 * x + 2], aRow[3 * x + 1], aRow[3 * x]);
    }

    m_aBits.swap(aGray);
    m_nBitsPerPixel = 8;
    m_nStride = static_cast<uint32_t>(nStride);
    m_aPalette.resize(256);
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(i);
        m_aPalette[static_cast<size_t>(i)] = S_Rgb{v, v, v};
    }
    std::fill(std::begin(m_aMasks), std::end(m_aMasks), 0u);
    m_bHadMasks = false;
    return true;
}

int BTCImageData::Compare(const BTCImageData& other) const
{
    if (m_nWidth != other.m_nWidth || m_nHeight != other.m_nHeight
        || m_nBitsPerPixel != other.m_nBitsPerPixel || m_aBits.size() != other.m_aBits.size())
        return 1;
    uint64_t nDiffering = 0;
    const uint8_t* a = m_aBits.data();
    const uint8_t* b = other.m_aBits.data();
    for (size_t i = 0; i < m_aBits.size(); ++i)
        nDiffering += a[i] != b[i];
    if (nDiffering == 0 && m_aPalette != other.m_aPalette)
        nDiffering = 1;
    return static_cast<int>(std::min<uint64_t>(nDiffering, INT_MAX));
}
