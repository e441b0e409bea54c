#include "tests/support/C_ImageBytes.h"

#include <algorithm>
#include <cstddef>

namespace {

void Put16(std::vector<uint8_t>& v, uint32_t n)
{
    v.push_back(static_cast<uint8_t>(n));
    v.push_back(static_cast<uint8_t>(n >> 8));
}

void Put32(std::vector<uint8_t>& v, uint32_t n)
{
    Put16(v, n);
    Put16(v, n >> 16);
}

void PutPalette(std::vector<uint8_t>& v, const std::vector<S_Rgb>& aPalette)
{
    for (const S_Rgb& c : aPalette) {
        v.push_back(c.r);
        v.push_back(c.g);
        v.push_back(c.b);
    }
}

int BitsOf(size_t nColours)
{
    int n = 1;
    while ((size_t{1} << n) < nColours)
        ++n;
    return n;
}

// LZW with literal codes only: a clear code before the table would outgrow nCodeSize + 1 bits
// (every 2^nCodeSize - 2 pixels, at most 100, unless the caller asks for a period) keeps the code
// width fixed, so no string table is needed to write it.
std::vector<uint8_t> LiteralLzw(const std::vector<uint8_t>& aPixels, int nCodeSize, size_t nClearEvery)
{
    const uint32_t nClear = 1u << nCodeSize, nEnd = nClear + 1, nWidth = static_cast<uint32_t>(nCodeSize) + 1;
    std::vector<uint8_t> aBits;
    uint32_t nAcc = 0, nAccBits = 0;
    auto put = [&](uint32_t nCode) {
        nAcc |= nCode << nAccBits;
        nAccBits += nWidth;
        while (nAccBits >= 8) {
            aBits.push_back(static_cast<uint8_t>(nAcc));
            nAcc >>= 8;
            nAccBits -= 8;
        }
    };
    const size_t nPeriod = nClearEvery ? nClearEvery : std::min<size_t>(100, nClear - 2);
    for (size_t i = 0; i < aPixels.size(); ++i) {
        if (i % nPeriod == 0)
            put(nClear);
        put(aPixels[i]);
    }
    put(nEnd);
    if (nAccBits > 0)
        aBits.push_back(static_cast<uint8_t>(nAcc));
    std::vector<uint8_t> aOut;
    aOut.push_back(static_cast<uint8_t>(nCodeSize));
    for (size_t i = 0; i < aBits.size(); i += 255) {
        const size_t n = std::min<size_t>(255, aBits.size() - i);
        aOut.push_back(static_cast<uint8_t>(n));
        aOut.insert(aOut.end(), aBits.begin() + static_cast<std::ptrdiff_t>(i),
            aBits.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    aOut.push_back(0);
    return aOut;
}

}  // namespace

std::vector<uint8_t> C_ImageBytes::Bmp(const S_BmpLayout& layout)
{
    const bool bCore = layout.nHeaderSize == 12;
    const uint32_t nMaskBytes = layout.nHeaderSize == 40 && layout.nCompression == 3 ? 12 : 0;
    const uint32_t nPalBytes = static_cast<uint32_t>(layout.aPalette.size()) * (bCore ? 3 : 4);
    const uint32_t nOff = 14 + layout.nHeaderSize + nMaskBytes + nPalBytes;
    std::vector<uint8_t> v;
    v.push_back('B');
    v.push_back('M');
    Put32(v, static_cast<uint32_t>(14 + layout.nHeaderSize + nMaskBytes + nPalBytes + layout.aPixels.size()));
    Put32(v, 0);
    Put32(v, static_cast<uint32_t>(nOff + layout.nOffBitsDelta));
    Put32(v, layout.nHeaderSize);
    if (bCore) {
        Put16(v, static_cast<uint32_t>(layout.nWidth));
        Put16(v, static_cast<uint32_t>(layout.nHeight));
        Put16(v, layout.nPlanes);
        Put16(v, layout.nBits);
    } else {
        Put32(v, static_cast<uint32_t>(layout.nWidth));
        Put32(v, static_cast<uint32_t>(layout.nHeight));
        Put16(v, layout.nPlanes);
        Put16(v, layout.nBits);
        Put32(v, layout.nCompression);
        Put32(v, static_cast<uint32_t>(layout.aPixels.size()));
        Put32(v, static_cast<uint32_t>(layout.nXPpm));
        Put32(v, static_cast<uint32_t>(layout.nYPpm));
        Put32(v, layout.nColoursUsed);
        Put32(v, 0);
        if (layout.nHeaderSize >= 52 || nMaskBytes)
            for (int i = 0; i < 3; ++i)
                Put32(v, layout.aMasks[i]);
        if (layout.nHeaderSize >= 56)
            Put32(v, layout.aMasks[3]);
        v.resize(14 + layout.nHeaderSize + nMaskBytes, 0);
    }
    for (const S_Rgb& c : layout.aPalette) {
        v.push_back(c.b);
        v.push_back(c.g);
        v.push_back(c.r);
        if (!bCore)
            v.push_back(0);
    }
    v.resize(nOff, 0);
    v.insert(v.end(), layout.aPixels.begin(), layout.aPixels.end());
    return v;
}

std::vector<uint8_t> C_ImageBytes::Pcx(const S_PcxLayout& layout)
{
    std::vector<uint8_t> v = {0x0A, layout.nVersion, layout.nEncoding, layout.nBits};
    Put16(v, layout.nXMin);
    Put16(v, layout.nYMin);
    Put16(v, static_cast<uint32_t>(layout.nXMin + layout.nWidth - 1));
    Put16(v, static_cast<uint32_t>(layout.nYMin + layout.nHeight - 1));
    Put16(v, layout.nDpiX);
    Put16(v, layout.nDpiY);
    std::vector<S_Rgb> aHead = layout.aHeaderPalette;
    aHead.resize(16);
    PutPalette(v, aHead);
    v.push_back(0);
    v.push_back(layout.nPlanes);
    Put16(v, layout.nBytesPerLine);
    Put16(v, 1);
    v.resize(128, 0);
    v.insert(v.end(), layout.aBody.begin(), layout.aBody.end());
    if (!layout.aTailPalette.empty()) {
        v.push_back(0x0C);
        std::vector<S_Rgb> aTail = layout.aTailPalette;
        aTail.resize(256);
        PutPalette(v, aTail);
    }
    return v;
}

std::vector<uint8_t> C_ImageBytes::Gif(const S_GifLayout& layout)
{
    std::vector<uint8_t> v(layout.strVersion.begin(), layout.strVersion.end());
    Put16(v, layout.nScreenWidth);
    Put16(v, layout.nScreenHeight);
    const bool bGlobal = !layout.aGlobalPalette.empty();
    v.push_back(static_cast<uint8_t>((bGlobal ? 0x80 | (BitsOf(layout.aGlobalPalette.size()) - 1) : 0) | 0x70));
    v.push_back(layout.nBackground);
    v.push_back(layout.nAspect);
    PutPalette(v, layout.aGlobalPalette);
    for (const S_GifRecord& r : layout.aRecords) {
        if (!r.bImage) {
            v.push_back('!');
            v.push_back(static_cast<uint8_t>(r.nLabel));
            for (const auto& block : r.aBlocks) {
                v.push_back(static_cast<uint8_t>(block.size()));
                v.insert(v.end(), block.begin(), block.end());
            }
            v.push_back(0);
            continue;
        }
        v.push_back(',');
        Put16(v, r.nLeft);
        Put16(v, r.nTop);
        Put16(v, r.nWidth);
        Put16(v, r.nHeight);
        const bool bLocal = !r.aLocalPalette.empty();
        v.push_back(static_cast<uint8_t>(
            (bLocal ? 0x80 | (BitsOf(r.aLocalPalette.size()) - 1) : 0) | (r.bInterlaced ? 0x40 : 0)));
        PutPalette(v, r.aLocalPalette);
        // The stream holds the rows in file order: the four interlace passes when interlaced.
        std::vector<uint8_t> aFileOrder;
        std::vector<uint32_t> aRows;
        if (r.bInterlaced) {
            const uint32_t aStart[4] = {0, 4, 2, 1}, aStep[4] = {8, 8, 4, 2};
            for (int p = 0; p < 4; ++p)
                for (uint32_t y = aStart[p]; y < r.nHeight; y += aStep[p])
                    aRows.push_back(y);
        } else {
            for (uint32_t y = 0; y < r.nHeight; ++y)
                aRows.push_back(y);
        }
        for (const uint32_t y : aRows)
            for (uint32_t x = 0; x < r.nWidth; ++x) {
                const size_t i = size_t{y} * r.nWidth + x;
                aFileOrder.push_back(i < r.aPixels.size() ? r.aPixels[i] : 0);
            }
        const size_t nColours = bLocal ? r.aLocalPalette.size() : std::max<size_t>(layout.aGlobalPalette.size(), 4);
        const int nCodeSize = r.nCodeSize ? r.nCodeSize : std::max(2, BitsOf(nColours));
        const std::vector<uint8_t> aLzw = LiteralLzw(aFileOrder, nCodeSize, r.nClearEvery);
        v.insert(v.end(), aLzw.begin(), aLzw.end());
    }
    if (layout.bTrailer)
        v.push_back(';');
    return v;
}

std::vector<uint8_t> C_ImageBytes::PcxLiteral(const std::vector<uint8_t>& aLine)
{
    std::vector<uint8_t> v;
    for (const uint8_t b : aLine) {
        if (b >= 0xC0)
            v.push_back(0xC1);
        v.push_back(b);
    }
    return v;
}

std::vector<uint8_t> C_ImageBytes::PcxRle(const std::vector<uint8_t>& aLine)
{
    std::vector<uint8_t> v;
    for (size_t i = 0; i < aLine.size();) {
        size_t nRun = 1;
        while (i + nRun < aLine.size() && nRun < 63 && aLine[i + nRun] == aLine[i])
            ++nRun;
        if (nRun > 1 || aLine[i] >= 0xC0)
            v.push_back(static_cast<uint8_t>(0xC0 | nRun));
        v.push_back(aLine[i]);
        i += nRun;
    }
    return v;
}

std::vector<uint8_t> C_ImageBytes::Pattern(size_t n, uint8_t nSeed)
{
    std::vector<uint8_t> v(n);
    uint32_t x = 0x9E3779B9u ^ nSeed;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        v[i] = static_cast<uint8_t>(x >> 16);
    }
    return v;
}

std::vector<S_Rgb> C_ImageBytes::Palette(size_t n, uint8_t nSeed)
{
    const std::vector<uint8_t> b = Pattern(3 * n, nSeed);
    std::vector<S_Rgb> p(n);
    for (size_t i = 0; i < n; ++i)
        p[i] = S_Rgb{b[3 * i], b[3 * i + 1], b[3 * i + 2]};
    return p;
}

uint32_t C_ImageBytes::U32(const std::vector<uint8_t>& v, size_t nAt)
{
    return static_cast<uint32_t>(v.at(nAt) | v.at(nAt + 1) << 8 | v.at(nAt + 2) << 16)
        | static_cast<uint32_t>(v.at(nAt + 3)) << 24;
}

uint16_t C_ImageBytes::U16(const std::vector<uint8_t>& v, size_t nAt)
{
    return static_cast<uint16_t>(v.at(nAt) | v.at(nAt + 1) << 8);
}
