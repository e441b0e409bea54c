#pragma once
// Writes one record bit into the least significant bit of a carrier byte. Replacement sets the
// bit, which moves a value only between 2k and 2k + 1: that levels pairs of histogram bins,
// which is what the classic detectors measure. Matching moves the sample by the smallest step
// that gives the bit instead: one up or down at random for an 8-bit sample (0 only up, 255
// only down). Either way the byte's least significant bit ends up the same, so a record reads
// back alike whichever wrote it.

#include <array>
#include <cstddef>
#include <cstdint>
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
    // Entry up * 512 + changed * 256 + b: the byte that b becomes.
    static const std::array<uint8_t, 1024> kStep;

    // The write itself, one type per mode and by value: the bit loops are built once per mode
    // and keep it in registers, where a writer's own fields would be read again after every
    // byte store (a byte store may alias anything).
    template <E_Mode eMode> struct S_Pen {
        uint32_t nBytes;
        const uint8_t* pRandom;

        // pCarrier[nPosition] takes nBit (0 or 1) as its least significant bit.
        void operator()(uint8_t* pCarrier, uint32_t nPosition, unsigned nBit) const
        {
            uint8_t& b = pCarrier[nPosition];
            if (eMode == E_Mode::Replace || nPosition >= nBytes) {
                b = static_cast<uint8_t>((b & 0xFE) | nBit);
                return;
            }
            if (eMode == E_Mode::MatchBigEndian16 && (nPosition & 1) == 0) {
                if ((b ^ nBit) & 1)
                    MoveHighByte(pCarrier + nPosition);
                return;
            }
            // A table instead of branches on whether the bit changes and which way: each is a
            // coin toss that a branch would mispredict half the time. The direction belongs to
            // the position, so no write waits on another.
            const unsigned nChanged = (b ^ nBit) & 1;
            const unsigned nUp = (pRandom[nPosition >> 3] >> (nPosition & 7)) & 1;
            b = kStep[nUp << 9 | nChanged << 8 | b];
        }
    };

    C_SampleWriter() = default;  // replacement
    // A writer for carrier positions 0 .. nBytes - 1, with a random direction drawn for each.
    // A 16-bit sample's high byte at nBytes - 1 moves its low byte too: the carrier must hold
    // nBytes + 1 bytes (as a picture's does: its last byte is never drawn).
    C_SampleWriter(E_Mode eMode, uint32_t nBytes, T_Random fnRandom);

    bool IsMatching() const { return m_eMode != E_Mode::Replace; }
    // Calls fn with this writer's pen, valid while the writer lives and is not moved.
    template <class F> void WithPen(F&& fn) const
    {
        switch (m_eMode) {
        case E_Mode::Replace: fn(S_Pen<E_Mode::Replace>{0, nullptr}); return;
        case E_Mode::MatchBytes: fn(S_Pen<E_Mode::MatchBytes>{m_nBytes, m_aRandom.data()}); return;
        case E_Mode::MatchBigEndian16: fn(S_Pen<E_Mode::MatchBigEndian16>{m_nBytes, m_aRandom.data()}); return;
        }
    }

private:
    E_Mode m_eMode = E_Mode::Replace;
    uint32_t m_nBytes = 0;
    std::vector<uint8_t> m_aRandom;  // bit j of entry i: 1 when byte 8 i + j moves up
};
