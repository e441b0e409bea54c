#pragma once
// The embedders whose detectability stego_detector measures. Each changes a gray plane in place
// as hiding a random message of dBitsPerPixel bits per pixel would, and returns false when the
// plane cannot carry that much (it then carries what it can).

#include "model/records/C_SpreadRecord.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

class C_Embedders {
public:
    // LSB replacement, as the plain record does: the message bits overwrite the least significant
    // bits of randomly chosen pixels.
    static bool Replace(
        std::vector<uint8_t>& plane, uint32_t nWidth, uint32_t nHeight, double dBitsPerPixel, std::mt19937_64& rng);
    // Plus-or-minus-one (LSB matching): at randomly chosen pixels whose LSB differs from the
    // message bit, add or subtract one at random (0 only goes up, 255 only down).
    static bool Match(
        std::vector<uint8_t>& plane, uint32_t nWidth, uint32_t nHeight, double dBitsPerPixel, std::mt19937_64& rng);
    // The changes an optimal coder would make under the HILL costs: each pixel goes up or down by
    // one with p(+-) = exp(-lambda rho+-) / (1 + exp(-lambda rho+) + exp(-lambda rho-)), lambda
    // chosen so that the pixels' ternary entropies add up to the payload.
    static bool Hill(
        std::vector<uint8_t>& plane, uint32_t nWidth, uint32_t nHeight, double dBitsPerPixel, std::mt19937_64& rng);
    // What a real coder does with the same costs: the syndrome-trellis coder (two layers, the
    // default constraint height) over the pixels in a keyed order, with a random key.
    static bool Trellis(
        std::vector<uint8_t>& plane, uint32_t nWidth, uint32_t nHeight, double dBitsPerPixel, std::mt19937_64& rng);
    // The sealed record itself (C_SpreadRecord::Seal on a C_PixelCover of the plane, 8-bit gray,
    // plus or minus one) with a random payload and pass phrase. The stored payload is the rate's
    // bytes less the smallest record's; each layer rounds up by at most one step of the ladder.
    // RecordBits gives the mean of the bits the seals at that rate carried, the salt's and the
    // second tag's included. False, with the plane as it was, when the seal fails (too many wet
    // elements).
    static bool Record(
        std::vector<uint8_t>& plane, uint32_t nWidth, uint32_t nHeight, double dBitsPerPixel, std::mt19937_64& rng);
    static double RecordBits(double dBitsPerPixel);
    // What C_SpreadRecord::FreshDraws draws, and a random 20-letter pass phrase, from rng, so
    // that a run can be repeated.
    static C_SpreadRecord::S_Draws SeededDraws(std::mt19937_64& rng, std::string& strPassphrase);
    // The stored payload bytes for a rate over nElements: the rate's whole bytes less the
    // smallest record's (no name).
    static uint64_t StoredBytes(size_t nElements, double dRate);
};
