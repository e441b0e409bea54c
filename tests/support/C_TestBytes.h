#pragma once
// Bytes for the tests: pseudo-random contents from a seed, and whole files read and written.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using T_Bytes = std::vector<uint8_t>;

class C_TestBytes {
public:
    // The low byte of each std::mt19937 draw: the same bytes for the same seed on every platform.
    static T_Bytes Random(size_t nCount, uint32_t nSeed);
    // Lower-case hex, two digits a byte.
    static std::string Hex(const uint8_t* p, size_t n);
    // Throw when the file cannot be written whole, so a test never runs on a half-made file.
    static void Write(const std::filesystem::path& path, const T_Bytes& bytes);
    static void WriteText(const std::filesystem::path& path, const std::string& strBytes);
    // Empty when the file cannot be read.
    static T_Bytes Read(const std::filesystem::path& path);
    static std::string ReadText(const std::filesystem::path& path);
};
