#include "model/records/C_Record.h"

#include "engine/C_PositionSequence.h"

#include <algorithm>

uint32_t C_Record::FitBytes(uint32_t nUsableBytes)
{
    // With N a multiple of 17 only N/17 distinct candidates exist, and the draws start
    // revisiting bytes after about N/34 of them.
    uint32_t nBytes = nUsableBytes % C_PositionSequence::kStep == 0 ? nUsableBytes / 34 : nUsableBytes;
    if (nUsableBytes > C_PositionSequence::kLargestUnwrappedModulus) {
        // Above (2^32 - 1) / 17 the products of the last candidates wrap and land on bytes
        // that earlier candidates drew. Candidates up to that bound never share a byte, and a
        // key with c set bits of 128 reaches candidate 128 * ceil(D / c) for D draws, so D draws
        // stay below the bound for every key with at least kMinKeyBits set bits (all but about
        // 5 in 10^14 pass phrases; a rarer key is refused by the exact check before a hide).
        constexpr uint64_t kMinKeyBits = 24;
        const uint64_t nSafeDraws =
            kMinKeyBits * (C_PositionSequence::kLargestUnwrappedModulus / C_PositionSequence::kKeyBits);
        // The fit rule allows 8 draws per record byte against a tenth of these bytes.
        nBytes = std::min(nBytes, static_cast<uint32_t>(nSafeDraws * 10 / 8));
    }
    return nBytes;
}
