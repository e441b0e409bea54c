#include "model/image/C_GifCodec.h"

#include "model/image/C_GifDocument.h"
#include "model/image/C_GifFile.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Rows of an interlaced image come in four passes: every 8th from 0, every 8th from 4, every
// 4th from 2, every 2nd from 1.
constexpr uint32_t kPassStart[4] = {0, 4, 2, 1};
constexpr uint32_t kPassStep[4] = {8, 8, 4, 2};

// A clear-free LZW stream yields at most 4096 pixels per 12-bit code, so a frame can never
// hold more than 4096 pixels per byte of its data; anything beyond is refused before sizing.
constexpr uint64_t kMaxPixelsPerByte = 4096;

template <typename F>
bool ForEachRowInFileOrder(uint32_t nHeight, bool bInterlaced, F&& f)
{
    if (!bInterlaced) {
        for (uint32_t y = 0; y < nHeight; ++y)
            if (!f(y))
                return false;
        return true;
    }
    for (int p = 0; p < 4; ++p)
        for (uint32_t y = kPassStart[p]; y < nHeight; y += kPassStep[p])
            if (!f(y))
                return false;
    return true;
}

void CopyMap(const ColorMapObject* pMap, S_GifColourMap& map)
{
    map.aColours.resize(static_cast<size_t>(pMap->ColorCount));
    for (int i = 0; i < pMap->ColorCount; ++i)
        map.aColours[static_cast<size_t>(i)] = S_Rgb{pMap->Colors[i].Red, pMap->Colors[i].Green, pMap->Colors[i].Blue};
    map.bSorted = pMap->SortFlag;
}

// The bits an index table needs so that giflib's writer, which masks every index to the colour
// table's depth, gives back each byte unchanged.
int BitsFor(std::span<const uint8_t> aPixels)
{
    uint8_t nMax = 0;
    for (const uint8_t v : aPixels)
        nMax = std::max(nMax, v);
    int nBits = 1;
    while ((1u << nBits) <= nMax)
        ++nBits;
    return nBits;
}

// Pads with black to a power of two of at least 2^nMinBits entries (giflib's tables are).
void PadMap(std::vector<S_Rgb>& aColours, int nMinBits)
{
    size_t nSize = size_t{1} << nMinBits;
    while (nSize < aColours.size())
        nSize *= 2;
    aColours.resize(std::min<size_t>(nSize, 256));
}

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

bool C_GifCodec::IsGif(std::span<const uint8_t> head)
{
    return head.size() >= 6
        && (std::memcmp(head.data(), "GIF87a", 6) == 0 || std::memcmp(head.data(), "GIF89a", 6) == 0);
}

bool C_GifCodec::Decode(C_ByteSource& src, const C_DecodeLimit& limit, BTCImageData& out, C_ImageError& err)
{
    std::vector<uint8_t> aFile;
    if (!src.ReadRest(0, aFile))
        return err.Set(E_ImageError::CannotRead, src.GetError());
    if (!IsGif(aFile))
        return err.Set(E_ImageError::UnknownFormat);

    C_GifFile file;
    if (!file.OpenRead(aFile, err))
        return false;
    GifFileType* pGif = file.Get();
    auto pDoc = std::make_unique<C_GifDocument>();
    pDoc->m_b89a = aFile[4] == '9';
    pDoc->m_nScreenWidth = static_cast<uint16_t>(pGif->SWidth);
    pDoc->m_nScreenHeight = static_cast<uint16_t>(pGif->SHeight);
    pDoc->m_nColourResolution = pGif->SColorResolution;
    pDoc->m_nBackground = pGif->SBackGroundColor;
    pDoc->m_nAspect = pGif->AspectByte;
    if (pGif->SColorMap) {
        pDoc->m_bHasGlobalMap = true;
        CopyMap(pGif->SColorMap, pDoc->m_globalMap);
    }

    uint64_t nTotalPixels = 0;
    std::vector<S_GifExtension> aPending;
    for (bool bDone = false; !bDone;) {
        GifRecordType eType = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(pGif, &eType) == GIF_ERROR)
            return err.Set(E_ImageError::GifDecode, file.ErrorText());
        switch (eType) {
        case IMAGE_DESC_RECORD_TYPE: {
            if (DGifGetImageDesc(pGif) == GIF_ERROR)
                return err.Set(E_ImageError::GifDecode, file.ErrorText());
            const GifImageDesc& desc = pGif->Image;
            const bool bFirst = pDoc->m_aFrames.empty();
            if (desc.Width <= 0 || desc.Height <= 0)
                return err.Set(E_ImageError::NoFrame, "image without pixels");
            if (bFirst && (desc.Left + desc.Width > pGif->SWidth || desc.Top + desc.Height > pGif->SHeight))
                return err.Set(E_ImageError::NoFrame, "first image outside the screen");
            const auto nWidth = static_cast<uint32_t>(desc.Width);
            const auto nHeight = static_cast<uint32_t>(desc.Height);
            const uint64_t nPixels = uint64_t{nWidth} * nHeight;
            nTotalPixels += nPixels;
            // Each frame is held to what its own data can fill, so a frame of a few bytes cannot
            // claim gigabytes, whatever else the file holds.
            if (nPixels > file.ImageDataBytes() * kMaxPixelsPerByte)
                return err.Set(E_ImageError::Truncated, "image larger than its data can hold");
            if (!limit.Admit(nTotalPixels, err, std::to_string(nWidth) + "x" + std::to_string(nHeight)))
                return false;

            S_GifFrame frame;
            frame.aExtensions = std::move(aPending);
            aPending.clear();
            frame.nLeft = static_cast<uint16_t>(desc.Left);
            frame.nTop = static_cast<uint16_t>(desc.Top);
            frame.nWidth = static_cast<uint16_t>(nWidth);
            frame.nHeight = static_cast<uint16_t>(nHeight);
            frame.bInterlaced = desc.Interlace;
            if (desc.ColorMap) {
                frame.bHasLocalMap = true;
                CopyMap(desc.ColorMap, frame.localMap);
            }
            std::vector<uint8_t>& aPixels = bFirst ? out.m_aBits : frame.aPixels;
            aPixels.resize(static_cast<size_t>(nPixels));
            const bool bOk = ForEachRowInFileOrder(nHeight, frame.bInterlaced, [&](uint32_t y) {
                return DGifGetLine(pGif, aPixels.data() + static_cast<size_t>(y) * nWidth, static_cast<int>(nWidth)) != GIF_ERROR;
            });
            if (!bOk)
                return err.Set(E_ImageError::GifDecode, file.ErrorText());
            pDoc->m_aFrames.push_back(std::move(frame));
            break;
        }
        case EXTENSION_RECORD_TYPE: {
            S_GifExtension ext;
            GifByteType* pBlock = nullptr;
            if (DGifGetExtension(pGif, &ext.nFunction, &pBlock) == GIF_ERROR)
                return err.Set(E_ImageError::GifDecode, file.ErrorText());
            while (pBlock) {
                ext.aBlocks.emplace_back(pBlock + 1, pBlock + 1 + pBlock[0]);
                if (DGifGetExtensionNext(pGif, &pBlock) == GIF_ERROR)
                    return err.Set(E_ImageError::GifDecode, file.ErrorText());
            }
            aPending.push_back(std::move(ext));
            break;
        }
        case TERMINATE_RECORD_TYPE:
            bDone = true;
            break;
        default:
            return err.Set(E_ImageError::GifDecode, "unknown record");
        }
    }
    if (pDoc->m_aFrames.empty())
        return err.Set(E_ImageError::NoFrame, "no image");
    pDoc->m_aTrailing = std::move(aPending);

    // Every frame needs a colour table deep enough for its indices, or a save would change
    // them: a frame without any table gets a gray global one, a shallow table is padded.
    for (size_t i = 0; i < pDoc->m_aFrames.size(); ++i) {
        const int nBits = BitsFor(i == 0 ? std::span<const uint8_t>(out.m_aBits) : pDoc->m_aFrames[i].aPixels);
        S_GifColourMap* pMap = pDoc->EffectiveMap(i);
        if (!pMap) {
            pDoc->m_bHasGlobalMap = true;
            pDoc->m_globalMap.aColours.resize(256);
            for (size_t c = 0; c < 256; ++c)
                pDoc->m_globalMap.aColours[c] = S_Rgb{static_cast<uint8_t>(c), static_cast<uint8_t>(c), static_cast<uint8_t>(c)};
            pMap = &pDoc->m_globalMap;
        }
        PadMap(pMap->aColours, nBits);
    }

    C_ImageError closeErr;
    file.Close(closeErr);
    const S_GifFrame& first = pDoc->m_aFrames.front();
    out.m_nWidth = first.nWidth;
    out.m_nHeight = first.nHeight;
    out.m_nBitsPerPixel = 8;
    out.m_nStride = first.nWidth;
    out.m_bBottomUp = false;
    out.m_aPalette = pDoc->EffectiveMap(0)->aColours;
    out.m_eSourceFormat = E_ImageFormat::Gif;
    out.m_pGif = std::move(pDoc);
    return true;
}

bool C_GifCodec::Encode(const BTCImageData& data, C_ByteSink& sink, C_ImageError& err)
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
    const C_GifDocument* pDoc = data.m_pGif.get();
    if (!pDoc || pDoc->m_aFrames.empty() || pDoc->m_aFrames[0].nWidth != nWidth || pDoc->m_aFrames[0].nHeight != nHeight) {
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
    PadMap(aFirstColours, BitsFor(data.m_aBits));
    const bool bFirstUsesGlobal = !pDoc->m_aFrames[0].bHasLocalMap;
    std::vector<S_Rgb> aGlobal = bFirstUsesGlobal ? aFirstColours : pDoc->m_globalMap.aColours;
    const bool bHasGlobal = pDoc->m_bHasGlobalMap || bFirstUsesGlobal;
    for (size_t i = 1; i < pDoc->m_aFrames.size(); ++i)
        if (!pDoc->m_aFrames[i].bHasLocalMap)
            PadMap(aGlobal, BitsFor(pDoc->m_aFrames[i].aPixels));

    C_GifFile file;
    if (!file.OpenWrite(sink, err))
        return false;
    GifFileType* pGif = file.Get();
    EGifSetGifVersion(pGif, pDoc->m_b89a);
    MapPtr pGlobal(nullptr, &GifFreeMapObject);
    if (bHasGlobal) {
        pGlobal = MakeMap(aGlobal);
        if (!pGlobal)
            return err.Set(E_ImageError::GifEncode, "colour table");
        pGlobal->SortFlag = pDoc->m_globalMap.bSorted;
    }
    pGif->AspectByte = pDoc->m_nAspect;  // written by the screen descriptor call
    if (EGifPutScreenDesc(pGif, pDoc->m_nScreenWidth, pDoc->m_nScreenHeight, pDoc->m_nColourResolution,
                          pDoc->m_nBackground, pGlobal.get()) == GIF_ERROR)
        return err.Set(E_ImageError::GifEncode, file.ErrorText());

    std::vector<uint8_t> aLine;
    for (size_t i = 0; i < pDoc->m_aFrames.size(); ++i) {
        const S_GifFrame& frame = pDoc->m_aFrames[i];
        const std::span<const uint8_t> aPixels = i == 0 ? std::span<const uint8_t>(data.m_aBits) : frame.aPixels;
        if (aPixels.size() != size_t{frame.nWidth} * frame.nHeight)
            return err.Set(E_ImageError::BadLayout, "frame " + std::to_string(i));
        if (!PutExtensions(pGif, frame.aExtensions))
            return err.Set(E_ImageError::GifEncode, file.ErrorText());
        MapPtr pLocal(nullptr, &GifFreeMapObject);
        // giflib drops, without freeing, the previous image's table when an image has none.
        if (pGif->Image.ColorMap) {
            GifFreeMapObject(pGif->Image.ColorMap);
            pGif->Image.ColorMap = nullptr;
        }
        if (frame.bHasLocalMap) {
            std::vector<S_Rgb> aColours = i == 0 ? aFirstColours : frame.localMap.aColours;
            PadMap(aColours, BitsFor(aPixels));
            pLocal = MakeMap(aColours);
            if (!pLocal)
                return err.Set(E_ImageError::GifEncode, "colour table");
        }
        if (EGifPutImageDesc(pGif, frame.nLeft, frame.nTop, frame.nWidth, frame.nHeight, frame.bInterlaced,
                             pLocal.get()) == GIF_ERROR)
            return err.Set(E_ImageError::GifEncode, file.ErrorText());
        // giflib masks the line it is given in place, so it gets a copy.
        aLine.resize(frame.nWidth);
        const bool bOk = ForEachRowInFileOrder(frame.nHeight, frame.bInterlaced, [&](uint32_t y) {
            std::copy_n(aPixels.data() + size_t{y} * frame.nWidth, frame.nWidth, aLine.data());
            return EGifPutLine(pGif, aLine.data(), frame.nWidth) != GIF_ERROR;
        });
        if (!bOk)
            return err.Set(E_ImageError::GifEncode, file.ErrorText());
    }
    if (!PutExtensions(pGif, pDoc->m_aTrailing))
        return err.Set(E_ImageError::GifEncode, file.ErrorText());
    if (!file.Close(err))
        return false;
    if (!sink.Ok())
        return err.Set(E_ImageError::CannotWrite);
    return true;
}
