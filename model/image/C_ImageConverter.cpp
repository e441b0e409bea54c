#include "model/image/C_ImageConverter.h"

#include "model/image/C_CheckedSize.h"
#include "model/image/C_DefaultColours.h"
#include "model/image/C_PixelReader.h"
#include "model/image/png/C_PngDocument.h"

#include <gif_lib.h>

#include <algorithm>
#include <vector>

namespace {

bool IsBmpDepth(int n)
{
    return n == 1 || n == 4 || n == 8 || n == 16 || n == 24 || n == 32;
}

// The depth of indices a target writes for an indexed picture of nBits: BMP and PNG keep the
// packed depths they have, the others take one byte per index.
uint32_t IndexBits(E_ImageFormat eTarget, int nBits)
{
    const bool bKeeps = (eTarget == E_ImageFormat::Bmp && (nBits == 1 || nBits == 4))
        || (eTarget == E_ImageFormat::Png && (nBits == 1 || nBits == 2 || nBits == 4));
    return bKeeps ? static_cast<uint32_t>(nBits) : 8;
}

// Packed indices are the same in BMP and PNG (leftmost pixel in the most significant bits), so
// a row is copied as it is.
void CopyPackedRow(const BTCImageData& src, uint32_t nStoredRow, uint32_t nBytes, uint8_t* pOut)
{
    const uint8_t* pIn = src.m_aBits.data() + static_cast<size_t>(nStoredRow) * src.m_nStride;
    std::copy(pIn, pIn + nBytes, pOut);
}

}  // namespace

bool C_ImageConverter::HasLayoutOf(const BTCImageData& data, E_ImageFormat eFormat)
{
    if (data.m_eSourceFormat != eFormat || data.m_nWidth <= 0 || data.m_nHeight <= 0)
        return false;
    const int nBits = data.m_nBitsPerPixel;
    const size_t nColours = data.m_aPalette.size();
    switch (eFormat) {
    case E_ImageFormat::Bmp:
        if (!IsBmpDepth(nBits) || (nBits <= 8 && (nColours == 0 || nColours > (1u << nBits))))
            return false;
        return data.m_nStride
            == C_CheckedSize::RowBytes(static_cast<uint64_t>(data.m_nWidth), static_cast<uint64_t>(nBits), 4).Get();
    case E_ImageFormat::Pcx:
        if (data.m_bBottomUp || (nBits == 8 && (nColours == 0 || nColours > 256)) || (nBits != 8 && nBits != 24))
            return false;
        return data.m_nStride == static_cast<uint64_t>(data.m_nWidth) * (nBits / 8);
    case E_ImageFormat::Gif:
        return !data.m_bBottomUp && nBits == 8 && nColours > 0 && nColours <= 256
            && data.m_nStride == static_cast<uint32_t>(data.m_nWidth);
    case E_ImageFormat::Png: {
        const C_PngDocument* pDoc = C_PngDocument::Of(data);
        if (data.m_bBottomUp || !pDoc || !C_PngDocument::IsValidDepth(pDoc->m_nColourType, pDoc->m_nBitDepth)
            || pDoc->BitsPerPixel() != nBits)
            return false;
        if (pDoc->m_nColourType == C_PngDocument::kPalette && (nColours == 0 || nColours > (1u << nBits)))
            return false;
        return data.m_nStride
            == C_CheckedSize::RowBytes(static_cast<uint64_t>(data.m_nWidth), static_cast<uint64_t>(nBits), 1).Get();
    }
    case E_ImageFormat::None: break;
    }
    return false;
}

bool C_ImageConverter::Convert(const BTCImageData& src, E_ImageFormat eTarget, BTCImageData& out, C_ImageError& err)
{
    const C_PixelReader reader(src);
    if (!reader.IsValid())
        return err.Set(E_ImageError::BadLayout);
    if (eTarget != E_ImageFormat::Bmp && eTarget != E_ImageFormat::Pcx && eTarget != E_ImageFormat::Gif
        && eTarget != E_ImageFormat::Png)
        return err.Set(E_ImageError::CannotEncode, "unknown format code");
    // Another format would keep the first frame alone.
    if (C_PngDocument::Of(src) && C_PngDocument::Of(src)->IsAnimated())
        return err.Set(E_ImageError::Animated);
    const uint32_t nWidth = reader.GetWidth();
    const uint32_t nHeight = reader.GetHeight();
    if (eTarget == E_ImageFormat::Gif && (nWidth > 0xFFFF || nHeight > 0xFFFF))
        return err.Set(E_ImageError::CannotEncode, "GIF holds at most 65535 x 65535 pixels");

    // GIF has no true colour; everything else keeps the kind of picture it is.
    const bool bIndexed = reader.IsIndexed();
    const bool bOutIndexed = bIndexed || eTarget == E_ImageFormat::Gif;
    const uint32_t nOutBits = bIndexed ? IndexBits(eTarget, src.m_nBitsPerPixel) : bOutIndexed ? 8 : 24;
    const bool bBottomUp = eTarget == E_ImageFormat::Bmp;
    C_CheckedSize total = C_CheckedSize::RowBytes(nWidth, nOutBits, eTarget == E_ImageFormat::Bmp ? 4 : 1);
    const uint64_t nStride = total.Get();
    total.Mul(nHeight);
    if (!total.FitsIn(C_CheckedSize::kMaxBufferBytes))
        return err.Set(E_ImageError::TooLarge);

    out.m_nWidth = static_cast<int32_t>(nWidth);
    out.m_nHeight = static_cast<int32_t>(nHeight);
    out.m_nBitsPerPixel = static_cast<int>(nOutBits);
    out.m_nStride = static_cast<uint32_t>(nStride);
    out.m_bBottomUp = bBottomUp;
    out.m_nXPelsPerMeter = src.m_nXPelsPerMeter;
    out.m_nYPelsPerMeter = src.m_nYPelsPerMeter;
    out.m_eSourceFormat = eTarget;
    out.m_aBits.assign(static_cast<size_t>(total.Get()), 0);
    if (eTarget == E_ImageFormat::Png) {
        out.m_pDocument = std::make_unique<C_PngDocument>();
        C_PngDocument::Of(out)->m_nColourType = bOutIndexed ? C_PngDocument::kPalette : C_PngDocument::kRgb;
        C_PngDocument::Of(out)->m_nBitDepth = bOutIndexed ? static_cast<int>(nOutBits) : 8;
        C_PngDocument::Of(out)->SetResolution(src.m_nXPelsPerMeter, src.m_nYPelsPerMeter);
    }
    auto outRow = [&](uint32_t nDisplayRow) {
        const uint32_t nRow = bBottomUp ? nHeight - 1 - nDisplayRow : nDisplayRow;
        return out.m_aBits.data() + static_cast<size_t>(nRow) * nStride;
    };

    if (bIndexed) {
        out.m_aPalette = reader.Palette().empty() ? C_DefaultColours::GrayRamp() : reader.Palette();
        out.m_aPalette.resize(std::min<size_t>(out.m_aPalette.size(), size_t{1} << nOutBits));
        if (eTarget == E_ImageFormat::Pcx)
            out.m_aPalette.resize(256);  // the file's palette always has 256 entries
        const auto nPackedBytes = static_cast<uint32_t>(C_CheckedSize::RowBytes(nWidth, nOutBits, 1).Get());
        for (uint32_t y = 0; y < nHeight; ++y) {
            if (nOutBits < 8)
                CopyPackedRow(src, reader.StoredRowOf(y), nPackedBytes, outRow(y));
            else
                reader.IndicesOfStoredRow(reader.StoredRowOf(y), outRow(y));
        }
        return true;
    }

    if (!bOutIndexed) {
        for (uint32_t y = 0; y < nHeight; ++y) {
            uint8_t* pRow = outRow(y);
            reader.BgrOfStoredRow(reader.StoredRowOf(y), pRow);
            if (eTarget == E_ImageFormat::Png)  // red, green, blue
                for (uint32_t x = 0; x < nWidth; ++x)
                    std::swap(pRow[3 * x], pRow[3 * x + 2]);
        }
        return true;
    }

    // True colour to GIF: giflib's quantiser wants separate red, green and blue planes.
    const size_t nPixels = static_cast<size_t>(nWidth) * nHeight;
    std::vector<uint8_t> aRed(nPixels), aGreen(nPixels), aBlue(nPixels), aRow(3 * static_cast<size_t>(nWidth));
    for (uint32_t y = 0; y < nHeight; ++y) {
        reader.BgrOfStoredRow(reader.StoredRowOf(y), aRow.data());
        const size_t nBase = static_cast<size_t>(y) * nWidth;
        for (uint32_t x = 0; x < nWidth; ++x) {
            aBlue[nBase + x] = aRow[3 * x];
            aGreen[nBase + x] = aRow[3 * x + 1];
            aRed[nBase + x] = aRow[3 * x + 2];
        }
    }
    int nColours = 256;
    std::vector<GifColorType> aMap(256);
    if (GifQuantizeBuffer(
            nWidth, nHeight, &nColours, aRed.data(), aGreen.data(), aBlue.data(), out.m_aBits.data(), aMap.data())
        == GIF_ERROR)
        return err.Set(E_ImageError::Encode, E_ImageFormat::Gif, "colour quantisation failed");
    nColours = std::clamp(nColours, 1, 256);
    out.m_aPalette.resize(static_cast<size_t>(nColours));
    for (size_t i = 0; i < out.m_aPalette.size(); ++i)
        out.m_aPalette[i] = S_Rgb{aMap[i].Red, aMap[i].Green, aMap[i].Blue};
    return true;
}
