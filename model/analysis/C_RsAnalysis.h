#pragma once
// RS analysis (Fridrich, Goljan and Du): estimates the share of samples whose least significant
// bit was replaced by a random bit. Groups of 4 adjacent samples are flipped under the mask
// [0 1 1 0], once with F1 (0<->1, 2<->3, ...) and once with F-1 (-1<->0, 1<->2, ...), and called
// regular when the flip makes the group rougher, singular when smoother. Replacement pulls the
// F1 counts together while the F-1 counts drift apart; measuring both on the picture and on the
// picture with every lowest bit flipped gives the paper's quadratic for the rate.

#include "model/analysis/S_SamplePlane.h"

class C_RsAnalysis {
public:
    // The estimated rate, in [0, 1]; 0 when the plane holds no group of 4 or no usable structure
    // (flat pictures), never NaN.
    static double Estimate(const S_SamplePlane& plane);
};
