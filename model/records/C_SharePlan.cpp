#include "model/records/C_SharePlan.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <numeric>

namespace {

constexpr uint64_t kMaxPackage = UINT32_MAX;

// Counts sorted by their pictures' rooms, smallest first, capped at c: all of them, the k
// smallest (D) and the k - 1 largest.
struct S_Sums {
    uint64_t nAll = 0;
    uint64_t nData = 0;
    uint64_t nTop = 0;
};

S_Sums Sums(const std::vector<unsigned>& sorted, unsigned k, unsigned c)
{
    S_Sums sums;
    const size_t n = sorted.size();
    for (size_t j = 0; j < n; ++j) {
        const unsigned m = std::min(sorted[j], c);
        sums.nAll += m;
        if (j < k)
            sums.nData += m;
        if (j + k > n)
            sums.nTop += m;
    }
    return sums;
}

// The rooms in ascending order, each at most 2^32 - 1 (no body is larger), and the pictures
// they belong to. False when k, n or the smallest room leave no plan.
bool Sorted(std::span<const uint64_t> rooms, unsigned k, std::vector<uint64_t>& sorted, std::vector<size_t>& order)
{
    const size_t n = rooms.size();
    if (k < 1 || k > n || n > C_SharePlan::kMaxFragments)
        return false;
    order.resize(n);
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return rooms[a] < rooms[b]; });
    sorted.resize(n);
    for (size_t j = 0; j < n; ++j)
        sorted[j] = std::min<uint64_t>(rooms[order[j]], kMaxPackage);
    return sorted[0] > C_SharePlan::kBodyHeadBytes;
}

// The fragment sizes where some picture's count changes, at most the smallest room's.
std::vector<uint64_t> Candidates(const std::vector<uint64_t>& sorted)
{
    const uint64_t nLargest = sorted[0] - C_SharePlan::kBodyHeadBytes;
    std::vector<uint64_t> candidates;
    for (size_t j = 0; j < sorted.size(); ++j) {
        if (j && sorted[j] == sorted[j - 1])
            continue;
        const uint64_t nFree = sorted[j] - C_SharePlan::kBodyHeadBytes;
        for (uint64_t m = std::max<uint64_t>(1, nFree / nLargest); m <= C_SharePlan::kMaxFragments; ++m) {
            const uint64_t nFragment = nFree / m;
            if (nFragment == 0)
                break;
            if (nFragment <= nLargest)
                candidates.push_back(nFragment);
        }
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    return candidates;
}

// The counts (in sorted order) for fragments of nFragment bytes: what each room takes, capped
// at the largest ceiling c that keeps T <= 255 and any k - 1 pictures below D. Both hold at
// c = 1 (T = n, k - 1 < k) and, once they fail, fail for every larger c, so c is found by
// halving; above the k-th smallest count a ceiling adds nothing to D. Gives D.
unsigned CountsFor(const std::vector<uint64_t>& sorted, unsigned k, uint64_t nFragment, std::vector<unsigned>& counts)
{
    const size_t n = sorted.size();
    counts.resize(n);
    for (size_t j = 0; j < n; ++j)
        counts[j] = static_cast<unsigned>(
            std::min<uint64_t>((sorted[j] - C_SharePlan::kBodyHeadBytes) / nFragment, C_SharePlan::kMaxFragments));
    if (counts[0] == 0)
        return 0;
    unsigned nLow = 1;
    unsigned nHigh = counts[k - 1];
    while (nLow < nHigh) {
        const unsigned nMid = (nLow + nHigh + 1) / 2;
        const S_Sums sums = Sums(counts, k, nMid);
        if (sums.nAll <= C_SharePlan::kMaxFragments && sums.nTop < sums.nData)
            nLow = nMid;
        else
            nHigh = nMid - 1;
    }
    for (unsigned& m : counts)
        m = std::min(m, nLow);
    return static_cast<unsigned>(Sums(counts, k, nLow).nData);
}

}  // namespace

C_SharePlan::C_SharePlan(unsigned k, std::vector<unsigned> counts)
    : m_k(k)
    , m_counts(std::move(counts))
{
    const size_t n = m_counts.size();
    if (k < 1 || k > n || n > kMaxFragments
        || std::any_of(m_counts.begin(), m_counts.end(), [](unsigned m) { return m < 1 || m > kMaxFragments; }))
        return;
    uint64_t nAll = 0;
    for (const unsigned m : m_counts) {
        m_firsts.push_back(static_cast<unsigned>(nAll));
        nAll += m;
    }
    if (nAll > kMaxFragments)
        return;
    std::vector<unsigned> sorted = m_counts;
    std::sort(sorted.begin(), sorted.end());
    m_nData = std::accumulate(sorted.begin(), sorted.begin() + k, 0u);
    m_nAll = static_cast<unsigned>(nAll);
    m_bValid = true;
}

bool C_SharePlan::FewerGiveNothing() const
{
    if (!m_bValid)
        return false;
    std::vector<unsigned> sorted = m_counts;
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    return std::accumulate(sorted.begin(), sorted.begin() + (m_k - 1), 0u) < m_nData;
}

uint64_t C_SharePlan::LargestPackage(std::span<const uint64_t> rooms, unsigned k)
{
    std::vector<uint64_t> sorted;
    std::vector<size_t> order;
    if (!Sorted(rooms, k, sorted, order))
        return 0;
    uint64_t nBest = 0;
    std::vector<unsigned> counts;
    for (const uint64_t nFragment : Candidates(sorted))
        nBest = std::max(nBest, std::min(kMaxPackage, CountsFor(sorted, k, nFragment, counts) * nFragment));
    return nBest;
}

bool C_SharePlan::ForPackage(std::span<const uint64_t> rooms, unsigned k, uint64_t nPackage, C_SharePlan& plan)
{
    plan = C_SharePlan();
    std::vector<uint64_t> sorted;
    std::vector<size_t> order;
    if (nPackage == 0 || nPackage > kMaxPackage || !Sorted(rooms, k, sorted, order))
        return false;
    // The best so far: its most filled picture's body and room, and its fragments.
    uint64_t nBestBody = 0;
    uint64_t nBestRoom = 0;
    unsigned nBestAll = 0;
    std::vector<unsigned> counts;
    std::vector<unsigned> best;
    for (const uint64_t nFragment : Candidates(sorted)) {
        const unsigned nData = CountsFor(sorted, k, nFragment, counts);
        if (nData == 0 || uint64_t{nData} * nFragment < nPackage)
            continue;
        const uint64_t nActual = (nPackage + nData - 1) / nData;
        // Bodies and rooms stay below 2^32, so the cross products below do not overflow.
        uint64_t nBody = 0;
        uint64_t nRoom = 1;
        for (size_t j = 0; j < sorted.size(); ++j) {
            const uint64_t nThis = kBodyHeadBytes + counts[j] * nActual;
            if (nThis * nRoom > nBody * sorted[j]) {
                nBody = nThis;
                nRoom = sorted[j];
            }
        }
        const unsigned nAll = std::accumulate(counts.begin(), counts.end(), 0u);
        const uint64_t nLeft = nBody * nBestRoom;
        const uint64_t nRight = nBestBody * nRoom;
        if (best.empty() || nLeft < nRight || (nLeft == nRight && nAll < nBestAll)) {
            nBestBody = nBody;
            nBestRoom = nRoom;
            nBestAll = nAll;
            best = counts;
        }
    }
    if (best.empty())
        return false;
    std::vector<unsigned> byPicture(best.size());
    for (size_t j = 0; j < best.size(); ++j)
        byPicture[order[j]] = best[j];
    plan = C_SharePlan(k, std::move(byPicture));
    return plan.Valid();
}
