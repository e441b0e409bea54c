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
