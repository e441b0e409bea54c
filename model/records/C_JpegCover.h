#pragma once
// The cover of a JPEG picture: its quantised AC coefficients, which a record moves by one, up or
// down; the DC coefficients and the pixels are never touched. Elements are numbered component by
// component in the frame's order, within a component block by block row by row, within a block
// by natural index 1 to 63 (row by row, the DC at 0 left out).
//
// The record kinds see the elements' lowest 8 bits as bytes (LowBytes): a change of one there is
// a change of one in the coefficient, modulo 256, and Commit carries the changes into the
// coefficients. A coefficient may not move where it would leave [-1023, 1023] (the largest AC
// value JPEG codes at 8 bits), nor where the file's scans do not carry its lowest bit.
//
// Costs are UERD's (Guo, Ni, Su, Tang and Shi, "Using statistical image model for JPEG
// steganography: uniform embedding revisited", 2015): a coefficient's quantisation step over its
// block's energy (its AC coefficients times their steps, summed) plus a quarter of each of its
// eight neighbours' in the same component. A block with no energy about it is wet.

#include "engine/C_SampleWriter.h"
#include "model/records/C_Cover.h"

#include <cstdint>
#include <vector>

class C_JpegCoefficients;

class C_JpegCover final : public C_Cover {
public:
    static constexpr int kMaxCoefficient = 1023;

    // Over jpeg's coefficients as they are now; jpeg must outlive the cover. Empty (no elements)
    // when it holds none, or more than 2^32 - 2.
    explicit C_JpegCover(C_JpegCoefficients& jpeg);

    uint32_t Size() const override { return static_cast<uint32_t>(m_low.empty() ? 0 : m_low.size() - 1); }
    E_Change ChangeOf(uint32_t nElement) const override
    {
        return StepsOf(nElement) ? E_Change::PlusOrMinusOne : E_Change::None;
    }
    bool CanWeigh() const override { return Size() > 0; }
    bool Weigh(std::vector<float>& costs) const override;
    unsigned StepsOf(uint32_t nElement) const override;
    // Coefficients are no bytes: no record that writes whole bytes lives here.
    uint8_t* Bytes() const override { return nullptr; }
    uint8_t* LowBytes() const override { return m_low.empty() ? nullptr : m_low.data(); }
    uint64_t RateElements() const override { return m_nNonZero; }
    const C_SampleWriter& Writer() const override { return m_writer; }

    // Carries the changes made in LowBytes into the coefficients. False, with no coefficient
    // changed, when a byte moved by more than one.
    bool Commit();
    // The number of coefficients that differ from what LowBytes holds.
    uint64_t Pending() const;

private:
    // The coefficient that element k is.
    int16_t& CoefficientOf(uint32_t nElement) const;
    // StepsOf worked out from the coefficient and its component.
    unsigned StepsFound(uint32_t nElement) const;

    C_JpegCoefficients* m_pJpeg = nullptr;
    struct S_Span {
        uint32_t nFirst = 0;  // its first element
        size_t nComponent = 0;
    };
    std::vector<S_Span> m_spans;         // one for each component, in element order
    mutable std::vector<uint8_t> m_low;  // one byte each, and one after the last
    // The elements that may not move both ways (few: the range's ends, uncarried lowest bits),
    // by element, with their steps; when there are too many to list, m_bListed is false and
    // StepsOf works each out.
    struct S_Restricted {
        uint32_t nElement;
        unsigned nSteps;
    };
    std::vector<S_Restricted> m_restricted;
    bool m_bListed = true;
    uint64_t m_nNonZero = 0;
    C_SampleWriter m_writer;
};
