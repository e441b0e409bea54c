#include "bench/jpegstego/C_JUniwardCost.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kTaps = 16;
constexpr int kPad = kTaps;
constexpr int kSpan = 8 + kTaps - 1;  // residual samples one block's change reaches, per axis

// The Daubechies-8 scaling filter (16 taps, orthonormal, sum sqrt(2)): the minimum-phase spectral
// factor of Daubechies' polynomial for eight vanishing moments, computed for this bench from that
// construction (and checked orthonormal to its even shifts).
constexpr std::array<double, kTaps> kLow = {0.054415842243104029, 0.31287159091430006, 0.67563073629728976,
    0.58535468365420706, -0.015829105256350048, -0.28401554296154663, 0.00047248457391374841, 0.12874742662047792,
    -0.017369301001807225, -0.044088253930794852, 0.013981027917398277, 0.0087460940474058148, -0.0048703529934515906,
    -0.00039174037337694559, 0.00067544940645056998, -0.00011747678412476963};

std::array<double, kTaps> HighPass()
{
    std::array<double, kTaps> g{};
    for (int n = 0; n < kTaps; ++n)
        g[n] = ((n % 2) ? -1.0 : 1.0) * kLow[kTaps - 1 - n];
    return g;
}

// Symmetric (half-sample) mirroring of an index into 0 .. n - 1.
int Mirror(int i, int n)
{
    while (i < 0 || i >= n)
        i = i < 0 ? -i - 1 : 2 * n - i - 1;
    return i;
}

}  // namespace

std::vector<float> C_JUniwardCost::Of(const C_JpegCoefficients& jpeg, const C_JpegPlane& plane)
{
    std::vector<float> costs;
    if (plane.samples.empty() || jpeg.Components().empty())
        return costs;
    const C_JpegCoefficients::S_Component& component = jpeg.Components()[0];
    const std::vector<uint16_t>& table = jpeg.QuantTables()[component.nQuantTable];
    const int nWidth = static_cast<int>(plane.nWidth), nHeight = static_cast<int>(plane.nHeight);
    const int nPadW = nWidth + 2 * kPad, nPadH = nHeight + 2 * kPad;
    std::vector<double> padded(static_cast<size_t>(nPadW) * nPadH);
    for (int y = 0; y < nPadH; ++y)
        for (int x = 0; x < nPadW; ++x)
            padded[static_cast<size_t>(y) * nPadW + x] =
                plane.samples[static_cast<size_t>(Mirror(y - kPad, nHeight)) * nWidth + Mirror(x - kPad, nWidth)];

    const std::array<double, kTaps> kHigh = HighPass();
    // The filter bank, vertical factor then horizontal: LH, HL, HH.
    const std::array<const std::array<double, kTaps>*, 3> aVertical = {&kLow, &kHigh, &kHigh};
    const std::array<const std::array<double, kTaps>*, 3> aHorizontal = {&kHigh, &kLow, &kHigh};

    const C_JpegPlane::T_Basis& c = C_JpegPlane::Basis();
    const int nResW = nPadW - kTaps + 1, nResH = nPadH - kTaps + 1;
    costs.assign(component.coefficients.size(), 0.0f);
    std::vector<double> across(static_cast<size_t>(nPadH) * nResW), inverse(static_cast<size_t>(nResH) * nResW);
    for (int f = 0; f < 3; ++f) {
        const std::array<double, kTaps>& v = *aVertical[f];
        const std::array<double, kTaps>& h = *aHorizontal[f];
        // W(y, x) = sum_a sum_b v[a] h[b] X_padded(y + a, x + b); then 1 / (sigma + |W|).
        for (int y = 0; y < nPadH; ++y)
            for (int x = 0; x < nResW; ++x) {
                double s = 0;
                const double* p = &padded[static_cast<size_t>(y) * nPadW + x];
                for (int b = 0; b < kTaps; ++b)
                    s += h[b] * p[b];
                across[static_cast<size_t>(y) * nResW + x] = s;
            }
        for (int y = 0; y < nResH; ++y)
            for (int x = 0; x < nResW; ++x) {
                double s = 0;
                for (int a = 0; a < kTaps; ++a)
                    s += v[a] * across[static_cast<size_t>(y + a) * nResW + x];
                inverse[static_cast<size_t>(y) * nResW + x] = 1.0 / (kSigma + std::abs(s));
            }

        // A unit change of mode (k, l) moves the residual at (y0 + u, x0 + v), u, v in 0 .. 22, by
        // rv[k][u] rh[l][v], with rv[k][u] = sum_a v[a] c[k][u + a - 15] over the block's rows.
        double rv[8][kSpan] = {}, rh[8][kSpan] = {};
        for (int k = 0; k < 8; ++k)
            for (int u = 0; u < kSpan; ++u) {
                double sv = 0, sh = 0;
                for (int a = 0; a < kTaps; ++a) {
                    const int m = u + a - (kTaps - 1);
                    if (m < 0 || m > 7)
                        continue;
                    sv += v[a] * c[k][m];
                    sh += h[a] * c[k][m];
                }
                rv[k][u] = std::abs(sv);
                rh[k][u] = std::abs(sh);
            }
        for (uint32_t by = 0; by < component.nBlocksHigh; ++by)
            for (uint32_t bx = 0; bx < component.nBlocksWide; ++bx) {
                // The change at image row 8 by + m sits at padded row 8 by + m + kPad; residual row y
                // reads padded rows y .. y + 15, so the first one reached is 8 by + kPad - 15.
                const int y0 = 8 * static_cast<int>(by) + kPad - (kTaps - 1);
                const int x0 = 8 * static_cast<int>(bx) + kPad - (kTaps - 1);
                double across8[8][kSpan];
                for (int u = 0; u < kSpan; ++u) {
                    const double* pRow = &inverse[static_cast<size_t>(y0 + u) * nResW + x0];
                    for (int l = 0; l < 8; ++l) {
                        double s = 0;
                        for (int w = 0; w < kSpan; ++w)
                            s += rh[l][w] * pRow[w];
                        across8[l][u] = s;
                    }
                }
                float* pCosts = &costs[size_t{64} * (size_t{by} * component.nBlocksWide + bx)];
                for (int k = 0; k < 8; ++k)
                    for (int l = 0; l < 8; ++l) {
                        double s = 0;
                        for (int u = 0; u < kSpan; ++u)
                            s += rv[k][u] * across8[l][u];
                        pCosts[8 * k + l] += static_cast<float>(s * table[8 * k + l]);
                    }
            }
    }
    return costs;
}
