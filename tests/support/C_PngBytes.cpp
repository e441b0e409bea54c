#include "tests/support/C_PngBytes.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <stdexcept>

namespace {

void Append(png_structp png, png_bytep pData, size_t nCount)
{
    auto* pOut = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    pOut->insert(pOut->end(), pData, pData + nCount);
}

void NoFlush(png_structp)
{ }

uint32_t BigEndian(const uint8_t* p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t n)
{
    for (int nShift = 24; nShift >= 0; nShift -= 8)
        out.push_back(static_cast<uint8_t>(n >> nShift));
}

// Only trivially destructible locals live here: libpng leaves it by longjmp on a failure.
bool Write(png_structp png, png_infop info, uint32_t nWidth, uint32_t nHeight, int nType, int nDepth, bool bInterlaced,
    const png_color* pPalette, int nPalette, png_bytepp ppRows, std::vector<uint8_t>* pOut)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, pOut, Append, NoFlush);
    png_set_IHDR(png, info, nWidth, nHeight, nDepth, nType, bInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (nPalette > 0)
        png_set_PLTE(png, info, pPalette, nPalette);
    png_write_info(png, info);
    png_write_image(png, ppRows);
    png_write_end(png, info);
    return true;
}

}  // namespace

std::vector<uint8_t> C_PngBytes::Make(uint32_t nWidth, uint32_t nHeight, int nColourType, int nBitDepth,
    bool bInterlaced, const std::vector<uint8_t>& rows, const std::vector<S_Rgb>& palette)
{
    std::vector<png_color> aPalette;
    for (const S_Rgb& c : palette)
        aPalette.push_back(png_color{c.r, c.g, c.b});
    const size_t nRowBytes = nHeight == 0 ? 0 : rows.size() / nHeight;
    std::vector<png_bytep> aRows;
    std::vector<uint8_t> aCopy = rows;
    for (uint32_t y = 0; y < nHeight; ++y)
        aRows.push_back(aCopy.data() + y * nRowBytes);
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const bool bOk = Write(png, info, nWidth, nHeight, nColourType, nBitDepth, bInterlaced, aPalette.data(),
        static_cast<int>(aPalette.size()), aRows.data(), &out);
    png_destroy_write_struct(&png, &info);
    if (!bOk)
        throw std::runtime_error("libpng refused the test picture");
    return out;
}

std::vector<S_RawChunk> C_PngBytes::Chunks(const std::vector<uint8_t>& png)
{
    std::vector<S_RawChunk> chunks;
    size_t nPos = 8;
    while (nPos + 12 <= png.size()) {
        const uint32_t nLength = BigEndian(&png[nPos]);
        if (nLength > png.size() - nPos - 12)
            return {};
        S_RawChunk chunk;
        chunk.strName.assign(reinterpret_cast<const char*>(&png[nPos + 4]), 4);
        chunk.aData.assign(png.begin() + static_cast<std::ptrdiff_t>(nPos + 8),
            png.begin() + static_cast<std::ptrdiff_t>(nPos + 8 + nLength));
        chunks.push_back(std::move(chunk));
        nPos += 12 + nLength;
    }
    return chunks;
}

std::vector<uint8_t> C_PngBytes::Join(const std::vector<S_RawChunk>& chunks)
{
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const S_RawChunk& chunk : chunks) {
        PutBigEndian(out, static_cast<uint32_t>(chunk.aData.size()));
        const size_t nStart = out.size();
        out.insert(out.end(), chunk.strName.begin(), chunk.strName.end());
        out.insert(out.end(), chunk.aData.begin(), chunk.aData.end());
        PutBigEndian(out, static_cast<uint32_t>(crc32(0, out.data() + nStart, static_cast<uInt>(out.size() - nStart))));
    }
    return out;
}

size_t C_PngBytes::Find(const std::vector<S_RawChunk>& chunks, const std::string& strName)
{
    for (size_t i = 0; i < chunks.size(); ++i)
        if (chunks[i].strName == strName)
            return i;
    return chunks.size();
}

S_RawChunk C_PngBytes::Chunk(const std::string& strName, const std::string& strData)
{
    return S_RawChunk{strName, std::vector<uint8_t>(strData.begin(), strData.end())};
}
