#include "model/pictures/jpeg/C_JpegDocument.h"

#include "model/pictures/C_ImageConverter.h"
#include "model/pictures/jpeg/vmk_jpeg_name.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace {

uint64_t Fingerprint(const BTCImageData& data)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data.m_aBits.data()), data.m_aBits.size());
    return std::hash<std::string_view>{}(bytes) ^ (uint64_t{static_cast<uint32_t>(data.m_nWidth)} << 32)
        ^ static_cast<uint32_t>(data.m_nHeight);
}

}  // namespace

bool C_JpegDocument::Decode(C_ByteSource& src, const C_DecodeLimit& limit, BTCImageData& out, C_ImageError& err)
{
    std::vector<uint8_t> file;
    if (!src.ReadRest(0, file))
        return err.Set(E_ImageError::CannotRead, src.GetError());
    C_JpegCoefficients::S_Header header;
    std::string strError;
    if (!C_JpegCoefficients::ReadHeader(file, header, strError))
        return err.Set(E_ImageError::Decode, kJpegName, strError);
    if (header.nWidth == 0 || header.nHeight == 0 || header.nWidth > INT32_MAX || header.nHeight > INT32_MAX)
        return err.Set(E_ImageError::BadHeader);
    // Held at once while reading: our coefficients and libjpeg's (2 bytes each), then the pixels
    // (CMYK decodes 4 bytes a pixel before it becomes 3).
    const uint64_t nPixelBytes = uint64_t{header.nWidth} * header.nHeight * (header.nComponents == 1 ? 1 : 4);
    const uint64_t nBytes = 4 * header.nCoefficients + nPixelBytes;
    if (!limit.Admit(nBytes, err, std::to_string(header.nWidth) + "x" + std::to_string(header.nHeight)))
        return err.GetCode() == E_ImageError::None ? err.Set(E_ImageError::TooLarge) : false;

    auto pDoc = std::make_unique<C_JpegDocument>();
    if (!pDoc->m_coefficients.Read(file, header.nCoefficients, strError))
        return err.Set(E_ImageError::Decode, kJpegName, strError);
    file = std::vector<uint8_t>();
    pDoc->m_bHasCoefficients = true;
    if (!pDoc->DecodeInto(out, true, limit.GetMaxBytes(), strError)) {
        out.DeleteObject();
        return err.Set(E_ImageError::Decode, kJpegName, strError);
    }
    out.m_pDocument = std::move(pDoc);
    return true;
}

bool C_JpegDocument::DecodeInto(BTCImageData& data, bool bSource, uint64_t nMaxBytes, std::string& strError)
{
    std::vector<uint8_t> pixels;
    int nChannels = 0;
    if (!m_coefficients.DecodePixels(bSource, nMaxBytes, pixels, nChannels, strError))
        return false;
    data.m_aBits = std::move(pixels);
    data.m_nWidth = static_cast<int32_t>(m_coefficients.Width());
    data.m_nHeight = static_cast<int32_t>(m_coefficients.Height());
    data.m_nBitsPerPixel = 8 * nChannels;
    data.m_nStride = m_coefficients.Width() * static_cast<uint32_t>(nChannels);
    data.m_nRowAlign = 1;
    data.m_bBottomUp = false;
    data.m_aPalette.clear();
    data.m_eSourceFormat = E_ImageFormat::Jpeg;
    m_nChannels = nChannels;
    m_nPixelPrint = Fingerprint(data);
    return true;
}

bool C_JpegDocument::CoefficientsChanged(BTCImageData& data, std::string& strError)
{
    if (!m_bHasCoefficients)
        return true;
    BTCImageData decoded;
    if (!DecodeInto(decoded, false, UINT32_MAX, strError))
        return false;
    if (decoded.m_aBits.size() != data.m_aBits.size()) {
        strError = "the picture's size changed";
        return false;
    }
    // Copied into the buffer the carrier views, not swapped for it.
    std::copy(decoded.m_aBits.begin(), decoded.m_aBits.end(), data.m_aBits.begin());
    return true;
}

bool C_JpegDocument::ShowsCoefficients(const BTCImageData& data) const
{
    return m_bHasCoefficients && data.m_nBitsPerPixel == 8 * m_nChannels && Fingerprint(data) == m_nPixelPrint;
}

bool C_JpegDocument::Encode(BTCImageData& data, C_ByteSink& sink, C_ImageError& err)
{
    std::vector<uint8_t> file;
    std::string strError;
    const C_JpegDocument* pDoc = Of(data);
    if (pDoc && pDoc->ShowsCoefficients(data)) {
        if (!pDoc->m_coefficients.Write(file, strError))
            return err.Set(E_ImageError::Encode, kJpegName, strError);
    } else if (!HoldsLayout(data)
        || !C_JpegCoefficients::Compress(data.m_aBits.data(), static_cast<uint32_t>(data.m_nWidth),
            static_cast<uint32_t>(data.m_nHeight), data.m_nStride, data.m_nBitsPerPixel / 8, kQuality, file,
            strError)) {
        return err.Set(E_ImageError::Encode, kJpegName, strError.empty() ? "JPEG cannot hold this picture" : strError);
    }
    sink.Write(file.data(), file.size());
    return sink.Ok() || err.Set(E_ImageError::CannotWrite);
}

bool C_JpegDocument::HoldsLayout(const BTCImageData& data)
{
    const int nBits = data.m_nBitsPerPixel;
    if (data.m_bBottomUp || (nBits != 8 && nBits != 24) || data.m_nWidth <= 0 || data.m_nHeight <= 0
        || !data.m_aPalette.empty())
        return false;
    const S_PixelLayout layout = data.Layout();
    const bool bChannels =
        nBits == 8 ? layout.eChannels == E_PixelChannels::Gray : layout.eChannels == E_PixelChannels::Rgb;
    return layout.bKnown && bChannels && data.m_nStride == static_cast<uint32_t>(data.m_nWidth) * (nBits / 8)
        && data.m_aBits.size() == size_t{data.m_nStride} * static_cast<size_t>(data.m_nHeight);
}

void C_JpegDocument::AdoptConverted(BTCImageData& out, const BTCImageData& /*src*/)
{
    auto pDoc = std::make_unique<C_JpegDocument>();
    pDoc->m_nChannels = out.m_nBitsPerPixel / 8;
    out.m_pDocument = std::move(pDoc);
    // JPEG's pixels are red, green, blue.
    if (out.m_nBitsPerPixel == 24)
        C_ImageConverter::SwapRedAndBlue(out);
}

bool C_JpegDocument::AssignFrom(const C_PictureDocument& other)
{
    const auto* pOther = dynamic_cast<const C_JpegDocument*>(&other);
    if (!pOther)
        return false;
    *this = *pOther;
    return true;
}

void C_JpegDocument::Describe(const BTCImageData& data, S_PixelLayout& layout) const
{
    if (data.m_bBottomUp || (data.m_nBitsPerPixel != 8 && data.m_nBitsPerPixel != 24))
        return;
    layout.bKnown = true;
    layout.nBitsPerSample = 8;
    layout.nChannels = data.m_nBitsPerPixel / 8;
    layout.eChannels = layout.nChannels == 1 ? E_PixelChannels::Gray : E_PixelChannels::Rgb;
}
