#include "shell/C_PictureImage.h"

#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_DefaultColours.h"
#include "model/pictures/C_PixelReader.h"
#include "model/pictures/S_PixelLayout.h"

#include <QList>

#include <cstdint>
#include <vector>

namespace {

// The 2^depth colours of an index or gray picture, with the transparency its layout gives them.
QList<QRgb> ColourTable(const BTCImageData& data, const S_PixelLayout& layout)
{
    const size_t nColours = size_t{1} << layout.nBitsPerSample;
    QList<QRgb> table;
    table.reserve(qsizetype(nColours));
    if (layout.eChannels == E_PixelChannels::Gray) {
        for (size_t i = 0; i < nColours; ++i) {
            const int y = int(i * 255 / (nColours - 1));
            table << qRgb(y, y, y);
        }
        // The one gray level that is fully transparent.
        if (layout.bColourKey && layout.aColourKey[0] < nColours) {
            const QRgb c = table[qsizetype(layout.aColourKey[0])];
            table[qsizetype(layout.aColourKey[0])] = qRgba(qRed(c), qGreen(c), qBlue(c), 0);
        }
        return table;
    }
    // Past the palette's end (a hide moved an index onto its partner): shown as a save will
    // write it.
    const std::vector<S_Rgb>& aPalette = data.GetPalette();
    const bool bCoveredOnSave = layout.bPartnerBeyondPalette;
    for (size_t i = 0; i < nColours; ++i) {
        size_t n = i;
        if (n >= aPalette.size() && bCoveredOnSave)
            n = (n ^ 1u) < aPalette.size() ? n ^ 1u : aPalette.size() - 1;
        const S_Rgb c = n < aPalette.size() ? aPalette[n] : S_Rgb{};
        table << qRgb(c.r, c.g, c.b);
    }
    // One alpha per palette entry from the first; the entries after the list's end are opaque. A
    // lone transparent index keeps its colour: the view has always drawn such pictures opaque.
    for (size_t i = 0; i < layout.aIndexAlpha.size() && i < nColours; ++i) {
        const QRgb c = table[qsizetype(i)];
        table[qsizetype(i)] = qRgba(qRed(c), qGreen(c), qBlue(c), layout.aIndexAlpha[i]);
    }
    return table;
}

// Indices and gray levels of up to 8 bits, through a colour table.
QImage Tabled(const BTCImageData& data, const S_PixelLayout& layout, const C_PixelReader& reader)
{
    const int w = data.GetWidth(), h = data.GetHeight();
    const auto nStride = qsizetype(data.GetStride());
    // QImage only reads through the pointer here: the painter never writes to the picture.
    uchar* p = const_cast<uchar*>(data.GetBits());
    QImage img;
    if (layout.nBitsPerSample == 8)
        img = QImage(p, w, h, nStride, QImage::Format_Indexed8);
    else if (layout.nBitsPerSample == 1)
        img = QImage(p, w, h, nStride, QImage::Format_Mono);  // leftmost pixel in the high bit, as stored
    else {
        img = QImage(w, h, QImage::Format_Indexed8);
        if (img.isNull())
            return {};
        for (int y = 0; y < h; ++y)
            reader.IndicesOfStoredRow(uint32_t(y), img.scanLine(y));
    }
    img.setColorTable(ColourTable(data, layout));
    return img;
}

// True when the picture's channel masks are these red, green and blue ones (no masks: the
// default ones of its depth).
bool HasMasks(const BTCImageData& data, uint32_t r, uint32_t g, uint32_t b)
{
    const uint32_t* m = data.GetMasks();
    if (m[0] == 0 && m[1] == 0 && m[2] == 0)
        m = C_DefaultColours::RgbMasks(data.GetBitsPerPixel());
    return m && m[0] == r && m[1] == g && m[2] == b;
}

// Samples Qt stores the same way, shared; a null image for the others.
QImage Shared(const BTCImageData& data, const S_PixelLayout& layout)
{
    const int w = data.GetWidth(), h = data.GetHeight();
    const auto nStride = qsizetype(data.GetStride());
    uchar* p = const_cast<uchar*>(data.GetBits());
    const int nBits = layout.nBitsPerSample;
    switch (layout.eChannels) {
    case E_PixelChannels::Bgr:
        if (nBits == 8)
            return QImage(p, w, h, nStride, QImage::Format_BGR888);
        break;
    case E_PixelChannels::Rgb:
        if (nBits == 8)
            return QImage(p, w, h, nStride, QImage::Format_RGB888);
        break;
    case E_PixelChannels::Rgba:
        if (nBits == 8)
            return QImage(p, w, h, nStride, QImage::Format_RGBA8888);  // not premultiplied, as stored
        break;
    case E_PixelChannels::Masked:
        if (nBits == 16 && HasMasks(data, 0x7C00, 0x03E0, 0x001F))
            return QImage(p, w, h, nStride, QImage::Format_RGB555);
        if (nBits == 16 && HasMasks(data, 0xF800, 0x07E0, 0x001F))
            return QImage(p, w, h, nStride, QImage::Format_RGB16);
        if (nBits == 32 && HasMasks(data, 0x00FF0000, 0x0000FF00, 0x000000FF))
            return QImage(p, w, h, nStride, QImage::Format_RGB32);
        break;
    default: break;
    }
    return {};
}

// Everything else, row by row through the picture layer's reader: the colour as blue, green,
// red (a 16-bit sample's high byte), and an alpha sample's high byte from the row itself.
QImage Converted(const BTCImageData& data, const S_PixelLayout& layout, const C_PixelReader& reader)
{
    const int w = data.GetWidth(), h = data.GetHeight();
    const bool bAlpha = layout.HasAlphaSample();
    QImage img(w, h, bAlpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    if (img.isNull())
        return {};
    if (!bAlpha) {
        for (int y = 0; y < h; ++y)
            reader.BgrOfStoredRow(uint32_t(y), img.scanLine(y));
        return img;
    }
    const size_t nSampleBytes = size_t(layout.nBitsPerSample) / 8;
    const size_t nPixelBytes = size_t(layout.BitsPerPixel()) / 8;
    const size_t nAlphaAt =
        size_t(layout.nAlphaChannel) * nSampleBytes + (nSampleBytes == 2 && !layout.bBigEndian16 ? 1 : 0);
    std::vector<uint8_t> aBgr(3 * size_t(w));
    for (int y = 0; y < h; ++y) {
        reader.BgrOfStoredRow(uint32_t(y), aBgr.data());
        const uint8_t* pRow = data.GetBits() + size_t(y) * data.GetStride();
        auto* pOut = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (size_t x = 0; x < size_t(w); ++x)
            pOut[x] = qRgba(aBgr[3 * x + 2], aBgr[3 * x + 1], aBgr[3 * x], pRow[x * nPixelBytes + nAlphaAt]);
    }
    return img;
}

}  // namespace

QImage C_PictureImage::Wrap(const BTCImageData& data, bool& bFlip)
{
    bFlip = data.IsBottomUp();
    const int w = data.GetWidth(), h = data.GetHeight();
    if (!data.GetBits() || w <= 0 || h <= 0 || uint64_t(data.GetStride()) * uint64_t(h) > data.GetImageSize())
        return {};
    // The reader proves that the fields describe the buffer, so every row below lies inside it.
    const S_PixelLayout layout = data.Layout();
    const C_PixelReader reader(data);
    if (!layout.bKnown || !reader.IsValid())
        return {};
    const bool bTabled = layout.eChannels == E_PixelChannels::Index
        || (layout.eChannels == E_PixelChannels::Gray && layout.nBitsPerSample <= 8);
    if (bTabled)
        return Tabled(data, layout, reader);
    const QImage img = Shared(data, layout);
    return img.isNull() ? Converted(data, layout, reader) : img;
}
