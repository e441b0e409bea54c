#pragma once
// How a hide writes a record bit into a carrier byte whose least significant bit must change.

#include <cstdint>

enum class E_Embedding : uint8_t {
    Replace,  // the bit is set: the byte's value flips between 2k and 2k + 1
    Match,    // the sample moves by one, up or down at random, to a value with that bit
};
