#include "shell/C_PngImage.h"

#include "model/image/BTCImageData.h"
#include "model/image/C_PixelReader.h"
#include "model/image/png/C_PngDocument.h"

#include <QList>

#include <cstdint>
#include <vector>

namespace {

const S_PngChunk* FindChunk(const C_PngDocument& doc, const char* pName)
{
    for (const S_PngChunk& chunk : doc.m_aChunks)
        if (chunk.Is(pName))
            return &chunk;
    return nullptr;
}

// The 2^depth colours of a palette or gray picture, with the transparency its tRNS gives them.
QList<QRgb> ColourTable(const C_PixelReader& reader, const C_PngDocument& doc)
{
    const std::vector<S_Rgb>& aPalette = reader.Palette();
    const size_t nColours = size_t{1} << doc.m_nBitDepth;
    QList<QRgb> table;
    table.reserve(qsizetype(nColours));
    for (size_t i = 0; i < nColours; ++i) {
        // Past the palette's end: a hide may move the last colour's index to its partner, and a
        // save gives that index the partner's colour (C_PngCodec::CoverIndices); drawn so now.
        size_t n = i;
        if (n >= aPalette.size())
            n = (n ^ 1u) < aPalette.size() ? n ^ 1u : aPalette.size() - 1;
        const S_Rgb c = n < aPalette.size() ? aPalette[n] : S_Rgb{};
        table << qRgb(c.r, c.g, c.b);
    }
    const S_PngChunk* pTrns = FindChunk(doc, "tRNS");
    if (!pTrns)
        return table;
    const std::vector<uint8_t>& a = pTrns->aData;
    if (doc.m_nColourType == C_PngDocument::kPalette) {
        // One alpha per palette entry from the first; the entries after the chunk's end are opaque.
        for (size_t i = 0; i < a.size() && i < nColours; ++i) {
            const QRgb c = table[qsizetype(i)];
            table[qsizetype(i)] = qRgba(qRed(c), qGreen(c), qBlue(c), a[i]);
        }
    } else if (doc.m_nColourType == C_PngDocument::kGray && a.size() >= 2) {
        // The one gray level that is fully transparent, as a 16-bit sample value.
        const size_t nKey = size_t{a[0]} << 8 | a[1];
        if (nKey < nColours) {
            const QRgb c = table[qsizetype(nKey)];
            table[qsizetype(nKey)] = qRgba(qRed(c), qGreen(c), qBlue(c), 0);
        }
    }
    return table;
}

}  // namespace

QImage C_PngImage::Wrap(const BTCImageData& data)
{
    const C_PngDocument* pDoc = C_PngDocument::Of(data);
    // The reader proves that the fields describe the buffer, so every row below lies inside it.
    const C_PixelReader reader(data);
    if (!pDoc || !reader.IsValid())
        return {};
    const int w = data.GetWidth(), h = data.GetHeight();
    const auto nStride = qsizetype(data.GetStride());
    // QImage only reads through the pointer here: the painter never writes to the picture.
    uchar* p = const_cast<uchar*>(data.GetBits());
    const int nDepth = pDoc->m_nBitDepth;
    const int nType = pDoc->m_nColourType;

    if (reader.IsIndexed()) {
        QImage img;
        if (nDepth == 8)
            img = QImage(p, w, h, nStride, QImage::Format_Indexed8);
        else if (nDepth == 1)
            img = QImage(p, w, h, nStride, QImage::Format_Mono);  // leftmost pixel in the high bit, as PNG packs
        else {
            img = QImage(w, h, QImage::Format_Indexed8);
            if (img.isNull())
                return {};
            for (int y = 0; y < h; ++y)
                reader.IndicesOfStoredRow(uint32_t(y), img.scanLine(y));
        }
        img.setColorTable(ColourTable(reader, *pDoc));
        return img;
    }
    if (nDepth == 8 && nType == C_PngDocument::kRgb)
        return QImage(p, w, h, nStride, QImage::Format_RGB888);
    if (nDepth == 8 && nType == C_PngDocument::kRgbAlpha)
        return QImage(p, w, h, nStride, QImage::Format_RGBA8888);  // not premultiplied, as PNG stores it

    // 16-bit samples and gray with alpha: the colour from the reader, the alpha sample (a
    // pixel's last, high byte first) from the row itself.
    const bool bAlpha = nType == C_PngDocument::kGrayAlpha || nType == C_PngDocument::kRgbAlpha;
    QImage img(w, h, bAlpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    if (img.isNull())
        return {};
    if (!bAlpha) {
        for (int y = 0; y < h; ++y)
            reader.BgrOfStoredRow(uint32_t(y), img.scanLine(y));
        return img;
    }
    const size_t nPixelBytes = size_t(data.GetBitsPerPixel()) / 8;
    const size_t nAlphaAt = nPixelBytes - size_t(nDepth) / 8;
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
