#include "model/effects/C_ImageComparer.h"

#include <algorithm>
#include <climits>

int C_ImageComparer::Compare(const BTCImageData& a, const BTCImageData& b)
{
    if (a.m_nWidth != b.m_nWidth || a.m_nHeight != b.m_nHeight || a.m_nBitsPerPixel != b.m_nBitsPerPixel
        || a.m_aBits.size() != b.m_aBits.size())
        return 1;
    uint64_t nDiffering = 0;
    const uint8_t* pA = a.m_aBits.data();
    const uint8_t* pB = b.m_aBits.data();
    for (size_t i = 0; i < a.m_aBits.size(); ++i)
        nDiffering += pA[i] != pB[i];
    if (nDiffering == 0 && a.m_aPalette != b.m_aPalette)
        nDiffering = 1;
    // Capped for pictures of 2 GiB and more: still positive, so still "different".
    return static_cast<int>(std::min<uint64_t>(nDiffering, INT_MAX));
}
