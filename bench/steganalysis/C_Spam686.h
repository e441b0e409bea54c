#pragma once
// The second-order SPAM features (Pevny, Bas and Fridrich, "Steganalysis by subtractive pixel
// adjacency matrix", IEEE TIFS 2010) of a gray plane: 686 numbers that describe how the
// differences between neighbouring pixels follow one another, which is what embedding noise
// disturbs while the picture's content barely moves it.
//
// For each of the 8 directions d (left, right, up, down and the four diagonals), the difference
// array D(p) = X(p) - X(p + d) is clipped to [-T, T], T = 3, and read as a Markov chain along d:
// M_d(u, v, w) = Pr(D(p + 2d) = u | D(p + d) = v, D(p) = w), (2T + 1)^3 = 343 values. The first
// 343 features are the mean of the four straight directions' M, the last 343 that of the four
// diagonal ones. A pair (v, w) that never occurs gives zeros.

#include <cstdint>
#include <vector>

class C_Spam686 {
public:
    static constexpr int kT = 3;
    static constexpr int kValues = 2 * kT + 1;
    static constexpr int kPerGroup = kValues * kValues * kValues;
    static constexpr int kCount = 2 * kPerGroup;

    // kCount features of a row-major plane (no padding). A plane smaller than 4 x 4 gives zeros.
    static std::vector<float> Of(const uint8_t* pPlane, uint32_t nWidth, uint32_t nHeight);
};
