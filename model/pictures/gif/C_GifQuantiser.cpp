#include "model/pictures/gif/C_GifQuantiser.h"

#include "model/pictures/C_PixelReader.h"
#include "model/pictures/gif/vmk_gif_name.h"

#include <gif_lib.h>

#include <algorithm>
#include <vector>

bool C_GifQuantiser::ReduceColours(const BTCImageData& src, BTCImageData& out, C_ImageError& err)
{
    const C_PixelReader reader(src);
    if (!reader.IsValid())
        return err.Set(E_ImageError::BadLayout);
    const uint32_t nWidth = reader.GetWidth();
    const uint32_t nHeight = reader.GetHeight();
    // giflib's quantiser wants separate red, green and blue planes.
    const size_t nPixels = static_cast<size_t>(nWidth) * nHeight;
    if (out.m_aBits.size() < nPixels)
        return err.Set(E_ImageError::BadLayout);
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
        return err.Set(E_ImageError::Encode, kGifName, "colour quantisation failed");
    nColours = std::clamp(nColours, 1, 256);
    out.m_aPalette.resize(static_cast<size_t>(nColours));
    for (size_t i = 0; i < out.m_aPalette.size(); ++i)
        out.m_aPalette[i] = S_Rgb{aMap[i].Red, aMap[i].Green, aMap[i].Blue};
    return true;
}
