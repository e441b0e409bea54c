// Arbitrary bytes as a picture. What loads must survive every operation the program applies to
// a picture: compare with itself, save in each format and load again (the own format giving the
// same picture back), gray scale, and the same saves after it.
//
// An input that starts with the PNG signature has its chunks' CRCs set right before the load:
// libpng refuses a wrong CRC at once, so almost every mutation would end there. To replay a
// finding outside the harness, set its CRCs right the same way.

#include "model/analysis/C_DetectionCheck.h"
#include "model/pictures/BTCImageObject.h"
#include "model/effects/C_GrayscaleEffect.h"
#include "model/effects/C_ImageComparer.h"
#include "model/effects/C_PalettePairing.h"
#include "model/pictures/C_PixelReader.h"
#include "model/pictures/jpeg/C_JpegDocument.h"
#include "model/pictures/png/C_PngCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <span>
#include <vector>

#include <zlib.h>

namespace {

// Above the consent bound (64 MiB), so that the fuzzer meets pictures as the programs do by
// default: one that expands far beyond its input is refused by that bound, not by this cap.
constexpr uint32_t kMaxImageBytes = 256u << 20;
// Conversions cost several buffers per pixel; larger pictures only get the load.
constexpr uint64_t kMaxConvertedPixels = 1u << 20;

constexpr E_ImageFormat kFormats[] = {
    E_ImageFormat::Bmp, E_ImageFormat::Pcx, E_ImageFormat::Gif, E_ImageFormat::Png, E_ImageFormat::Jpeg};

// Writes each whole chunk's CRC after its name and data; a chunk cut short by the end is left.
void SetPngCrcs(std::vector<uint8_t>& file)
{
    size_t nPos = 8;
    while (file.size() - nPos >= 12) {
        const uint64_t nLength = uint64_t{file[nPos]} << 24 | uint64_t{file[nPos + 1]} << 16
            | uint64_t{file[nPos + 2]} << 8 | file[nPos + 3];
        if (nLength > file.size() - nPos - 12)
            return;
        const size_t nCrcAt = nPos + 8 + static_cast<size_t>(nLength);
        const uLong nCrc = crc32(0, file.data() + nPos + 4, static_cast<uInt>(nLength + 4));
        for (int i = 0; i < 4; ++i)
            file[nCrcAt + i] = static_cast<uint8_t>(nCrc >> (24 - 8 * i));
        nPos = nCrcAt + 4;
    }
}

[[noreturn]] void Fault(const char* pWhat, const BTCImageObject& obj)
{
    std::fprintf(stderr, "fuzz_image: %s (%s)\n", pWhat, obj.GetLastError().c_str());
    std::abort();
}

void SaveAndReload(BTCImageObject& obj)
{
    const BTCImageData& data = *obj.GetObjectDataPtr();
    for (const E_ImageFormat eFormat : kFormats) {
        std::vector<uint8_t> saved;
        // A picture too large for the target format may be refused; nothing else may fail.
        if (!obj.SaveToMemory(eFormat, saved))
            continue;
        BTCImageObject again;
        if (!again.LoadFromMemory(saved))
            Fault("a saved picture does not load", again);
        // A JPEG keeps its coefficients, not pixels changed since: those are compressed anew.
        const C_JpegDocument* pJpeg = C_JpegDocument::Of(data);
        const bool bKeeps = eFormat != E_ImageFormat::Jpeg || (pJpeg && pJpeg->ShowsCoefficients(data));
        if (data.GetSourceFormat() == eFormat && bKeeps
            && C_ImageComparer::Compare(*again.GetObjectDataPtr(), data) != 0)
            Fault("saving in its own format changed the picture", obj);
    }
}

// Every displayed pixel as blue, green, red, top row first; empty when the reader refuses.
std::vector<uint8_t> Look(const BTCImageData& data)
{
    const C_PixelReader reader(data);
    if (!reader.IsValid())
        return {};
    std::vector<uint8_t> look(size_t{3} * reader.GetWidth() * reader.GetHeight());
    for (uint32_t y = 0; y < reader.GetHeight(); ++y)
        reader.BgrOfStoredRow(reader.StoredRowOf(y), look.data() + size_t{3} * reader.GetWidth() * y);
    return look;
}

void CheckDetection(const BTCImageObject& obj)
{
    const BTCImageData& data = *obj.GetObjectDataPtr();
    const S_DetectionResult result = C_DetectionCheck::Run(data);
    for (const S_ChannelFindings& c : result.aChannels)
        for (const double d : {c.dSpa, c.dRs, c.dChiSquare})
            if (!(d >= 0.0 && d <= 1.0))
                Fault("a detection estimate outside [0, 1]", obj);
    if (!result.aChannels.empty() && result.aLsbPlane.size() != size_t{3} * result.nPlaneWidth * result.nPlaneHeight)
        Fault("the lowest-bit plane does not match its size", obj);
}

// Pairing must leave every pixel looking as it did, or leave the picture alone.
void CheckPairing(BTCImageObject& obj)
{
    BTCImageData& data = *obj.GetObjectDataPtr();
    const std::vector<uint8_t> before = Look(data);
    const std::vector<uint8_t> bits(data.GetBits(), data.GetBits() + data.GetImageSize());
    if (C_PalettePairing::Apply(data) != E_PairingOutcome::Paired) {
        if (!std::equal(bits.begin(), bits.end(), data.GetBits()))
            Fault("a refused pairing changed the pixel bytes", obj);
        return;
    }
    if (Look(data) != before)
        Fault("pairing changed how the picture looks", obj);
}

}  // namespace

// Undefined behaviour stops the run, so libFuzzer records it as a finding.
extern "C" const char* __ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    std::span<const uint8_t> input(pData, nSize);
    std::vector<uint8_t> png;
    if (C_PngCodec::IsPng(input)) {
        png.assign(pData, pData + nSize);
        SetPngCrcs(png);
        input = png;
    }
    BTCImageObject obj;
    obj.SetMaxImageBytes(kMaxImageBytes);
    if (!obj.LoadFromMemory(input)) {
        if (obj.GetLastError().empty() || obj.GetObjectDataPtr() != nullptr)
            Fault("a refused load gave no reason or left a picture", obj);
        return 0;
    }
    BTCImageData* pPicture = obj.GetObjectDataPtr();
    if (!pPicture || pPicture->GetImageSize() == 0 || pPicture->GetWidth() <= 0 || pPicture->GetHeight() <= 0)
        Fault("a load succeeded without a picture", obj);
    if (C_ImageComparer::Compare(*pPicture, *pPicture) != 0)
        Fault("a picture differs from itself", obj);
    if (uint64_t{static_cast<uint32_t>(pPicture->GetWidth())} * static_cast<uint32_t>(pPicture->GetHeight())
        > kMaxConvertedPixels)
        return 0;

    CheckDetection(obj);
    CheckPairing(obj);
    SaveAndReload(obj);
    if (!C_GrayscaleEffect::Apply(*pPicture)) {
        // Only a picture with further frames may be refused (they would keep their colours),
        // and then the picture stays as it was loaded.
        if (!pPicture->Layout().bFurtherFrames)
            Fault("gray scale refused a loaded picture", obj);
        BTCImageObject loaded;
        if (!loaded.LoadFromMemory(input) || C_ImageComparer::Compare(*loaded.GetObjectDataPtr(), *pPicture) != 0)
            Fault("a refused gray scale changed the picture", obj);
        return 0;
    }
    SaveAndReload(obj);
    pPicture->DeleteObject();
    pPicture->DeleteObject();
    return 0;
}
