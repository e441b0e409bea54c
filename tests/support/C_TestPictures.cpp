#include "tests/support/C_TestPictures.h"

#include "engine/C_BitTransfer.h"
#include "engine/C_HiddenHeader.h"
#include "tests/support/C_ImageBytes.h"

#include <cmath>
#include <vector>

namespace {

constexpr size_t kBmpHeaders = 54;
constexpr int32_t kBmpPpm = 2835;  // 72 dpi
constexpr uint16_t kPcxDpi = 72;

std::vector<S_Rgb> RgbTriples(const T_Bytes& bytes)
{
    std::vector<S_Rgb> palette(bytes.size() / 3);
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = S_Rgb{bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
    return palette;
}

size_t BmpStride(int nWidth, int nBits)
{
    return C_ImageBytes::BmpStride(static_cast<uint32_t>(nWidth), static_cast<uint32_t>(nBits));
}

S_PcxLayout PcxHeader(int nWidth, int nHeight, int nPlanes, size_t nBytesPerLine)
{
    S_PcxLayout layout;
    layout.nPlanes = static_cast<uint8_t>(nPlanes);
    layout.nWidth = static_cast<uint16_t>(nWidth);
    layout.nHeight = static_cast<uint16_t>(nHeight);
    layout.nBytesPerLine = static_cast<uint16_t>(nBytesPerLine);
    layout.nDpiX = layout.nDpiY = kPcxDpi;
    return layout;
}

// pixels: nPlanes bytes a pixel, in the order the planes are stored (red, green, blue).
T_Bytes RlePcx(int nWidth, int nHeight, int nPlanes, const T_Bytes& pixels, const std::vector<S_Rgb>& palette)
{
    const size_t nLine = static_cast<size_t>(nWidth + (nWidth & 1));
    S_PcxLayout layout = PcxHeader(nWidth, nHeight, nPlanes, nLine);
    T_Bytes line(nLine, 0);
    for (int y = 0; y < nHeight; ++y)
        for (int plane = 0; plane < nPlanes; ++plane) {
            for (int x = 0; x < nWidth; ++x)
                line[static_cast<size_t>(x)] = pixels[(static_cast<size_t>(y) * nWidth + x) * nPlanes + plane];
            const T_Bytes coded = C_ImageBytes::PcxRle(line);
            layout.aBody.insert(layout.aBody.end(), coded.begin(), coded.end());
        }
    layout.aTailPalette = palette;
    return C_ImageBytes::Pcx(layout);
}

// Every pixel its own 9-bit code, a clear code every 200 so that the width never grows.
T_Bytes NoiseGif(int nWidth, int nHeight, const T_Bytes& indices, const std::vector<S_Rgb>& palette)
{
    S_GifLayout layout;
    layout.nScreenWidth = static_cast<uint16_t>(nWidth);
    layout.nScreenHeight = static_cast<uint16_t>(nHeight);
    layout.aGlobalPalette = palette;
    S_GifRecord image;
    image.bImage = true;
    image.nWidth = layout.nScreenWidth;
    image.nHeight = layout.nScreenHeight;
    image.aPixels = indices;
    image.nClearEvery = 200;
    layout.aRecords.push_back(image);
    return C_ImageBytes::Gif(layout);
}

}  // namespace

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
    const std::vector<S_Rgb> palette = RgbTriples(C_TestBytes::Random(768, nSeed + 1000));
    S_BmpLayout bmp;
    bmp.nWidth = nWidth;
    bmp.nHeight = nHeight;
    bmp.nXPpm = bmp.nYPpm = kBmpPpm;
    switch (eKind) {
    case E_TestPicture::Bmp24:
        bmp.aPixels = C_TestBytes::Random(BmpStride(nWidth, 24) * static_cast<size_t>(nHeight), nSeed);
        return C_ImageBytes::Bmp(bmp);
    case E_TestPicture::Bmp8:
        bmp.nBits = 8;
        bmp.nColoursUsed = 256;
        bmp.aPalette = palette;
        bmp.aPixels = C_TestBytes::Random(BmpStride(nWidth, 8) * static_cast<size_t>(nHeight), nSeed);
        return C_ImageBytes::Bmp(bmp);
    case E_TestPicture::Gif: return NoiseGif(nWidth, nHeight, C_TestBytes::Random(nPixels, nSeed), palette);
    case E_TestPicture::Pcx8: return RlePcx(nWidth, nHeight, 1, C_TestBytes::Random(nPixels, nSeed), palette);
    case E_TestPicture::Pcx24: return RlePcx(nWidth, nHeight, 3, C_TestBytes::Random(nPixels * 3, nSeed), {});
    }
    return {};
}

T_Bytes C_TestPictures::BmpWithRecord(
    int nWidth, int nHeight, std::string_view strPassphrase, std::string_view strName, const T_Bytes& payload)
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

T_Bytes C_TestPictures::Bmp(int nWidth, int nHeight, int nBits, uint32_t nSeed)
{
    S_BmpLayout layout;
    layout.nWidth = nWidth;
    layout.nHeight = nHeight;
    layout.nBits = static_cast<uint16_t>(nBits);
    if (nBits <= 8)
        for (uint32_t i = 0; i < (1u << nBits); ++i)
            layout.aPalette.push_back(
                S_Rgb{static_cast<uint8_t>(i * 7), static_cast<uint8_t>(i * 5), static_cast<uint8_t>(i * 3)});
    layout.aPixels = C_TestBytes::Random(BmpStride(nWidth, nBits) * static_cast<size_t>(nHeight), nSeed);
    return C_ImageBytes::Bmp(layout);
}

T_Bytes C_TestPictures::Pcx(int nWidth, int nHeight, int nPlanes, uint32_t nSeed)
{
    const size_t nBytesPerLine = static_cast<size_t>((nWidth + 1) & ~1);
    S_PcxLayout layout = PcxHeader(nWidth, nHeight, nPlanes, nBytesPerLine);
    layout.aBody = C_ImageBytes::PcxLiteral(
        C_TestBytes::Random(nBytesPerLine * static_cast<size_t>(nHeight) * static_cast<size_t>(nPlanes), nSeed));
    if (nPlanes == 1)
        for (int i = 0; i < 256; ++i)
            layout.aTailPalette.push_back(
                S_Rgb{static_cast<uint8_t>(i), static_cast<uint8_t>(i * 2), static_cast<uint8_t>(i * 3)});
    return C_ImageBytes::Pcx(layout);
}

T_Bytes C_TestPictures::Bmp24Ramp(uint32_t nWidth, uint32_t nHeight, uint32_t nSeed)
{
    S_BmpLayout layout;
    layout.nWidth = static_cast<int32_t>(nWidth);
    layout.nHeight = static_cast<int32_t>(nHeight);
    layout.aPixels.resize(C_ImageBytes::BmpStride(nWidth, 24) * size_t{nHeight});
    for (uint32_t i = 0; i < layout.aPixels.size(); ++i)
        layout.aPixels[i] = static_cast<uint8_t>((i * 7 + nSeed * (i >> 12)) >> 1);
    return C_ImageBytes::Bmp(layout);
}

T_Bytes C_TestPictures::BmpShaded(int nWidth, int nHeight, uint32_t nSeed, bool bRandomLowestBits)
{
    S_BmpLayout layout;
    layout.nWidth = nWidth;
    layout.nHeight = nHeight;
    const uint32_t nStride = C_ImageBytes::BmpStride(static_cast<uint32_t>(nWidth), 24);
    layout.aPixels.resize(size_t{nStride} * static_cast<size_t>(nHeight));
    const T_Bytes noise = C_TestBytes::Random(layout.aPixels.size(), nSeed);
    const T_Bytes bits = C_TestBytes::Random(layout.aPixels.size(), nSeed + 1);
    const double dPhase = nSeed % 17;
    for (size_t i = 0; i < layout.aPixels.size(); ++i) {
        const double x = static_cast<double>(i % nStride), y = static_cast<double>(i / nStride);
        auto nByte = static_cast<uint8_t>(
            120 + 50 * std::sin(x * 0.01 + (i % 3) + dPhase) + 30 * std::cos(y * 0.03) + (noise[i] % 5));
        if (bRandomLowestBits)
            nByte = static_cast<uint8_t>((nByte & 0xFE) | (bits[i] & 1));
        layout.aPixels[i] = nByte;
    }
    return C_ImageBytes::Bmp(layout);
}
