#pragma once
// What a record may change: the elements of a carrier that hold its bits, in the fixed order the
// position sequence numbers them, and what each may become when a bit has to turn. A picture's
// cover is its pixel bytes (C_PixelCover); a cover of another kind (quantised transform
// coefficients, say) is another implementation, with elements that are not bytes.
//
// The record kinds of today write through the engine's byte loops: they take Bytes() and
// Writer(), and find nothing in (and write nothing to) a cover whose elements are not bytes.

#include "engine/C_SampleWriter.h"

#include <cstdint>
#include <vector>

class C_Cover {
public:
    // What an element may become when the record's bit differs from its least significant bit
    // (when they agree, it stays as it is whatever this says).
    enum class E_Change : uint8_t {
        None,            // it may not change
        SetLsb,          // its least significant bit takes the record's bit
        PlusOrMinusOne,  // its sample moves one step, up or down at random
        PlusOne,         // its sample moves one step up: down is saturated or spoils what it shows
        MinusOne,        // the other way round
    };

    virtual ~C_Cover() = default;

    // The number of elements (N), numbered 0 .. N - 1 in the order the sequence draws from.
    virtual uint32_t Size() const = 0;
    virtual E_Change ChangeOf(uint32_t nElement) const = 0;
    // What changing each element by one costs, for a record that weighs where it writes
    // (C_ElementCosts): one cost per element, +infinity for one that must not change, also where
    // StepsOf allows neither way. False, with costs empty, when the cover cannot weigh its
    // elements (they are no samples, or it knows no picture around them).
    virtual bool CanWeigh() const { return false; }
    virtual bool Weigh(std::vector<float>& costs) const
    {
        costs.clear();
        return false;
    }
    // The ways the element may move by one now, as kStepUp | kStepDown: those that keep its
    // sample in range, keep what the picture shows (its guard) and, for replacement, the one
    // way that turns its lowest bit. Unlike ChangeOf, a way the guard refuses is left out even
    // when no other is allowed.
    static constexpr unsigned kStepUp = 1;
    static constexpr unsigned kStepDown = 2;
    virtual unsigned StepsOf(uint32_t /*nElement*/) const { return 0; }
    // False when StepsOf is only the sample's range: up below 255, down above 0 (a caller may
    // then skip asking it for each element).
    virtual bool GuardsSteps() const { return true; }

    // The elements as bytes, element k at Bytes()[k]; null when they are not bytes (or there are
    // none). Not owned: the carrier keeps them.
    virtual uint8_t* Bytes() const { return nullptr; }
    // The elements' lowest 8 bits as bytes (two's complement), element k at LowBytes()[k], for a
    // record that reads only their lowest bits and moves them by one (modulo 256 there): the
    // bytes themselves for a cover of bytes. Such a record changes these bytes alone; the cover
    // carries the changes into its elements (C_JpegCover::Commit). Null when there are none.
    virtual uint8_t* LowBytes() const { return Bytes(); }
    // The count a payload rate is measured in, when it is not the elements that may change (a
    // JPEG's is its non-zero AC coefficients); 0 for those.
    virtual uint64_t RateElements() const { return 0; }

    // The writer that puts record bits into those bytes as ChangeOf describes.
    virtual const C_SampleWriter& Writer() const = 0;
};
