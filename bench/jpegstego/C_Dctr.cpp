#include "bench/jpegstego/C_Dctr.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

double C_Dctr::StepFor(int nQuality, double dFactor)
{
    nQuality = std::clamp(nQuality, 1, 100);
    return nQuality >= 50 ? dFactor * (2.0 - nQuality / 50.0) : dFactor * 50.0 / nQuality;
}

std::vector<float> C_Dctr::Of(const C_JpegPlane& plane, double dStep)
{
    std::vector<float> features(kCount, 0.0f);
    const int nWidth = static_cast<int>(plane.nWidth), nHeight = static_cast<int>(plane.nHeight);
    if (nWidth < 8 || nHeight < 8 || plane.samples.size() != static_cast<size_t>(nWidth) * nHeight || dStep <= 0)
        return features;
    const int nOutW = nWidth - 7, nOutH = nHeight - 7;
    const C_JpegPlane::T_Basis& c = C_JpegPlane::Basis();
    const float fInverse = static_cast<float>(1.0 / dStep);

    // Rows first: r[y][l][x] = sum_n c[l][n] X(y, x + n), kept for the 8 rows a window spans.
    std::vector<float> rows(static_cast<size_t>(nHeight) * 8 * nOutW);
    for (int y = 0; y < nHeight; ++y) {
        const float* pIn = &plane.samples[static_cast<size_t>(y) * nWidth];
        for (int l = 0; l < 8; ++l) {
            float* pOut = &rows[(static_cast<size_t>(y) * 8 + l) * nOutW];
            for (int x = 0; x < nOutW; ++x) {
                float s = 0;
                for (int n = 0; n < 8; ++n)
                    s += c[l][n] * pIn[x + n];
                pOut[x] = s;
            }
        }
    }

    // The class of a phase: 0 .. 4 for a = 0, {1, 7}, {2, 6}, {3, 5}, 4.
    auto fnClass = [](int a) { return std::min(a, 8 - a); };
    std::vector<uint8_t> columnClass(nOutW);
    for (int x = 0; x < nOutW; ++x)
        columnClass[x] = static_cast<uint8_t>(fnClass(x % 8));
    // counts[(k * 8 + l) * 25 + class][bin]
    std::vector<uint32_t> counts(static_cast<size_t>(64) * kClasses * (kThreshold + 1), 0);
    std::vector<float> u(nOutW);
    for (int y = 0; y < nOutH; ++y) {
        const int nRowClass = fnClass(y % 8);
        for (int k = 0; k < 8; ++k)
            for (int l = 0; l < 8; ++l) {
                std::fill(u.begin(), u.end(), 0.0f);
                for (int m = 0; m < 8; ++m) {
                    const float w = c[k][m];
                    const float* pRow = &rows[(static_cast<size_t>(y + m) * 8 + l) * nOutW];
                    for (int x = 0; x < nOutW; ++x)
                        u[x] += w * pRow[x];
                }
                uint32_t* pCounts =
                    &counts[static_cast<size_t>((k * 8 + l) * kClasses + nRowClass * 5) * (kThreshold + 1)];
                for (int x = 0; x < nOutW; ++x) {
                    const int nBin = std::min(kThreshold, static_cast<int>(std::abs(u[x]) * fInverse + 0.5f));
                    ++pCounts[columnClass[x] * (kThreshold + 1) + nBin];
                }
            }
    }
    for (size_t h = 0; h < counts.size(); h += kThreshold + 1) {
        uint32_t nTotal = 0;
        for (int b = 0; b <= kThreshold; ++b)
            nTotal += counts[h + b];
        if (nTotal == 0)
            continue;
        for (int b = 0; b <= kThreshold; ++b)
            features[h + b] = static_cast<float>(counts[h + b]) / static_cast<float>(nTotal);
    }
    return features;
}
