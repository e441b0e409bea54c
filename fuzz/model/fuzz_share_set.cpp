// The share body's parser and the set's join on hostile bytes. Input: a mode byte, then
//   mode bit 0 clear: bodies, each a little-endian 16-bit length and that many bytes, parsed and
//   joined as they come (hostile lengths, k, n, indices, D, T, fragment ranges and fragments);
//   mode bit 0 set: a set of five shares of unequal fragment counts (2, 3, 2, 3, 3: D = 7,
//   T = 13), any three restoring a file, made once at start; a byte
//   choosing which shares are given, then changes, four bytes each (the share, a little-endian
//   16-bit byte index into its body, and the bits to flip there), then parsed and joined.
// A changed set must come back as damaged or too few, never as other bytes: whenever it joins,
// the file is exactly what was split; an unchanged one joins only from k shares or more.
#include "fuzz/model/C_FuzzInput.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SecretBytes.h"
#include "model/records/C_ShareSet.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr char kPayload[] = "the otter crosses at the weir";
constexpr unsigned kNeeded = 3;
constexpr unsigned kShares = 5;

const C_SecretBytes& Inner()
{
    static const C_SecretBytes inner =
        C_SealedRecord::InnerRecord("m.txt", std::vector<uint8_t>(kPayload, kPayload + sizeof kPayload - 1), false);
    return inner;
}

const std::vector<std::vector<uint8_t>>& Bodies()
{
    static const std::vector<std::vector<uint8_t>> bodies = [] {
        const C_SharePlan plan(kNeeded, {2, 3, 2, 3, 3});
        auto split = C_ShareSet::Split(Inner(), plan, C_ShareSet::FreshDraws());
        if (!plan.FewerGiveNothing() || split.size() != kShares)
            std::abort();
        return split;
    }();
    return bodies;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    C_FuzzInput in(pData, nSize);
    const uint8_t* p = nullptr;
    if (!in.Take(1, p))
        return 0;
    const bool bChanges = (p[0] & 1) != 0;
    std::vector<C_ShareSet::S_Share> shares;
    if (!bChanges) {
        while (in.Take(2, p)) {
            const size_t nLength = size_t{p[0]} | size_t{p[1]} << 8;
            const uint8_t* pBody = nullptr;
            if (!in.Take(nLength, pBody))
                break;
            // An exact copy, so that a read past its end is one the sanitizer sees.
            const std::vector<uint8_t> body(pBody, pBody + nLength);
            C_ShareSet::S_Share share;
            if (C_ShareSet::Parse(body.data(), body.size(), share))
                shares.push_back(std::move(share));
        }
        C_SecretBytes inner;
        C_ShareSet::JoinInner(shares, inner);
        return 0;
    }
    std::vector<std::vector<uint8_t>> bodies = Bodies();
    unsigned nGiven = 0x1F;
    if (in.Take(1, p))
        nGiven = p[0];
    bool bChanged = false;
    while (in.Take(4, p)) {
        std::vector<uint8_t>& body = bodies[p[0] % kShares];
        body[(size_t{p[1]} | size_t{p[2]} << 8) % body.size()] ^= p[3];
        bChanged = bChanged || p[3] != 0;
    }
    for (unsigned i = 0; i < kShares; ++i) {
        C_ShareSet::S_Share share;
        if ((nGiven >> i & 1) && C_ShareSet::Parse(bodies[i].data(), bodies[i].size(), share))
            shares.push_back(std::move(share));
    }
    C_SecretBytes inner;
    if (C_ShareSet::JoinInner(shares, inner) != C_ShareSet::E_Join::Joined)
        return 0;
    // Unchanged, fewer than k shares hold fewer than D fragments: they must not join.
    if (!bChanged && static_cast<unsigned>(__builtin_popcount(nGiven & 0x1F)) < kNeeded)
        std::abort();
    if (inner.Size() != Inner().Size() || std::memcmp(inner.Data(), Inner().Data(), inner.Size()) != 0)
        std::abort();
    return 0;
}
