#include "model/records/C_HillCost.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <stdexcept>

namespace {

constexpr float kWet = std::numeric_limits<float>::infinity();
// What a wet sample brings into the 15 x 15 average: 1 / (0 + kTiny).
constexpr double kWetReciprocal = 1.0 / C_HillCost::kTiny;
// xi is the 3 x 3 sum of |second difference x second difference| over 9 (the average) and 4
// (the filter's scale).
constexpr float kSumsPerXi = 36.0f;

// a when bWhich, else b: in integer operations, so that the loops around run on vectors (a
// float comparison or a branch would keep them one sample at a time).
float Select(bool bWhich, float a, float b)
{
    const uint32_t nMask = 0u - static_cast<uint32_t>(bWhich);
    return std::bit_cast<float>((std::bit_cast<uint32_t>(a) & nMask) | (std::bit_cast<uint32_t>(b) & ~nMask));
}

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

// Rows of one stage, computed when first asked for and kept in kSlots slots (row j in slot
// j % kSlots). The callers ask for rows from a window of at most kSlots consecutive rows
// (mirrored rows fall inside it too), so a row is never dropped while still needed.
template <typename T, int kSlots> class RowRing {
public:
    explicit RowRing(size_t nWidth)
        : m_nWidth(nWidth)
        , m_rows(nWidth * kSlots)
    {
        m_tags.fill(-1);
    }
    template <typename F> const T* Get(size_t nRow, F&& fill)
    {
        const size_t nSlot = nRow % kSlots;
        T* p = m_rows.data() + nSlot * m_nWidth;
        if (m_tags[nSlot] != static_cast<int64_t>(nRow)) {
            fill(nRow, p);
            m_tags[nSlot] = static_cast<int64_t>(nRow);
        }
        return p;
    }

private:
    size_t m_nWidth;
    std::vector<T> m_rows;
    std::array<int64_t, kSlots> m_tags;
};

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
    const auto mirror = [h](int64_t y) { return Mirror(y, h); };

    // First 1 / (xi + kTiny) per sample, 0 where xi == 0 (wet; a busy sample's is above 0), row
    // by row into the result; each row then becomes its cost. Only a few rows of each stage
    // before are held.
    std::vector<float> costs(n);
    {
        // The horizontal second difference of a row of the plane.
        RowRing<TResidual, 3> dx(w);
        std::vector<TSample> paddedSamples(w + 2);
        const auto fillDx = [&](size_t y, TResidual* pOut) {
            PadRow(pPlane + y * w, w, 1, paddedSamples.data());
            const TSample* p = paddedSamples.data();
            for (size_t x = 0; x < w; ++x)
                pOut[x] = static_cast<TResidual>(TResidual(p[x]) - 2 * TResidual(p[x + 1]) + TResidual(p[x + 2]));
        };
        // 4 |R| (the vertical second difference of those), summed over three along the row.
        RowRing<TSum, 3> rowSum(w);
        std::vector<TSum> paddedAbs(w + 2);
        const auto fillRowSum = [&](size_t y, TSum* pOut) {
            const auto j = static_cast<int64_t>(y);
            const TResidual* pUp = dx.Get(mirror(j - 1), fillDx);
            const TResidual* pMid = dx.Get(y, fillDx);
            const TResidual* pDown = dx.Get(mirror(j + 1), fillDx);
            TSum* pAbs = paddedAbs.data() + 1;
            for (size_t x = 0; x < w; ++x) {
                const auto r = static_cast<TResidual>(pUp[x] - 2 * pMid[x] + pDown[x]);
                pAbs[x] = static_cast<TSum>(r < 0 ? -r : r);
            }
            paddedAbs[0] = pAbs[0];
            paddedAbs[w + 1] = pAbs[w - 1];
            const TSum* p = paddedAbs.data();
            for (size_t x = 0; x < w; ++x)
                pOut[x] = static_cast<TSum>(p[x] + p[x + 1] + p[x + 2]);
        };
        for (int64_t y = 0; y < h; ++y) {
            const TSum* pUp = rowSum.Get(mirror(y - 1), fillRowSum);
            const TSum* pMid = rowSum.Get(static_cast<size_t>(y), fillRowSum);
            const TSum* pDown = rowSum.Get(mirror(y + 1), fillRowSum);
            float* pOut = costs.data() + static_cast<size_t>(y) * w;
            for (size_t x = 0; x < w; ++x) {
                const auto s = static_cast<TSum>(pUp[x] + pMid[x] + pDown[x]);
                // 1 / (xi + kTiny) with xi >= 1/36: kTiny is below float precision here.
                const float f = kSumsPerXi / static_cast<float>(std::max<TSum>(s, 1));
                pOut[x] = Select(s == 0, 0.0f, f);
            }
        }
    }

    // The 15 x 15 average: the finite values and the count of wet ones are summed apart, so that
    // 10^10 and 0.01 never meet in one sum. Along each row first (sums of 3, then of 5 of those:
    // no chain from one sample to the next), 16 rows held; then down the columns with running
    // sums in double.
    constexpr int r = C_HillCost::kL2Size / 2;
    RowRing<float, 2 * r + 2> rowSum(w);
    RowRing<uint8_t, 2 * r + 2> rowWet(w);
    std::vector<float> padded(w + 2 * r), threes(w + 2 * r);
    std::vector<uint8_t> paddedWet(w + 2 * r), threesWet(w + 2 * r);
    const auto fillRow = [&](size_t y, float* pSum) {
        PadRow(costs.data() + y * w, w, r, padded.data());
        const float* p = padded.data();
        for (size_t x = 0; x < w + 2 * r; ++x)
            paddedWet[x] = p[x] == 0.0f;
        for (size_t x = 0; x + 2 < w + 2 * r; ++x) {
            threes[x] = p[x] + p[x + 1] + p[x + 2];
            threesWet[x] = static_cast<uint8_t>(paddedWet[x] + paddedWet[x + 1] + paddedWet[x + 2]);
        }
        for (size_t x = 0; x < w; ++x)
            pSum[x] = threes[x] + threes[x + 3] + threes[x + 6] + threes[x + 9] + threes[x + 12];
    };
    // The wet counts come from the same pass as the sums (both rings hold the same rows).
    const auto fillWet = [&](size_t, uint8_t* pWet) {
        for (size_t x = 0; x < w; ++x)
            pWet[x] = static_cast<uint8_t>(
                threesWet[x] + threesWet[x + 3] + threesWet[x + 6] + threesWet[x + 9] + threesWet[x + 12]);
    };
    std::vector<double> columnSum(w, 0.0);
    std::vector<int32_t> columnWet(w, 0);
    const auto addRow = [&](int64_t y, int nSign) {
        const size_t nRow = mirror(y);
        const float* pSum = rowSum.Get(nRow, fillRow);
        const uint8_t* pWet = rowWet.Get(nRow, fillWet);
        for (size_t x = 0; x < w; ++x) {
            columnSum[x] += nSign * double(pSum[x]);
            columnWet[x] += nSign * pWet[x];
        }
    };
    for (int64_t k = -r; k <= r; ++k)
        addRow(k, 1);
    constexpr double kPerArea = 1.0 / (double(C_HillCost::kL2Size) * C_HillCost::kL2Size);
    for (int64_t y = 0; y < h; ++y) {
        float* pCost = costs.data() + static_cast<size_t>(y) * w;
        for (size_t x = 0; x < w; ++x) {
            const auto f = static_cast<float>((columnSum[x] + columnWet[x] * kWetReciprocal) * kPerArea);
            pCost[x] = Select(std::bit_cast<uint32_t>(pCost[x]) == 0, kWet, f);
        }
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
