#include "bench/steganalysis/C_Spam686.h"

#include <algorithm>
#include <array>

namespace {

struct S_Step {
    int nRows, nCols;
};

// Straight directions first, then the diagonals, in the order the two groups are averaged.
constexpr S_Step kSteps[8] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}, {1, 1}, {-1, -1}, {1, -1}, {-1, 1}};

// The transition probabilities along one direction, added into pGroup (kPerGroup values) with
// weight 1/4.
void AddDirection(const uint8_t* pPlane, int nWidth, int nHeight, S_Step step, float* pGroup)
{
    constexpr int kT = C_Spam686::kT;
    constexpr int kV = C_Spam686::kValues;
    std::array<uint32_t, C_Spam686::kPerGroup> aCounts{};
    // A chain needs the pixels p, p + d, p + 2d and p + 3d inside the plane.
    const int nRowFirst = step.nRows < 0 ? -3 * step.nRows : 0;
    const int nRowEnd = step.nRows > 0 ? nHeight - 3 * step.nRows : nHeight;
    const int nColFirst = step.nCols < 0 ? -3 * step.nCols : 0;
    const int nColEnd = step.nCols > 0 ? nWidth - 3 * step.nCols : nWidth;
    const long nStride = static_cast<long>(step.nRows) * nWidth + step.nCols;
    for (int y = nRowFirst; y < nRowEnd; ++y) {
        const uint8_t* pRow = pPlane + static_cast<long>(y) * nWidth;
        for (int x = nColFirst; x < nColEnd; ++x) {
            const uint8_t* p = pRow + x;
            const int a = p[0], b = p[nStride], c = p[2 * nStride], d = p[3 * nStride];
            const int w = std::clamp(a - b, -kT, kT) + kT;
            const int v = std::clamp(b - c, -kT, kT) + kT;
            const int u = std::clamp(c - d, -kT, kT) + kT;
            ++aCounts[(w * kV + v) * kV + u];
        }
    }
    for (int wv = 0; wv < kV * kV; ++wv) {
        uint32_t nSum = 0;
        for (int u = 0; u < kV; ++u)
            nSum += aCounts[wv * kV + u];
        if (nSum == 0)
            continue;
        for (int u = 0; u < kV; ++u)
            pGroup[wv * kV + u] += 0.25f * static_cast<float>(aCounts[wv * kV + u]) / static_cast<float>(nSum);
    }
}

}  // namespace

std::vector<float> C_Spam686::Of(const uint8_t* pPlane, uint32_t nWidth, uint32_t nHeight)
{
    std::vector<float> features(kCount, 0.0f);
    if (nWidth < 4 || nHeight < 4)
        return features;
    for (int i = 0; i < 8; ++i)
        AddDirection(pPlane, static_cast<int>(nWidth), static_cast<int>(nHeight), kSteps[i],
            features.data() + (i < 4 ? 0 : kPerGroup));
    return features;
}
