#include "model/pictures/png/C_PngCodec.h"

#include "model/pictures/C_ImageConverter.h"

#include "model/pictures/C_CheckedSize.h"
#include "model/pictures/png/C_PngDocument.h"
#include "model/pictures/png/vmk_png_name.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

// libpng reports a failure by a longjmp back to the setjmp of the function that called it. The
// functions here that hold a setjmp keep only trivially destructible locals, and no callback
// has a C++ object alive when it enters libpng's error path, so a jump skips no destructor.

namespace {

// libpng's mode bit for "IDAT seen"; only PNG_AFTER_IDAT is public, and it is set only once the
// image data has been read to its end.
constexpr unsigned kHaveIdat = 0x04;
// Read and write in blocks of this size rather than in libpng's small pieces.
constexpr size_t kBlockBytes = size_t{1} << 16;

// What every callback of one decode or encode shares.
struct S_PngJob {
    char aMessage[200] = {};  // libpng's or our own words for the failure
    E_ImageError eCode = E_ImageError::None;
    E_ImageError eLibraryCode = E_ImageError::Decode;  // what a failure inside libpng means

    void Note(E_ImageError eWhy, const char* pText)
    {
        if (eCode != E_ImageError::None)
            return;  // the first reason is the real one
        eCode = eWhy;
        std::snprintf(aMessage, sizeof aMessage, "%s", pText);
    }
};

struct S_PngReadJob : S_PngJob {
    C_ByteSource* pSrc = nullptr;
    uint64_t nNext = 0;  // file offset of the block after the buffered one
    std::vector<uint8_t> aBlock;
    size_t nBlockPos = 0;
    std::vector<S_PngChunk> aChunks;
    // Rows whose last byte holds padding bits after the last pixel (a depth below 8 and a width
    // that does not fill it): the file keeps those bits, and so must the pixel bytes.
    png_bytepp ppRows = nullptr;
    size_t nRows = 0;
    size_t nRowBytes = 0;

    // Copies the next nCount bytes of the file; false when the file ends first.
    bool Take(uint8_t* pOut, size_t nCount)
    {
        while (nCount > 0) {
            if (nBlockPos == aBlock.size()) {
                const uint64_t nLeft = pSrc->Size() - nNext;
                if (nLeft == 0)
                    return false;
                aBlock.resize(static_cast<size_t>(std::min<uint64_t>(kBlockBytes, nLeft)));
                if (!pSrc->Read(nNext, aBlock.data(), aBlock.size()))
                    return false;
                nNext += aBlock.size();
                nBlockPos = 0;
            }
            const size_t n = std::min(nCount, aBlock.size() - nBlockPos);
            std::memcpy(pOut, aBlock.data() + nBlockPos, n);
            nBlockPos += n;
            pOut += n;
            nCount -= n;
        }
        return true;
    }
};

struct S_PngWriteJob : S_PngJob {
    C_ByteSink* pSink = nullptr;
    std::vector<uint8_t> aBlock;

    bool Flush()
    {
        const bool bOk = aBlock.empty() || pSink->Write(aBlock.data(), aBlock.size());
        aBlock.clear();
        return bOk;
    }
};

[[noreturn]] void OnError(png_structp png, png_const_charp pMessage)
{
    auto* pJob = static_cast<S_PngJob*>(png_get_error_ptr(png));
    pJob->Note(pJob->eLibraryCode, pMessage);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp)
{
    // Anything that loses data is an error (benign errors are errors here); the rest is noise.
}

void ReadBytes(png_structp png, png_bytep pOut, size_t nCount)
{
    auto* pJob = static_cast<S_PngReadJob*>(png_get_io_ptr(png));
    if (!pJob->Take(pOut, nCount)) {
        pJob->Note(E_ImageError::Truncated, "the file ends inside a chunk");
        png_error(png, "truncated");
    }
}

void WriteBytes(png_structp png, png_bytep pData, size_t nCount)
{
    auto* pJob = static_cast<S_PngWriteJob*>(png_get_io_ptr(png));
    bool bOk = true;
    try {
        pJob->aBlock.insert(pJob->aBlock.end(), pData, pData + nCount);
        if (pJob->aBlock.size() >= kBlockBytes)
            bOk = pJob->Flush();
    } catch (const std::bad_alloc&) {
        bOk = false;
    }
    if (!bOk) {
        pJob->Note(E_ImageError::CannotWrite, "write failed");
        png_error(png, "write failed");
    }
}

void FlushNothing(png_structp)
{
    // Flushed once, at the end.
}

// Every chunk but IHDR, PLTE, IDAT and IEND comes here, raw: kept with its place for the save.
int OnChunk(png_structp png, png_unknown_chunkp pChunk)
{
    auto* pJob = static_cast<S_PngReadJob*>(png_get_user_chunk_ptr(png));
    if ((pChunk->name[0] & 0x20) == 0) {
        char aText[64];
        std::snprintf(aText, sizeof aText, "unknown critical chunk %.4s", reinterpret_cast<const char*>(pChunk->name));
        pJob->Note(E_ImageError::Decode, aText);
        return -1;
    }
    try {
        S_PngChunk chunk;
        std::memcpy(chunk.aName.data(), pChunk->name, 4);
        if ((pChunk->location & (PNG_AFTER_IDAT | kHaveIdat)) != 0)
            chunk.ePlace = E_PngPlace::AfterData;
        else if ((pChunk->location & PNG_HAVE_PLTE) != 0)
            chunk.ePlace = E_PngPlace::BeforeData;
        chunk.aData.assign(pChunk->data, pChunk->data + pChunk->size);
        pJob->aChunks.push_back(std::move(chunk));
    } catch (const std::bad_alloc&) {
        pJob->Note(E_ImageError::TooLarge, "out of memory for a chunk");
        return -1;
    }
    return 1;
}

// Called with each unfiltered row before libpng copies it out. libpng keeps the destination's
// bits after the last pixel, so they are set here from the file's row; an interlaced file has
// no such bits for the full rows, only for each pass's.
void KeepPadding(png_structp png, png_row_infop, png_bytep pRow)
{
    auto* pJob = static_cast<S_PngReadJob*>(png_get_user_transform_ptr(png));
    const png_uint_32 nRow = png_get_current_row_number(png);
    if (pJob->ppRows && nRow < pJob->nRows)
        pJob->ppRows[nRow][pJob->nRowBytes - 1] = pRow[pJob->nRowBytes - 1];
}

struct S_PngHeader {
    png_uint_32 nWidth = 0;
    png_uint_32 nHeight = 0;
    int nBitDepth = 0;
    int nColourType = 0;
    int nInterlace = 0;
    png_colorp pPalette = nullptr;  // owned by libpng's info
    int nPaletteSize = 0;
};

// Owns libpng's read or write structures.
class C_PngHandle {
public:
    C_PngHandle(bool bRead, S_PngJob& job)
        : m_bRead(bRead)
    {
        m_png = bRead ? png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning)
                      : png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning);
        if (m_png)
            m_info = png_create_info_struct(m_png);
    }
    ~C_PngHandle()
    {
        if (m_bRead)
            png_destroy_read_struct(&m_png, m_info ? &m_info : nullptr, nullptr);
        else
            png_destroy_write_struct(&m_png, m_info ? &m_info : nullptr);
    }
    C_PngHandle(const C_PngHandle&) = delete;
    C_PngHandle& operator=(const C_PngHandle&) = delete;

    bool Ok() const { return m_png && m_info; }
    png_structp Png() const { return m_png; }
    png_infop Info() const { return m_info; }

private:
    bool m_bRead;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

bool ReadHeader(png_structp png, png_infop info, S_PngReadJob* pJob, S_PngHeader* pHeader)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, pJob, ReadBytes);
    // A wrong CRC is refused for every chunk, and so is whatever libpng would otherwise pass
    // over with a warning (extra data, a chunk too large to keep): nothing is dropped unseen.
    png_set_crc_action(png, PNG_CRC_DEFAULT, PNG_CRC_ERROR_QUIT);
    png_set_benign_errors(png, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, nullptr, -1);
    static const png_byte kTrns[] = {'t', 'R', 'N', 'S', '\0'};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, kTrns, 1);
    png_set_read_user_chunk_fn(png, pJob, OnChunk);
    // Indices past the palette's end are read as they are (a save extends the palette).
    png_set_check_for_invalid_index(png, 0);
    // No chunk can be longer than the file; the picture's size is ours to limit.
    png_set_chunk_malloc_max(png, static_cast<png_alloc_size_t>(std::min<uint64_t>(pJob->pSrc->Size(), 1u << 30)));
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_read_info(png, info);
    png_get_IHDR(png, info, &pHeader->nWidth, &pHeader->nHeight, &pHeader->nBitDepth, &pHeader->nColourType,
        &pHeader->nInterlace, nullptr, nullptr);
    if ((png_get_valid(png, info, PNG_INFO_PLTE) & PNG_INFO_PLTE) != 0)
        png_get_PLTE(png, info, &pHeader->pPalette, &pHeader->nPaletteSize);
    return true;
}

bool ReadPixels(png_structp png, png_infop info, S_PngReadJob* pJob, png_bytepp ppRows, bool bPadded)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_interlace_handling(png);
    if (bPadded) {
        png_set_read_user_transform_fn(png, KeepPadding);
        png_set_user_transform_info(png, pJob, 0, 0);
    }
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != pJob->nRowBytes)
        png_error(png, "unexpected row size");
    png_read_image(png, ppRows);
    png_read_end(png, info);
    return true;
}

bool WriteAll(png_structp png, png_infop info, const BTCImageData* pData, bool bInterlaced, S_PngWriteJob* pJob,
    png_const_colorp pPalette, int nPaletteSize, png_const_unknown_chunkp pChunks, int nChunks, png_bytepp ppRows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const C_PngDocument& doc = *C_PngDocument::Of(*pData);
    png_set_write_fn(png, pJob, WriteBytes, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(pData->m_nWidth), static_cast<png_uint_32>(pData->m_nHeight),
        doc.m_nBitDepth, doc.m_nColourType, bInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (nPaletteSize > 0)
        png_set_PLTE(png, info, pPalette, nPaletteSize);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, nullptr, 0);
    if (nChunks > 0)
        png_set_unknown_chunks(png, info, pChunks, nChunks);
    // Level 2 of zlib: a photograph's file comes out about a tenth larger than at the default 6, and
    // is written six to eight times faster (a 4032 x 3024 one in 0.7 s instead of 5.6 s).
    png_set_compression_level(png, 2);
    png_write_info(png, info);
    png_write_image(png, ppRows);
    png_write_end(png, info);
    return true;
}

// The largest colour index in the pixel bytes of a palette picture; the bits after a row's
// last pixel are no index and are left out.
uint32_t MaxIndex(const BTCImageData& data, int nDepth)
{
    uint8_t aLargest[256];  // the largest index packed in each byte value
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t nMax = 0;
        for (int nShift = 0; nShift < 8; nShift += nDepth)
            nMax = std::max(nMax, (b >> nShift) & ((1u << nDepth) - 1u));
        aLargest[b] = static_cast<uint8_t>(nMax);
    }
    const uint64_t nRowBits = static_cast<uint64_t>(data.m_nWidth) * static_cast<uint64_t>(nDepth);
    const auto nLastMask = static_cast<uint8_t>(nRowBits % 8 == 0 ? 0xFFu : 0xFFu << (8 - nRowBits % 8));
    uint8_t nMax = 0;
    for (int32_t y = 0; y < data.m_nHeight && data.m_nStride > 0; ++y) {
        const uint8_t* pRow = data.m_aBits.data() + static_cast<size_t>(y) * data.m_nStride;
        for (uint32_t i = 0; i + 1 < data.m_nStride; ++i)
            nMax = std::max(nMax, aLargest[pRow[i]]);
        nMax = std::max(nMax, aLargest[pRow[data.m_nStride - 1] & nLastMask]);
    }
    return nMax;
}

std::vector<png_color> PaletteFor(const BTCImageData& data, const C_PngDocument& doc)
{
    const bool bIndexed = doc.m_nColourType == C_PngDocument::kPalette;
    std::vector<png_color> aPalette;
    for (const S_Rgb& c : bIndexed ? data.m_aPalette : doc.m_aSuggestedPalette)
        aPalette.push_back(png_color{c.r, c.g, c.b});
    return aPalette;
}

// Some bit after a row's last pixel is set.
bool HasPaddingBits(const BTCImageData& data, int nBits)
{
    const uint64_t nRowBits = static_cast<uint64_t>(data.m_nWidth) * static_cast<uint64_t>(nBits);
    if (nRowBits % 8 == 0)
        return false;
    const auto nMask = static_cast<uint8_t>(0xFFu >> (nRowBits % 8));
    for (int32_t y = 0; y < data.m_nHeight; ++y)
        if ((data.m_aBits[static_cast<size_t>(y) * data.m_nStride + data.m_nStride - 1] & nMask) != 0)
            return true;
    return false;
}

bool Failed(const S_PngJob& job, E_ImageError eDefault, C_ImageError& err)
{
    return err.Set(job.eCode == E_ImageError::None ? eDefault : job.eCode, kPngName, job.aMessage);
}

}  // namespace

void C_PngCodec::CoverIndices(BTCImageData& data)
{
    const C_PngDocument* pDoc = C_PngDocument::Of(data);
    if (!pDoc || pDoc->m_nColourType != C_PngDocument::kPalette || data.m_aPalette.empty() || data.m_nStride == 0)
        return;
    const size_t nNeeded =
        std::min<size_t>(size_t{MaxIndex(data, pDoc->m_nBitDepth)} + 1, size_t{1} << pDoc->m_nBitDepth);
    std::vector<S_Rgb>& aPalette = data.m_aPalette;
    const size_t nOriginal = aPalette.size();
    while (aPalette.size() < nNeeded) {
        const size_t nPartner = aPalette.size() ^ 1u;
        aPalette.push_back(aPalette[nPartner < nOriginal ? nPartner : nOriginal - 1]);
    }
}

bool C_PngCodec::IsPng(std::span<const uint8_t> head)
{
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return head.size() >= sizeof kSignature && std::equal(std::begin(kSignature), std::end(kSignature), head.begin());
}

bool C_PngCodec::Decode(C_ByteSource& src, const C_DecodeLimit& limit, BTCImageData& out, C_ImageError& err)
{
    S_PngReadJob job;
    job.pSrc = &src;
    C_PngHandle handle(true, job);
    if (!handle.Ok())
        return err.Set(E_ImageError::Decode, kPngName, "libpng could not start");
    S_PngHeader header;
    if (!ReadHeader(handle.Png(), handle.Info(), &job, &header))
        return Failed(job, E_ImageError::Decode, err);

    // Sized and admitted before libpng allocates a single row, so a tiny file that claims a
    // huge picture costs nothing.
    const int nChannels = C_PngDocument::Channels(header.nColourType);
    if (!C_PngDocument::IsValidDepth(header.nColourType, header.nBitDepth) || header.nWidth == 0 || header.nHeight == 0
        || header.nWidth > INT32_MAX || header.nHeight > INT32_MAX)
        return err.Set(E_ImageError::BadHeader);
    const int nBits = nChannels * header.nBitDepth;
    const C_CheckedSize rowBytes = C_CheckedSize::RowBytes(header.nWidth, static_cast<uint64_t>(nBits), 1);
    C_CheckedSize total = rowBytes;
    total.Mul(header.nHeight);
    if (!total.IsValid()
        || !limit.Admit(total.Get(), err, std::to_string(header.nWidth) + "x" + std::to_string(header.nHeight)))
        return err.GetCode() == E_ImageError::None ? err.Set(E_ImageError::TooLarge) : false;
    if (header.nColourType == C_PngDocument::kPalette && header.nPaletteSize == 0)
        return err.Set(E_ImageError::BadPalette);

    out.m_aBits.assign(static_cast<size_t>(total.Get()), 0);
    std::vector<png_bytep> aRows(header.nHeight);
    for (png_uint_32 y = 0; y < header.nHeight; ++y)
        aRows[y] = out.m_aBits.data() + static_cast<size_t>(y) * rowBytes.Get();
    job.nRowBytes = static_cast<size_t>(rowBytes.Get());
    job.nRows = aRows.size();
    job.ppRows = aRows.data();
    const bool bPadded =
        (uint64_t{header.nWidth} * static_cast<uint64_t>(nBits)) % 8 != 0 && header.nInterlace == PNG_INTERLACE_NONE;
    if (!ReadPixels(handle.Png(), handle.Info(), &job, aRows.data(), bPadded)) {
        out.DeleteObject();
        return Failed(job, E_ImageError::Decode, err);
    }

    auto pDoc = std::make_unique<C_PngDocument>();
    pDoc->m_nColourType = header.nColourType;
    pDoc->m_nBitDepth = header.nBitDepth;
    pDoc->m_bInterlaced = header.nInterlace != PNG_INTERLACE_NONE;
    pDoc->m_aChunks = std::move(job.aChunks);
    std::vector<S_Rgb> aPalette;
    for (int i = 0; i < header.nPaletteSize; ++i)
        aPalette.push_back(S_Rgb{header.pPalette[i].red, header.pPalette[i].green, header.pPalette[i].blue});
    if (header.nColourType == C_PngDocument::kPalette)
        out.m_aPalette = std::move(aPalette);
    else
        pDoc->m_aSuggestedPalette = std::move(aPalette);
    pDoc->Resolution(out.m_nXPelsPerMeter, out.m_nYPelsPerMeter);
    out.m_nWidth = static_cast<int32_t>(header.nWidth);
    out.m_nHeight = static_cast<int32_t>(header.nHeight);
    out.m_nBitsPerPixel = nBits;
    out.m_nStride = static_cast<uint32_t>(rowBytes.Get());
    out.m_bBottomUp = false;
    out.m_eSourceFormat = E_ImageFormat::Png;
    out.m_pDocument = std::move(pDoc);
    CoverIndices(out);  // as a save will write it
    return true;
}

bool C_PngCodec::Encode(const BTCImageData& data, C_ByteSink& sink, C_ImageError& err)
{
    if (!C_PngDocument::Of(data) || data.m_nWidth <= 0 || data.m_nHeight <= 0)
        return err.Set(E_ImageError::BadLayout);
    const C_PngDocument& doc = *C_PngDocument::Of(data);
    const std::vector<png_color> aPalette = PaletteFor(data, doc);

    std::vector<png_unknown_chunk> aChunks;
    for (const S_PngChunk& chunk : doc.m_aChunks) {
        if (!doc.KeepsOnSave(chunk))
            continue;
        png_unknown_chunk raw{};
        std::memcpy(raw.name, chunk.aName.data(), 4);
        raw.data = const_cast<png_bytep>(chunk.aData.data());  // libpng copies it
        raw.size = chunk.aData.size();
        raw.location = chunk.ePlace == E_PngPlace::AfterData ? PNG_AFTER_IDAT
            : chunk.ePlace == E_PngPlace::BeforeData         ? PNG_HAVE_PLTE
                                                             : PNG_HAVE_IHDR;
        aChunks.push_back(raw);
    }

    std::vector<png_bytep> aRows(static_cast<size_t>(data.m_nHeight));
    for (size_t y = 0; y < aRows.size(); ++y)  // libpng only reads them
        aRows[y] = const_cast<png_bytep>(data.m_aBits.data()) + y * data.m_nStride;

    S_PngWriteJob job;
    job.pSink = &sink;
    job.eLibraryCode = E_ImageError::Encode;
    C_PngHandle handle(false, job);
    if (!handle.Ok())
        return err.Set(E_ImageError::Encode, kPngName, "libpng could not start");
    // Interlacing stores each pass's pixels, not the full rows, so the bits after a row's last
    // pixel have no place in it: a picture that uses them (a hide put data there) is written
    // without interlacing rather than lose them.
    const bool bInterlaced = doc.m_bInterlaced && !HasPaddingBits(data, data.m_nBitsPerPixel);
    if (!WriteAll(handle.Png(), handle.Info(), &data, bInterlaced, &job, aPalette.data(),
            static_cast<int>(aPalette.size()), aChunks.data(), static_cast<int>(aChunks.size()), aRows.data())
        || !job.Flush())
        return Failed(job, E_ImageError::Encode, err);
    return true;
}

bool C_PngCodec::HoldsLayout(const BTCImageData& data)
{
    const C_PngDocument* pDoc = C_PngDocument::Of(data);
    const int nBits = data.m_nBitsPerPixel;
    const size_t nColours = data.m_aPalette.size();
    if (data.m_bBottomUp || !pDoc || !C_PngDocument::IsValidDepth(pDoc->m_nColourType, pDoc->m_nBitDepth)
        || pDoc->BitsPerPixel() != nBits)
        return false;
    if (pDoc->m_nColourType == C_PngDocument::kPalette && (nColours == 0 || nColours > (1u << nBits)))
        return false;
    return data.m_nStride
        == C_CheckedSize::RowBytes(static_cast<uint64_t>(data.m_nWidth), static_cast<uint64_t>(nBits), 1).Get();
}

void C_PngCodec::AdoptConverted(BTCImageData& out, const BTCImageData& src)
{
    const bool bIndexed = out.m_nBitsPerPixel <= 8;
    auto pDoc = std::make_unique<C_PngDocument>();
    pDoc->m_nColourType = bIndexed ? C_PngDocument::kPalette : C_PngDocument::kRgb;
    pDoc->m_nBitDepth = bIndexed ? out.m_nBitsPerPixel : 8;
    pDoc->SetResolution(src.m_nXPelsPerMeter, src.m_nYPelsPerMeter);
    out.m_pDocument = std::move(pDoc);
    if (bIndexed)
        return;
    // PNG stores red, green, blue.
    C_ImageConverter::SwapRedAndBlue(out);
}
