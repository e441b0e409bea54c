#include "model/C_MatchEmbedding.h"

#include "model/image/C_DefaultColours.h"
#include "model/image/png/C_PngDocument.h"

#include <sodium.h>

#include <array>
#include <cstdlib>

namespace {

// All 256 levels: a shorter ramp would let an index step past its last entry.
bool IsFullGrayRamp(const std::vector<S_Rgb>& palette)
{
    return palette.size() == 256 && C_DefaultColours::IsGrayRamp(palette);
}

// A 32-bit BMP's channels are whole bytes when every mask is one aligned byte or unused.
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
    if (data.GetSourceFormat() == E_ImageFormat::Png) {
        if (!C_PngDocument::Of(data))
            return E_Mode::Replace;
        const C_PngDocument& png = *C_PngDocument::Of(data);
        if (png.m_nColourType == C_PngDocument::kPalette)
            return png.m_nBitDepth == 8 && IsFullGrayRamp(data.GetPalette()) ? E_Mode::MatchBytes : E_Mode::Replace;
        if (png.m_nBitDepth == 16)
            return E_Mode::MatchBigEndian16;
        return png.m_nBitDepth == 8 ? E_Mode::MatchBytes : E_Mode::Replace;
    }
    switch (data.GetBitsPerPixel()) {
    case 24: return E_Mode::MatchBytes;
    case 32: return MasksAreBytes(data.GetMasks()) ? E_Mode::MatchBytes : E_Mode::Replace;
    case 8: return IsFullGrayRamp(data.GetPalette()) ? E_Mode::MatchBytes : E_Mode::Replace;
    default: return E_Mode::Replace;
    }
}

C_SampleWriter C_MatchEmbedding::Writer(C_SampleWriter::E_Mode eMode)
{
    return C_SampleWriter(eMode, &SystemRandom);
}
