#include "tests/cli/C_TestPictures.h"

#include "engine/C_BitTransfer.h"
#include "engine/C_HiddenHeader.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace {

void Put16(T_Bytes& out, unsigned nValue)
{
    out.push_back(static_cast<uint8_t>(nValue));
    out.push_back(static_cast<uint8_t>(nValue >> 8));
}

void Put32(T_Bytes& out, uint32_t nValue)
{
    Put16(out, nValue & 0xFFFF);
    Put16(out, nValue >> 16);
}

constexpr size_t kBmpHeaders = 54;

T_Bytes Bmp(int nWidth, int nHeight, int nBits, const T_Bytes& palette, const T_Bytes& pixels)
{
    T_Bytes out = {'B', 'M'};
    const auto nOffset = static_cast<uint32_t>(kBmpHeaders + palette.size());
    Put32(out, nOffset + static_cast<uint32_t>(pixels.size()));
    Put32(out, 0);
    Put32(out, nOffset);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(nWidth));
    Put32(out, static_cast<uint32_t>(nHeight));
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(nBits));
    Put32(out, 0);  // BI_RGB
    Put32(out, static_cast<uint32_t>(pixels.size()));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, palette.empty() ? 0 : 256);
    Put32(out, 0);
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// PCX run-length coding of one plane's line: runs of up to 63, and any byte of 0xC0 or more
// as a run, since it would otherwise read as a count.
void PcxLine(T_Bytes& out, const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n;) {
        size_t nRun = 1;
        while (i + nRun < n && nRun < 63 && p[i + nRun] == p[i])
            ++nRun;
        if (nRun > 1 || p[i] >= 0xC0)
            out.push_back(static_cast<uint8_t>(0xC0 | nRun));
        out.push_back(p[i]);
        i += nRun;
    }
}

// pixels: nPlanes bytes a pixel, in the order the planes are stored (red, green, blue).
T_Bytes Pcx(int nWidth, int nHeight, int nPlanes, const T_Bytes& pixels, const T_Bytes& palette)
{
    const size_t nLine = static_cast<size_t>(nWidth + (nWidth & 1));
    T_Bytes out = {0x0A, 5, 1, 8};
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<unsigned>(nWidth - 1));
    Put16(out, static_cast<unsigned>(nHeight - 1));
    Put16(out, 72);
    Put16(out, 72);
    out.resize(out.size() + 48, 0);
    out.push_back(0);
    out.push_back(static_cast<uint8_t>(nPlanes));
    Put16(out, static_cast<unsigned>(nLine));
    Put16(out, 1);
    out.resize(128, 0);
    T_Bytes line(nLine, 0);
    for (int y = 0; y < nHeight; ++y)
        for (int plane = 0; plane < nPlanes; ++plane) {
            for (int x = 0; x < nWidth; ++x)
                line[static_cast<size_t>(x)] = pixels[(static_cast<size_t>(y) * nWidth + x) * nPlanes + plane];
            PcxLine(out, line.data(), line.size());
        }
    if (!palette.empty()) {
        out.push_back(0x0C);
        out.insert(out.end(), palette.begin(), palette.end());
    }
    return out;
}

// LZW without compression: every pixel is its own 9-bit code, with a clear code often enough
// that the code width never grows. Valid for any decoder.
T_Bytes Gif(int nWidth, int nHeight, const T_Bytes& indices, const T_Bytes& palette)
{
    T_Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(out, static_cast<unsigned>(nWidth));
    Put16(out, static_cast<unsigned>(nHeight));
    out.push_back(0xF7);  // global table of 256 entries
    out.push_back(0);
    out.push_back(0);
    out.insert(out.end(), palette.begin(), palette.end());
    out.push_back(0x2C);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<unsigned>(nWidth));
    Put16(out, static_cast<unsigned>(nHeight));
    out.push_back(0);
    out.push_back(8);

    T_Bytes data;
    uint32_t nBits = 0;
    int nHeld = 0;
    const auto Code = [&](unsigned nCode) {
        nBits |= nCode << nHeld;
        nHeld += 9;
        while (nHeld >= 8) {
            data.push_back(static_cast<uint8_t>(nBits));
            nBits >>= 8;
            nHeld -= 8;
        }
    };
    for (size_t i = 0; i < indices.size(); ++i) {
        if (i % 200 == 0)
            Code(256);
        Code(indices[i]);
    }
    Code(257);
    if (nHeld > 0)
        data.push_back(static_cast<uint8_t>(nBits));
    for (size_t i = 0; i < data.size(); i += 255) {
        const size_t n = std::min<size_t>(255, data.size() - i);
        out.push_back(static_cast<uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i), data.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    out.push_back(0);
    out.push_back(0x3B);
    return out;
}

}  // namespace

T_Bytes C_TestPictures::RandomBytes(size_t nCount, uint32_t nSeed)
{
    std::mt19937 rng(nSeed);
    T_Bytes out(nCount);
    for (auto& b : out)
        b = static_cast<uint8_t>(rng());
    return out;
}

const char* C_TestPictures::Extension(E_TestPicture eKind)
{
    switch (eKind) {
    case E_TestPicture::Bmp24:
    case E_TestPicture::Bmp8: return "bmp";
    case E_TestPicture::Gif: return "gif";
    case E_TestPicture::Pcx8:
    case E_TestPicture::Pcx24: return "pcx";
    }
    return "";
}

T_Bytes C_TestPictures::Make(E_TestPicture eKind, int nWidth, int nHeight, uint32_t nSeed)
{
    const auto nPixels = static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight);
    const T_Bytes rgbPalette = RandomBytes(768, nSeed + 1000);
    switch (eKind) {
    case E_TestPicture::Bmp24: {
        const size_t nStride = (static_cast<size_t>(nWidth) * 3 + 3) & ~size_t{3};
        return Bmp(nWidth, nHeight, 24, {}, RandomBytes(nStride * static_cast<size_t>(nHeight), nSeed));
    }
    case E_TestPicture::Bmp8: {
        const size_t nStride = (static_cast<size_t>(nWidth) + 3) & ~size_t{3};
        T_Bytes quads;
        for (size_t i = 0; i < 256; ++i)
            quads.insert(quads.end(), {rgbPalette[3 * i + 2], rgbPalette[3 * i + 1], rgbPalette[3 * i], 0});
        return Bmp(nWidth, nHeight, 8, quads, RandomBytes(nStride * static_cast<size_t>(nHeight), nSeed));
    }
    case E_TestPicture::Gif: return Gif(nWidth, nHeight, RandomBytes(nPixels, nSeed), rgbPalette);
    case E_TestPicture::Pcx8: return Pcx(nWidth, nHeight, 1, RandomBytes(nPixels, nSeed), rgbPalette);
    case E_TestPicture::Pcx24: return Pcx(nWidth, nHeight, 3, RandomBytes(nPixels * 3, nSeed), {});
    }
    return {};
}

T_Bytes C_TestPictures::BmpWithRecord(int nWidth, int nHeight, std::string_view strPassphrase,
                                      std::string_view strName, const T_Bytes& payload)
{
    T_Bytes file = Make(E_TestPicture::Bmp24, nWidth, nHeight);
    uint8_t* pPixels = file.data() + kBmpHeaders;
    const auto nUsable = static_cast<uint32_t>(file.size() - kBmpHeaders - 1);  // N: the last byte is never used
    T_Bytes data = payload;
    C_BitTransfer transfer(pPixels, nUsable, data.data(), static_cast<uint32_t>(data.size()));
    transfer.SetKey(strPassphrase);
    transfer.SendHeader(C_HiddenHeader(strName, static_cast<uint32_t>(data.size())));
    transfer.SendPayload();
    return file;
}

void C_TestPictures::WriteFile(const std::filesystem::path& path, const T_Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

T_Bytes C_TestPictures::ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return T_Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
