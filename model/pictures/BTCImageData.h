#pragma once
// A decoded picture: its pixel bytes exactly as the carrier uses them, and what a painter or an
// encoder needs besides (geometry, row layout, palette, and what the file held around them).
//
// Pixel byte layout per source format:
//   BMP  the file's pixel array: its own depth, rows padded to 4 bytes, bottom-up unless the
//        file stored a negative height (RLE files decode to bottom-up rows of the same depth)
//   GIF  first frame, one colour index per pixel, rows top to bottom, no padding (8 bits)
//   PCX  palette pictures: one index per pixel, top to bottom, no padding (8 bits);
//        24-bit pictures: blue, green, red per pixel, top to bottom, no padding (24 bits)
//   PNG  the unfiltered rows without their filter-type byte, top to bottom, de-interlaced:
//        PNG's samples and channel order, depths below 8 packed most significant bits first,
//        16-bit samples most significant byte first (1 to 64 bits: channels x bit depth)

#include "model/pictures/C_ImageFormat.h"
#include "model/pictures/C_PictureDocument.h"
#include "model/pictures/S_PixelLayout.h"
#include "model/pictures/S_Rgb.h"

#include <cstdint>
#include <memory>
#include <vector>

class BTCImageData {
public:
    BTCImageData();
    ~BTCImageData();
    BTCImageData(const BTCImageData&) = delete;
    BTCImageData& operator=(const BTCImageData&) = delete;

    // The pixel bytes: one contiguous writable buffer, in place while the picture is loaded.
    uint8_t* GetBits() { return m_aBits.empty() ? nullptr : m_aBits.data(); }
    const uint8_t* GetBits() const { return m_aBits.empty() ? nullptr : m_aBits.data(); }
    uint32_t GetImageSize() const { return static_cast<uint32_t>(m_aBits.size()); }
    int32_t GetWidth() const { return m_nWidth; }
    int32_t GetHeight() const { return m_nHeight; }  // always positive
    int GetBitsPerPixel() const { return m_nBitsPerPixel; }

    // For painters and encoders.
    uint32_t GetStride() const { return m_nStride; }                     // bytes from one stored row to the next
    bool IsBottomUp() const { return m_bBottomUp; }                      // first stored row is the bottom one
    const std::vector<S_Rgb>& GetPalette() const { return m_aPalette; }  // empty for true colour
    // Channel masks of a 16- or 32-bit picture (red, green, blue, alpha); 0 where not used.
    const uint32_t* GetMasks() const { return m_aMasks; }
    E_ImageFormat GetSourceFormat() const { return m_eSourceFormat; }
    // How the pixel bytes are laid out, as the picture's format describes them; bKnown is false
    // for fields that do not describe a layout any reader knows.
    S_PixelLayout Layout() const;

    // Releases the picture; safe to repeat and on data never loaded.
    void DeleteObject();
    bool IsEmpty() const { return m_aBits.empty(); }
    // Exchanges two pictures; the pixel buffers change owners without moving.
    void Swap(BTCImageData& other) noexcept;
    // Makes this picture a copy of other. Pixel buffers of the same size and documents are
    // copied into, not replaced, so pointers to them stay valid.
    void CopyFrom(const BTCImageData& other);

    // Filled by the codecs.
    std::vector<uint8_t> m_aBits;
    int32_t m_nWidth = 0;
    int32_t m_nHeight = 0;
    int m_nBitsPerPixel = 0;
    uint32_t m_nStride = 0;
    uint32_t m_nRowAlign = 1;  // the format pads its rows to a multiple of this many bytes
    bool m_bBottomUp = false;
    std::vector<S_Rgb> m_aPalette;
    uint32_t m_aMasks[4] = {0, 0, 0, 0};
    E_ImageFormat m_eSourceFormat = E_ImageFormat::None;
    // Resolution in pixels per metre: a BMP's own fields; a PCX's dots per inch converted.
    int32_t m_nXPelsPerMeter = 0;
    int32_t m_nYPelsPerMeter = 0;
    bool m_bHadMasks = false;  // the file was BI_BITFIELDS
    // What the format kept of the file besides the pixel bytes; null for formats that keep
    // nothing (their layout follows from the fields above).
    std::unique_ptr<C_PictureDocument> m_pDocument;
};
