#pragma once
// JPEG files as libjpeg writes them, for the tests: a photo-like picture (a ramp with noise) of
// the size, sampling, quality and coding asked for, with the segments given after libjpeg's own.

#include "model/pictures/jpeg/C_JpegCoefficients.h"

#include <cstdint>
#include <vector>

class C_TestJpeg {
public:
    struct S_Options {
        int nComponents = 3;
        int nLumaHorizontal = 2;  // the first component's sampling factors
        int nLumaVertical = 2;
        int nQuality = 75;
        bool bProgressive = false;
        bool bOptimize = false;
        unsigned nRestart = 0;
        int nWidth = 67;  // partial blocks at the right and the bottom
        int nHeight = 45;
        uint32_t nSeed = 12345;
        int nNoise = 16;  // the noise's amplitude, in pixel levels
    };

    static std::vector<uint8_t> Make(
        const S_Options& options, const std::vector<C_JpegCoefficients::S_Marker>& segments = {});
};
