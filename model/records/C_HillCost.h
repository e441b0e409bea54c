#pragma once
// What a change by one costs at each sample of a picture plane, for adaptive embedding: the HILL
// cost (Li, Wang, Huang and Li, "A new cost function for spatial image steganography", ICIP 2014).
// Changes then go where the picture is busy, and busy areas hide them.
//
// For a plane X (row-major, width x height, no padding):
//   R   = X * H,   H = 1/4 [[-1, 2, -1], [2, -4, 2], [-1, 2, -1]]   (the KB high-pass filter)
//   xi  = |R| * L1, L1 = the 3 x 3 average
//   rho = (1 / (xi + kTiny)) * L2, L2 = the 15 x 15 average
// rho is the cost of +1 and of -1 alike (DirectionalCosts tells them apart at the ends of the
// range). H is separable (-1/4 times the outer product of [1, -2, 1] with itself), so R is a
// horizontal then a vertical second difference; the averages are sums along rows, then down
// columns. Only a few rows of each stage are held besides the result. A 4032 x 3024 plane takes
// about 55 ms of one core of the build machine (Release; the file is built at -O3 everywhere
// but in Debug builds, since its loops must be vectorized).
//
// Borders: every filter reads past the edge by mirroring, the edge sample repeated
// (symmetric padding: x[-1] = x[0], x[-2] = x[1], x[w] = x[w - 1], ...), again and again for a
// plane narrower than the filter. So a 1 x 1, 1 x N or N x 1 plane has costs too: all wet, as a
// single row is constant down its columns (see below).
//
// Wet samples (cost +infinity: never changed): xi == 0, i.e. the residual is exactly zero in the
// whole 3 x 3 window around the sample. That holds in flat areas, and also wherever the plane is
// a function of x plus a function of y (stripes, exact ramps, separable gradients), which the
// filter predicts exactly:
// a change there would be the only residual around, so it would stand out. The formula itself
// gives these samples 1 / kTiny; they are made exactly infinite so that no coder ever takes them.
// Their 1 / kTiny still enters the 15 x 15 average, as in the paper, so samples within 7 of a
// wet one cost 4 x 10^7 or more: flat areas keep a margin with no changes.

#include <cstddef>
#include <cstdint>
#include <vector>

class C_HillCost {
public:
    // The small constant that keeps 1 / xi finite; xi is either 0 or at least 1/36 for integer
    // samples, so it only matters for wet samples' neighbours.
    static constexpr double kTiny = 1e-10;
    // The averages' sizes.
    static constexpr int kL1Size = 3;
    static constexpr int kL2Size = 15;

    // One cost per sample, row-major like the plane; +infinity where the sample is wet. Empty for
    // a zero width or height. Throws std::length_error when width x height samples cannot be held.
    static std::vector<float> ForPlane(const uint8_t* pPlane, uint32_t nWidth, uint32_t nHeight);
    // The same for 16-bit samples (host byte order: the caller turns a file's big-endian bytes
    // into values first). The costs are computed on the full 16-bit values, since a change by one
    // touches the low byte, and it is the fine texture of the full values that hides it; on the
    // high byte alone, every area whose high byte is constant would be wet, including the noise
    // of a real 16-bit photograph. The costs are in units of the 16-bit scale (about 1/256 of an
    // 8-bit plane's for the same picture): they compare among one plane's samples only. A plane
    // widened from 8 bits (v * 257) has the same wet samples as the 8-bit one.
    static std::vector<float> ForPlane16(const uint16_t* pPlane, uint32_t nWidth, uint32_t nHeight);

    // The cost of +1 and of -1 per sample: rho, or +infinity where the change would leave the
    // range (a 255 cannot go up, a 0 cannot go down). n samples; pRho may be pPlus or pMinus.
    static void DirectionalCosts(const uint8_t* pPlane, size_t n, const float* pRho, float* pPlus, float* pMinus);
    // The same for 16-bit samples (65535 cannot go up).
    static void DirectionalCosts16(const uint16_t* pPlane, size_t n, const float* pRho, float* pPlus, float* pMinus);
};
