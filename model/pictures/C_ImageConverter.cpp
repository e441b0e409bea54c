#include "model/pictures/C_ImageConverter.h"

#include "model/pictures/C_CheckedSize.h"
#include "model/pictures/C_DefaultColours.h"
#include "model/pictures/C_FormatRegistry.h"
#include "model/pictures/C_PixelReader.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The depth of indices a target writes for an indexed picture of nBits: the packed depths it
// stores stay, anything else takes one byte per index.
uint32_t IndexBits(const S_FormatEntry& target, int nBits)
{
    const bool bKeeps = nBits < 8 && ((target.nPackedIndexDepths >> nBits) & 1u) != 0;
    return bKeeps ? static_cast<uint32_t>(nBits) : 8;
}

// Packed indices are alike wherever a format keeps them (leftmost pixel in the most significant
// bits), so a row is copied as it is.
void CopyPackedRow(const BTCImageData& src, uint32_t nStoredRow, uint32_t nBytes, uint8_t* pOut)
{
    const uint8_t* pIn = src.m_aBits.data() + static_cast<size_t>(nStoredRow) * src.m_nStride;
    std::copy(pIn, pIn + nBytes, pOut);
}

}  // namespace

bool C_ImageConverter::FramesBindSource(const BTCImageData& data)
{
    const S_FormatEntry* pSource = C_FormatRegistry::Find(data.m_eSourceFormat);
    return pSource && pSource->bFramesBindFormat && data.Layout().bFurtherFrames;
}

bool C_ImageConverter::HasLayoutOf(const BTCImageData& data, E_ImageFormat eFormat)
{
    if (data.m_eSourceFormat != eFormat || data.m_nWidth <= 0 || data.m_nHeight <= 0)
        return false;
    const S_FormatEntry* pEntry = C_FormatRegistry::Find(eFormat);
    return pEntry && pEntry->fnAccepts && pEntry->fnAccepts(data);
}

bool C_ImageConverter::Convert(const BTCImageData& src, E_ImageFormat eTarget, BTCImageData& out, C_ImageError& err)
{
    const C_PixelReader reader(src);
    if (!reader.IsValid())
        return err.Set(E_ImageError::BadLayout);
    const S_FormatEntry* pTarget = C_FormatRegistry::Find(eTarget);
    if (!pTarget)
        return err.Set(E_ImageError::CannotEncode, "unknown format code");
    const S_FormatCapabilities& caps = pTarget->caps;
    // Another format would keep the first frame alone.
    if (FramesBindSource(src))
        return err.Set(E_ImageError::Animated);
    const uint32_t nWidth = reader.GetWidth();
    const uint32_t nHeight = reader.GetHeight();
    if (pTarget->nMaxSide != 0 && (nWidth > pTarget->nMaxSide || nHeight > pTarget->nMaxSide)) {
        const std::string strSide = std::to_string(pTarget->nMaxSide);
        return err.Set(E_ImageError::CannotEncode,
            std::string(pTarget->pszName) + " holds at most " + strSide + " x " + strSide + " pixels");
    }

    // A format without true colour gets the colours reduced, one without palettes the colours
    // the indices show; everything else keeps the kind of picture it is.
    const bool bIndexed = reader.IsIndexed() && caps.bPalette;
    const bool bOutIndexed = bIndexed || !caps.bTrueColour;
    if (bOutIndexed && !bIndexed && !pTarget->fnReduceColours)
        return err.Set(E_ImageError::CannotEncode, "no colour reduction");
    const uint32_t nOutBits = bIndexed ? IndexBits(*pTarget, src.m_nBitsPerPixel) : bOutIndexed ? 8 : 24;
    const bool bBottomUp = caps.bBottomUp;
    C_CheckedSize total = C_CheckedSize::RowBytes(nWidth, nOutBits, caps.nRowAlign);
    const uint64_t nStride = total.Get();
    total.Mul(nHeight);
    if (!total.FitsIn(C_CheckedSize::kMaxBufferBytes))
        return err.Set(E_ImageError::TooLarge);

    out.m_nWidth = static_cast<int32_t>(nWidth);
    out.m_nHeight = static_cast<int32_t>(nHeight);
    out.m_nBitsPerPixel = static_cast<int>(nOutBits);
    out.m_nStride = static_cast<uint32_t>(nStride);
    out.m_nRowAlign = caps.nRowAlign;
    out.m_bBottomUp = bBottomUp;
    out.m_nXPelsPerMeter = src.m_nXPelsPerMeter;
    out.m_nYPelsPerMeter = src.m_nYPelsPerMeter;
    out.m_eSourceFormat = eTarget;
    out.m_aBits.assign(static_cast<size_t>(total.Get()), 0);
    auto outRow = [&](uint32_t nDisplayRow) {
        const uint32_t nRow = bBottomUp ? nHeight - 1 - nDisplayRow : nDisplayRow;
        return out.m_aBits.data() + static_cast<size_t>(nRow) * nStride;
    };

    if (bIndexed) {
        out.m_aPalette = reader.Palette().empty() ? C_DefaultColours::GrayRamp() : reader.Palette();
        out.m_aPalette.resize(std::min<size_t>(out.m_aPalette.size(), size_t{1} << nOutBits));
        const auto nPackedBytes = static_cast<uint32_t>(C_CheckedSize::RowBytes(nWidth, nOutBits, 1).Get());
        for (uint32_t y = 0; y < nHeight; ++y) {
            if (nOutBits < 8)
                CopyPackedRow(src, reader.StoredRowOf(y), nPackedBytes, outRow(y));
            else
                reader.IndicesOfStoredRow(reader.StoredRowOf(y), outRow(y));
        }
    } else if (!bOutIndexed) {
        for (uint32_t y = 0; y < nHeight; ++y)
            reader.BgrOfStoredRow(reader.StoredRowOf(y), outRow(y));
    } else if (!pTarget->fnReduceColours(src, out, err)) {
        return false;
    }
    if (pTarget->fnAdopt)
        pTarget->fnAdopt(out, src);
    return true;
}

void C_ImageConverter::SwapRedAndBlue(BTCImageData& data)
{
    const auto nWidth = static_cast<size_t>(data.m_nWidth);
    for (size_t y = 0; y < static_cast<size_t>(data.m_nHeight); ++y) {
        uint8_t* pRow = data.m_aBits.data() + y * data.m_nStride;
        for (size_t x = 0; x < nWidth; ++x)
            std::swap(pRow[3 * x], pRow[3 * x + 2]);
    }
}
