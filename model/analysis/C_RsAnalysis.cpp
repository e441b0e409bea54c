#include "model/analysis/C_RsAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr uint32_t kGroup = 4;

// Regular minus singular groups, under the mask and under its negative.
struct S_Differences {
    int64_t nPositive = 0;  // R_M - S_M
    int64_t nNegative = 0;  // R_-M - S_-M
};

int Roughness(int x0, int x1, int x2, int x3)
{
    return std::abs(x1 - x0) + std::abs(x2 - x1) + std::abs(x3 - x2);
}

int FlipNegative(int x)
{
    return ((x + 1) ^ 1) - 1;
}

// +1 for regular, -1 for singular, 0 for unusable.
int Kind(int nBefore, int nAfter)
{
    return (nAfter > nBefore) - (nAfter < nBefore);
}

void Classify(int x0, int x1, int x2, int x3, S_Differences& d)
{
    const int nBefore = Roughness(x0, x1, x2, x3);
    d.nPositive += Kind(nBefore, Roughness(x0, x1 ^ 1, x2 ^ 1, x3));
    d.nNegative += Kind(nBefore, Roughness(x0, FlipNegative(x1), FlipNegative(x2), x3));
}

}  // namespace

double C_RsAnalysis::Estimate(const S_SamplePlane& plane)
{
    if (!plane.pSamples || plane.nWidth == 0 || plane.nHeight == 0)
        return 0.0;
    // Groups along rows and along columns, so narrow pictures count too.
    S_Differences seen;     // the picture as it is
    S_Differences flipped;  // the picture with every lowest bit flipped
    uint64_t nGroups = 0;
    const size_t nWidth = plane.nWidth;
    auto group = [&](int x0, int x1, int x2, int x3) {
        Classify(x0, x1, x2, x3, seen);
        Classify(x0 ^ 1, x1 ^ 1, x2 ^ 1, x3 ^ 1, flipped);
        ++nGroups;
    };
    for (uint32_t y = 0; y < plane.nHeight; ++y) {
        const uint16_t* p = plane.pSamples + y * nWidth;
        for (size_t x = 0; x + kGroup <= nWidth; x += kGroup)
            group(p[x], p[x + 1], p[x + 2], p[x + 3]);
    }
    for (uint32_t y = 0; y + kGroup <= plane.nHeight; y += kGroup) {
        const uint16_t* p = plane.pSamples + y * nWidth;
        for (size_t x = 0; x < nWidth; ++x)
            group(p[x], p[x + nWidth], p[x + 2 * nWidth], p[x + 3 * nWidth]);
    }
    if (nGroups == 0)
        return 0.0;

    const double dGroups = static_cast<double>(nGroups);
    const double d0 = static_cast<double>(seen.nPositive) / dGroups;
    const double d1 = static_cast<double>(flipped.nPositive) / dGroups;
    const double dn0 = static_cast<double>(seen.nNegative) / dGroups;
    const double dn1 = static_cast<double>(flipped.nNegative) / dGroups;
    // 2 (d1 + d0) x^2 + (d-0 - d-1 - d1 - 3 d0) x + d0 - d-0 = 0; the rate is x / (x - 1/2) for
    // the root of smaller magnitude.
    const double a = 2.0 * (d1 + d0);
    const double b = dn0 - dn1 - d1 - 3.0 * d0;
    const double c = d0 - dn0;
    constexpr double kTiny = 1e-12;
    double x = 0.0;
    if (std::abs(a) < kTiny) {
        if (std::abs(b) < kTiny)
            return 0.0;  // no group reacts to a flip: a flat picture
        x = -c / b;
    } else {
        const double dDisc = b * b - 4.0 * a * c;
        if (dDisc < 0.0) {
            x = -b / (2.0 * a);  // no real root: the nearest point, where the quadratic is least
        } else {
            const double dRoot = std::sqrt(dDisc);
            const double x1 = (-b + dRoot) / (2.0 * a);
            const double x2 = (-b - dRoot) / (2.0 * a);
            x = std::abs(x1) < std::abs(x2) ? x1 : x2;
        }
    }
    const double dRate = x / (x - 0.5);
    if (!std::isfinite(dRate))
        return 0.0;
    return std::clamp(dRate, 0.0, 1.0);
}
