#pragma once
// Visits the draws of the keyed position sequence in carrier order instead of draw order.
//
// In draw order the sequence sweeps the carrier with stride 17, seventeen times a pass, so a
// large carrier leaves the caches on every sweep. The walk takes the carrier in blocks of
// kBlockBytes and, inside each block, replays the stride-17 runs of the draw order that fall
// there, in draw order: every position receives the same bits in the same order as the
// sequence would give them, so where positions repeat the last writer still wins.
//
// Each draw is identified by its rank (0 for the first position drawn). A candidate's rank is
// computed from the key alone: pass 1 takes candidate k when key bit (k - 1) mod 128 is set, so
// the draws before k are whole key cycles times the set bits per cycle plus a prefix count;
// pass 2 takes exactly the others. Only ranks below N are walked, which is every draw of the
// first two passes.

#include <array>
#include <cstdint>
#include <vector>

class C_CarrierWalk {
public:
    static constexpr uint32_t kBlockBytes = 32 * 1024;

    C_CarrierWalk(const std::array<uint8_t, 16>& key, uint32_t nModulus);

    // Calls visit(position, rank) for every draw with rank in [nRankBegin, nRankEnd), block by
    // block; within a block in draw order. Requires nRankEnd <= N.
    template <class F> void Walk(uint64_t nRankBegin, uint64_t nRankEnd, F&& visit) const;

private:
    // Candidates kFirst..kLast of a pass lie on one stride-17 run: position = 17 k - nOffset.
    struct S_Run {
        uint64_t kFirst, kLast, nOffset;
    };

    uint64_t TakenBefore(uint64_t k) const;  // pass-1 draws among candidates 1 .. k - 1
    uint64_t Rank(int nPass, uint64_t k) const;
    // The first candidate of the pass whose rank is at least nRank (N + 1 when none).
    uint64_t FirstCandidateAtRank(int nPass, uint64_t nRank) const;

    uint32_t m_nModulus;
    std::array<uint8_t, 128> m_aBit{};      // key bit j of the first pass
    std::array<uint32_t, 129> m_aPrefix{};  // set bits among key bits 0 .. j - 1
    std::array<bool, 2> m_aAnyTaken{};
    // Per pass: the key bits the pass takes, ascending (m_aTakenCount of them), and for each key
    // bit j the index in that list of the first taken bit at or after j (the count when none).
    // Stepping through the list keeps the next candidate independent of the last table load.
    std::array<std::array<uint8_t, 128>, 2> m_aTaken{};
    std::array<uint32_t, 2> m_aTakenCount{};
    std::array<std::array<uint8_t, 128>, 2> m_aTakenAtOrAfter{};
    uint64_t m_nTakenInPass1 = 0;
    std::vector<S_Run> m_aRuns;
};

template <class F> void C_CarrierWalk::Walk(uint64_t nRankBegin, uint64_t nRankEnd, F&& visit) const
{
    if (nRankBegin >= nRankEnd || m_nModulus == 0)
        return;
    const uint64_t nModulus = m_nModulus;
    // The candidates each pass contributes to the rank range.
    uint64_t aFirst[2], aLast[2];
    for (int nPass = 0; nPass < 2; ++nPass) {
        aFirst[nPass] = FirstCandidateAtRank(nPass, nRankBegin);
        aLast[nPass] = FirstCandidateAtRank(nPass, nRankEnd) - 1;
    }
    for (uint64_t nBlock = 0; nBlock < nModulus; nBlock += kBlockBytes) {
        const uint64_t nBlockEnd = nBlock + kBlockBytes < nModulus ? nBlock + kBlockBytes : nModulus;
        for (int nPass = 0; nPass < 2; ++nPass) {
            if (aFirst[nPass] > aLast[nPass] || !m_aAnyTaken[nPass])
                continue;
            for (const S_Run& run : m_aRuns) {
                // Candidates of this run whose position falls in the block.
                uint64_t k = (nBlock + run.nOffset + 16) / 17;
                uint64_t kEnd = (nBlockEnd - 1 + run.nOffset) / 17;
                if (k < run.kFirst)
                    k = run.kFirst;
                if (kEnd > run.kLast)
                    kEnd = run.kLast;
                if (k < aFirst[nPass])
                    k = aFirst[nPass];
                if (kEnd > aLast[nPass])
                    kEnd = aLast[nPass];
                if (k > kEnd)
                    continue;
                // Candidate k uses key bit (k - 1) mod 128. Walk the pass's taken bits cycle by
                // cycle from the first at or after k's.
                uint64_t nRank = Rank(nPass, k);
                const uint64_t nCycle = (k - 1) & ~uint64_t{127};  // candidate k - 1 of bit 0
                const uint32_t nCount = m_aTakenCount[nPass];
                uint32_t nIndex = m_aTakenAtOrAfter[nPass][(k - 1) & 127];
                uint64_t nBase = nCycle + 1;
                if (nIndex == nCount) {
                    nIndex = 0;
                    nBase += 128;
                }
                const uint8_t* pTaken = m_aTaken[nPass].data();
                const uint64_t nOffset = run.nOffset;
                for (;;) {
                    const uint64_t kTaken = nBase + pTaken[nIndex];
                    if (kTaken > kEnd)
                        break;
                    visit(static_cast<uint32_t>(17 * kTaken - nOffset), nRank);
                    ++nRank;
                    if (++nIndex == nCount) {
                        nIndex = 0;
                        nBase += 128;
                    }
                }
            }
        }
    }
}
