#pragma once
// One channel of a picture as the estimators read it: width x height samples, row after row in
// the order the picture stores them (the carrier's order), each 0..nMaxValue. The samples are
// owned by the caller and outlive the plane.

#include <cstdint>

struct S_SamplePlane {
    const uint16_t* pSamples = nullptr;
    uint32_t nWidth = 0;
    uint32_t nHeight = 0;
    uint32_t nMaxValue = 255;  // 255 for 8-bit samples, 65535 for 16-bit ones, less for packed ones
};
