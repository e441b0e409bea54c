#include "model/pictures/gif/C_GifDecoder.h"

#include "model/pictures/C_DefaultColours.h"
#include "model/pictures/gif/C_GifDocument.h"
#include "model/pictures/gif/C_GifFile.h"
#include "model/pictures/gif/C_GifLayout.h"
#include "model/pictures/gif/vmk_gif_name.h"

#include <gif_lib.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// A clear-free LZW stream yields at most 4096 pixels per 12-bit code, so a frame can never
// hold more than 4096 pixels per byte of its data; anything beyond is refused before sizing.
constexpr uint64_t kMaxPixelsPerByte = 4096;

void CopyMap(const ColorMapObject* pMap, S_GifColourMap& map)
{
    map.aColours.resize(static_cast<size_t>(pMap->ColorCount));
    for (int i = 0; i < pMap->ColorCount; ++i)
        map.aColours[static_cast<size_t>(i)] = S_Rgb{pMap->Colors[i].Red, pMap->Colors[i].Green, pMap->Colors[i].Blue};
    map.bSorted = pMap->SortFlag;
}

// The header: version, screen descriptor and global colour table, which giflib has read on
// opening the file.
void ParseScreen(std::span<const uint8_t> aFile, const GifFileType& gif, C_GifDocument& doc)
{
    doc.m_b89a = aFile[4] == '9';
    doc.m_nScreenWidth = static_cast<uint16_t>(gif.SWidth);
    doc.m_nScreenHeight = static_cast<uint16_t>(gif.SHeight);
    doc.m_nColourResolution = gif.SColorResolution;
    doc.m_nBackground = gif.SBackGroundColor;
    doc.m_nAspect = gif.AspectByte;
    if (gif.SColorMap) {
        doc.m_bHasGlobalMap = true;
        CopyMap(gif.SColorMap, doc.m_globalMap);
    }
}

// The image descriptor giflib has just read, as a frame without pixels. An image needs pixels,
// and the first one, which is the picture, must lie inside the screen.
bool ParseImageDesc(const GifFileType& gif, bool bFirst, S_GifFrame& frame, C_ImageError& err)
{
    const GifImageDesc& desc = gif.Image;
    if (desc.Width <= 0 || desc.Height <= 0)
        return err.Set(E_ImageError::NoFrame, kGifName, "image without pixels");
    if (bFirst && (desc.Left + desc.Width > gif.SWidth || desc.Top + desc.Height > gif.SHeight))
        return err.Set(E_ImageError::NoFrame, kGifName, "first image outside the screen");
    // giflib reads each field as a 16-bit word.
    frame.nLeft = static_cast<uint16_t>(desc.Left);
    frame.nTop = static_cast<uint16_t>(desc.Top);
    frame.nWidth = static_cast<uint16_t>(desc.Width);
    frame.nHeight = static_cast<uint16_t>(desc.Height);
    frame.bInterlaced = desc.Interlace;
    if (desc.ColorMap) {
        frame.bHasLocalMap = true;
        CopyMap(desc.ColorMap, frame.localMap);
    }
    return true;
}

// Each frame is held to what its own data can fill, so a frame of a few bytes cannot claim
// gigabytes, whatever else the file holds; all frames together are held to the decode limit.
bool AdmitImage(const C_GifFile& file, const S_GifFrame& frame, const C_DecodeLimit& limit, uint64_t& nTotalPixels,
    C_ImageError& err)
{
    const uint64_t nPixels = uint64_t{frame.nWidth} * frame.nHeight;
    nTotalPixels += nPixels;
    if (nPixels > file.ImageDataBytes() * kMaxPixelsPerByte)
        return err.Set(E_ImageError::Truncated, "image larger than its data can hold");
    return limit.Admit(nTotalPixels, err, std::to_string(frame.nWidth) + "x" + std::to_string(frame.nHeight));
}

// Sizes aPixels for the frame and fills it in display order (de-interlaced).
bool ReadPixels(C_GifFile& file, const S_GifFrame& frame, std::vector<uint8_t>& aPixels, C_ImageError& err)
{
    const uint32_t nWidth = frame.nWidth;
    aPixels.resize(size_t{nWidth} * frame.nHeight);
    const bool bOk = C_GifLayout::ForEachRowInFileOrder(frame.nHeight, frame.bInterlaced, [&](uint32_t y) {
        return DGifGetLine(file.Get(), aPixels.data() + static_cast<size_t>(y) * nWidth, static_cast<int>(nWidth))
            != GIF_ERROR;
    });
    if (!bOk)
        return err.Set(E_ImageError::Decode, kGifName, file.ErrorText());
    return true;
}

bool ReadExtension(C_GifFile& file, S_GifExtension& ext, C_ImageError& err)
{
    GifByteType* pBlock = nullptr;
    if (DGifGetExtension(file.Get(), &ext.nFunction, &pBlock) == GIF_ERROR)
        return err.Set(E_ImageError::Decode, kGifName, file.ErrorText());
    while (pBlock) {
        ext.aBlocks.emplace_back(pBlock + 1, pBlock + 1 + pBlock[0]);
        if (DGifGetExtensionNext(file.Get(), &pBlock) == GIF_ERROR)
            return err.Set(E_ImageError::Decode, kGifName, file.ErrorText());
    }
    return true;
}

// Every record up to the trailer. Each image is parsed, checked, sized and decoded in turn;
// the first one's indices go straight into aFirstPixels, the picture's pixel bytes.
bool ReadRecords(C_GifFile& file, const C_DecodeLimit& limit, C_GifDocument& doc, std::vector<uint8_t>& aFirstPixels,
    C_ImageError& err)
{
    uint64_t nTotalPixels = 0;
    std::vector<S_GifExtension> aPending;
    for (bool bDone = false; !bDone;) {
        GifRecordType eType = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(file.Get(), &eType) == GIF_ERROR)
            return err.Set(E_ImageError::Decode, kGifName, file.ErrorText());
        switch (eType) {
        case IMAGE_DESC_RECORD_TYPE: {
            if (DGifGetImageDesc(file.Get()) == GIF_ERROR)
                return err.Set(E_ImageError::Decode, kGifName, file.ErrorText());
            const bool bFirst = doc.m_aFrames.empty();
            S_GifFrame frame;
            if (!ParseImageDesc(*file.Get(), bFirst, frame, err) || !AdmitImage(file, frame, limit, nTotalPixels, err))
                return false;
            frame.aExtensions = std::move(aPending);
            aPending.clear();
            if (!ReadPixels(file, frame, bFirst ? aFirstPixels : frame.aPixels, err))
                return false;
            doc.m_aFrames.push_back(std::move(frame));
            break;
        }
        case EXTENSION_RECORD_TYPE: {
            S_GifExtension ext;
            if (!ReadExtension(file, ext, err))
                return false;
            aPending.push_back(std::move(ext));
            break;
        }
        case TERMINATE_RECORD_TYPE: bDone = true; break;
        default: return err.Set(E_ImageError::Decode, kGifName, "unknown record");
        }
    }
    if (doc.m_aFrames.empty())
        return err.Set(E_ImageError::NoFrame, kGifName, "no image");
    doc.m_aTrailing = std::move(aPending);
    return true;
}

// Every frame needs a colour table deep enough for its indices, or a save would change them:
// a frame without any table gets a gray global one, a shallow table is padded.
void CompleteMaps(C_GifDocument& doc, std::span<const uint8_t> aFirstPixels)
{
    for (size_t i = 0; i < doc.m_aFrames.size(); ++i) {
        const int nBits = C_GifLayout::BitsFor(i == 0 ? aFirstPixels : doc.m_aFrames[i].aPixels);
        S_GifColourMap* pMap = doc.EffectiveMap(i);
        if (!pMap) {
            doc.m_bHasGlobalMap = true;
            doc.m_globalMap.aColours = C_DefaultColours::GrayRamp();
            pMap = &doc.m_globalMap;
        }
        C_GifLayout::PadMap(pMap->aColours, nBits);
    }
}

}  // namespace

bool C_GifDecoder::IsGif(std::span<const uint8_t> head)
{
    return head.size() >= 6
        && (std::memcmp(head.data(), "GIF87a", 6) == 0 || std::memcmp(head.data(), "GIF89a", 6) == 0);
}

bool C_GifDecoder::Decode(C_ByteSource& src, const C_DecodeLimit& limit, BTCImageData& out, C_ImageError& err)
{
    std::vector<uint8_t> aFile;
    if (!src.ReadRest(0, aFile))
        return err.Set(E_ImageError::CannotRead, src.GetError());
    if (!IsGif(aFile))
        return err.Set(E_ImageError::UnknownFormat);

    C_GifFile file;
    if (!file.OpenRead(aFile, err))
        return false;
    auto pDoc = std::make_unique<C_GifDocument>();
    ParseScreen(aFile, *file.Get(), *pDoc);
    if (!ReadRecords(file, limit, *pDoc, out.m_aBits, err))
        return false;
    CompleteMaps(*pDoc, out.m_aBits);
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
    out.m_pDocument = std::move(pDoc);
    return true;
}
