#pragma once
// The measuring stick's patches: binary PGM files of 8-bit gray samples.

#include <cstdint>
#include <filesystem>
#include <vector>

class C_Pgm {
public:
    // A binary PGM of 8-bit samples, 16 to 8192 pixels a side; false for anything else.
    static bool Read(
        const std::filesystem::path& path, std::vector<uint8_t>& pixels, uint32_t& nWidth, uint32_t& nHeight);
};
