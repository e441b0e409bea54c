#include "model/image/C_GrayscaleEffect.h"

#include "model/image/C_CheckedSize.h"
#include "model/image/C_DefaultColours.h"
#include "model/image/C_GifDocument.h"
#include "model/image/C_PixelReader.h"

#include <algorithm>
#include <vector>

namespace {

void GrayColours(std::vector<S_Rgb>& aColours)
{
    for (S_Rgb& c : aColours) {
        const uint8_t y = C_GrayscaleEffect::Luma(c.r, c.g, c.b);
        c = S_Rgb{y, y, y};
    }
}

// Every colour table of the GIF file, so that a save keeps the further frames gray as well.
void GrayTables(C_GifDocument& doc)
{
    GrayColours(doc.m_globalMap.aColours);
    for (S_GifFrame& frame : doc.m_aFrames)
        GrayColours(frame.localMap.aColours);
}

}  // namespace

bool C_GrayscaleEffect::Apply(BTCImageData& data)
{
    const C_PixelReader reader(data);
    if (!reader.IsValid())
        return false;

    if (reader.IsIndexed()) {
        GrayColours(data.m_aPalette);
        if (data.m_pGif)
            GrayTables(*data.m_pGif);
        return true;
    }

    // True colour becomes 8 bits of gray in the same family of row layout: BMP rows stay padded
    // to 4 bytes in the same order, PCX rows stay unpadded top to bottom.
    const uint32_t nWidth = reader.GetWidth();
    const uint32_t nHeight = reader.GetHeight();
    const uint32_t nAlign = data.m_eSourceFormat == E_ImageFormat::Bmp ? 4 : 1;
    C_CheckedSize total = C_CheckedSize::RowBytes(nWidth, 8, nAlign);
    const uint64_t nStride = total.Get();
    total.Mul(nHeight);
    if (!total.FitsIn(C_CheckedSize::kMaxBufferBytes))
        return false;

    std::vector<uint8_t> aGray(static_cast<size_t>(total.Get()), 0);
    std::vector<uint8_t> aRow(3 * static_cast<size_t>(nWidth));
    for (uint32_t r = 0; r < nHeight; ++r) {
        reader.BgrOfStoredRow(r, aRow.data());
        uint8_t* pOut = aGray.data() + r * nStride;
        for (uint32_t x = 0; x < nWidth; ++x)
            pOut[x] = Luma(aRow[3 * x + 2], aRow[3 * x + 1], aRow[3 * x]);
    }

    data.m_aBits.swap(aGray);
    data.m_nBitsPerPixel = 8;
    data.m_nStride = static_cast<uint32_t>(nStride);
    data.m_aPalette = C_DefaultColours::GrayRamp();
    std::fill(std::begin(data.m_aMasks), std::end(data.m_aMasks), 0u);
    data.m_bHadMasks = false;
    return true;
}
