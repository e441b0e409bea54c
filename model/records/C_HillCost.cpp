#include "model/records/C_HillCost.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace {

constexpr float kWet = std::numeric_limits<float>::infinity();
// What a wet sample brings into the 15 x 15 average: 1 / (0 + kTiny).
constexpr double kWetReciprocal = 1.0 / C_HillCost::kTiny;
// xi is the 3 x 3 sum of |second difference x second difference| over 9 (the average) and 4
// (the filter's scale).
constexpr float kSumsPerXi = 36.0f;

// Index i mirrored into 0 .. n - 1 (x[-1] = x[0], x[n] = x[n - 1]), for any i and any n >= 1.
size_t Mirror(int64_t i, int64_t n)
{
    const int64_t nPeriod = 2 * n;
    int64_t m = i % nPeriod;
    if (m < 0)
        m += nPeriod;
    return static_cast<size_t>(m < n ? m : nPeriod - 1 - m);
}

// A row of nWidth values with nRadius mirrored values on either side, into pOut.
template <typename T> void PadRow(const T* pRow, size_t nWidth, int nRadius, T* pOut)
{
    const auto w = static_cast<int64_t>(nWidth);
    for (int k = 0; k < nRadius; ++k) {
        pOut[k] = pRow[Mirror(k - nRadius, w)];
        pOut[nRadius + nWidth + static_cast<size_t>(k)] = pRow[Mirror(w + k, w)];
    }
    std::copy(pRow, pRow + nWidth, pOut + nRadius);
}

size_t SampleCount(uint32_t nWidth, uint32_t nHeight)
{
    const uint64_t n = uint64_t{nWidth} * nHeight;
    // The widest buffer holds a float and more per sample; refuse what no allocation could hold.
    if (n > static_cast<uint64_t>(std::numeric_limits<ptrdiff_t>::max()) / sizeof(double))
        throw std::length_error("the plane is too large for its costs");
    return static_cast<size_t>(n);
}

// TResidual holds a second difference of second differences (16 times the largest sample);
// TSum the 3 x 3 sum of their absolute values (144 times).
template <typename TSample, typename TResidual, typename TSum>
std::vector<float> Costs(const TSample* pPlane, uint32_t nWidth, uint32_t nHeight)
{
    const size_t n = SampleCount(nWidth, nHeight);
    if (n == 0)
        return {};
    const size_t w = nWidth;
    const auto h = static_cast<int64_t>(nHeight);

    // Per sample: whether xi == 0 (wet), else 1 / xi.
    std::vector<uint8_t> wet(n);
    std::vector<float> reciprocal(n);
    {
        // 4 |R|: the horizontal second difference, then the vertical one of that.
        std::vector<TSum> absResidual(n);
        {
            std::vector<TResidual> dx(n);
            std::vector<TSample> padded(w + 2);
            for (size_t y = 0; y < nHeight; ++y) {
                PadRow(pPlane + y * w, w, 1, padded.data());
                TResidual* pOut = dx.data() + y * w;
                for (size_t x = 0; x < w; ++x)
                    pOut[x] = static_cast<TResidual>(
                        TResidual(padded[x]) - 2 * TResidual(padded[x + 1]) + TResidual(padded[x + 2]));
            }
            for (int64_t y = 0; y < h; ++y) {
                const TResidual* pUp = dx.data() + Mirror(y - 1, h) * w;
                const TResidual* pMid = dx.data() + static_cast<size_t>(y) * w;
                const TResidual* pDown = dx.data() + Mirror(y + 1, h) * w;
                TSum* pOut = absResidual.data() + static_cast<size_t>(y) * w;
                for (size_t x = 0; x < w; ++x) {
                    const TResidual r = static_cast<TResidual>(pUp[x] - 2 * pMid[x] + pDown[x]);
                    pOut[x] = static_cast<TSum>(r < 0 ? -r : r);
                }
            }
        }
        // Their 3 x 3 sum: along the row, then down the column.
        std::vector<TSum> rowSum(n);
        std::vector<TSum> padded(w + 2);
        for (size_t y = 0; y < nHeight; ++y) {
            PadRow(absResidual.data() + y * w, w, 1, padded.data());
            TSum* pOut = rowSum.data() + y * w;
            for (size_t x = 0; x < w; ++x)
                pOut[x] = static_cast<TSum>(padded[x] + padded[x + 1] + padded[x + 2]);
        }
        for (int64_t y = 0; y < h; ++y) {
            const TSum* pUp = rowSum.data() + Mirror(y - 1, h) * w;
            const TSum* pMid = rowSum.data() + static_cast<size_t>(y) * w;
            const TSum* pDown = rowSum.data() + Mirror(y + 1, h) * w;
            uint8_t* pWet = wet.data() + static_cast<size_t>(y) * w;
            float* pReciprocal = reciprocal.data() + static_cast<size_t>(y) * w;
            for (size_t x = 0; x < w; ++x) {
                const TSum s = static_cast<TSum>(pUp[x] + pMid[x] + pDown[x]);
                pWet[x] = s == 0;
                // 1 / (xi + kTiny) with xi >= 1/36: kTiny is below float precision here.
                pReciprocal[x] = s == 0 ? 0.0f : kSumsPerXi / static_cast<float>(s);
            }
        }
    }

    // The 15 x 15 average of 1 / (xi + kTiny): the finite values and the count of wet ones are
    // summed apart, so that 10^10 and 0.01 never meet in one running sum.
    constexpr int r = C_HillCost::kL2Size / 2;
    std::vector<float> rowSum(n);
    std::vector<uint8_t> rowWet(n);
    {
        std::vector<float> paddedReciprocal(w + 2 * r);
        std::vector<uint8_t> paddedWet(w + 2 * r);
        for (size_t y = 0; y < nHeight; ++y) {
            PadRow(reciprocal.data() + y * w, w, r, paddedReciprocal.data());
            PadRow(wet.data() + y * w, w, r, paddedWet.data());
            double dSum = 0;
            int nWet = 0;
            for (int k = 0; k < 2 * r + 1; ++k) {
                dSum += paddedReciprocal[k];
                nWet += paddedWet[k];
            }
            float* pSum = rowSum.data() + y * w;
            uint8_t* pWet = rowWet.data() + y * w;
            for (size_t x = 0;; ++x) {
                pSum[x] = static_cast<float>(dSum);
                pWet[x] = static_cast<uint8_t>(nWet);
                if (x + 1 == w)
                    break;
                dSum += double(paddedReciprocal[x + 2 * r + 1]) - paddedReciprocal[x];
                nWet += paddedWet[x + 2 * r + 1] - paddedWet[x];
            }
        }
    }
    std::vector<float> costs(n);
    std::vector<double> columnSum(w, 0.0);
    std::vector<int32_t> columnWet(w, 0);
    const auto addRow = [&](int64_t y, int nSign) {
        const float* pSum = rowSum.data() + Mirror(y, h) * w;
        const uint8_t* pWet = rowWet.data() + Mirror(y, h) * w;
        for (size_t x = 0; x < w; ++x) {
            columnSum[x] += nSign * double(pSum[x]);
            columnWet[x] += nSign * pWet[x];
        }
    };
    for (int64_t k = -r; k <= r; ++k)
        addRow(k, 1);
    constexpr double kArea = double(C_HillCost::kL2Size) * C_HillCost::kL2Size;
    for (int64_t y = 0; y < h; ++y) {
        const uint8_t* pWet = wet.data() + static_cast<size_t>(y) * w;
        float* pCost = costs.data() + static_cast<size_t>(y) * w;
        for (size_t x = 0; x < w; ++x)
            pCost[x] = pWet[x] ? kWet : static_cast<float>((columnSum[x] + columnWet[x] * kWetReciprocal) / kArea);
        if (y + 1 < h) {
            addRow(y + 1 + r, 1);
            addRow(y - r, -1);
        }
    }
    return costs;
}

template <typename TSample>
void Directional(const TSample* pPlane, size_t n, const float* pRho, float* pPlus, float* pMinus)
{
    for (size_t i = 0; i < n; ++i) {
        const float fRho = pRho[i];
        pPlus[i] = pPlane[i] == std::numeric_limits<TSample>::max() ? kWet : fRho;
        pMinus[i] = pPlane[i] == 0 ? kWet : fRho;
    }
}

}  // namespace

std::vector<float> C_HillCost::ForPlane(const uint8_t* pPlane, uint32_t nWidth, uint32_t nHeight)
{
    // |residual| <= 16 x 255 fits int16; its 3 x 3 sum <= 36,720 fits uint16.
    return Costs<uint8_t, int16_t, uint16_t>(pPlane, nWidth, nHeight);
}

std::vector<float> C_HillCost::ForPlane16(const uint16_t* pPlane, uint32_t nWidth, uint32_t nHeight)
{
    return Costs<uint16_t, int32_t, uint32_t>(pPlane, nWidth, nHeight);
}

void C_HillCost::DirectionalCosts(const uint8_t* pPlane, size_t n, const float* pRho, float* pPlus, float* pMinus)
{
    Directional(pPlane, n, pRho, pPlus, pMinus);
}

void C_HillCost::DirectionalCosts16(const uint16_t* pPlane, size_t n, const float* pRho, float* pPlus, float* pMinus)
{
    Directional(pPlane, n, pRho, pPlus, pMinus);
}
