#pragma once
// J-UNIWARD's costs (Holub, Fridrich and Denemark, "Universal distortion function for
// steganography in an arbitrary domain", EURASIP JIS 2014). The distortion between pictures X
// and Y is the sum, over the three directional residuals of a Daubechies-8 filter bank (LH, HL
// and HH: K = h g^T, g h^T, g g^T), of |W(X) - W(Y)| / (sigma + |W(X)|) with sigma = 2^-6, the
// residuals of the decompressed, unrounded cover (C_JpegPlane, mirror-padded at the edges). The
// cost of a coefficient is that distortion for a change of one in it alone, the same up or down:
// the quantisation step times its basis pattern in the spatial domain. The filters are
// separable, and so is the absolute value of a separable response, so a block's 64 costs come
// from one pass over the 23 x 23 residual samples its change touches.

#include "bench/jpegstego/C_JpegPlane.h"

#include <vector>

class C_JUniwardCost {
public:
    static constexpr double kSigma = 1.0 / 64;

    // One cost per coefficient of component 0, laid out as its coefficients; empty when the
    // picture's plane is empty. A coefficient that would leave -1023 .. 1023 either way is not
    // made wet here: the embedder decides per direction.
    static std::vector<float> Of(const C_JpegCoefficients& jpeg, const C_JpegPlane& plane);
};
