#include "model/pictures/gif/C_GifEncoder.h"

#include "model/pictures/gif/C_GifDocument.h"
#include "model/pictures/gif/C_GifFile.h"
#include "model/pictures/gif/C_GifLayout.h"
#include "model/pictures/gif/vmk_gif_name.h"

#include <gif_lib.h>

#include <algorithm>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace {

using MapPtr = std::unique_ptr<ColorMapObject, decltype(&GifFreeMapObject)>;

MapPtr MakeMap(const std::vector<S_Rgb>& aColours)
{
    std::vector<GifColorType> aGif(aColours.size());
    for (size_t i = 0; i < aColours.size(); ++i)
        aGif[i] = GifColorType{aColours[i].r, aColours[i].g, aColours[i].b};
    return MapPtr(GifMakeMapObject(static_cast<int>(aGif.size()), aGif.data()), &GifFreeMapObject);
}

bool PutExtensions(GifFileType* pGif, const std::vector<S_GifExtension>& aExtensions)
{
    for (const S_GifExtension& ext : aExtensions) {
        if (EGifPutExtensionLeader(pGif, ext.nFunction) == GIF_ERROR)
            return false;
        for (const std::vector<uint8_t>& block : ext.aBlocks)
            if (EGifPutExtensionBlock(pGif, static_cast<int>(block.size()), block.data()) == GIF_ERROR)
                return false;
        if (EGifPutExtensionTrailer(pGif) == GIF_ERROR)
            return false;
    }
    return true;
}

}  // namespace

bool C_GifEncoder::Encode(const BTCImageData& data, C_ByteSink& sink, C_ImageError& err)
{
    if (data.m_nBitsPerPixel != 8 || data.m_bBottomUp || data.m_nWidth <= 0 || data.m_nHeight <= 0
        || data.m_nStride != static_cast<uint32_t>(data.m_nWidth)
        || data.m_aBits.size() != uint64_t{data.m_nStride} * static_cast<uint32_t>(data.m_nHeight))
        return err.Set(E_ImageError::BadLayout, "not a GIF layout");
    if (data.m_nWidth > 0xFFFF || data.m_nHeight > 0xFFFF)
        return err.Set(E_ImageError::CannotEncode, "GIF holds at most 65535 x 65535 pixels");
    if (data.m_aPalette.empty() || data.m_aPalette.size() > 256)
        return err.Set(E_ImageError::BadLayout, "palette");
    const auto nWidth = static_cast<uint16_t>(data.m_nWidth);
    const auto nHeight = static_cast<uint16_t>(data.m_nHeight);

    // Without the file it came from (or when its first frame no longer fits the picture), the
    // picture becomes a single-frame GIF with a global table.
    C_GifDocument fresh;
    const C_GifDocument* pDoc = C_GifDocument::Of(data);
    if (!pDoc || pDoc->m_aFrames.empty() || pDoc->m_aFrames[0].nWidth != nWidth
        || pDoc->m_aFrames[0].nHeight != nHeight) {
        fresh.m_b89a = false;
        fresh.m_nScreenWidth = nWidth;
        fresh.m_nScreenHeight = nHeight;
        fresh.m_bHasGlobalMap = true;
        fresh.m_aFrames.resize(1);
        fresh.m_aFrames[0].nWidth = nWidth;
        fresh.m_aFrames[0].nHeight = nHeight;
        pDoc = &fresh;
    }

    // The first frame draws with the picture's palette (gray scale changes it), padded deep
    // enough for its indices.
    std::vector<S_Rgb> aFirstColours = data.m_aPalette;
    C_GifLayout::PadMap(aFirstColours, C_GifLayout::BitsFor(data.m_aBits));
    const bool bFirstUsesGlobal = !pDoc->m_aFrames[0].bHasLocalMap;
    std::vector<S_Rgb> aGlobal = bFirstUsesGlobal ? aFirstColours : pDoc->m_globalMap.aColours;
    const bool bHasGlobal = pDoc->m_bHasGlobalMap || bFirstUsesGlobal;
    for (size_t i = 1; i < pDoc->m_aFrames.size(); ++i)
        if (!pDoc->m_aFrames[i].bHasLocalMap)
            C_GifLayout::PadMap(aGlobal, C_GifLayout::BitsFor(pDoc->m_aFrames[i].aPixels));

    C_GifFile file;
    if (!file.OpenWrite(sink, err))
        return false;
    GifFileType* pGif = file.Get();
    EGifSetGifVersion(pGif, pDoc->m_b89a);
    MapPtr pGlobal(nullptr, &GifFreeMapObject);
    if (bHasGlobal) {
        pGlobal = MakeMap(aGlobal);
        if (!pGlobal)
            return err.Set(E_ImageError::Encode, kGifName, "colour table");
        pGlobal->SortFlag = pDoc->m_globalMap.bSorted;
    }
    pGif->AspectByte = pDoc->m_nAspect;  // written by the screen descriptor call
    if (EGifPutScreenDesc(pGif, pDoc->m_nScreenWidth, pDoc->m_nScreenHeight, pDoc->m_nColourResolution,
            pDoc->m_nBackground, pGlobal.get())
        == GIF_ERROR)
        return err.Set(E_ImageError::Encode, kGifName, file.ErrorText());

    std::vector<uint8_t> aLine;
    for (size_t i = 0; i < pDoc->m_aFrames.size(); ++i) {
        const S_GifFrame& frame = pDoc->m_aFrames[i];
        const std::span<const uint8_t> aPixels = i == 0 ? std::span<const uint8_t>(data.m_aBits) : frame.aPixels;
        if (aPixels.size() != size_t{frame.nWidth} * frame.nHeight)
            return err.Set(E_ImageError::BadLayout, "frame " + std::to_string(i));
        if (!PutExtensions(pGif, frame.aExtensions))
            return err.Set(E_ImageError::Encode, kGifName, file.ErrorText());
        MapPtr pLocal(nullptr, &GifFreeMapObject);
        // giflib drops, without freeing, the previous image's table when an image has none.
        if (pGif->Image.ColorMap) {
            GifFreeMapObject(pGif->Image.ColorMap);
            pGif->Image.ColorMap = nullptr;
        }
        if (frame.bHasLocalMap) {
            std::vector<S_Rgb> aColours = i == 0 ? aFirstColours : frame.localMap.aColours;
            C_GifLayout::PadMap(aColours, C_GifLayout::BitsFor(aPixels));
            pLocal = MakeMap(aColours);
            if (!pLocal)
                return err.Set(E_ImageError::Encode, kGifName, "colour table");
        }
        if (EGifPutImageDesc(
                pGif, frame.nLeft, frame.nTop, frame.nWidth, frame.nHeight, frame.bInterlaced, pLocal.get())
            == GIF_ERROR)
            return err.Set(E_ImageError::Encode, kGifName, file.ErrorText());
        // giflib masks the line it is given in place, so it gets a copy.
        aLine.resize(frame.nWidth);
        const bool bOk = C_GifLayout::ForEachRowInFileOrder(frame.nHeight, frame.bInterlaced, [&](uint32_t y) {
            std::copy_n(aPixels.data() + size_t{y} * frame.nWidth, frame.nWidth, aLine.data());
            return EGifPutLine(pGif, aLine.data(), frame.nWidth) != GIF_ERROR;
        });
        if (!bOk)
            return err.Set(E_ImageError::Encode, kGifName, file.ErrorText());
    }
    if (!PutExtensions(pGif, pDoc->m_aTrailing))
        return err.Set(E_ImageError::Encode, kGifName, file.ErrorText());
    if (!file.Close(err))
        return false;
    if (!sink.Ok())
        return err.Set(E_ImageError::CannotWrite);
    return true;
}

bool C_GifEncoder::HoldsLayout(const BTCImageData& data)
{
    const size_t nColours = data.m_aPalette.size();
    return !data.m_bBottomUp && data.m_nBitsPerPixel == 8 && nColours > 0 && nColours <= 256
        && data.m_nStride == static_cast<uint32_t>(data.m_nWidth);
}
