#pragma once
// DCTR features (Holub and Fridrich, "Low complexity features for JPEG steganalysis using
// undecimated DCT", IEEE TIFS 2015). The JPEG's first component is decompressed without
// rounding (C_JpegPlane) and filtered with the 64 8 x 8 DCT basis patterns B(k,l) at every
// position where the pattern fits (the undecimated DCT). Each of the 64 residuals U(k,l) is
// split by the position's phase (a, b) = (row mod 8, column mod 8) against the JPEG grid;
// phases that mirror each other about the block's centre (a and 8 - a, likewise b) see the
// grid alike, leaving 5 x 5 = 25 classes. Each class's histogram of Q_T(|u| / q), the
// quantiser's centroids 0 .. T = 4 (round, then clip at T), normalised to sum one, gives
// 5 features: 64 x 25 x 5 = 8000.
//
// The quantisation step follows the quality the way the paper scales it: q = 8 (2 - QF / 50)
// for QF of 50 and above, so q = 4 at QF 75 (the paper's step there) and 0.8 at QF 95; below
// 50 the same factor continues as 8 (50 / QF).

#include "bench/jpegstego/C_JpegPlane.h"

#include <vector>

class C_Dctr {
public:
    static constexpr int kThreshold = 4;
    static constexpr int kClasses = 25;
    static constexpr int kCount = 64 * kClasses * (kThreshold + 1);

    static double StepFor(int nQuality, double dFactor = 8.0);

    // The features of a plane; all zero for a plane smaller than one block.
    static std::vector<float> Of(const C_JpegPlane& plane, double dStep);
};
