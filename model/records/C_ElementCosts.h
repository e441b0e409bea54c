#pragma once
// What changing each pixel byte by one costs, for a record that weighs where it writes: HILL
// costs (C_HillCost) per colour channel, +infinity where a byte must not change.
//
// The rule, by the picture's samples:
//   - 8-bit gray, gray and alpha, RGB, BGR and RGBA samples: each colour channel is a plane of
//     its own, and each sample costs the HILL cost of its plane;
//   - 16-bit samples: the plane is the full 16-bit values (C_HillCost::ForPlane16); the cost
//     goes to the sample's less significant byte, whose lowest bit is the value's, and the more
//     significant byte never changes;
//   - never changed: alpha samples, every sample of a pixel whose alpha is 0 (it shows nothing,
//     and nothing about it should change), row padding, and what the cost calls wet (a 3 x 3
//     window with no residual: flat areas, exact ramps).
// Palette indices, gray below 8 bits and bit-field words are not samples that a step of one
// barely alters: such a picture has no costs (Compute returns false).

#include "model/pictures/S_PixelLayout.h"

#include <cstdint>
#include <vector>

class C_ElementCosts {
public:
    struct S_Picture {
        const uint8_t* pBytes = nullptr;  // the decoded pixel bytes, rows nStride apart
        uint32_t nWidth = 0;
        uint32_t nHeight = 0;
        uint32_t nStride = 0;
        S_PixelLayout layout;

        // 8-bit samples, nChannels a pixel, rows packed without padding, top row first.
        static S_Picture Packed8(
            const uint8_t* pBytes, uint32_t nWidth, uint32_t nHeight, E_PixelChannels eChannels, int nChannels)
        {
            S_Picture picture;
            picture.pBytes = pBytes;
            picture.nWidth = nWidth;
            picture.nHeight = nHeight;
            picture.nStride = nWidth * static_cast<uint32_t>(nChannels);
            picture.layout.bKnown = true;
            picture.layout.eChannels = eChannels;
            picture.layout.nChannels = nChannels;
            picture.layout.nBitsPerSample = 8;
            return picture;
        }
    };

    // True when the picture's samples can be weighed (see above).
    static bool CanWeigh(const S_PixelLayout& layout);
    // One cost per element, elements 0 .. nElements - 1 being the picture's first bytes (the
    // carrier's N). False, with costs empty, when the picture cannot be weighed or its rows do not
    // fit its bytes. Throws std::bad_alloc when the costs cannot be held.
    static bool Compute(const S_Picture& picture, uint32_t nElements, std::vector<float>& costs);
};
