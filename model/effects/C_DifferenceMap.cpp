#include "model/effects/C_DifferenceMap.h"

#include "model/pictures/C_CheckedSize.h"
#include "model/pictures/C_PixelReader.h"

#include <cstddef>

bool C_DifferenceMap::SameLayout(const BTCImageData& a, const BTCImageData& b)
{
    if (a.m_nWidth != b.m_nWidth || a.m_nHeight != b.m_nHeight || a.m_nBitsPerPixel != b.m_nBitsPerPixel
        || a.m_nStride != b.m_nStride || a.m_bBottomUp != b.m_bBottomUp || a.m_aBits.size() != b.m_aBits.size())
        return false;
    // The reader proves that the fields describe the bytes; only then is a pixel's place known.
    return C_PixelReader(a).IsValid() && C_PixelReader(b).IsValid();
}

bool C_DifferenceMap::Build(const BTCImageData& a, const BTCImageData& b)
{
    *this = C_DifferenceMap();
    if (!SameLayout(a, b))
        return false;
    const C_PixelReader reader(a);
    const uint32_t w = reader.GetWidth(), h = reader.GetHeight();
    C_CheckedSize total(w);
    total.Mul(h).Mul(3);
    if (!total.FitsIn(SIZE_MAX))
        return false;
    m_nWidth = w;
    m_nHeight = h;
    m_aRgb.resize(static_cast<size_t>(total.Get()));

    const uint8_t* pA = a.m_aBits.data();
    const uint8_t* pB = b.m_aBits.data();
    for (size_t i = 0; i < a.m_aBits.size(); ++i) {
        const unsigned nXor = pA[i] ^ pB[i];
        m_nDifferingBytes += nXor != 0;
        m_nLsbOnlyBytes += nXor == 1;
    }

    const unsigned nBits = static_cast<unsigned>(a.m_nBitsPerPixel);
    const size_t nStride = a.m_nStride;
    std::vector<uint8_t> aBgr(static_cast<size_t>(w) * 3);
    for (uint32_t y = 0; y < h; ++y) {
        const uint32_t nRow = reader.StoredRowOf(y);
        reader.BgrOfStoredRow(nRow, aBgr.data());
        const uint8_t* pRowA = pA + nRow * nStride;
        const uint8_t* pRowB = pB + nRow * nStride;
        uint8_t* pOut = m_aRgb.data() + static_cast<size_t>(y) * w * 3;
        for (uint32_t x = 0; x < w; ++x, pOut += 3) {
            // A pixel differs in its lowest bits only when each of its differing bytes (or, below
            // 8 bits, its value) differs in bit 0 alone: that is what a hide changes.
            bool bDiffers = false, bMore = false;
            if (nBits >= 8) {
                const size_t nFirst = static_cast<size_t>(x) * (nBits / 8);
                for (size_t k = nFirst; k < nFirst + nBits / 8; ++k) {
                    const unsigned nXor = pRowA[k] ^ pRowB[k];
                    bDiffers |= nXor != 0;
                    bMore |= nXor > 1;
                }
            } else {
                const size_t nBit = static_cast<size_t>(x) * nBits;
                const unsigned nShift = 8 - nBits - static_cast<unsigned>(nBit % 8);  // most significant first
                const unsigned nXor = ((pRowA[nBit / 8] ^ pRowB[nBit / 8]) >> nShift) & ((1u << nBits) - 1);
                bDiffers = nXor != 0;
                bMore = nXor > 1;
            }
            if (bDiffers) {
                ++m_nDifferingPixels;
                m_nLsbOnlyPixels += !bMore;
                pOut[0] = 255;
                pOut[1] = bMore ? 255 : 0;
                pOut[2] = 0;
            } else {
                const uint8_t* p = &aBgr[static_cast<size_t>(x) * 3];
                const uint32_t nLuma = (29u * p[0] + 150u * p[1] + 77u * p[2]) >> 8;
                pOut[0] = pOut[1] = pOut[2] = static_cast<uint8_t>((nLuma * kDimmed) >> 8);
            }
        }
    }
    return true;
}
