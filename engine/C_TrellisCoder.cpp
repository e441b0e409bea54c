#include "engine/C_TrellisCoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VMK_TRELLIS_X86 1
#endif

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

uint64_t Mix(uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t Next(uint64_t& nState)
{
    nState += 0x9E3779B97F4A7C15ull;
    return Mix(nState);
}

// One trellis column: for every state s, the cheaper of keeping y_i = 0 (from s, cost c0) and
// taking y_i = 1 (from s ^ col, cost c1). kStore: set bit s of the path words when y_i = 1 won
// (strictly cheaper). kMin: also return the least new cost.
using ColumnFn = void (*)(
    const float* pOld, float* pNew, uint32_t nCol, float c0, float c1, uint64_t* pBits, size_t nStates, float* pMin);
// Row shift after a block: pNew[s] = pOld[2 s + nBit] - fOffset for the lower half of the
// states, infinity for the upper half; returns the least of them. (Written with vector stores:
// scalar stores read back as vectors by the next column stall the loads.)
using ShiftFn = float (*)(const float* pOld, float* pNew, size_t nBit, float fOffset, size_t nHalf);

// The column variants of one instruction set, indexed by kStore + 2 kMin.
struct S_Kernels {
    ColumnFn aColumn[4];
    ShiftFn shift;
};

template <bool kStore, bool kMin>
void ColumnScalar(
    const float* pOld, float* pNew, uint32_t nCol, float c0, float c1, uint64_t* pBits, size_t nStates, float* pMin)
{
    float fMin = kInf;
    for (size_t w = 0; w < nStates / 64; ++w) {
        uint64_t nWord = 0;
        for (size_t j = 0; j < 64; ++j) {
            const size_t s = w * 64 + j;
            const float a = pOld[s] + c0;
            const float b = pOld[s ^ nCol] + c1;
            const bool bOne = b < a;
            pNew[s] = bOne ? b : a;
            nWord |= uint64_t(bOne) << j;
            if (kMin)
                fMin = std::min(fMin, pNew[s]);
        }
        if (kStore)
            pBits[w] = nWord;
    }
    if (kMin)
        *pMin = fMin;
}

[[maybe_unused]] float ShiftScalar(const float* pOld, float* pNew, size_t nBit, float fOffset, size_t nHalf)
{
    float fMin = kInf;
    for (size_t s = 0; s < nHalf; ++s) {
        pNew[s] = pOld[2 * s + nBit] - fOffset;
        fMin = std::min(fMin, pNew[s]);
    }
    std::fill(pNew + nHalf, pNew + 2 * nHalf, kInf);
    return fMin;
}

[[maybe_unused]] constexpr S_Kernels kScalar = {
    {ColumnScalar<false, false>, ColumnScalar<true, false>, ColumnScalar<false, true>, ColumnScalar<true, true>},
    ShiftScalar};

#ifdef VMK_TRELLIS_X86
// Four states a vector: the partner of lane j of vector k is lane j ^ (col & 3) of vector
// k ^ (col >> 2); col is odd, so the lane pattern is xor 1 or xor 3.
template <bool kStore, bool kMin, int kLow>
void ColumnSse2Low(
    const float* pOld, float* pNew, uint32_t nCol, float c0, float c1, uint64_t* pBits, size_t nStates, float* pMin)
{
    const __m128 v0 = _mm_set1_ps(c0);
    const __m128 v1 = _mm_set1_ps(c1);
    const size_t nHigh = nCol >> 2;
    __m128 vMin = _mm_set1_ps(kInf);
    for (size_t w = 0; w < nStates / 64; ++w) {
        uint64_t nWord = 0;
        for (size_t j = 0; j < 16; ++j) {
            const size_t k = w * 16 + j;
            const __m128 a = _mm_add_ps(_mm_loadu_ps(pOld + 4 * k), v0);
            __m128 b = _mm_loadu_ps(pOld + 4 * (k ^ nHigh));
            b = kLow == 1 ? _mm_shuffle_ps(b, b, _MM_SHUFFLE(2, 3, 0, 1))
                          : _mm_shuffle_ps(b, b, _MM_SHUFFLE(0, 1, 2, 3));
            b = _mm_add_ps(b, v1);
            const __m128 r = _mm_min_ps(b, a);
            _mm_storeu_ps(pNew + 4 * k, r);
            if (kStore)
                nWord |= uint64_t(_mm_movemask_ps(_mm_cmplt_ps(b, a))) << (4 * j);
            if (kMin)
                vMin = _mm_min_ps(vMin, r);
        }
        if (kStore)
            pBits[w] = nWord;
    }
    if (kMin) {
        alignas(16) float a[4];
        _mm_store_ps(a, vMin);
        *pMin = std::min(std::min(a[0], a[1]), std::min(a[2], a[3]));
    }
}

template <bool kStore, bool kMin>
void ColumnSse2(
    const float* pOld, float* pNew, uint32_t nCol, float c0, float c1, uint64_t* pBits, size_t nStates, float* pMin)
{
    if ((nCol & 3) == 1)
        ColumnSse2Low<kStore, kMin, 1>(pOld, pNew, nCol, c0, c1, pBits, nStates, pMin);
    else
        ColumnSse2Low<kStore, kMin, 3>(pOld, pNew, nCol, c0, c1, pBits, nStates, pMin);
}

float ShiftSse2(const float* pOld, float* pNew, size_t nBit, float fOffset, size_t nHalf)
{
    const __m128 vOffset = _mm_set1_ps(fOffset);
    __m128 vMin = _mm_set1_ps(kInf);
    for (size_t s = 0; s < nHalf; s += 4) {
        const __m128 lo = _mm_loadu_ps(pOld + 2 * s);
        const __m128 hi = _mm_loadu_ps(pOld + 2 * s + 4);
        const __m128 v =
            nBit ? _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1)) : _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 r = _mm_sub_ps(v, vOffset);
        _mm_storeu_ps(pNew + s, r);
        vMin = _mm_min_ps(vMin, r);
    }
    const __m128 vInf = _mm_set1_ps(kInf);
    for (size_t s = nHalf; s < 2 * nHalf; s += 4)
        _mm_storeu_ps(pNew + s, vInf);
    alignas(16) float a[4];
    _mm_store_ps(a, vMin);
    return std::min(std::min(a[0], a[1]), std::min(a[2], a[3]));
}

constexpr S_Kernels kSse2 = {
    {ColumnSse2<false, false>, ColumnSse2<true, false>, ColumnSse2<false, true>, ColumnSse2<true, true>}, ShiftSse2};

// Eight states a vector; the lane pattern j ^ (col & 7) is one permute.
template <bool kStore, bool kMin>
__attribute__((target("avx2"))) void ColumnAvx2(
    const float* pOld, float* pNew, uint32_t nCol, float c0, float c1, uint64_t* pBits, size_t nStates, float* pMin)
{
    const __m256 v0 = _mm256_set1_ps(c0);
    const __m256 v1 = _mm256_set1_ps(c1);
    const __m256i vIndex =
        _mm256_xor_si256(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(static_cast<int>(nCol & 7)));
    const size_t nHigh = nCol >> 3;
    __m256 vMin = _mm256_set1_ps(kInf);
    for (size_t w = 0; w < nStates / 64; ++w) {
        uint64_t nWord = 0;
        for (size_t j = 0; j < 8; ++j) {
            const size_t k = w * 8 + j;
            const __m256 a = _mm256_add_ps(_mm256_loadu_ps(pOld + 8 * k), v0);
            const __m256 b =
                _mm256_add_ps(_mm256_permutevar8x32_ps(_mm256_loadu_ps(pOld + 8 * (k ^ nHigh)), vIndex), v1);
            const __m256 r = _mm256_min_ps(b, a);
            _mm256_storeu_ps(pNew + 8 * k, r);
            if (kStore)
                nWord |= uint64_t(uint32_t(_mm256_movemask_ps(_mm256_cmp_ps(b, a, _CMP_LT_OQ)))) << (8 * j);
            if (kMin)
                vMin = _mm256_min_ps(vMin, r);
        }
        if (kStore)
            pBits[w] = nWord;
    }
    if (kMin) {
        alignas(32) float a[8];
        _mm256_store_ps(a, vMin);
        float f = a[0];
        for (int i = 1; i < 8; ++i)
            f = std::min(f, a[i]);
        *pMin = f;
    }
}

__attribute__((target("avx2"))) float ShiftAvx2(
    const float* pOld, float* pNew, size_t nBit, float fOffset, size_t nHalf)
{
    const __m256 vOffset = _mm256_set1_ps(fOffset);
    __m256 vMin = _mm256_set1_ps(kInf);
    for (size_t s = 0; s < nHalf; s += 8) {
        const __m256 lo = _mm256_loadu_ps(pOld + 2 * s);
        const __m256 hi = _mm256_loadu_ps(pOld + 2 * s + 8);
        // Within each 128-bit half first, then the 64-bit quarters into order.
        const __m256 v = nBit ? _mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1))
                              : _mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
        const __m256 r = _mm256_sub_ps(
            _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(v), _MM_SHUFFLE(3, 1, 2, 0))), vOffset);
        _mm256_storeu_ps(pNew + s, r);
        vMin = _mm256_min_ps(vMin, r);
    }
    const __m256 vInf = _mm256_set1_ps(kInf);
    for (size_t s = nHalf; s < 2 * nHalf; s += 8)
        _mm256_storeu_ps(pNew + s, vInf);
    alignas(32) float a[8];
    _mm256_store_ps(a, vMin);
    float f = a[0];
    for (int i = 1; i < 8; ++i)
        f = std::min(f, a[i]);
    return f;
}

constexpr S_Kernels kAvx2 = {
    {ColumnAvx2<false, false>, ColumnAvx2<true, false>, ColumnAvx2<false, true>, ColumnAvx2<true, true>}, ShiftAvx2};

// Sixteen states a vector, the comparison straight into a 16-bit mask.
template <bool kStore, bool kMin>
__attribute__((target("avx512f"))) void ColumnAvx512(
    const float* pOld, float* pNew, uint32_t nCol, float c0, float c1, uint64_t* pBits, size_t nStates, float* pMin)
{
    const __m512 v0 = _mm512_set1_ps(c0);
    const __m512 v1 = _mm512_set1_ps(c1);
    const __m512i vIndex = _mm512_xor_si512(_mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
        _mm512_set1_epi32(static_cast<int>(nCol & 15)));
    const size_t nHigh = nCol >> 4;
    const __mmask16 kAll = 0xFFFF;
    __m512 vMin = _mm512_set1_ps(kInf);
    for (size_t w = 0; w < nStates / 64; ++w) {
        uint64_t nWord = 0;
        for (size_t j = 0; j < 4; ++j) {
            const size_t k = w * 4 + j;
            const __m512 a = _mm512_add_ps(_mm512_loadu_ps(pOld + 16 * k), v0);
            // The masked forms with all lanes set: GCC 12's plain forms warn about their own
            // undefined pass-through value.
            const __m512 x = _mm512_loadu_ps(pOld + 16 * (k ^ nHigh));
            const __m512 b = _mm512_add_ps(_mm512_mask_permutexvar_ps(x, kAll, vIndex, x), v1);
            const __m512 r = _mm512_mask_min_ps(a, kAll, b, a);
            _mm512_storeu_ps(pNew + 16 * k, r);
            if (kStore)
                nWord |= uint64_t(_mm512_cmp_ps_mask(b, a, _CMP_LT_OQ)) << (16 * j);
            if (kMin)
                vMin = _mm512_mask_min_ps(vMin, kAll, vMin, r);
        }
        if (kStore)
            pBits[w] = nWord;
    }
    if (kMin) {
        alignas(64) float a[16];
        _mm512_store_ps(a, vMin);
        float f = a[0];
        for (int i = 1; i < 16; ++i)
            f = std::min(f, a[i]);
        *pMin = f;
    }
}

__attribute__((target("avx512f"))) float ShiftAvx512(
    const float* pOld, float* pNew, size_t nBit, float fOffset, size_t nHalf)
{
    const __m512 vOffset = _mm512_set1_ps(fOffset);
    const __m512i vIndex =
        _mm512_add_epi32(_mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30),
            _mm512_set1_epi32(static_cast<int>(nBit)));
    const __mmask16 kAll = 0xFFFF;
    __m512 vMin = _mm512_set1_ps(kInf);
    for (size_t s = 0; s < nHalf; s += 16) {
        const __m512 lo = _mm512_loadu_ps(pOld + 2 * s);
        const __m512 hi = _mm512_loadu_ps(pOld + 2 * s + 16);
        const __m512 r = _mm512_sub_ps(_mm512_permutex2var_ps(lo, vIndex, hi), vOffset);
        _mm512_storeu_ps(pNew + s, r);
        vMin = _mm512_mask_min_ps(vMin, kAll, vMin, r);
    }
    const __m512 vInf = _mm512_set1_ps(kInf);
    for (size_t s = nHalf; s < 2 * nHalf; s += 16)
        _mm512_storeu_ps(pNew + s, vInf);
    alignas(64) float a[16];
    _mm512_store_ps(a, vMin);
    float f = a[0];
    for (int i = 1; i < 16; ++i)
        f = std::min(f, a[i]);
    return f;
}

constexpr S_Kernels kAvx512 = {
    {ColumnAvx512<false, false>, ColumnAvx512<true, false>, ColumnAvx512<false, true>, ColumnAvx512<true, true>},
    ShiftAvx512};
#endif

const S_Kernels& PickKernels()
{
#ifdef VMK_TRELLIS_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f"))
        return kAvx512;
    if (__builtin_cpu_supports("avx2"))
        return kAvx2;
    return kSse2;
#else
    return kScalar;
#endif
}

// One run of the Viterbi algorithm over an input of the coder.
class C_Trellis {
public:
    C_Trellis(std::span<const uint32_t> columns, int nHeight, std::span<const uint8_t> cover,
        std::span<const float> costs, std::span<const uint8_t> message)
        : m_columns(columns)
        , m_nHeight(nHeight)
        , m_nStates(size_t(1) << nHeight)
        , m_cover(cover)
        , m_costs(costs)
        , m_message(message)
        , m_kernels(PickKernels())
    { }

    size_t BlockStart(size_t b) const { return size_t(uint64_t(b) * m_cover.size() / m_message.size()); }
    // The rows of H that exist below block b's first row.
    uint32_t RowMask(size_t b) const
    {
        const size_t nLeft = m_message.size() - b;
        return nLeft >= size_t(m_nHeight) ? uint32_t(m_nStates - 1) : uint32_t((1u << nLeft) - 1);
    }

    // Blocks [b0, b1) from the costs in pCur (state before b0, upper half infinite); leaves the
    // costs after b1 in pCur. pBits: path words from column BlockStart(b0) on, or null. False
    // when no state can carry the message any more.
    bool Forward(size_t b0, size_t b1, float*& pCur, float*& pNext, uint64_t* pBits) const
    {
        const size_t nWords = m_nStates / 64;
        const size_t nHalf = m_nStates / 2;
        const size_t nFirst = BlockStart(b0);
        for (size_t b = b0; b < b1; ++b) {
            const size_t nStart = BlockStart(b);
            const size_t nEnd = BlockStart(b + 1);
            const uint32_t nMask = RowMask(b);
            float fMin = 0;
            for (size_t i = nStart; i < nEnd; ++i) {
                const float fCost = m_costs[i];
                const bool bOne = (m_cover[i] & 1) != 0;
                const bool bLast = i + 1 == nEnd;
                m_kernels.aColumn[(pBits ? 1 : 0) + (bLast ? 2 : 0)](pCur, pNext, m_columns[i - nStart] & nMask,
                    bOne ? fCost : 0.0f, bOne ? 0.0f : fCost, pBits ? pBits + (i - nFirst) * nWords : nullptr,
                    m_nStates, &fMin);
                std::swap(pCur, pNext);
            }
            // Row b is complete: keep the states whose bit 0 is the message bit, drop that row and
            // bring costs back near zero so that float sums keep their precision.
            const float fNewMin = m_kernels.shift(pCur, pNext, m_message[b] & 1, fMin, nHalf);
            std::swap(pCur, pNext);
            if (!(fNewMin < kInf))
                return false;
        }
        return true;
    }

    // Traces blocks [b0, b1) back from the state after b1; returns the state before b0.
    size_t Back(size_t b0, size_t b1, size_t nState, const uint64_t* pBits, std::vector<uint8_t>& y) const
    {
        const size_t nWords = m_nStates / 64;
        const size_t nFirst = BlockStart(b0);
        for (size_t b = b1; b-- > b0;) {
            nState = (nState << 1) | (m_message[b] & 1);
            const size_t nStart = BlockStart(b);
            const uint32_t nMask = RowMask(b);
            for (size_t i = BlockStart(b + 1); i-- > nStart;) {
                const uint64_t nWord = pBits[(i - nFirst) * nWords + nState / 64];
                const uint8_t nY = uint8_t((nWord >> (nState % 64)) & 1);
                y[i] = nY;
                if (nY)
                    nState ^= m_columns[i - nStart] & nMask;
            }
        }
        return nState;
    }

private:
    std::span<const uint32_t> m_columns;
    int m_nHeight;
    size_t m_nStates;
    std::span<const uint8_t> m_cover;
    std::span<const float> m_costs;
    std::span<const uint8_t> m_message;
    const S_Kernels& m_kernels;
};

}  // namespace

C_TrellisCoder::C_TrellisCoder(uint64_t nSeed, int nHeight)
    : m_nHeight(std::clamp(nHeight, kMinHeight, kMaxHeight))
    , m_nSeed(nSeed)
{ }

C_TrellisCoder::C_TrellisCoder(std::span<const uint8_t> key, int nHeight)
    : C_TrellisCoder(SeedFromKey(key), nHeight)
{ }

uint64_t C_TrellisCoder::SeedFromKey(std::span<const uint8_t> key)
{
    uint64_t s = key.size();
    for (size_t i = 0; i < key.size(); i += 8) {
        uint64_t g = 0;
        for (size_t j = 0; j < 8 && i + j < key.size(); ++j)
            g |= uint64_t(key[i + j]) << (8 * j);
        s = Mix(s ^ g);
    }
    return s;
}

std::vector<uint32_t> C_TrellisCoder::Columns(size_t nWidth) const
{
    std::vector<uint32_t> columns(nWidth);
    uint64_t nState = m_nSeed;
    const uint32_t nAll = (1u << m_nHeight) - 1;
    for (uint32_t& c : columns)
        c = (uint32_t(Next(nState)) & nAll) | 1u | (1u << (m_nHeight - 1));
    return columns;
}

bool C_TrellisCoder::Embed(std::span<const uint8_t> coverBits, std::span<const float> costs,
    std::span<const uint8_t> message, std::vector<uint8_t>& stegoBits, double* pTotalCost) const
{
    stegoBits.clear();
    const size_t n = coverBits.size();
    const size_t m = message.size();
    if (costs.size() != n || m > n || uint64_t(n) > 0xFFFFFFFFull)
        return false;
    for (const float f : costs)
        if (!(f >= 0))
            return false;
    if (m == 0) {
        stegoBits.resize(n);
        for (size_t i = 0; i < n; ++i)
            stegoBits[i] = coverBits[i] & 1;
        if (pTotalCost)
            *pTotalCost = 0;
        return true;
    }

    const size_t nStates = size_t(1) << m_nHeight;
    const size_t nWords = nStates / 64;
    const size_t nWidth = (n + m - 1) / m;
    const std::vector<uint32_t> columns = Columns(nWidth);
    const C_Trellis trellis(columns, m_nHeight, coverBits, costs, message);

    // Segments of whole blocks whose path bits fit the limit; the state costs at each
    // segment's start are kept (lower half only: the upper half is infinite there).
    const size_t nBytesPerBlock = nWidth * nWords * 8;
    const size_t nBlocksPerSegment = std::max<size_t>(1, m_nPathMemory / nBytesPerBlock);
    const size_t nSegments = (m + nBlocksPerSegment - 1) / nBlocksPerSegment;
    const size_t nHalf = nStates / 2;
    const size_t nPathWords = std::min(nBlocksPerSegment * nWidth, n) * nWords;
    if (nPathWords * 8 + (nSegments - 1) * nHalf * sizeof(float) > kMaxMemory)
        return false;

    std::vector<uint8_t> y;
    try {
        std::vector<float> checkpoints((nSegments - 1) * nHalf);
        std::vector<uint64_t> pathBits(nPathWords);
        std::vector<float> costA(nStates, kInf), costB(nStates, kInf);
        y.resize(n);

        float* pCur = costA.data();
        float* pNext = costB.data();
        pCur[0] = 0;
        for (size_t nSeg = 0; nSeg < nSegments; ++nSeg) {
            const size_t b0 = nSeg * nBlocksPerSegment;
            const size_t b1 = std::min(m, b0 + nBlocksPerSegment);
            if (nSeg > 0)
                std::memcpy(checkpoints.data() + (nSeg - 1) * nHalf, pCur, nHalf * sizeof(float));
            if (!trellis.Forward(b0, b1, pCur, pNext, nSeg + 1 == nSegments ? pathBits.data() : nullptr))
                return false;
        }

        // After the last block only state 0 exists (the rows below m are cut off).
        size_t nState = 0;
        for (size_t nSeg = nSegments; nSeg-- > 0;) {
            const size_t b0 = nSeg * nBlocksPerSegment;
            const size_t b1 = std::min(m, b0 + nBlocksPerSegment);
            if (nSeg + 1 < nSegments) {
                std::fill(pCur, pCur + nStates, kInf);
                if (nSeg > 0)
                    std::memcpy(pCur, checkpoints.data() + (nSeg - 1) * nHalf, nHalf * sizeof(float));
                else
                    pCur[0] = 0;
                trellis.Forward(b0, b1, pCur, pNext, pathBits.data());
            }
            nState = trellis.Back(b0, b1, nState, pathBits.data(), y);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }

    double fTotal = 0;
    for (size_t i = 0; i < n; ++i)
        if (y[i] != (coverBits[i] & 1))
            fTotal += costs[i];
    if (pTotalCost)
        *pTotalCost = fTotal;
    stegoBits = std::move(y);
    return true;
}

void C_TrellisCoder::Extract(
    std::span<const uint8_t> stegoBits, size_t nMessageBits, std::vector<uint8_t>& message, size_t nFirstBits) const
{
    message.clear();
    const size_t n = stegoBits.size();
    const size_t m = nMessageBits;
    if (m == 0 || m > n)
        return;
    const std::vector<uint32_t> columns = Columns((n + m - 1) / m);
    // Message bit b depends on blocks 0 .. b only: a prefix reads a prefix of the cover.
    const size_t nBits = std::min(m, nFirstBits);
    message.resize(nBits);
    uint32_t r = 0;
    size_t i = 0;
    for (size_t b = 0; b < nBits; ++b) {
        const size_t nStart = i;
        const size_t nEnd = size_t(uint64_t(b + 1) * n / m);
        for (; i < nEnd; ++i)
            r ^= columns[i - nStart] & (0u - uint32_t(stegoBits[i] & 1));
        message[b] = uint8_t(r & 1);
        r >>= 1;
    }
}

bool C_TrellisCoder::EmbedPlusMinus(std::span<const int32_t> cover, std::span<const float> rhoPlus,
    std::span<const float> rhoMinus, std::span<const uint8_t> message, std::vector<int32_t>& stego,
    double* pTotalCost) const
{
    stego.clear();
    const size_t n = cover.size();
    if (rhoPlus.size() != n || rhoMinus.size() != n)
        return false;
    std::vector<uint8_t> parities(n);
    std::vector<float> costs(n);
    for (size_t i = 0; i < n; ++i) {
        parities[i] = uint8_t(cover[i] & 1);
        costs[i] = std::min(rhoPlus[i], rhoMinus[i]);
    }
    std::vector<uint8_t> bits;
    if (!Embed(parities, costs, message, bits, pTotalCost))
        return false;
    // Ties draw from the generator after the columns' stream, so that they do not all go up.
    uint64_t nState = Mix(m_nSeed ^ 0x5851F42D4C957F2Dull);
    uint64_t nTieBits = 0;
    int nTieLeft = 0;
    stego.assign(cover.begin(), cover.end());
    for (size_t i = 0; i < n; ++i) {
        if (bits[i] == parities[i])
            continue;
        bool bUp = rhoPlus[i] < rhoMinus[i];
        if (rhoPlus[i] == rhoMinus[i]) {
            if (nTieLeft == 0) {
                nTieBits = Next(nState);
                nTieLeft = 64;
            }
            bUp = (nTieBits & 1) != 0;
            nTieBits >>= 1;
            --nTieLeft;
        }
        stego[i] += bUp ? 1 : -1;
    }
    return true;
}

void C_TrellisCoder::ExtractPlusMinus(
    std::span<const int32_t> stego, size_t nMessageBits, std::vector<uint8_t>& message) const
{
    std::vector<uint8_t> parities(stego.size());
    for (size_t i = 0; i < stego.size(); ++i)
        parities[i] = uint8_t(stego[i] & 1);
    Extract(parities, nMessageBits, message);
}

namespace {

// The change probabilities of the least-cost ternary sender at multiplier l, and the ternary
// entropy they carry.
double TernaryEntropy(std::span<const float> rhoPlus, std::span<const float> rhoMinus, double l)
{
    double fBits = 0;
    for (size_t i = 0; i < rhoPlus.size(); ++i) {
        const double a = std::exp(-l * double(rhoPlus[i]));
        const double b = std::exp(-l * double(rhoMinus[i]));
        const double z = 1 + a + b;
        for (const double p : {a / z, b / z, 1 / z})
            if (p > 0)
                fBits -= p * std::log2(p);
    }
    return fBits;
}

double BinaryEntropy(double p)
{
    return p <= 0 || p >= 1 ? 0 : -p * std::log2(p) - (1 - p) * std::log2(1 - p);
}

}  // namespace

double C_TrellisCoder::TernaryMultiplier(std::span<const float> rhoPlus, std::span<const float> rhoMinus, double fBits)
{
    // Entropy falls as l grows.
    double lo = 1e-9, hi = 1e9;
    if (rhoPlus.size() != rhoMinus.size() || TernaryEntropy(rhoPlus, rhoMinus, lo) < fBits)
        return 0;
    for (int k = 0; k < 60; ++k) {
        const double mid = std::sqrt(lo * hi);
        (TernaryEntropy(rhoPlus, rhoMinus, mid) > fBits ? lo : hi) = mid;
    }
    return hi;
}

double C_TrellisCoder::SecondLayerEntropy(
    std::span<const int32_t> cover, std::span<const float> rhoPlus, std::span<const float> rhoMinus, double l)
{
    double fSecond = 0;
    for (size_t i = 0; i < cover.size() && i < rhoPlus.size() && i < rhoMinus.size(); ++i) {
        const double a = std::exp(-l * double(rhoPlus[i]));
        const double b = std::exp(-l * double(rhoMinus[i]));
        fSecond += BinaryEntropy(((cover[i] & 1) ? a : b) / (1 + a + b));
    }
    return fSecond;
}

bool C_TrellisCoder::EmbedTwoLayers(std::span<const int32_t> cover, std::span<const float> rhoPlus,
    std::span<const float> rhoMinus, std::span<const uint8_t> message, std::vector<int32_t>& stego,
    size_t& nSecondLayerBits, double* pTotalCost) const
{
    stego.clear();
    nSecondLayerBits = 0;
    const size_t n = cover.size();
    const size_t m = message.size();
    if (rhoPlus.size() != n || rhoMinus.size() != n || m > n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (!(rhoPlus[i] >= 0) || !(rhoMinus[i] >= 0))
            return false;
    const double l = TernaryMultiplier(rhoPlus, rhoMinus, double(m));
    if (l <= 0)
        return false;
    const size_t m2 = std::min(m, size_t(std::llround(SecondLayerEntropy(cover, rhoPlus, rhoMinus, l))));
    if (!EmbedTwoLayers(cover, rhoPlus, rhoMinus, message.first(m2), message.subspan(m2), l, stego, pTotalCost))
        return false;
    nSecondLayerBits = m2;
    return true;
}

bool C_TrellisCoder::EmbedTwoLayers(std::span<const int32_t> cover, std::span<const float> rhoPlus,
    std::span<const float> rhoMinus, std::span<const uint8_t> secondLayer, std::span<const uint8_t> firstLayer,
    double l, std::vector<int32_t>& stego, double* pTotalCost) const
{
    stego.clear();
    const size_t n = cover.size();
    if (rhoPlus.size() != n || rhoMinus.size() != n || secondLayer.size() > n || firstLayer.size() > n || !(l > 0))
        return false;
    for (size_t i = 0; i < n; ++i)
        if (!(rhoPlus[i] >= 0) || !(rhoMinus[i] >= 0))
            return false;

    // Layer 2: the second bit changes with the probability of the carrying move.
    std::vector<uint8_t> bits(n);
    std::vector<float> costs(n);
    // In float: the costs only rank the changes (a picture's worth of them in tenths of a second).
    const float fL = float(l);
    for (size_t i = 0; i < n; ++i) {
        const float a = std::exp(-fL * rhoPlus[i]);
        const float b = std::exp(-fL * rhoMinus[i]);
        const float q = ((cover[i] & 1) ? a : b) / (1 + a + b);
        bits[i] = uint8_t((cover[i] >> 1) & 1);
        costs[i] = q > 0 ? std::log((1 - q) / q) : kInf;
        // A probability near 1 would give a negative cost: no change is dearer than none.
        if (!(costs[i] >= 0))
            costs[i] = q > 0 ? 0 : kInf;
    }
    std::vector<uint8_t> second;
    if (!Embed(bits, costs, secondLayer, second))
        return false;

    // Layer 1: the parity, fixed where layer 2 moved the value.
    std::vector<uint8_t> parity;
    for (size_t i = 0; i < n; ++i) {
        const bool bOdd = (cover[i] & 1) != 0;
        if (second[i] != bits[i]) {
            bits[i] = uint8_t(!bOdd);
            costs[i] = kInf;
        } else {
            bits[i] = uint8_t(bOdd);
            costs[i] = bOdd ? rhoMinus[i] : rhoPlus[i];
        }
    }
    if (!Embed(bits, costs, firstLayer, parity))
        return false;

    stego.assign(cover.begin(), cover.end());
    double fTotal = 0;
    for (size_t i = 0; i < n; ++i) {
        const bool bOdd = (cover[i] & 1) != 0;
        if (parity[i] == uint8_t(bOdd))
            continue;
        // The parity changed: by the carrying move where layer 2 changed, else the other one.
        const bool bUp = (second[i] != ((cover[i] >> 1) & 1)) == bOdd;
        stego[i] += bUp ? 1 : -1;
        fTotal += bUp ? rhoPlus[i] : rhoMinus[i];
    }
    if (pTotalCost)
        *pTotalCost = fTotal;
    return true;
}

void C_TrellisCoder::ExtractTwoLayers(
    std::span<const int32_t> stego, size_t nSecondLayerBits, size_t nMessageBits, std::vector<uint8_t>& message) const
{
    message.clear();
    if (nSecondLayerBits > nMessageBits)
        return;
    std::vector<uint8_t> bits(stego.size());
    for (size_t i = 0; i < stego.size(); ++i)
        bits[i] = uint8_t((stego[i] >> 1) & 1);
    std::vector<uint8_t> first, second;
    if (nSecondLayerBits > 0)
        Extract(bits, nSecondLayerBits, second);
    ExtractPlusMinus(stego, nMessageBits - nSecondLayerBits, first);
    if (second.size() != nSecondLayerBits || first.size() != nMessageBits - nSecondLayerBits)
        return;
    message = std::move(second);
    message.insert(message.end(), first.begin(), first.end());
}
