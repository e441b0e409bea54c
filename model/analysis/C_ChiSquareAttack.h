#pragma once
// The chi-square attack (Westfeld and Pfitzmann): replacing lowest bits by random message bits
// evens out the counts of each pair of values 2k and 2k + 1. The test compares the count of the
// even value with the pair's mean over growing prefixes of the samples in carrier order; while
// the prefix lies inside the embedded part the pairs are even and the p-value stays near 1.
//
// The estimate is the share of the picture, from its start, over which the p-value stays above
// 0.5: what the classic attack reports. It sees only embedding that fills the picture from the
// start (or nearly all of it); bits spread thinly over the whole picture, as Veilmark's keyed
// positions spread them, leave every prefix only partly evened and pass unnoticed. Sample pair
// and RS analysis catch those. A clean picture whose histogram is smooth at the scale of single
// levels has even pairs of its own and reads as filled: the attack relies on the uneven counts
// that editing and processing leave in most photos.

#include "model/analysis/S_SamplePlane.h"

#include <vector>

class C_ChiSquareAttack {
public:
    static constexpr int kPoints = 100;  // prefixes tested: 1/100, 2/100, ... of the samples

    struct S_Result {
        std::vector<double> aPValues;  // kPoints values, one per prefix; empty without samples
        double dEstimate = 0.0;        // share of the picture from the start with p above 0.5
    };

    static S_Result Run(const S_SamplePlane& plane);

    // The p-value of a chi-square statistic with nFreedom degrees of freedom: the chance of a
    // value at least this large. 1 for nFreedom < 1.
    static double PValue(double dChiSquare, int nFreedom);
    // The regularized upper incomplete gamma function Q(a, x) = Gamma(a, x) / Gamma(a).
    static double UpperGamma(double a, double x);
};
