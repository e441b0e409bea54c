#pragma once
// Which pixels of a picture show nothing, as its pixel layout says: a colour key (gray or RGB,
// any depth, as a PNG's tRNS gives it), alpha per palette entry, a transparent index (a GIF's
// graphic control block), or an alpha sample. A masked word's alpha mask does not count here.
//
// A pixel is transparent when it equals the colour key, when its index's opacity is 0, or when
// its alpha sample is 0. A palette entry or alpha of 1 to 254 counts as shown: what a hide may
// do to such a pixel is to change how much it shows, which the pixel's colour distance already
// measures, not to make it appear or vanish.
//
// Hides write where the pass phrase puts them, so they may turn a transparent pixel into a dot
// or a shown one into a hole: CountChanges tells how many did. As a matching writer's guard it
// keeps a step of one from doing so where the step the other way does not, and keeps an alpha
// of 1 to 254 from reaching 0 or 255 (and 255 from leaving it) where it can.

#include "engine/C_StepGuard.h"
#include "model/pictures/BTCImageData.h"

#include <array>
#include <cstdint>

class C_Transparency : public C_StepGuard {
public:
    explicit C_Transparency(const BTCImageData& data);

    // The picture has no transparency: no key, no transparent entry, no alpha channel.
    bool IsEmpty() const { return m_eKind == E_Kind::None; }

    // The pixels whose transparency differs between before and after: the same picture before
    // and after a hide (and a palette pairing, which remaps indices but keeps the look). 0 when
    // the two do not share one geometry.
    static uint64_t CountChanges(const BTCImageData& before, const BTCImageData& after);

    bool Allows(const uint8_t* pCarrier, uint32_t nPosition, unsigned nValue) const override;

private:
    enum class E_Kind : uint8_t { None, ColourKey, Alpha, Indexed };

    // Sample c of pixel x in a row, at any depth (1 to 8 bits packed, 8, or 16 big-endian).
    unsigned Sample(const uint8_t* pRow, uint32_t x, unsigned c) const;
    bool IsTransparent(const uint8_t* pRow, uint32_t x) const;
    // What a guarded step must keep: transparent or not, and for alpha also 255 or not.
    unsigned ClassOf(const uint8_t* pRow, uint32_t x) const;

    E_Kind m_eKind = E_Kind::None;
    uint32_t m_nWidth = 0;
    uint32_t m_nHeight = 0;
    uint32_t m_nStride = 0;
    unsigned m_nChannels = 1;
    unsigned m_nDepth = 8;             // bits a sample
    std::array<unsigned, 3> m_aKey{};  // the colour key's samples (gray: the first)
    std::array<bool, 256> m_aClear{};  // Indexed: entries that show nothing
};
