// Arbitrary bytes as a JPEG's coefficients. What reads must write back, and what is written must
// read again with every coefficient, segment and scan the same; nothing else may crash, leak or
// hang (libjpeg's errors and warnings refuse the input).

#include "model/pictures/jpeg/C_JpegCoefficients.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
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
    return 0;
}
