#pragma once
// Pictures made by the tests themselves, as file bytes.

#include <cstdint>
#include <string>
#include <vector>

class C_TestPictures {
public:
    // An 8-bit RLE PCX of nWidth x nHeight pixels: one pixel byte each, so N = w * h - 1.
    static std::vector<uint8_t> Pcx(int nWidth, int nHeight, uint32_t nSeed);
    // An uncompressed bottom-up 24-bit BMP.
    static std::vector<uint8_t> Bmp24(int nWidth, int nHeight, uint32_t nSeed);
    static std::vector<uint8_t> Random(size_t nBytes, uint32_t nSeed);
    static void Write(const std::string& strPath, const std::vector<uint8_t>& bytes);
    static std::vector<uint8_t> Read(const std::string& strPath);
};
