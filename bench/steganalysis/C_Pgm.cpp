#include "bench/steganalysis/C_Pgm.h"

#include <fstream>
#include <string>

bool C_Pgm::Read(const std::filesystem::path& path, std::vector<uint8_t>& pixels, uint32_t& nWidth, uint32_t& nHeight)
{
    std::ifstream in(path, std::ios::binary);
    std::string strMagic;
    in >> strMagic;
    unsigned long aHead[3] = {};
    for (unsigned long& n : aHead) {
        while (in >> std::ws && in.peek() == '#')
            in.ignore(1 << 20, '\n');
        in >> n;
    }
    if (!in || strMagic != "P5" || aHead[2] != 255 || aHead[0] < 16 || aHead[1] < 16 || aHead[0] > 8192
        || aHead[1] > 8192)
        return false;
    in.get();  // the one whitespace before the samples
    nWidth = static_cast<uint32_t>(aHead[0]);
    nHeight = static_cast<uint32_t>(aHead[1]);
    pixels.resize(size_t{nWidth} * nHeight);
    in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    return static_cast<size_t>(in.gcount()) == pixels.size();
}
