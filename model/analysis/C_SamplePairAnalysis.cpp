#include "model/analysis/C_SamplePairAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Four counts per class m (difference of the halved values, smaller one first): the lowest bits
// of the first and the second sample, as index 2 * first + second.
struct S_PairCounts {
    explicit S_PairCounts(uint32_t nMaxValue)
        : aCounts((static_cast<size_t>(nMaxValue / 2) + 2) * 4, 0)
    { }

    void Add(uint32_t u, uint32_t v)
    {
        uint32_t a = u >> 1;
        uint32_t b = v >> 1;
        if (a > b) {
            std::swap(u, v);
            std::swap(a, b);
        }
        ++aCounts[static_cast<size_t>(b - a) * 4 + (u & 1) * 2 + (v & 1)];
    }

    std::vector<uint64_t> aCounts;
};

}  // namespace

double C_SamplePairAnalysis::Estimate(const S_SamplePlane& plane)
{
    if (!plane.pSamples || plane.nWidth == 0 || plane.nHeight == 0)
        return 0.0;
    S_PairCounts counts(plane.nMaxValue);
    const uint16_t* p = plane.pSamples;
    const size_t nWidth = plane.nWidth;
    for (uint32_t y = 0; y < plane.nHeight; ++y) {
        const uint16_t* pRow = p + y * nWidth;
        for (size_t x = 1; x < nWidth; ++x)
            counts.Add(pRow[x - 1], pRow[x]);
        if (y > 0) {
            const uint16_t* pAbove = pRow - nWidth;
            for (size_t x = 0; x < nWidth; ++x)
                counts.Add(pAbove[x], pRow[x]);
        }
    }

    // Class 0 holds pairs in either order, the other classes only with the smaller value first;
    // counting class 0 twice (as both orders) makes every class's equation the same shape.
    const std::vector<uint64_t>& c = counts.aCounts;
    const size_t nClasses = c.size() / 4;
    auto total = [&](size_t m) {
        if (m >= nClasses)
            return 0.0;
        const double d = static_cast<double>(c[4 * m] + c[4 * m + 1] + c[4 * m + 2] + c[4 * m + 3]);
        return m == 0 ? 2.0 * d : d;
    };
    // Even first, odd second: a difference of 2m + 1 starting on an even value.
    auto evenOdd = [&](size_t m) {
        if (m >= nClasses)
            return 0.0;
        return m == 0 ? static_cast<double>(c[1] + c[2]) : static_cast<double>(c[4 * m + 1]);
    };
    // Odd first, even second: a difference of 2m - 1 starting on an odd value.
    auto oddEven = [&](size_t m) {
        if (m >= nClasses)
            return 0.0;
        return m == 0 ? static_cast<double>(c[1] + c[2]) : static_cast<double>(c[4 * m + 2]);
    };

    // With q = rate / 2 the chance that one sample's bit flipped, class m's balance
    // E(2m + 1) = O(2m + 1) in the cover becomes, in the counts seen:
    //   p^2/4 (N_m - N_m+1) + p/2 (N_m+1 - N_m - E_m + O_m - E_m+1 + O_m+1) + E_m - O_m+1 = 0
    double a = 0.0;
    double b = 0.0;
    double k = 0.0;
    for (size_t m = 0; m < nClasses; ++m) {
        a += (total(m) - total(m + 1)) / 4.0;
        b += (total(m + 1) - total(m) - evenOdd(m) + oddEven(m) - evenOdd(m + 1) + oddEven(m + 1)) / 2.0;
        k += evenOdd(m) - oddEven(m + 1);
    }
    const double dPairs = 2.0 * static_cast<double>(nWidth) * plane.nHeight;
    if (a <= 1e-9 * dPairs)
        return 0.0;  // no pair of equal halved values: nothing to solve with
    double dRate = 0.0;
    const double dDisc = b * b - 4.0 * a * k;
    if (dDisc >= 0.0)
        dRate = (-b - std::sqrt(dDisc)) / (2.0 * a);  // the smaller root, as the paper takes
    else
        dRate = -b / (2.0 * a);  // no real root: the nearest point, where the quadratic is least
    if (!std::isfinite(dRate))
        return 0.0;
    return std::clamp(dRate, 0.0, 1.0);
}
