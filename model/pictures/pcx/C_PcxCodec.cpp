#include "model/pictures/pcx/C_PcxCodec.h"

#include "model/pictures/C_CheckedSize.h"
#include "model/pictures/C_DefaultColours.h"
#include "model/pictures/C_LittleEndian.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using LE = C_LittleEndian;

constexpr uint8_t kManufacturer = 0x0A;
constexpr uint8_t kPaletteMark = 0x0C;
constexpr size_t kTailPalette = 1 + 768;
constexpr uint64_t kMaxRun = 63;  // a run byte holds at most 63 repeats

// The fixed EGA colours of versions 0 and 3, which store no palette of their own.
constexpr uint8_t kEga[16][3] = {
    {0, 0, 0},
    {0, 0, 170},
    {0, 170, 0},
    {0, 170, 170},
    {170, 0, 0},
    {170, 0, 170},
    {170, 85, 0},
    {170, 170, 170},
    {85, 85, 85},
    {85, 85, 255},
    {85, 255, 85},
    {85, 255, 255},
    {255, 85, 85},
    {255, 85, 255},
    {255, 255, 85},
    {255, 255, 255},
};

struct S_PcxHeader {
    uint32_t nVersion = 0, nEncoding = 0, nBits = 0, nPlanes = 0, nBytesPerLine = 0;
    uint32_t nWidth = 0, nHeight = 0;
    uint32_t nDpiX = 0, nDpiY = 0;
    bool bTrueColour = false;
};

bool ParseHeader(std::span<const uint8_t> head, S_PcxHeader& hdr, C_ImageError& err)
{
    if (head.size() < C_PcxCodec::kHeaderSize)
        return err.Set(E_ImageError::Truncated, "PCX header");
    const uint8_t* h = head.data();
    if (h[0] != kManufacturer)
        return err.Set(E_ImageError::UnknownFormat);
    hdr.nVersion = h[1];
    if (hdr.nVersion != 0 && hdr.nVersion != 2 && hdr.nVersion != 3 && hdr.nVersion != 4 && hdr.nVersion != 5)
        return err.Set(E_ImageError::BadHeader, "version " + std::to_string(hdr.nVersion));
    hdr.nEncoding = h[2];
    if (hdr.nEncoding > 1)
        return err.Set(E_ImageError::BadCompression, "encoding " + std::to_string(hdr.nEncoding));
    hdr.nBits = h[3];
    hdr.nPlanes = h[65];
    if (hdr.nBits != 1 && hdr.nBits != 2 && hdr.nBits != 4 && hdr.nBits != 8)
        return err.Set(E_ImageError::BadDepth, std::to_string(hdr.nBits) + " bits");
    hdr.bTrueColour = hdr.nBits == 8 && hdr.nPlanes == 3;
    if (hdr.nPlanes < 1 || hdr.nPlanes > 4 || (hdr.nBits * hdr.nPlanes > 8 && !hdr.bTrueColour))
        return err.Set(
            E_ImageError::BadDepth, std::to_string(hdr.nBits) + " bits in " + std::to_string(hdr.nPlanes) + " planes");
    const uint32_t nXMin = LE::U16(h + 4), nYMin = LE::U16(h + 6), nXMax = LE::U16(h + 8), nYMax = LE::U16(h + 10);
    if (nXMax < nXMin || nYMax < nYMin)
        return err.Set(E_ImageError::BadHeader, "window");
    hdr.nWidth = nXMax - nXMin + 1;
    hdr.nHeight = nYMax - nYMin + 1;
    hdr.nDpiX = LE::U16(h + 12);
    hdr.nDpiY = LE::U16(h + 14);
    hdr.nBytesPerLine = LE::U16(h + 66);
    if (hdr.nBytesPerLine < C_CheckedSize::RowBytes(hdr.nWidth, hdr.nBits, 1).Get())
        return err.Set(E_ImageError::BadHeader, "bytes per line " + std::to_string(hdr.nBytesPerLine));
    return true;
}

int32_t DpiToPelsPerMeter(uint32_t nDpi)
{
    return static_cast<int32_t>((nDpi * 10000u + 127u) / 254u);
}

uint32_t PelsPerMeterToDpi(int32_t nPpm)
{
    if (nPpm <= 0)
        return 0;
    return static_cast<uint32_t>(std::min<int64_t>((int64_t{nPpm} * 254 + 5000) / 10000, 65535));
}

// Expands PCX RLE into scan lines. A run may continue from one line into the next (some
// writers do that across planes), but not past the last line.
class C_PcxRleReader {
public:
    C_PcxRleReader(std::span<const uint8_t> data, bool bRle)
        : m_data(data)
        , m_bRle(bRle)
    { }

    bool Fill(uint8_t* pOut, size_t nCount)
    {
        if (!m_bRle) {
            if (m_data.size() - m_nPos < nCount)
                return false;
            std::copy_n(m_data.data() + m_nPos, nCount, pOut);
            m_nPos += nCount;
            return true;
        }
        size_t n = 0;
        while (n < nCount) {
            if (m_nRun == 0) {
                if (m_nPos >= m_data.size())
                    return false;
                const uint8_t c = m_data[m_nPos++];
                if ((c & 0xC0) == 0xC0) {
                    if (m_nPos >= m_data.size())
                        return false;
                    m_nRun = c & 0x3F;
                    m_nValue = m_data[m_nPos++];
                } else {
                    m_nRun = 1;
                    m_nValue = c;
                }
                continue;
            }
            const size_t nTake = std::min<size_t>(m_nRun, nCount - n);
            std::fill_n(pOut + n, nTake, m_nValue);
            n += nTake;
            m_nRun -= static_cast<uint32_t>(nTake);
        }
        return true;
    }
    // A run that reaches past the picture's last line.
    bool HasLeftover() const { return m_nRun != 0; }

private:
    std::span<const uint8_t> m_data;
    bool m_bRle;
    size_t m_nPos = 0;
    uint32_t m_nRun = 0;
    uint8_t m_nValue = 0;
};

}  // namespace

bool C_PcxCodec::IsPcx(std::span<const uint8_t> head)
{
    S_PcxHeader hdr;
    C_ImageError err;
    return ParseHeader(head, hdr, err);
}

bool C_PcxCodec::Decode(C_ByteSource& src, const C_DecodeLimit& limit, BTCImageData& out, C_ImageError& err)
{
    std::vector<uint8_t> aFile;
    if (!src.ReadRest(0, aFile))
        return err.Set(E_ImageError::CannotRead, src.GetError());
    S_PcxHeader hdr;
    if (!ParseHeader(aFile, hdr, err))
        return false;

    const uint32_t nIndexBits = hdr.nBits * hdr.nPlanes;
    size_t nDataEnd = aFile.size();
    std::vector<S_Rgb> aPalette;
    if (!hdr.bTrueColour) {
        aPalette.resize(256);
        if (nIndexBits == 8) {
            // The 256-colour palette sits in the last 769 bytes behind its mark; without it the
            // indices are taken as gray levels.
            if (aFile.size() >= kHeaderSize + kTailPalette && aFile[aFile.size() - kTailPalette] == kPaletteMark) {
                nDataEnd = aFile.size() - kTailPalette;
                const uint8_t* p = aFile.data() + nDataEnd + 1;
                for (size_t i = 0; i < 256; ++i)
                    aPalette[i] = S_Rgb{p[3 * i], p[3 * i + 1], p[3 * i + 2]};
            } else {
                aPalette = C_DefaultColours::GrayRamp();
            }
        } else if (nIndexBits == 1) {
            aPalette[1] = S_Rgb{255, 255, 255};
        } else {
            // The header holds 16 colours (and the fixed EGA table has 16); a 5- to 7-bit index
            // (2 bits in 3 planes) finds black past them.
            const bool bFixed = hdr.nVersion == 0 || hdr.nVersion == 3;
            for (size_t i = 0; i < std::min<size_t>(size_t{1} << nIndexBits, 16); ++i) {
                const uint8_t* p = bFixed ? kEga[i] : aFile.data() + 16 + 3 * i;
                aPalette[i] = S_Rgb{p[0], p[1], p[2]};
            }
        }
    }

    // The encoded lines must be able to hold what the header promises before anything is sized
    // from it: RLE turns two bytes into at most 63.
    const uint64_t nLineBytes = uint64_t{hdr.nPlanes} * hdr.nBytesPerLine;
    C_CheckedSize raw(nLineBytes);
    raw.Mul(hdr.nHeight);
    C_CheckedSize available(nDataEnd - kHeaderSize);
    if (hdr.nEncoding == 1)
        available.Mul(kMaxRun);
    if (!raw.IsValid() || raw.Get() > available.Get())
        return err.Set(E_ImageError::Truncated);

    const uint32_t nOutPixel = hdr.bTrueColour ? 3 : 1;
    C_CheckedSize total(hdr.nWidth);
    total.Mul(nOutPixel);
    const uint64_t nStride = total.Get();
    total.Mul(hdr.nHeight);
    if (!limit.Admit(total.Get(), err, std::to_string(hdr.nWidth) + "x" + std::to_string(hdr.nHeight)))
        return false;

    out.m_aBits.resize(static_cast<size_t>(total.Get()));
    std::vector<uint8_t> aLine(static_cast<size_t>(nLineBytes));
    C_PcxRleReader reader(
        std::span<const uint8_t>(aFile).subspan(kHeaderSize, nDataEnd - kHeaderSize), hdr.nEncoding == 1);
    const uint32_t nBpl = hdr.nBytesPerLine;
    const uint32_t nMask = (1u << hdr.nBits) - 1u;
    for (uint32_t y = 0; y < hdr.nHeight; ++y) {
        if (!reader.Fill(aLine.data(), aLine.size()))
            return err.Set(E_ImageError::Truncated, "line " + std::to_string(y));
        uint8_t* pOut = out.m_aBits.data() + y * nStride;
        if (hdr.bTrueColour) {
            // Planes are red, green, blue; the picture stores blue, green, red.
            for (uint32_t x = 0; x < hdr.nWidth; ++x) {
                pOut[3 * x] = aLine[2 * nBpl + x];
                pOut[3 * x + 1] = aLine[nBpl + x];
                pOut[3 * x + 2] = aLine[x];
            }
            continue;
        }
        // Plane p holds bits p * bits .. of each index, leftmost pixel in the high bits.
        for (uint32_t x = 0; x < hdr.nWidth; ++x) {
            const uint32_t nBit = x * hdr.nBits;
            const uint32_t nShift = 8 - hdr.nBits - nBit % 8;
            uint32_t nIndex = 0;
            for (uint32_t p = 0; p < hdr.nPlanes; ++p)
                nIndex |= ((aLine[p * nBpl + nBit / 8] >> nShift) & nMask) << (p * hdr.nBits);
            pOut[x] = static_cast<uint8_t>(nIndex);
        }
    }
    if (reader.HasLeftover())
        return err.Set(E_ImageError::BadRle, "run past the last line");

    out.m_nWidth = static_cast<int32_t>(hdr.nWidth);
    out.m_nHeight = static_cast<int32_t>(hdr.nHeight);
    out.m_nBitsPerPixel = hdr.bTrueColour ? 24 : 8;
    out.m_nStride = static_cast<uint32_t>(nStride);
    out.m_bBottomUp = false;
    out.m_aPalette = std::move(aPalette);
    out.m_nXPelsPerMeter = DpiToPelsPerMeter(hdr.nDpiX);
    out.m_nYPelsPerMeter = DpiToPelsPerMeter(hdr.nDpiY);
    out.m_eSourceFormat = E_ImageFormat::Pcx;
    return true;
}

bool C_PcxCodec::Encode(const BTCImageData& data, C_ByteSink& sink, C_ImageError& err)
{
    const bool bTrueColour = data.m_nBitsPerPixel == 24;
    if ((data.m_nBitsPerPixel != 8 && !bTrueColour) || data.m_bBottomUp || data.m_nWidth <= 0 || data.m_nHeight <= 0)
        return err.Set(E_ImageError::BadLayout, "not a PCX layout");
    const auto nWidth = static_cast<uint32_t>(data.m_nWidth);
    const auto nHeight = static_cast<uint32_t>(data.m_nHeight);
    const uint32_t nPlanes = bTrueColour ? 3 : 1;
    C_CheckedSize total(nWidth);
    total.Mul(nPlanes);
    if (total.Get() != data.m_nStride || !total.Mul(nHeight).IsValid() || total.Get() != data.m_aBits.size())
        return err.Set(E_ImageError::BadLayout, "byte count");
    if (!bTrueColour && (data.m_aPalette.empty() || data.m_aPalette.size() > 256))
        return err.Set(E_ImageError::BadLayout, "palette");
    // The window is 16-bit and so are the (even) bytes per line.
    const uint32_t nBpl = nWidth + (nWidth & 1u);
    if (nBpl > 0xFFFF || nHeight > 0x10000)
        return err.Set(E_ImageError::CannotEncode, "PCX holds at most 65534 x 65536 pixels");

    uint8_t aHead[kHeaderSize] = {};
    aHead[0] = kManufacturer;
    aHead[1] = 5;
    aHead[2] = 1;
    aHead[3] = 8;
    LE::Put16(aHead + 8, nWidth - 1);
    LE::Put16(aHead + 10, nHeight - 1);
    LE::Put16(aHead + 12, PelsPerMeterToDpi(data.m_nXPelsPerMeter));
    LE::Put16(aHead + 14, PelsPerMeterToDpi(data.m_nYPelsPerMeter));
    if (!bTrueColour) {
        for (size_t i = 0; i < 16 && i < data.m_aPalette.size(); ++i) {
            aHead[16 + 3 * i] = data.m_aPalette[i].r;
            aHead[17 + 3 * i] = data.m_aPalette[i].g;
            aHead[18 + 3 * i] = data.m_aPalette[i].b;
        }
    }
    aHead[65] = static_cast<uint8_t>(nPlanes);
    LE::Put16(aHead + 66, nBpl);
    LE::Put16(aHead + 68, 1);  // colour palette
    if (!sink.Write(aHead, sizeof aHead))
        return err.Set(E_ImageError::CannotWrite);

    std::vector<uint8_t> aPlane(nBpl, 0);
    std::vector<uint8_t> aCoded;
    aCoded.reserve(2 * static_cast<size_t>(nBpl) * nPlanes);
    for (uint32_t y = 0; y < nHeight; ++y) {
        const uint8_t* pRow = data.m_aBits.data() + static_cast<size_t>(y) * data.m_nStride;
        aCoded.clear();
        for (uint32_t p = 0; p < nPlanes; ++p) {
            if (bTrueColour) {
                for (uint32_t x = 0; x < nWidth; ++x)
                    aPlane[x] = pRow[3 * x + 2 - p];  // red, green, blue planes from B-G-R pixels
            } else {
                std::copy_n(pRow, nWidth, aPlane.begin());
            }
            // Runs stay inside one plane line; a lone byte of 0xC0 or more needs a run of 1.
            for (uint32_t i = 0; i < nBpl;) {
                const uint8_t v = aPlane[i];
                uint32_t nRun = 1;
                while (i + nRun < nBpl && nRun < kMaxRun && aPlane[i + nRun] == v)
                    ++nRun;
                if (nRun > 1 || v >= 0xC0)
                    aCoded.push_back(static_cast<uint8_t>(0xC0 | nRun));
                aCoded.push_back(v);
                i += nRun;
            }
        }
        if (!sink.Write(aCoded.data(), aCoded.size()))
            return err.Set(E_ImageError::CannotWrite);
    }

    if (!bTrueColour) {
        uint8_t aTail[kTailPalette] = {};
        aTail[0] = kPaletteMark;
        for (size_t i = 0; i < data.m_aPalette.size(); ++i) {
            aTail[1 + 3 * i] = data.m_aPalette[i].r;
            aTail[2 + 3 * i] = data.m_aPalette[i].g;
            aTail[3 + 3 * i] = data.m_aPalette[i].b;
        }
        if (!sink.Write(aTail, sizeof aTail))
            return err.Set(E_ImageError::CannotWrite);
    }
    return true;
}

bool C_PcxCodec::HoldsLayout(const BTCImageData& data)
{
    const int nBits = data.m_nBitsPerPixel;
    const size_t nColours = data.m_aPalette.size();
    if (data.m_bBottomUp || (nBits == 8 && (nColours == 0 || nColours > 256)) || (nBits != 8 && nBits != 24))
        return false;
    return data.m_nStride == static_cast<uint64_t>(data.m_nWidth) * (nBits / 8);
}

void C_PcxCodec::AdoptConverted(BTCImageData& out, const BTCImageData&)
{
    if (out.m_nBitsPerPixel <= 8)
        out.m_aPalette.resize(256);
}
