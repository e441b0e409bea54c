#include "C_TestPictures.h"

#include <fstream>
#include <iterator>
#include <random>

namespace {

void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    v[at] = static_cast<uint8_t>(x);
    v[at + 1] = static_cast<uint8_t>(x >> 8);
}

void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

}  // namespace

std::vector<uint8_t> C_TestPictures::Random(size_t nBytes, uint32_t nSeed)
{
    std::mt19937 rng(nSeed);
    std::vector<uint8_t> v(nBytes);
    for (auto& b : v)
        b = static_cast<uint8_t>(rng());
    return v;
}

std::vector<uint8_t> C_TestPictures::Pcx(int nWidth, int nHeight, uint32_t nSeed)
{
    const int nBytesPerLine = (nWidth + 1) & ~1;
    std::vector<uint8_t> file(128, 0);
    file[0] = 0x0A;
    file[1] = 5;
    file[2] = 1;
    file[3] = 8;
    Put16(file, 8, nWidth - 1);
    Put16(file, 10, nHeight - 1);
    Put16(file, 12, 72);
    Put16(file, 14, 72);
    file[65] = 1;
    Put16(file, 66, nBytesPerLine);
    Put16(file, 68, 1);
    for (uint8_t b : Random(size_t(nBytesPerLine) * nHeight, nSeed)) {
        if ((b & 0xC0) == 0xC0)
            file.push_back(0xC1);  // a run of one, since the byte would read as a run count
        file.push_back(b);
    }
    file.push_back(0x0C);
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c)
            file.push_back(static_cast<uint8_t>(i * (c + 1)));
    return file;
}

std::vector<uint8_t> C_TestPictures::Bmp24(int nWidth, int nHeight, uint32_t nSeed)
{
    const uint32_t nStride = ((nWidth * 24 + 31) / 32) * 4;
    std::vector<uint8_t> file(54, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, 54 + nStride * nHeight);
    Put32(file, 10, 54);
    Put32(file, 14, 40);
    Put32(file, 18, nWidth);
    Put32(file, 22, nHeight);
    Put16(file, 26, 1);
    Put16(file, 28, 24);
    Put32(file, 34, nStride * nHeight);
    const std::vector<uint8_t> pixels = Random(nStride * nHeight, nSeed);
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

void C_TestPictures::Write(const std::string& strPath, const std::vector<uint8_t>& bytes)
{
    std::ofstream(strPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> C_TestPictures::Read(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
