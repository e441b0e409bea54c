#include "model/analysis/C_ChiSquareAttack.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace {

// A category's expected count must exceed this for the chi-square approximation to hold;
// pairs below it are merged with their neighbours until it does, as the paper does.
constexpr double kMinExpected = 4.0;
constexpr double kPStaysAbove = 0.5;

// Q(a, x) for x < a + 1: 1 minus the series of the lower function.
double UpperBySeries(double a, double x)
{
    double dTerm = 1.0 / a;
    double dSum = dTerm;
    for (int n = 1; n < 100000; ++n) {
        dTerm *= x / (a + n);
        dSum += dTerm;
        if (std::abs(dTerm) < std::abs(dSum) * 1e-15)
            break;
    }
    return 1.0 - dSum * std::exp(-x + a * std::log(x) - std::lgamma(a));
}

// Q(a, x) for x >= a + 1: the continued fraction, by the modified Lentz method.
double UpperByFraction(double a, double x)
{
    constexpr double kFloor = std::numeric_limits<double>::min() / std::numeric_limits<double>::epsilon();
    double b = x + 1.0 - a;
    double c = 1.0 / kFloor;
    double d = 1.0 / b;
    double h = d;
    for (int i = 1; i < 100000; ++i) {
        const double an = -i * (i - a);
        b += 2.0;
        d = an * d + b;
        if (std::abs(d) < kFloor)
            d = kFloor;
        c = b + an / c;
        if (std::abs(c) < kFloor)
            c = kFloor;
        d = 1.0 / d;
        const double dDelta = d * c;
        h *= dDelta;
        if (std::abs(dDelta - 1.0) < 1e-15)
            break;
    }
    return std::exp(-x + a * std::log(x) - std::lgamma(a)) * h;
}

}  // namespace

double C_ChiSquareAttack::UpperGamma(double a, double x)
{
    if (!(a > 0.0) || !(x > 0.0))
        return 1.0;
    const double q = x < a + 1.0 ? UpperBySeries(a, x) : UpperByFraction(a, x);
    return std::isfinite(q) ? std::clamp(q, 0.0, 1.0) : 0.0;
}

double C_ChiSquareAttack::PValue(double dChiSquare, int nFreedom)
{
    if (nFreedom < 1)
        return 1.0;
    return UpperGamma(nFreedom / 2.0, dChiSquare / 2.0);
}

C_ChiSquareAttack::S_Result C_ChiSquareAttack::Run(const S_SamplePlane& plane)
{
    S_Result result;
    const size_t nSamples = static_cast<size_t>(plane.nWidth) * plane.nHeight;
    if (!plane.pSamples || nSamples == 0)
        return result;
    std::vector<uint64_t> aHistogram(static_cast<size_t>(plane.nMaxValue) + 2, 0);
    result.aPValues.reserve(kPoints);
    size_t nDone = 0;
    bool bStillAbove = true;
    for (int nPoint = 1; nPoint <= kPoints; ++nPoint) {
        const size_t nEnd = nSamples * static_cast<size_t>(nPoint) / kPoints;
        for (; nDone < nEnd; ++nDone)
            ++aHistogram[plane.pSamples[nDone]];

        double dChi = 0.0;
        int nCategories = 0;
        double dObserved = 0.0;  // of the category being gathered: its even values' count
        double dExpected = 0.0;  // and the pairs' mean
        for (size_t k = 0; k + 1 < aHistogram.size(); k += 2) {
            dObserved += static_cast<double>(aHistogram[k]);
            dExpected += static_cast<double>(aHistogram[k] + aHistogram[k + 1]) / 2.0;
            if (dExpected > kMinExpected) {
                dChi += (dObserved - dExpected) * (dObserved - dExpected) / dExpected;
                ++nCategories;
                dObserved = 0.0;
                dExpected = 0.0;
            }
        }
        // A thin tail too small to stand alone is left out rather than distort the last category.
        // Fewer than two categories (a flat prefix) leave the test nothing to compare: no sign.
        const double p = nCategories < 2 ? 0.0 : PValue(dChi, nCategories - 1);
        result.aPValues.push_back(p);
        if (bStillAbove && p > kPStaysAbove)
            result.dEstimate = static_cast<double>(nPoint) / kPoints;
        else
            bStillAbove = false;
    }
    return result;
}
