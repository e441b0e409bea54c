#include "model/pictures/bmp/C_BmpCodec.h"

#include "model/pictures/C_CheckedSize.h"
#include "model/pictures/C_DefaultColours.h"
#include "model/pictures/C_LittleEndian.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using LE = C_LittleEndian;

constexpr uint32_t kFileHeader = 14;
constexpr uint32_t kCoreHeader = 12;
constexpr uint32_t kInfoHeader = 40;
constexpr uint32_t kV4Header = 108;
constexpr uint32_t kMaxHeader = 124;

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3 };

constexpr uint32_t kLcsSrgb = 0x73524742;  // 'sRGB'

bool IsKnownHeaderSize(uint32_t n)
{
    return n == kCoreHeader || n == kInfoHeader || n == 52 || n == 56 || n == kV4Header || n == kMaxHeader;
}

// The file and info headers (and the masks that may follow a 40-byte one), checked.
struct S_BmpHeader {
    uint32_t nOffBits = 0;     // file offset of the pixel array; within the file
    uint32_t nHeaderSize = 0;  // the info header's, 12 for the OS/2 core header
    uint32_t nMaskBytes = 0;   // 12 when the masks follow a 40-byte header, else 0
    bool bCore = false;
    int64_t nWidth = 0, nHeight = 0;  // pixels, both positive
    bool bBottomUp = false;           // the file's height was positive
    uint32_t nBits = 0, nCompression = kBiRgb, nColoursUsed = 0;
    bool bRle = false;
    int32_t nXPelsPerMeter = 0, nYPelsPerMeter = 0;
    uint32_t aMasks[4] = {0, 0, 0, 0};  // the file's, or the BI_RGB layout's for 16 and 32 bits
    bool bHadMasks = false;             // BI_BITFIELDS

    uint64_t PaletteStart() const { return kFileHeader + uint64_t{nHeaderSize} + nMaskBytes; }
};

// Colour masks: inside headers of 52 bytes and more, after a 40-byte one. pInfo holds the info
// header read so far, with room for 12 bytes more.
bool ReadMasks(C_ByteSource& src, uint8_t* pInfo, S_BmpHeader& hdr, C_ImageError& err)
{
    const uint8_t* pMasks = pInfo + kInfoHeader;
    if (hdr.nHeaderSize == kInfoHeader) {
        hdr.nMaskBytes = 12;
        if (!src.Read(kFileHeader + kInfoHeader, pInfo + kInfoHeader, hdr.nMaskBytes))
            return err.Set(E_ImageError::Truncated, "colour masks");
    }
    for (int i = 0; i < 3; ++i)
        hdr.aMasks[i] = LE::U32(pMasks + 4 * i);
    if (hdr.nHeaderSize >= 56)
        hdr.aMasks[3] = LE::U32(pMasks + 12);
    if (hdr.aMasks[0] == 0 && hdr.aMasks[1] == 0 && hdr.aMasks[2] == 0)
        return err.Set(E_ImageError::BadHeader, "empty colour masks");
    hdr.bHadMasks = true;
    return true;
}

// Reads the headers from src; every field is checked before anything is sized from it.
bool ParseHeader(C_ByteSource& src, S_BmpHeader& hdr, C_ImageError& err)
{
    uint8_t aHead[kFileHeader + kMaxHeader + 12] = {};
    if (!src.Read(0, aHead, kFileHeader + 4))
        return err.Set(E_ImageError::Truncated, "file header");
    if (!C_BmpCodec::IsBmp(aHead))
        return err.Set(E_ImageError::UnknownFormat);
    hdr.nOffBits = LE::U32(aHead + 10);
    hdr.nHeaderSize = LE::U32(aHead + 14);
    if (!IsKnownHeaderSize(hdr.nHeaderSize))
        return err.Set(E_ImageError::BadHeader, "header size " + std::to_string(hdr.nHeaderSize));
    if (!src.Read(kFileHeader, aHead + kFileHeader, hdr.nHeaderSize))
        return err.Set(E_ImageError::Truncated, "info header");
    const uint8_t* h = aHead + kFileHeader;
    hdr.bCore = hdr.nHeaderSize == kCoreHeader;

    uint32_t nPlanes = 0;
    if (hdr.bCore) {
        hdr.nWidth = LE::U16(h + 4);
        hdr.nHeight = LE::U16(h + 6);
        nPlanes = LE::U16(h + 8);
        hdr.nBits = LE::U16(h + 10);
    } else {
        hdr.nWidth = LE::I32(h + 4);
        hdr.nHeight = LE::I32(h + 8);
        nPlanes = LE::U16(h + 12);
        hdr.nBits = LE::U16(h + 14);
        hdr.nCompression = LE::U32(h + 16);
        hdr.nXPelsPerMeter = LE::I32(h + 24);
        hdr.nYPelsPerMeter = LE::I32(h + 28);
        hdr.nColoursUsed = LE::U32(h + 32);
    }
    if (nPlanes != 1)
        return err.Set(E_ImageError::BadHeader, "planes " + std::to_string(nPlanes));
    if (hdr.nWidth <= 0 || hdr.nHeight == 0 || hdr.nHeight == INT32_MIN)
        return err.Set(
            E_ImageError::BadHeader, "size " + std::to_string(hdr.nWidth) + "x" + std::to_string(hdr.nHeight));
    hdr.bBottomUp = hdr.nHeight > 0;
    hdr.nHeight = hdr.nHeight < 0 ? -hdr.nHeight : hdr.nHeight;

    const uint32_t nBits = hdr.nBits;
    const uint32_t nCompression = hdr.nCompression;
    const bool bDepthOk = hdr.bCore
        ? (nBits == 1 || nBits == 4 || nBits == 8 || nBits == 24)
        : (nBits == 1 || nBits == 4 || nBits == 8 || nBits == 16 || nBits == 24 || nBits == 32);
    if (!bDepthOk)
        return err.Set(E_ImageError::BadDepth, std::to_string(nBits) + " bits");
    hdr.bRle = nCompression == kBiRle8 || nCompression == kBiRle4;
    if ((nCompression == kBiRle8 && nBits != 8) || (nCompression == kBiRle4 && nBits != 4)
        || (nCompression == kBiBitfields && nBits != 16 && nBits != 32) || nCompression > kBiBitfields)
        return err.Set(E_ImageError::BadCompression,
            "method " + std::to_string(nCompression) + " at " + std::to_string(nBits) + " bits");
    if (hdr.bRle && !hdr.bBottomUp)
        return err.Set(E_ImageError::BadCompression, "top-down RLE");

    if (nCompression == kBiBitfields) {
        if (!ReadMasks(src, aHead + kFileHeader, hdr, err))
            return false;
    } else if (nBits == 16 || nBits == 32) {
        std::copy_n(C_DefaultColours::RgbMasks(static_cast<int>(nBits)), 3, hdr.aMasks);
    }

    if (hdr.nOffBits < hdr.PaletteStart())
        return err.Set(E_ImageError::BadHeader, "pixel data offset " + std::to_string(hdr.nOffBits));
    if (hdr.nOffBits > src.Size())
        return err.Set(E_ImageError::Truncated, "pixel data offset past the end");
    return true;
}

// A palette may be shorter than the depth allows, but not longer than the gap before the pixels.
bool ReadPalette(C_ByteSource& src, const S_BmpHeader& hdr, std::vector<S_Rgb>& aPalette, C_ImageError& err)
{
    const uint32_t nEntry = hdr.bCore ? 3 : 4;
    const uint32_t nFull = 1u << hdr.nBits;
    uint64_t nCount = (hdr.bCore || hdr.nColoursUsed == 0) ? nFull : std::min(hdr.nColoursUsed, nFull);
    nCount = std::min<uint64_t>(nCount, (hdr.nOffBits - hdr.PaletteStart()) / nEntry);
    if (nCount == 0)
        return err.Set(E_ImageError::BadPalette, "no palette");
    uint8_t aPal[256 * 4];
    if (!src.Read(hdr.PaletteStart(), aPal, static_cast<size_t>(nCount * nEntry)))
        return err.Set(E_ImageError::Truncated, "palette");
    aPalette.resize(static_cast<size_t>(nCount));
    for (size_t i = 0; i < nCount; ++i) {
        const uint8_t* p = aPal + i * nEntry;
        aPalette[i] = S_Rgb{p[2], p[1], p[0]};
    }
    return true;
}

// The pixel buffer's size: within the hard cap, held by the file when uncompressed, and
// consented to when it expands far beyond the file, in that order.
bool CheckSize(const S_BmpHeader& hdr, uint64_t nFileSize, const C_DecodeLimit& limit, uint64_t& nStride,
    uint64_t& nTotal, C_ImageError& err)
{
    C_CheckedSize total = C_CheckedSize::RowBytes(static_cast<uint64_t>(hdr.nWidth), hdr.nBits, 4);
    nStride = total.Get();
    total.Mul(static_cast<uint64_t>(hdr.nHeight));
    const std::string strSize =
        std::to_string(hdr.nWidth) + "x" + std::to_string(hdr.nHeight) + "x" + std::to_string(hdr.nBits);
    if (!total.FitsIn(limit.GetMaxBytes()))
        return err.Set(E_ImageError::TooLarge, strSize);
    nTotal = total.Get();
    // An uncompressed file must hold every byte: one that does not is truncated, whatever its size.
    if (!hdr.bRle && nTotal > nFileSize - hdr.nOffBits)
        return err.Set(E_ImageError::Truncated);
    return limit.Admit(nTotal, err, strSize);
}

}  // namespace

bool C_BmpCodec::IsBmp(std::span<const uint8_t> head)
{
    return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
}

bool C_BmpCodec::Decode(C_ByteSource& src, const C_DecodeLimit& limit, BTCImageData& out, C_ImageError& err)
{
    S_BmpHeader hdr;
    if (!ParseHeader(src, hdr, err))
        return false;
    if (hdr.nBits <= 8 && !ReadPalette(src, hdr, out.m_aPalette, err))
        return false;
    uint64_t nStride = 0, nTotal = 0;
    if (!CheckSize(hdr, src.Size(), limit, nStride, nTotal, err))
        return false;

    out.m_nWidth = static_cast<int32_t>(hdr.nWidth);
    out.m_nHeight = static_cast<int32_t>(hdr.nHeight);
    out.m_nBitsPerPixel = static_cast<int>(hdr.nBits);
    out.m_nStride = static_cast<uint32_t>(nStride);
    out.m_nRowAlign = 4;
    out.m_bBottomUp = hdr.bBottomUp;
    out.m_nXPelsPerMeter = hdr.nXPelsPerMeter;
    out.m_nYPelsPerMeter = hdr.nYPelsPerMeter;
    std::copy(std::begin(hdr.aMasks), std::end(hdr.aMasks), out.m_aMasks);
    out.m_bHadMasks = hdr.bHadMasks;
    out.m_eSourceFormat = E_ImageFormat::Bmp;

    if (!hdr.bRle) {
        // One read, straight into the pixel buffer.
        out.m_aBits.resize(static_cast<size_t>(nTotal));
        if (!src.Read(hdr.nOffBits, out.m_aBits.data(), out.m_aBits.size()))
            return err.Set(E_ImageError::CannotRead, src.GetError());
        return true;
    }

    std::vector<uint8_t> aRle;
    if (!src.ReadRest(hdr.nOffBits, aRle))
        return err.Set(E_ImageError::CannotRead, src.GetError());
    out.m_aBits.assign(static_cast<size_t>(nTotal), 0);
    return DecodeRle(aRle, static_cast<int>(hdr.nBits), out, err);
}

bool C_BmpCodec::DecodeRle(std::span<const uint8_t> rle, int nBits, BTCImageData& out, C_ImageError& err)
{
    const auto nWidth = static_cast<uint32_t>(out.m_nWidth);
    const auto nHeight = static_cast<uint32_t>(out.m_nHeight);
    const bool b8 = nBits == 8;
    // Rows come bottom first, as the buffer stores them; pixels never leave their row.
    auto put = [&](uint32_t x, uint32_t y, uint8_t v) {
        uint8_t* pRow = out.m_aBits.data() + static_cast<size_t>(y) * out.m_nStride;
        if (b8)
            pRow[x] = v;
        else if (x % 2 == 0)
            pRow[x / 2] = static_cast<uint8_t>((pRow[x / 2] & 0x0F) | v << 4);
        else
            pRow[x / 2] = static_cast<uint8_t>((pRow[x / 2] & 0xF0) | (v & 0x0F));
    };

    size_t i = 0;
    uint32_t x = 0, y = 0;
    for (;;) {
        if (rle.size() - i < 2) {
            if (y >= nHeight)
                return true;  // every row ended; only the end-of-bitmap mark is missing
            return err.Set(E_ImageError::Truncated, "RLE data ends early");
        }
        const uint8_t a = rle[i], b = rle[i + 1];
        i += 2;
        if (a > 0) {
            if (y >= nHeight || a > nWidth - x)
                return err.Set(E_ImageError::BadRle, "run leaves the row");
            for (uint32_t k = 0; k < a; ++k)
                put(x + k, y, b8 ? b : static_cast<uint8_t>(k % 2 == 0 ? b >> 4 : b & 0x0F));
            x += a;
            continue;
        }
        switch (b) {
        case 0:  // end of line
            x = 0;
            if (++y > nHeight)
                return err.Set(E_ImageError::BadRle, "line end past the last row");
            break;
        case 1:  // end of bitmap; the rest stays index 0
            return true;
        case 2: {  // delta
            if (rle.size() - i < 2)
                return err.Set(E_ImageError::Truncated, "RLE delta");
            const uint32_t dx = rle[i], dy = rle[i + 1];
            i += 2;
            if (dx > nWidth - x || dy > nHeight - y)
                return err.Set(E_ImageError::BadRle, "delta leaves the picture");
            x += dx;
            y += dy;
            break;
        }
        default: {  // absolute run of b pixels, padded to a 16-bit boundary
            const uint32_t nBytes = b8 ? b : (b + 1u) / 2u;
            if (y >= nHeight || b > nWidth - x)
                return err.Set(E_ImageError::BadRle, "absolute run leaves the row");
            if (rle.size() - i < nBytes)
                return err.Set(E_ImageError::Truncated, "RLE absolute run");
            for (uint32_t k = 0; k < b; ++k) {
                const uint8_t v =
                    b8 ? rle[i + k] : static_cast<uint8_t>(k % 2 == 0 ? rle[i + k / 2] >> 4 : rle[i + k / 2] & 0x0F);
                put(x + k, y, v);
            }
            x += b;
            i += std::min<size_t>(nBytes + (nBytes & 1u), rle.size() - i);
            break;
        }
        }
    }
}

bool C_BmpCodec::Encode(const BTCImageData& data, C_ByteSink& sink, C_ImageError& err)
{
    const int nBits = data.m_nBitsPerPixel;
    if (nBits != 1 && nBits != 4 && nBits != 8 && nBits != 16 && nBits != 24 && nBits != 32)
        return err.Set(E_ImageError::BadLayout, std::to_string(nBits) + " bits");
    if (data.m_nWidth <= 0 || data.m_nHeight <= 0)
        return err.Set(E_ImageError::BadLayout, "size");
    C_CheckedSize total =
        C_CheckedSize::RowBytes(static_cast<uint64_t>(data.m_nWidth), static_cast<uint64_t>(nBits), 4);
    if (total.Get() != data.m_nStride)
        return err.Set(E_ImageError::BadLayout, "stride");
    total.Mul(static_cast<uint64_t>(data.m_nHeight));
    if (!total.IsValid() || total.Get() != data.m_aBits.size())
        return err.Set(E_ImageError::BadLayout, "byte count");
    const size_t nColours = nBits <= 8 ? data.m_aPalette.size() : 0;
    if (nBits <= 8 && (nColours == 0 || nColours > (1u << nBits)))
        return err.Set(E_ImageError::BadLayout, "palette of " + std::to_string(nColours));

    const bool bBitfields = data.m_bHadMasks && (nBits == 16 || nBits == 32);
    // An alpha mask needs a V4 header; plain masks follow a 40-byte one.
    const bool bV4 = bBitfields && data.m_aMasks[3] != 0;
    const uint32_t nHeaderSize = bV4 ? kV4Header : kInfoHeader;
    const uint32_t nMaskBytes = bBitfields && !bV4 ? 12 : 0;
    const uint32_t nOffBits = kFileHeader + nHeaderSize + nMaskBytes + 4 * static_cast<uint32_t>(nColours);
    C_CheckedSize fileSize(total);
    fileSize.Add(nOffBits);
    if (!fileSize.FitsIn(UINT32_MAX))
        return err.Set(E_ImageError::CannotEncode, "BMP file would reach 4 GiB");

    std::vector<uint8_t> aHead(nOffBits, 0);
    uint8_t* p = aHead.data();
    p[0] = 'B';
    p[1] = 'M';
    LE::Put32(p + 2, static_cast<uint32_t>(fileSize.Get()));
    LE::Put32(p + 10, nOffBits);
    uint8_t* h = p + kFileHeader;
    LE::Put32(h, nHeaderSize);
    LE::Put32(h + 4, static_cast<uint32_t>(data.m_nWidth));
    LE::Put32(h + 8, static_cast<uint32_t>(data.m_bBottomUp ? data.m_nHeight : -data.m_nHeight));
    LE::Put16(h + 12, 1);
    LE::Put16(h + 14, static_cast<uint32_t>(nBits));
    LE::Put32(h + 16, bBitfields ? kBiBitfields : kBiRgb);
    LE::Put32(h + 20, static_cast<uint32_t>(total.Get()));
    LE::Put32(h + 24, static_cast<uint32_t>(data.m_nXPelsPerMeter));
    LE::Put32(h + 28, static_cast<uint32_t>(data.m_nYPelsPerMeter));
    LE::Put32(h + 32, nBits <= 8 && nColours < (1u << nBits) ? static_cast<uint32_t>(nColours) : 0);
    if (bBitfields) {
        for (int i = 0; i < (bV4 ? 4 : 3); ++i)
            LE::Put32(h + kInfoHeader + 4 * i, data.m_aMasks[i]);
        if (bV4)
            LE::Put32(h + 56, kLcsSrgb);
    }
    uint8_t* pPal = h + nHeaderSize + nMaskBytes;
    for (size_t i = 0; i < nColours; ++i) {
        const S_Rgb& c = data.m_aPalette[i];
        pPal[4 * i] = c.b;
        pPal[4 * i + 1] = c.g;
        pPal[4 * i + 2] = c.r;
    }
    // The pixel buffer goes out as it is: one write, no per-pixel work.
    if (!sink.Write(aHead.data(), aHead.size()) || !sink.Write(data.m_aBits.data(), data.m_aBits.size()))
        return err.Set(E_ImageError::CannotWrite);
    return true;
}

bool C_BmpCodec::HoldsLayout(const BTCImageData& data)
{
    const int nBits = data.m_nBitsPerPixel;
    const size_t nColours = data.m_aPalette.size();
    const bool bDepth = nBits == 1 || nBits == 4 || nBits == 8 || nBits == 16 || nBits == 24 || nBits == 32;
    if (!bDepth || (nBits <= 8 && (nColours == 0 || nColours > (1u << nBits))))
        return false;
    return data.m_nStride
        == C_CheckedSize::RowBytes(static_cast<uint64_t>(data.m_nWidth), static_cast<uint64_t>(nBits), 4).Get();
}
