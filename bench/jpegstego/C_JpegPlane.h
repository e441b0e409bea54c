#pragma once
// The first component of a JPEG as the decoder's spatial values before rounding and clipping:
// each block's dequantised coefficients through the orthonormal 8 x 8 inverse DCT, plus the 128
// level shift. DCTR and the J-UNIWARD costs both look at the picture this way, so that no
// rounding hides what a change of one coefficient does.

#include "model/pictures/jpeg/C_JpegCoefficients.h"

#include <array>
#include <cstdint>
#include <vector>

class C_JpegPlane {
public:
    using T_Basis = std::array<std::array<float, 8>, 8>;
    // The orthonormal DCT basis: Basis()[k][m] = w_k / 2 cos(pi k (2m + 1) / 16), w_0 = 1/sqrt(2).
    // A block's samples are C^T D C for its dequantised coefficients D (rows the vertical frequency).
    static const T_Basis& Basis();

    uint32_t nWidth = 0;  // the whole block grid: 8 samples a block
    uint32_t nHeight = 0;
    std::vector<float> samples;  // row by row

    // The plane of component 0; empty when the picture has no component or its table is missing.
    static C_JpegPlane Of(const C_JpegCoefficients& jpeg);

    // The libjpeg quality (1 .. 100) whose scaled standard luminance table is nearest to
    // component 0's table; 0 when there is none.
    static int QualityOf(const C_JpegCoefficients& jpeg);
};
