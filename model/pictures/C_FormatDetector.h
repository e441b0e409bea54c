#pragma once
// Decides a picture's format from its first bytes, never from its name: the strong signatures
// first ("BM", "GIF87a"/"GIF89a"), PCX last and only with its whole header valid.

#include "model/pictures/C_ImageFormat.h"

#include <cstdint>
#include <span>

class C_FormatDetector {
public:
    // Bytes read for detection; the PCX header is the longest that is checked.
    static constexpr size_t kHeadBytes = 128;

    static E_ImageFormat Detect(std::span<const uint8_t> head);
    // A JPEG, which is refused with its own reason rather than as an unknown format.
    static bool IsJpeg(std::span<const uint8_t> head);
};
