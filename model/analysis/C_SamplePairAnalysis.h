#pragma once
// Sample pair analysis (Dumitrescu, Wu and Memon): estimates the share of samples whose least
// significant bit was replaced by a random bit. Pairs of horizontally and vertically adjacent
// samples are sorted into classes by how far apart their values are with the lowest bit
// dropped; replacement moves pairs only inside a class, and in a natural picture a difference of
// 2m + 1 starting on an even value is as common as one starting on an odd value. That balance
// gives one quadratic in the rate per class; their sum is solved.

#include "model/analysis/S_SamplePlane.h"

class C_SamplePairAnalysis {
public:
    // The estimated rate, in [0, 1]; 0 when the plane has no pairs or no usable structure
    // (flat pictures), never NaN.
    static double Estimate(const S_SamplePlane& plane);
};
