#pragma once
// What GIF reading and writing must agree on: the order in which a frame's rows stand in the
// file, and how deep a colour table must be for giflib to keep a frame's indices.

#include "model/pictures/S_Rgb.h"

#include <cstdint>
#include <span>
#include <vector>

class C_GifLayout {
public:
    // Calls f(y) for every row y (0 = top) in the order the file stores the rows; stops at the
    // first f that returns false and returns false then.
    template <typename F> static bool ForEachRowInFileOrder(uint32_t nHeight, bool bInterlaced, F&& f)
    {
        if (!bInterlaced) {
            for (uint32_t y = 0; y < nHeight; ++y)
                if (!f(y))
                    return false;
            return true;
        }
        for (int p = 0; p < 4; ++p)
            for (uint32_t y = kPassStart[p]; y < nHeight; y += kPassStep[p])
                if (!f(y))
                    return false;
        return true;
    }

    // The bits an index table needs so that giflib's writer, which masks every index to the
    // colour table's depth, gives back each byte unchanged.
    static int BitsFor(std::span<const uint8_t> aPixels);
    // Pads with black to a power of two of at least 2^nMinBits entries (giflib's tables are),
    // and at most 256.
    static void PadMap(std::vector<S_Rgb>& aColours, int nMinBits);

private:
    // Rows of an interlaced image come in four passes: every 8th from 0, every 8th from 4,
    // every 4th from 2, every 2nd from 1.
    static constexpr uint32_t kPassStart[4] = {0, 4, 2, 1};
    static constexpr uint32_t kPassStep[4] = {8, 8, 4, 2};
};
