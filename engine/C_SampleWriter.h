#pragma once
// Writes record bits into the least significant bits of carrier bytes. Replacement sets the
// bit, which moves a value only between 2k and 2k + 1: that levels pairs of histogram bins,
// which is what the classic detectors measure. Matching moves the sample by the smallest step
// that gives the bit instead: one up or down at random for an 8-bit sample (0 only up, 255
// only down). Either way the byte's least significant bit ends up the same, so a record reads
// back alike whichever wrote it.
//
// A matching writer pairs each record bit with a random direction bit: the symbol
// bit | up << 1. Symbols(), made once per run of record bytes, holds them two bits each, in
// the order the bits are sent, so the bit loops read one symbol where they read one bit.
//
// A guard (C_StepGuard) may refuse a step: the sample then moves the other way, which gives the
// same bit, where that way exists and the guard allows it. Where neither does, the step stands:
// it cannot be avoided at a position the record fixes.

#include "engine/C_StepGuard.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class C_SampleWriter {
public:
    enum class E_Mode : uint8_t {
        Replace,
        MatchBytes,  // every byte an 8-bit sample
        // Pairs of bytes from the buffer's start, most significant first: a high byte's bit
        // moves the 16-bit value to the nearest one with that bit and the same bit 0, a low
        // byte's bit moves it by one without a carry.
        MatchBigEndian16,
    };
    // Fills the buffer with random bytes from a cryptographic source.
    using T_Random = void (*)(uint8_t* pBytes, size_t nCount);

    static void MoveHighByte(uint8_t* pSample);
    // Entry symbol * 256 + b: the byte that b becomes.
    static const std::array<uint8_t, 1024> kStep;

    // The write itself, one type per mode and by value, so that the bit loops are built once
    // per mode and keep it in registers.
    template <E_Mode eMode> struct S_Pen {
        static constexpr E_Mode kMode = eMode;

        // pCarrier[nPosition] takes the symbol's bit (its bit 0) as its least significant bit.
        void operator()(uint8_t* pCarrier, uint32_t nPosition, unsigned nSymbol) const
        {
            uint8_t& b = pCarrier[nPosition];
            if constexpr (eMode == E_Mode::Replace) {
                b = static_cast<uint8_t>((b & 0xFE) | (nSymbol & 1));
                return;
            }
            if (eMode == E_Mode::MatchBigEndian16 && (nPosition & 1) == 0) {
                if ((b ^ nSymbol) & 1)
                    MoveHighByte(pCarrier + nPosition);
                return;
            }
            // A table instead of branches on whether the bit changes and which way: each is a
            // coin toss that a branch would mispredict half the time.
            b = kStep[nSymbol << 8 | b];
        }
    };

    // The same writes with a guard asked before each step.
    template <E_Mode eMode> struct S_GuardedPen {
        static constexpr E_Mode kMode = eMode;
        const C_StepGuard* pGuard;

        void operator()(uint8_t* pCarrier, uint32_t nPosition, unsigned nSymbol) const
        {
            GuardedStep(eMode, *pGuard, pCarrier, nPosition, nSymbol);
        }
    };
    static void GuardedStep(
        E_Mode eMode, const C_StepGuard& guard, uint8_t* pCarrier, uint32_t nPosition, unsigned nSymbol);

    C_SampleWriter() = default;  // replacement
    // A 16-bit sample's high byte moves its low byte too: with MatchBigEndian16 the carrier must
    // hold one byte past the last position written (as a picture's does: its last byte is
    // never drawn).
    C_SampleWriter(E_Mode eMode, T_Random fnRandom)
        : m_eMode(eMode)
        , m_fnRandom(fnRandom)
    { }

    // The symbols of nCount record bytes: entry k holds byte k's bits, most significant first,
    // in bits 15-14, 13-12, ..., 1-0, each with a fresh random direction (none when replacing).
    std::vector<uint16_t> Symbols(const uint8_t* pBytes, size_t nCount) const;
    // The symbol of bit j (0 the most significant) of an entry of Symbols().
    static unsigned SymbolOf(uint16_t nEntry, unsigned j) { return nEntry >> (14 - 2 * j) & 3u; }

    // Matching only: every step is first put to pGuard (shared by the copies of this writer).
    void SetGuard(std::shared_ptr<const C_StepGuard> pGuard) { m_pGuard = std::move(pGuard); }

    // Calls fn with this writer's pen.
    template <class F> void WithPen(F&& fn) const
    {
        if (m_pGuard && m_eMode == E_Mode::MatchBytes) {
            fn(S_GuardedPen<E_Mode::MatchBytes>{m_pGuard.get()});
            return;
        }
        if (m_pGuard && m_eMode == E_Mode::MatchBigEndian16) {
            fn(S_GuardedPen<E_Mode::MatchBigEndian16>{m_pGuard.get()});
            return;
        }
        switch (m_eMode) {
        case E_Mode::Replace: fn(S_Pen<E_Mode::Replace>{}); return;
        case E_Mode::MatchBytes: fn(S_Pen<E_Mode::MatchBytes>{}); return;
        case E_Mode::MatchBigEndian16: fn(S_Pen<E_Mode::MatchBigEndian16>{}); return;
        }
    }

private:
    E_Mode m_eMode = E_Mode::Replace;
    T_Random m_fnRandom = nullptr;
    std::shared_ptr<const C_StepGuard> m_pGuard;  // none: every step as drawn
};
