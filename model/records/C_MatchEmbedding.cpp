#include "model/records/C_MatchEmbedding.h"

#include "model/pictures/C_DefaultColours.h"

#include <sodium.h>

#include <array>
#include <cstdlib>

namespace {

// All 256 levels: a shorter ramp would let an index step past its last entry.
bool IsFullGrayRamp(const std::vector<S_Rgb>& palette)
{
    return palette.size() == 256 && C_DefaultColours::IsGrayRamp(palette);
}

// A 32-bit masked word's channels are whole bytes when every mask is one aligned byte or unused.
bool MasksAreBytes(const uint32_t* pMasks)
{
    for (int i = 0; i < 4; ++i) {
        const uint32_t n = pMasks[i];
        if (n != 0 && n != 0xFFu && n != 0xFF00u && n != 0xFF0000u && n != 0xFF000000u)
            return false;
    }
    return true;
}

void SystemRandom(uint8_t* pBytes, size_t nCount)
{
    // Only where no random source exists at all; never hand out predictable directions then.
    if (sodium_init() < 0)
        std::abort();
    // A seed from the system's source stretched by libsodium's generator: megabytes straight
    // from the system would cost more than the hide.
    std::array<uint8_t, randombytes_SEEDBYTES> aSeed;
    randombytes_buf(aSeed.data(), aSeed.size());
    randombytes_buf_deterministic(pBytes, nCount, aSeed.data());
    sodium_memzero(aSeed.data(), aSeed.size());
}

}  // namespace

C_SampleWriter::E_Mode C_MatchEmbedding::ModeOf(const BTCImageData& data)
{
    using E_Mode = C_SampleWriter::E_Mode;
    if (data.IsEmpty())
        return E_Mode::Replace;
    const S_PixelLayout layout = data.Layout();
    if (!layout.bKnown)
        return E_Mode::Replace;
    switch (layout.eChannels) {
    case E_PixelChannels::Index:
        // An index moves by one only where the palette makes it a gray level.
        return layout.nBitsPerSample == 8 && IsFullGrayRamp(data.GetPalette()) ? E_Mode::MatchBytes : E_Mode::Replace;
    case E_PixelChannels::Masked:
        return layout.nBitsPerSample == 32 && MasksAreBytes(data.GetMasks()) ? E_Mode::MatchBytes : E_Mode::Replace;
    default:
        // Gray or colour samples: whole bytes, or 16-bit samples most significant byte first.
        if (layout.nBitsPerSample == 16)
            return layout.bBigEndian16 ? E_Mode::MatchBigEndian16 : E_Mode::Replace;
        return layout.nBitsPerSample == 8 ? E_Mode::MatchBytes : E_Mode::Replace;
    }
}

C_SampleWriter C_MatchEmbedding::Writer(C_SampleWriter::E_Mode eMode)
{
    return C_SampleWriter(eMode, &SystemRandom);
}
