#include "bench/jpegstego/C_JpegPlane.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>

namespace {

// The example luminance table of the JPEG standard (Annex K), natural order.
constexpr int kLuminance[64] = {16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55, 14, 13, 16, 24, 40, 57,
    69, 56, 14, 17, 22, 29, 51, 87, 80, 62, 18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92, 49, 64,
    78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

const std::vector<uint16_t>* TableOf(const C_JpegCoefficients& jpeg)
{
    if (jpeg.Components().empty())
        return nullptr;
    const int nTable = jpeg.Components()[0].nQuantTable;
    if (nTable < 0 || static_cast<size_t>(nTable) >= jpeg.QuantTables().size()
        || jpeg.QuantTables()[nTable].size() != 64)
        return nullptr;
    return &jpeg.QuantTables()[nTable];
}

}  // namespace

const C_JpegPlane::T_Basis& C_JpegPlane::Basis()
{
    static const T_Basis basis = [] {
        T_Basis a{};
        for (int k = 0; k < 8; ++k)
            for (int m = 0; m < 8; ++m)
                a[k][m] = static_cast<float>(
                    (k == 0 ? std::sqrt(0.5) : 1.0) / 2 * std::cos(std::numbers::pi * k * (2 * m + 1) / 16));
        return a;
    }();
    return basis;
}

C_JpegPlane C_JpegPlane::Of(const C_JpegCoefficients& jpeg)
{
    C_JpegPlane plane;
    const std::vector<uint16_t>* pTable = TableOf(jpeg);
    if (!pTable)
        return plane;
    const C_JpegCoefficients::S_Component& component = jpeg.Components()[0];
    if (component.coefficients.size() != size_t{64} * component.nBlocksWide * component.nBlocksHigh)
        return plane;
    plane.nWidth = 8 * component.nBlocksWide;
    plane.nHeight = 8 * component.nBlocksHigh;
    plane.samples.assign(size_t{plane.nWidth} * plane.nHeight, 0.0f);
    const T_Basis& c = Basis();
    for (uint32_t by = 0; by < component.nBlocksHigh; ++by)
        for (uint32_t bx = 0; bx < component.nBlocksWide; ++bx) {
            const int16_t* pBlock = &component.coefficients[size_t{64} * (size_t{by} * component.nBlocksWide + bx)];
            // Columns first: t[k][n] = sum_l D[k][l] c[l][n], then rows: x[m][n] = sum_k c[k][m] t[k][n].
            float t[8][8] = {};
            for (int k = 0; k < 8; ++k)
                for (int l = 0; l < 8; ++l) {
                    const float d = static_cast<float>(pBlock[8 * k + l]) * (*pTable)[8 * k + l];
                    if (d == 0)
                        continue;
                    for (int n = 0; n < 8; ++n)
                        t[k][n] += d * c[l][n];
                }
            for (int m = 0; m < 8; ++m) {
                float* pRow = &plane.samples[(size_t{8} * by + m) * plane.nWidth + size_t{8} * bx];
                for (int n = 0; n < 8; ++n) {
                    float x = 128;
                    for (int k = 0; k < 8; ++k)
                        x += c[k][m] * t[k][n];
                    pRow[n] = x;
                }
            }
        }
    return plane;
}

int C_JpegPlane::QualityOf(const C_JpegCoefficients& jpeg)
{
    const std::vector<uint16_t>* pTable = TableOf(jpeg);
    if (!pTable)
        return 0;
    int nBest = 0;
    long nBestDistance = std::numeric_limits<long>::max();
    for (int nQuality = 1; nQuality <= 100; ++nQuality) {
        // libjpeg's quality scaling of the table, steps kept within 1 .. 255 (baseline).
        const long nScale = nQuality < 50 ? 5000 / nQuality : 200 - 2 * nQuality;
        long nDistance = 0;
        for (int i = 0; i < 64; ++i) {
            const long nStep = std::clamp((kLuminance[i] * nScale + 50) / 100, 1L, 255L);
            nDistance += std::labs(nStep - (*pTable)[i]);
        }
        if (nDistance < nBestDistance) {
            nBestDistance = nDistance;
            nBest = nQuality;
        }
    }
    return nBest;
}
