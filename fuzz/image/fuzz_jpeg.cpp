// Arbitrary bytes as a JPEG's coefficients. What reads must write back, and what is written must
// read again with every coefficient, segment and scan the same; nothing else may crash, leak or
// hang (libjpeg's errors and warnings refuse the input). Its cover must weigh every element it
// lets move, and moves of one that it allows must write and read back as made.

#include "model/pictures/jpeg/C_JpegCoefficients.h"
#include "model/records/C_JpegCover.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace {

// Small pictures only, so that each input stays fast: larger ones are refused by the limit.
constexpr uint64_t kMaxCoefficients = uint64_t{1} << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    C_JpegCoefficients read;
    std::string strError;
    if (!read.Read(std::span<const uint8_t>(pData, nSize), kMaxCoefficients, strError))
        return 0;
    std::vector<uint8_t> written;
    if (!read.Write(written, strError))
        return 0;
    C_JpegCoefficients back;
    if (!back.Read(written, kMaxCoefficients, strError))
        std::abort();
    if (back.Components().size() != read.Components().size() || back.Markers().size() != read.Markers().size()
        || back.Scans().size() != read.Scans().size())
        std::abort();
    for (size_t c = 0; c < read.Components().size(); ++c)
        if (back.Components()[c].coefficients != read.Components()[c].coefficients)
            std::abort();
    for (size_t m = 0; m < read.Markers().size(); ++m)
        if (back.Markers()[m].data != read.Markers()[m].data)
            std::abort();

    // Every 7th element the cover weighs moves one way it allows, as a seal would.
    C_JpegCover cover(back);
    std::vector<float> costs;
    if (!cover.Weigh(costs))
        return 0;
    if (costs.size() != cover.Size())
        std::abort();
    for (uint32_t k = 0; k < cover.Size(); k += 7) {
        const unsigned nSteps = cover.StepsOf(k);
        if (costs[k] < std::numeric_limits<float>::infinity() && nSteps == 0)
            std::abort();
        if (nSteps != 0 && costs[k] < std::numeric_limits<float>::infinity())
            cover.LowBytes()[k] = static_cast<uint8_t>(cover.LowBytes()[k] + (nSteps & C_Cover::kStepUp ? 1 : -1));
    }
    const uint64_t nMoved = cover.Pending();
    if (!cover.Commit())
        std::abort();
    std::vector<uint8_t> moved;
    if (!back.Write(moved, strError))
        std::abort();
    C_JpegCoefficients again;
    if (!again.Read(moved, kMaxCoefficients, strError))
        std::abort();
    uint64_t nDiffer = 0;
    for (size_t c = 0; c < back.Components().size(); ++c)
        for (size_t i = 0; i < back.Components()[c].coefficients.size(); ++i)
            nDiffer += again.Components()[c].coefficients[i] != back.Components()[c].coefficients[i]
                || again.Components()[c].coefficients[i] - read.Components()[c].coefficients[i] > 1
                || read.Components()[c].coefficients[i] - again.Components()[c].coefficients[i] > 1;
    if (nDiffer != 0 || nMoved > cover.Size())
        std::abort();
    return 0;
}
