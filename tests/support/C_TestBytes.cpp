#include "tests/support/C_TestBytes.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace {

void WriteRaw(const std::filesystem::path& path, const char* pData, size_t nSize)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(pData, static_cast<std::streamsize>(nSize));
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

std::string C_TestBytes::Hex(const uint8_t* p, size_t n)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += kDigits[p[i] >> 4];
        s += kDigits[p[i] & 15];
    }
    return s;
}

T_Bytes C_TestBytes::Random(size_t nCount, uint32_t nSeed)
{
    std::mt19937 rng(nSeed);
    T_Bytes out(nCount);
    for (auto& b : out)
        b = static_cast<uint8_t>(rng());
    return out;
}

void C_TestBytes::Write(const std::filesystem::path& path, const T_Bytes& bytes)
{
    WriteRaw(path, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void C_TestBytes::WriteText(const std::filesystem::path& path, const std::string& strBytes)
{
    WriteRaw(path, strBytes.data(), strBytes.size());
}

T_Bytes C_TestBytes::Read(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return T_Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string C_TestBytes::ReadText(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
