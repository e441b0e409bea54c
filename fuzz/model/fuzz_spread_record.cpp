// The sealed record's version 2 reader on hostile bytes. Input: a mode byte, then
//   mode bit 0 clear: the carrier bytes themselves, opened under a fixed pass phrase;
//   mode bit 0 set: changes to a picture sealed once at start, three bytes each (a byte index,
//   little-endian 16 bits, and the bits to flip there), then opened.
// A damaged record must come back as damaged or none found, never as other bytes: whenever the
// changed picture opens, its content is exactly what was sealed.
#include "fuzz/model/C_FuzzInput.h"
#include "model/records/C_Message.h"
#include "model/records/C_PixelCover.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SpreadRecord.h"

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr char kPassphrase[] = "fuzzing heron";
constexpr char kPayload[] = "the heron waits by the mill";
constexpr uint32_t kWidth = 48;
constexpr uint32_t kHeight = 40;

// A textured 48 x 40 RGB picture with a record sealed in it, made once.
const std::vector<uint8_t>& Sealed()
{
    static const std::vector<uint8_t> sealed = [] {
        std::vector<uint8_t> bytes(size_t{3} * kWidth * kHeight + 1);
        std::mt19937 rng(7);
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(rng());
        const auto n = static_cast<uint32_t>(bytes.size() - 1);
        C_PixelCover cover(bytes.data(), n, C_SampleWriter::E_Mode::MatchBytes);
        cover.SetPicture(C_ElementCosts::S_Picture::Packed8(bytes.data(), kWidth, kHeight, E_PixelChannels::Rgb, 3));
        const std::vector<uint8_t> stored(kPayload, kPayload + sizeof kPayload - 1);
        if (C_SpreadRecord::Seal(cover, "m.txt", stored, false, kPassphrase, {}, C_SpreadRecord::FreshDraws())
            != E_RecordOutcome::Hidden)
            std::abort();
        return bytes;
    }();
    return sealed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    C_FuzzInput in(pData, nSize);
    const uint8_t* p = nullptr;
    if (!in.Take(1, p))
        return 0;
    const bool bChanges = (p[0] & 1) != 0;
    std::vector<uint8_t> bytes;
    if (bChanges) {
        bytes = Sealed();
        while (in.Take(3, p))
            bytes[(size_t{p[0]} | size_t{p[1]} << 8) % (bytes.size() - 1)] ^= p[2];
    } else {
        bytes.assign(in.Rest(), in.Rest() + in.Left());
        bytes.push_back(0);  // a carrier's buffer holds one byte past its elements
    }
    C_SealedContent content;
    const auto n = static_cast<uint32_t>(bytes.size() - 1);
    if (C_SpreadRecord::Open(bytes.data(), n, kPassphrase, content) != E_RevealOutcome::Found || !bChanges)
        return 0;
    C_Message message;
    if (content.ExtractTo(message) != C_SealedContent::E_Extract::Done || message.m_strName != "m.txt"
        || message.m_nSize != sizeof kPayload - 1 || std::memcmp(message.GetData(), kPayload, message.m_nSize) != 0)
        std::abort();
    return 0;
}
