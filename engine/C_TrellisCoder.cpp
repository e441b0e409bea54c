#include "engine/C_TrellisCoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

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

// One block of the trellis: its columns, then the row shift that completes its row of H.
struct S_Block {
    const float* pCosts;       // the costs of the block's cover bits
    const uint8_t* pCover;     // its cover bits
    const uint32_t* pColumns;  // c_0 .. c_{nWidth - 1}
    size_t nWidth;
    uint32_t nMask;   // the rows of H that exist below the block's row
    uint64_t* pBits;  // path words from the block's first column on, or null
    unsigned nBit;    // the message bit of the block's row
};

// Each instruction set below provides, for a state count known when compiling:
//   Column<kStates, kStore, kMin>(pOld, pNew, nCol, c0, c1, pBits, pMin), one trellis column:
//     for every state s, the cheaper of keeping y_i = 0 (from s, cost c0) and taking y_i = 1
//     (from s ^ col, cost c1). kStore: set bit s of the path words when y_i = 1 won (strictly
//     cheaper). kMin: also return the least new cost.
//   Shift<kStates>(pOld, pNew, nBit, fOffset), the row shift after a block: pNew[s] =
//     pOld[2 s + nBit] - fOffset for the lower half of the states, infinity for the upper half;
//     returns the least of them. (Written with vector stores: scalar stores read back as
//     vectors by the next column stall the loads.)
//   Block<kStates, kStore>: RunBlock compiled for that instruction set.

// The costs of keeping and of taking y_i = 1 for a cover bit: fCost for the one that changes
// it, 0 for the other. Chosen by masks, not a branch: the cover bits are random, and a branch on
// them would be mispredicted every other column.
inline void ColumnCosts(float fCost, uint8_t nCover, float& c0, float& c1)
{
    const uint32_t nOne = 0u - uint32_t{nCover & 1u};
    const auto nCost = std::bit_cast<uint32_t>(fCost);
    c0 = std::bit_cast<float>(nCost & nOne);
    c1 = std::bit_cast<float>(nCost & ~nOne);
}

// A block's columns and its shift; the costs after it end in pCur, and the least of them is
// returned. Inlined into each instruction set's Block, which gives it that set's target, so
// that the columns inline too: at h = 7 a call per column costs as much as the column.
template <class Isa, size_t kStates, bool kStore>
[[gnu::always_inline]] inline float RunBlock(const S_Block& block, float*& pCur, float*& pNext)
{
    float fMin = 0;
    for (size_t j = 0; j < block.nWidth; ++j) {
        float c0, c1;
        ColumnCosts(block.pCosts[j], block.pCover[j], c0, c1);
        const uint32_t nCol = block.pColumns[j] & block.nMask;
        uint64_t* pBits = kStore ? block.pBits + j * (kStates / 64) : nullptr;
        if (j + 1 < block.nWidth)
            Isa::template Column<kStates, kStore, false>(pCur, pNext, nCol, c0, c1, pBits, &fMin);
        else
            Isa::template Column<kStates, kStore, true>(pCur, pNext, nCol, c0, c1, pBits, &fMin);
        std::swap(pCur, pNext);
    }
    const float fNewMin = Isa::template Shift<kStates>(pCur, pNext, block.nBit, fMin);
    std::swap(pCur, pNext);
    return fNewMin;
}

using BlockFn = float (*)(const S_Block& block, float*& pCur, float*& pNext);

constexpr int kHeights = C_TrellisCoder::kMaxHeight - C_TrellisCoder::kMinHeight + 1;

// One instruction set's blocks, by height (7 .. 12) and whether path bits are kept.
struct S_Kernels {
    const char* pName;
    BlockFn aBlock[kHeights][2];
};

template <class Isa> constexpr S_Kernels KernelsOf(const char* pName)
{
    static_assert(C_TrellisCoder::kMinHeight == 7 && kHeights == 6);
    return {pName,
        {{Isa::template Block<128, false>, Isa::template Block<128, true>},
            {Isa::template Block<256, false>, Isa::template Block<256, true>},
            {Isa::template Block<512, false>, Isa::template Block<512, true>},
            {Isa::template Block<1024, false>, Isa::template Block<1024, true>},
            {Isa::template Block<2048, false>, Isa::template Block<2048, true>},
            {Isa::template Block<4096, false>, Isa::template Block<4096, true>}}};
}

struct S_Scalar {
    template <size_t kStates, bool kStore, bool kMin>
    static void Column(const float* pOld, float* pNew, uint32_t nCol, float c0, float c1, uint64_t* pBits, float* pMin)
    {
        float fMin = kInf;
        for (size_t w = 0; w < kStates / 64; ++w) {
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

    template <size_t kStates> static float Shift(const float* pOld, float* pNew, size_t nBit, float fOffset)
    {
        float fMin = kInf;
        for (size_t s = 0; s < kStates / 2; ++s) {
            pNew[s] = pOld[2 * s + nBit] - fOffset;
            fMin = std::min(fMin, pNew[s]);
        }
        std::fill(pNew + kStates / 2, pNew + kStates, kInf);
        return fMin;
    }

    template <size_t kStates, bool kStore> static float Block(const S_Block& block, float*& pCur, float*& pNext)
    {
        return RunBlock<S_Scalar, kStates, kStore>(block, pCur, pNext);
    }
};

#ifdef VMK_TRELLIS_X86
// Four states a vector: the partner of lane j of vector k is lane j ^ (col & 3) of vector
// k ^ (col >> 2); col is odd, so the lane pattern is xor 1 or xor 3.
struct S_Sse2 {
    template <size_t kStates, bool kStore, bool kMin, int kLow>
    static void ColumnLow(
        const float* pOld, float* pNew, uint32_t nCol, float c0, float c1, uint64_t* pBits, float* pMin)
    {
        const __m128 v0 = _mm_set1_ps(c0);
        const __m128 v1 = _mm_set1_ps(c1);
        const size_t nHigh = nCol >> 2;
        __m128 vMin = _mm_set1_ps(kInf);
        for (size_t w = 0; w < kStates / 64; ++w) {
            uint64_t nWord = 0;
            for (size_t j = 0; j < 16; ++j) {
                const size_t k = w * 16 + j;
                const __m128 a = _mm_add_ps(_mm_load_ps(pOld + 4 * k), v0);
                __m128 b = _mm_load_ps(pOld + 4 * (k ^ nHigh));
                b = kLow == 1 ? _mm_shuffle_ps(b, b, _MM_SHUFFLE(2, 3, 0, 1))
                              : _mm_shuffle_ps(b, b, _MM_SHUFFLE(0, 1, 2, 3));
                b = _mm_add_ps(b, v1);
                const __m128 r = _mm_min_ps(b, a);
                _mm_store_ps(pNew + 4 * k, r);
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

    template <size_t kStates, bool kStore, bool kMin>
    static void Column(const float* pOld, float* pNew, uint32_t nCol, float c0, float c1, uint64_t* pBits, float* pMin)
    {
        if ((nCol & 3) == 1)
            ColumnLow<kStates, kStore, kMin, 1>(pOld, pNew, nCol, c0, c1, pBits, pMin);
        else
            ColumnLow<kStates, kStore, kMin, 3>(pOld, pNew, nCol, c0, c1, pBits, pMin);
    }

    template <size_t kStates> static float Shift(const float* pOld, float* pNew, size_t nBit, float fOffset)
    {
        const __m128 vOffset = _mm_set1_ps(fOffset);
        __m128 vMin = _mm_set1_ps(kInf);
        for (size_t s = 0; s < kStates / 2; s += 4) {
            const __m128 lo = _mm_load_ps(pOld + 2 * s);
            const __m128 hi = _mm_load_ps(pOld + 2 * s + 4);
            const __m128 v = nBit ? _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1))
                                  : _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
            const __m128 r = _mm_sub_ps(v, vOffset);
            _mm_store_ps(pNew + s, r);
            vMin = _mm_min_ps(vMin, r);
        }
        const __m128 vInf = _mm_set1_ps(kInf);
        for (size_t s = kStates / 2; s < kStates; s += 4)
            _mm_store_ps(pNew + s, vInf);
        alignas(16) float a[4];
        _mm_store_ps(a, vMin);
        return std::min(std::min(a[0], a[1]), std::min(a[2], a[3]));
    }

    template <size_t kStates, bool kStore> static float Block(const S_Block& block, float*& pCur, float*& pNext)
    {
        return RunBlock<S_Sse2, kStates, kStore>(block, pCur, pNext);
    }
};

// Eight states a vector; the lane pattern j ^ (col & 7) is one permute.
struct S_Avx2 {
    template <size_t kStates, bool kStore, bool kMin>
    __attribute__((target("avx2"))) static void Column(
        const float* pOld, float* pNew, uint32_t nCol, float c0, float c1, uint64_t* pBits, float* pMin)
    {
        const __m256 v0 = _mm256_set1_ps(c0);
        const __m256 v1 = _mm256_set1_ps(c1);
        const __m256i vIndex =
            _mm256_xor_si256(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(static_cast<int>(nCol & 7)));
        const size_t nHigh = nCol >> 3;
        __m256 vMin = _mm256_set1_ps(kInf);
        for (size_t w = 0; w < kStates / 64; ++w) {
            uint64_t nWord = 0;
            for (size_t j = 0; j < 8; ++j) {
                const size_t k = w * 8 + j;
                const __m256 a = _mm256_add_ps(_mm256_load_ps(pOld + 8 * k), v0);
                const __m256 b =
                    _mm256_add_ps(_mm256_permutevar8x32_ps(_mm256_load_ps(pOld + 8 * (k ^ nHigh)), vIndex), v1);
                const __m256 r = _mm256_min_ps(b, a);
                _mm256_store_ps(pNew + 8 * k, r);
                if (kStore)
                    nWord |= uint64_t(uint32_t(_mm256_movemask_ps(_mm256_cmp_ps(b, a, _CMP_LT_OQ)))) << (8 * j);
                if (kMin)
                    vMin = _mm256_min_ps(vMin, r);
            }
            if (kStore)
                pBits[w] = nWord;
        }
        if (kMin)
            *pMin = Least(vMin);
    }

    template <size_t kStates>
    __attribute__((target("avx2"))) static float Shift(const float* pOld, float* pNew, size_t nBit, float fOffset)
    {
        const __m256 vOffset = _mm256_set1_ps(fOffset);
        __m256 vMin = _mm256_set1_ps(kInf);
        for (size_t s = 0; s < kStates / 2; s += 8) {
            const __m256 lo = _mm256_load_ps(pOld + 2 * s);
            const __m256 hi = _mm256_load_ps(pOld + 2 * s + 8);
            // Within each 128-bit half first, then the 64-bit quarters into order.
            const __m256 v = nBit ? _mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1))
                                  : _mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
            const __m256 r = _mm256_sub_ps(
                _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(v), _MM_SHUFFLE(3, 1, 2, 0))), vOffset);
            _mm256_store_ps(pNew + s, r);
            vMin = _mm256_min_ps(vMin, r);
        }
        const __m256 vInf = _mm256_set1_ps(kInf);
        for (size_t s = kStates / 2; s < kStates; s += 8)
            _mm256_store_ps(pNew + s, vInf);
        return Least(vMin);
    }

    template <size_t kStates, bool kStore>
    __attribute__((target("avx2"))) static float Block(const S_Block& block, float*& pCur, float*& pNext)
    {
        return RunBlock<S_Avx2, kStates, kStore>(block, pCur, pNext);
    }

    __attribute__((target("avx2"))) static float Least(__m256 v)
    {
        __m128 h = _mm_min_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
        h = _mm_min_ps(h, _mm_movehl_ps(h, h));
        h = _mm_min_ss(h, _mm_shuffle_ps(h, h, _MM_SHUFFLE(1, 1, 1, 1)));
        return _mm_cvtss_f32(h);
    }
};

// Sixteen states a vector, the comparison straight into a 16-bit mask. (The masked forms with
// all lanes set: GCC 12's plain forms warn about their own undefined pass-through value.)
struct S_Avx512 {
    static constexpr __mmask16 kAll = 0xFFFF;
    // Sixteen path bits, written into the path words (which the trace reads as uint64_t).
    using T_PathMask __attribute__((may_alias)) = uint16_t;

    template <size_t kStates, bool kStore, bool kMin>
    __attribute__((target("avx512f"))) static void Column(
        const float* pOld, float* pNew, uint32_t nCol, float c0, float c1, uint64_t* pBits, float* pMin)
    {
        const __m512 v0 = _mm512_set1_ps(c0);
        const __m512 v1 = _mm512_set1_ps(c1);
        const __m512i vIndex = _mm512_xor_si512(_mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
            _mm512_set1_epi32(static_cast<int>(nCol & 15)));
        const size_t nHigh = nCol >> 4;
        __m512 vMin = _mm512_set1_ps(kInf);
        for (size_t w = 0; w < kStates / 64; ++w) {
            uint64_t nWord = 0;
            for (size_t j = 0; j < 4; ++j) {
                const size_t k = w * 4 + j;
                const __m512 a = _mm512_add_ps(_mm512_load_ps(pOld + 16 * k), v0);
                const __m512 x = _mm512_load_ps(pOld + 16 * (k ^ nHigh));
                const __m512 b = _mm512_add_ps(_mm512_mask_permutexvar_ps(x, kAll, vIndex, x), v1);
                const __m512 r = _mm512_mask_min_ps(a, kAll, b, a);
                _mm512_store_ps(pNew + 16 * k, r);
                if (kStore)
                    nWord |= uint64_t(_mm512_cmp_ps_mask(b, a, _CMP_LT_OQ)) << (16 * j);
                if (kMin)
                    vMin = _mm512_mask_min_ps(vMin, kAll, vMin, r);
            }
            if (kStore)
                pBits[w] = nWord;
        }
        if (kMin)
            *pMin = Least(vMin);
    }

    template <size_t kStates>
    __attribute__((target("avx512f"))) static float Shift(const float* pOld, float* pNew, size_t nBit, float fOffset)
    {
        const __m512 vOffset = _mm512_set1_ps(fOffset);
        const __m512i vIndex =
            _mm512_add_epi32(_mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30),
                _mm512_set1_epi32(static_cast<int>(nBit)));
        __m512 vMin = _mm512_set1_ps(kInf);
        for (size_t s = 0; s < kStates / 2; s += 16) {
            const __m512 lo = _mm512_load_ps(pOld + 2 * s);
            const __m512 hi = _mm512_load_ps(pOld + 2 * s + 16);
            const __m512 r = _mm512_sub_ps(_mm512_permutex2var_ps(lo, vIndex, hi), vOffset);
            _mm512_store_ps(pNew + s, r);
            vMin = _mm512_mask_min_ps(vMin, kAll, vMin, r);
        }
        const __m512 vInf = _mm512_set1_ps(kInf);
        for (size_t s = kStates / 2; s < kStates; s += 16)
            _mm512_store_ps(pNew + s, vInf);
        return Least(vMin);
    }

    template <size_t kStates, bool kStore>
    __attribute__((target("avx512f"))) static float Block(const S_Block& block, float*& pCur, float*& pNext)
    {
        if constexpr (kStates <= 256)
            return RegisterBlock<kStates / 16, kStore>(block, pCur);
        else
            return RunBlock<S_Avx512, kStates, kStore>(block, pCur, pNext);
    }

    // Up to 256 states fit the 32 vector registers: a block runs there from its first column to
    // its shift, with no store and reload of the costs between columns. The same operations as
    // Column and Shift, in the same order.
    template <size_t kVectors, bool kStore>
    __attribute__((target("avx512f"))) static float RegisterBlock(const S_Block& block, float* pCur)
    {
        __m512 v[kVectors];
        for (size_t k = 0; k < kVectors; ++k)
            v[k] = _mm512_load_ps(pCur + 16 * k);
        const __m512i vLanes = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        // Held in locals: the mask stores could alias the block's fields for the compiler.
        const float* pCosts = block.pCosts;
        const uint8_t* pCover = block.pCover;
        const uint32_t* pColumns = block.pColumns;
        const uint32_t nMask = block.nMask;
        const size_t nWidth = block.nWidth;
        auto* pMasks = reinterpret_cast<T_PathMask*>(block.pBits);
        for (size_t j = 0; j < nWidth; ++j) {
            float c0, c1;
            ColumnCosts(pCosts[j], pCover[j], c0, c1);
            const __m512 v0 = _mm512_set1_ps(c0);
            const __m512 v1 = _mm512_set1_ps(c1);
            const uint32_t nCol = pColumns[j] & nMask;
            const __m512i vIndex = _mm512_xor_si512(vLanes, _mm512_set1_epi32(static_cast<int>(nCol & 15)));
            // The partner vector k ^ (col >> 4) must be known when compiling to stay in a register.
            RegisterColumn<kStore>(v, nCol >> 4, v0, v1, vIndex, kStore ? pMasks + j * kVectors : nullptr,
                std::make_index_sequence<kVectors>{});
        }
        __m512 vMin = v[0];
        for (size_t k = 1; k < kVectors; ++k)
            vMin = _mm512_mask_min_ps(vMin, kAll, vMin, v[k]);
        const __m512 vOffset = _mm512_set1_ps(Least(vMin));
        const __m512i vPairs =
            _mm512_add_epi32(_mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30),
                _mm512_set1_epi32(static_cast<int>(block.nBit)));
        vMin = _mm512_set1_ps(kInf);
        for (size_t k = 0; k < kVectors / 2; ++k) {
            const __m512 r = _mm512_sub_ps(_mm512_permutex2var_ps(v[2 * k], vPairs, v[2 * k + 1]), vOffset);
            _mm512_store_ps(pCur + 16 * k, r);
            vMin = _mm512_mask_min_ps(vMin, kAll, vMin, r);
        }
        const __m512 vInf = _mm512_set1_ps(kInf);
        for (size_t k = kVectors / 2; k < kVectors; ++k)
            _mm512_store_ps(pCur + 16 * k, vInf);
        return Least(vMin);
    }

    template <bool kStore, size_t... kHigh>
    __attribute__((target("avx512f"), always_inline)) static inline void RegisterColumn(__m512 (&v)[sizeof...(kHigh)],
        uint32_t nHigh, __m512 v0, __m512 v1, __m512i vIndex, T_PathMask* pMasks, std::index_sequence<kHigh...> all)
    {
        ((nHigh == kHigh ? RegisterColumnWith<kStore, kHigh>(v, v0, v1, vIndex, pMasks, all) : void()), ...);
    }

    template <bool kStore, size_t kHigh, size_t... k>
    __attribute__((target("avx512f"), always_inline)) static inline void RegisterColumnWith(
        __m512 (&v)[sizeof...(k)], __m512 v0, __m512 v1, __m512i vIndex, T_PathMask* pMasks, std::index_sequence<k...>)
    {
        const __m512 r[] = {RegisterLane<k, kStore>(v[k], v[k ^ kHigh], v0, v1, vIndex, pMasks)...};
        ((v[k] = r[k]), ...);
    }

    template <size_t k, bool kStore>
    __attribute__((target("avx512f"), always_inline)) static inline __m512 RegisterLane(
        __m512 vOwn, __m512 vPartner, __m512 v0, __m512 v1, __m512i vIndex, T_PathMask* pMasks)
    {
        const __m512 a = _mm512_add_ps(vOwn, v0);
        const __m512 b = _mm512_add_ps(_mm512_mask_permutexvar_ps(vPartner, kAll, vIndex, vPartner), v1);
        // Mask k of a column is bits 16 k .. 16 k + 15 of its little-endian path words.
        if constexpr (kStore)
            pMasks[k] = _mm512_cmp_ps_mask(b, a, _CMP_LT_OQ);
        return _mm512_mask_min_ps(a, kAll, b, a);
    }

    // In halves: a store and sixteen dependent scalar steps took a third of a narrow block.
    __attribute__((target("avx512f"))) static float Least(__m512 v)
    {
        v = _mm512_mask_min_ps(v, kAll, v, _mm512_mask_shuffle_f32x4(v, kAll, v, v, _MM_SHUFFLE(1, 0, 3, 2)));
        v = _mm512_mask_min_ps(v, kAll, v, _mm512_mask_shuffle_f32x4(v, kAll, v, v, _MM_SHUFFLE(2, 3, 0, 1)));
        v = _mm512_mask_min_ps(v, kAll, v, _mm512_mask_permute_ps(v, kAll, v, _MM_SHUFFLE(1, 0, 3, 2)));
        v = _mm512_mask_min_ps(v, kAll, v, _mm512_mask_permute_ps(v, kAll, v, _MM_SHUFFLE(2, 3, 0, 1)));
        return _mm512_cvtss_f32(v);
    }
};
#endif

// The processor's fastest set; VMK_TRELLIS_KERNELS (scalar, sse2, avx2 or avx512) asks for
// another it can run, so that tests compare them and the bench measures them. Every set does
// the same float operations in the same order: the stego bits do not depend on the choice.
const S_Kernels& PickKernels()
{
    static constexpr S_Kernels kScalar = KernelsOf<S_Scalar>("scalar");
    const S_Kernels* aUsable[4] = {&kScalar};
    size_t nUsable = 1;
#ifdef VMK_TRELLIS_X86
    static constexpr S_Kernels kSse2 = KernelsOf<S_Sse2>("sse2");
    static constexpr S_Kernels kAvx2 = KernelsOf<S_Avx2>("avx2");
    static constexpr S_Kernels kAvx512 = KernelsOf<S_Avx512>("avx512");
    __builtin_cpu_init();
    aUsable[nUsable++] = &kSse2;
    if (__builtin_cpu_supports("avx2"))
        aUsable[nUsable++] = &kAvx2;
    if (__builtin_cpu_supports("avx512f"))
        aUsable[nUsable++] = &kAvx512;
#endif
    if (const char* pWanted = std::getenv("VMK_TRELLIS_KERNELS"))
        for (size_t i = 0; i < nUsable; ++i)
            if (std::strcmp(pWanted, aUsable[i]->pName) == 0)
                return *aUsable[i];
    return *aUsable[nUsable - 1];
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
        const size_t nFirst = BlockStart(b0);
        const BlockFn fnBlock = m_kernels.aBlock[m_nHeight - C_TrellisCoder::kMinHeight][pBits ? 1 : 0];
        for (size_t b = b0; b < b1; ++b) {
            const size_t nStart = BlockStart(b);
            const S_Block block{m_costs.data() + nStart, m_cover.data() + nStart, m_columns.data(),
                BlockStart(b + 1) - nStart, RowMask(b), pBits ? pBits + (nStart - nFirst) * nWords : nullptr,
                m_message[b] & 1u};
            // Row b is complete after the block: the states whose bit 0 is the message bit stay,
            // that row is dropped, and the costs come back near zero so that float sums keep
            // their precision.
            if (!(fnBlock(block, pCur, pNext) < kInf))
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

// No cost negative or NaN. Without an early exit the loop runs in vectors.
bool AllValid(std::span<const float> costs)
{
    bool bValid = true;
    for (const float f : costs)
        bValid &= f >= 0;
    return bValid;
}

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
    if (!AllValid(costs))
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
        // Left unset: the forward pass writes every word the trace reads.
        const std::unique_ptr<uint64_t[]> pathBits(new uint64_t[nPathWords]);
        // Two rows of state costs, on 64-byte lines for the kernels' aligned vector loads.
        std::vector<float> rows(2 * nStates + 64 / sizeof(float), kInf);
        void* pRows = rows.data();
        size_t nSpace = rows.size() * sizeof(float);
        float* pCur = static_cast<float*>(std::align(64, 2 * nStates * sizeof(float), pRows, nSpace));
        float* pNext = pCur + nStates;
        y.resize(n);

        pCur[0] = 0;
        for (size_t nSeg = 0; nSeg < nSegments; ++nSeg) {
            const size_t b0 = nSeg * nBlocksPerSegment;
            const size_t b1 = std::min(m, b0 + nBlocksPerSegment);
            if (nSeg > 0)
                std::memcpy(checkpoints.data() + (nSeg - 1) * nHalf, pCur, nHalf * sizeof(float));
            if (!trellis.Forward(b0, b1, pCur, pNext, nSeg + 1 == nSegments ? pathBits.get() : nullptr))
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
                trellis.Forward(b0, b1, pCur, pNext, pathBits.get());
            }
            nState = trellis.Back(b0, b1, nState, pathBits.get(), y);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }

    if (pTotalCost) {
        double fTotal = 0;
        for (size_t i = 0; i < n; ++i)
            if (y[i] != (coverBits[i] & 1))
                fTotal += costs[i];
        *pTotalCost = fTotal;
    }
    stegoBits = std::move(y);
    return true;
}

bool C_TrellisCoder::EmbedWithFreeRows(std::span<const uint8_t> coverBits, std::span<const float> costs,
    std::span<const uint8_t> message, std::span<const uint8_t> freeRows, std::vector<uint8_t>& stegoBits) const
{
    stegoBits.clear();
    const size_t n = coverBits.size();
    const size_t m = message.size();
    const size_t nStates = size_t(1) << m_nHeight;
    const size_t nWords = nStates / 64;
    if (costs.size() != n || freeRows.size() != m || m == 0 || m > n || !AllValid(costs)
        || n > kMaxFreeRowsMemory / (nWords * 8))
        return false;
    const std::vector<uint32_t> columns = Columns((n + m - 1) / m);
    const auto Start = [n, m](size_t b) { return size_t(uint64_t(b) * n / m); };
    const auto Mask = [&](size_t b) {
        return m - b >= size_t(m_nHeight) ? uint32_t(nStates - 1) : uint32_t((1u << (m - b)) - 1);
    };
    std::vector<uint8_t> y;
    try {
        // Bit s of element i's words: y_i = 1 won into state s. Bit s of a free row's words: the
        // row's bit came out 1 for state s after it.
        std::vector<uint64_t> path(n * nWords, 0);
        std::vector<uint64_t> chosen(m * nWords / 2 + 1, 0);
        std::vector<float> cur(nStates, kInf), next(nStates);
        cur[0] = 0;
        for (size_t b = 0; b < m; ++b) {
            const uint32_t nMask = Mask(b);
            for (size_t i = Start(b); i < Start(b + 1); ++i) {
                float c0, c1;
                ColumnCosts(costs[i], coverBits[i], c0, c1);
                const uint32_t nCol = columns[i - Start(b)] & nMask;
                uint64_t* pBits = path.data() + i * nWords;
                for (size_t s = 0; s < nStates; ++s) {
                    const float a = cur[s] + c0;
                    const float c = cur[s ^ nCol] + c1;
                    const bool bOne = c < a;
                    next[s] = bOne ? c : a;
                    pBits[s / 64] |= uint64_t(bOne) << (s % 64);
                }
                cur.swap(next);
            }
            // Row b is complete: keep the states whose bit 0 is the row's bit (either, where
            // free), drop the row, and bring the costs back near zero.
            const bool bFree = freeRows[b] & 1;
            uint64_t* pChosen = chosen.data() + b * nWords / 2;
            float fMin = kInf;
            for (size_t s = 0; s < nStates / 2; ++s) {
                size_t nFrom = 2 * s + (message[b] & 1);
                if (bFree) {
                    nFrom = cur[2 * s + 1] < cur[2 * s] ? 2 * s + 1 : 2 * s;
                    pChosen[s / 64] |= uint64_t(nFrom & 1) << (s % 64);
                }
                next[s] = cur[nFrom];
                fMin = std::min(fMin, next[s]);
            }
            if (!(fMin < kInf))
                return false;
            for (size_t s = 0; s < nStates / 2; ++s)
                next[s] -= fMin;
            std::fill(next.begin() + nStates / 2, next.end(), kInf);
            cur.swap(next);
        }

        // After the last row only state 0 exists (the rows below m are cut off).
        y.resize(n);
        size_t nState = 0;
        for (size_t b = m; b-- > 0;) {
            const uint64_t* pChosen = chosen.data() + b * nWords / 2;
            const size_t nBit =
                (freeRows[b] & 1) ? (pChosen[nState / 64] >> (nState % 64)) & 1 : size_t(message[b] & 1);
            nState = (nState << 1) | nBit;
            const uint32_t nMask = Mask(b);
            for (size_t i = Start(b + 1); i-- > Start(b);) {
                y[i] = uint8_t((path[i * nWords + nState / 64] >> (nState % 64)) & 1);
                if (y[i])
                    nState ^= columns[i - Start(b)] & nMask;
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
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

// f(y), given that f(x) is fx: the costs of the two ways are equal for every sample away from the
// ends of its range, and one exponential or logarithm then serves both (the same value exactly).
template <class T, class F> T Twin(double y, double x, T fx, const F& fnCompute)
{
    return y == x ? fx : fnCompute();
}

double PLogP(double p)
{
    return p > 0 ? p * std::log2(p) : 0;
}

// The change probabilities of the least-cost ternary sender at multiplier l, and the ternary
// entropy they carry.
double TernaryEntropy(std::span<const float> rhoPlus, std::span<const float> rhoMinus, double l)
{
    double fBits = 0;
    for (size_t i = 0; i < rhoPlus.size(); ++i) {
        const double a = std::exp(-l * double(rhoPlus[i]));
        const double b = Twin(rhoMinus[i], rhoPlus[i], a, [&] { return std::exp(-l * double(rhoMinus[i])); });
        const double z = 1 + a + b;
        const double fA = PLogP(a / z);
        fBits -= fA;
        fBits -= Twin(b, a, fA, [&] { return PLogP(b / z); });
        fBits -= PLogP(1 / z);
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
        const double b = Twin(rhoMinus[i], rhoPlus[i], a, [&] { return std::exp(-l * double(rhoMinus[i])); });
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
    if (!AllValid(rhoPlus) || !AllValid(rhoMinus))
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
    if (!AllValid(rhoPlus) || !AllValid(rhoMinus))
        return false;

    // Layer 2: the second bit changes with the probability of the carrying move.
    std::vector<uint8_t> bits(n);
    std::vector<float> costs(n);
    // In float: the costs only rank the changes (a picture's worth of them in tenths of a second).
    const float fL = float(l);
    for (size_t i = 0; i < n; ++i) {
        // ln((1 - q) / q) with q = e^(-l rho_carry) / Z is l rho_carry + ln(1 + e^(-l rho_other)):
        // taken this way, a dear but allowed move stays allowed. Through q itself, e^(-l rho)
        // fell to zero in float past l rho = 104, and such moves became wet: where they were
        // most of a part, the code found no way and a record well under the room was refused.
        const bool bOdd = (cover[i] & 1) != 0;
        const float fCarry = bOdd ? rhoPlus[i] : rhoMinus[i];
        const float fOther = bOdd ? rhoMinus[i] : rhoPlus[i];
        bits[i] = uint8_t((cover[i] >> 1) & 1);
        costs[i] = fCarry == kInf ? kInf : fL * fCarry + std::log1p(std::exp(-fL * fOther));
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
