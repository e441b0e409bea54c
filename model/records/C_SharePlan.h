#pragma once
// How a file's package is cut across pictures of unequal room (docs/share-record.md): picture i
// holds m_i >= 1 fragments of one size F, with the consecutive indices f_i .. f_i + m_i - 1, T
// fragments in all (at most 255). D, the sum of the k smallest m_i, is the number of data
// fragments: any k pictures hold at least D distinct fragments, and any D give the package back.
// With equal rooms every m_i is 1 (D = k, T = n).
//
// The writer picks the plan from the pictures' rooms (the largest body each takes). For a
// fragment size F, picture i could take a_i = floor((room_i - head) / F) fragments; the plan caps
// every a_i at one ceiling c, the largest that keeps T <= 255 and leaves any k - 1 pictures fewer
// than D fragments (so that fewer than k pictures still give nothing). Capping only the larger
// pictures costs no data fragment while c is at least the k-th smallest a_i. Only the F where
// some a_i changes matter (floor((room_i - head) / j), j = 1 .. 255): at most 255 n of them.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class C_SharePlan {
public:
    // A share body's bytes before its fragments: set id, k, n, i, P, D, T, f_i, m_i.
    static constexpr size_t kBodyHeadBytes = 16 + 3 + 4 + 4;
    // The code's field has 255 non-zero elements (C_ErasureCode::kMaxFragments).
    static constexpr unsigned kMaxFragments = 255;

    C_SharePlan() = default;
    // k and each picture's fragment count; Valid() says whether they make a plan.
    C_SharePlan(unsigned k, std::vector<unsigned> counts);
    // One fragment a picture: D = k, T = n.
    static C_SharePlan Equal(unsigned k, unsigned n) { return C_SharePlan(k, std::vector<unsigned>(n, 1)); }

    // 1 <= k <= n, every m_i >= 1, T <= 255.
    bool Valid() const { return m_bValid; }
    unsigned Needed() const { return m_k; }
    unsigned Pictures() const { return static_cast<unsigned>(m_counts.size()); }
    unsigned DataFragments() const { return m_nData; }
    unsigned AllFragments() const { return m_nAll; }
    unsigned First(unsigned i) const { return m_firsts[i]; }
    unsigned Count(unsigned i) const { return m_counts[i]; }
    // Whether any k - 1 pictures hold fewer than D fragments (the writer's plans all do).
    bool FewerGiveNothing() const;

    // F = ceil(P / D), and picture i's body for a package of nPackage bytes.
    uint64_t FragmentBytes(uint64_t nPackage) const { return m_nData ? (nPackage + m_nData - 1) / m_nData : 0; }
    uint64_t BodyBytes(unsigned i, uint64_t nPackage) const
    {
        return kBodyHeadBytes + uint64_t{m_counts[i]} * FragmentBytes(nPackage);
    }

    // The largest package whose bodies fit pictures of these rooms (the largest body each
    // takes) with any k restoring it: 0 when none does. At most 2^32 - 1.
    static uint64_t LargestPackage(std::span<const uint64_t> rooms, unsigned k);
    // The plan for a package of nPackage bytes: of those that fit, the one that fills the most
    // filled picture least (body / room), then the one with fewest fragments. False when none fits.
    static bool ForPackage(std::span<const uint64_t> rooms, unsigned k, uint64_t nPackage, C_SharePlan& plan);

private:
    unsigned m_k = 0;
    unsigned m_nData = 0;
    unsigned m_nAll = 0;
    bool m_bValid = false;
    std::vector<unsigned> m_counts;
    std::vector<unsigned> m_firsts;
};
