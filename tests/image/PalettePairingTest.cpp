// Palette pairing: every picture looks the same after pairing and after a save and reload in its
// own format, while a flip of an index's low bit now shows a near colour.

#include "tests/support/C_ImageBytes.h"
#include "tests/support/C_PngBytes.h"
#include "model/pictures/BTCImageObject.h"
#include "model/pictures/gif/C_GifDocument.h"
#include "model/effects/C_PalettePairing.h"
#include "model/pictures/C_PixelReader.h"
#include "model/pictures/png/C_PngDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

namespace {

using B = C_ImageBytes;
using P = C_PngBytes;
using PP = C_PalettePairing;

// n colours in n/2 pairs of near colours whose members stand n/2 places apart, so that every
// entry's low-bit partner belongs to another pair.
std::vector<S_Rgb> Scattered(size_t n, uint8_t nSeed)
{
    const std::vector<S_Rgb> centres = B::Palette(n / 2, nSeed);
    std::vector<S_Rgb> p(n);
    for (size_t c = 0; c < n / 2; ++c) {
        p[c] = centres[c];
        p[c + n / 2] =
            S_Rgb{static_cast<uint8_t>(centres[c].r ^ 3), centres[c].g, static_cast<uint8_t>(centres[c].b ^ 1)};
    }
    return p;
}

std::vector<uint8_t> Indices(size_t nCount, uint32_t nColours, uint8_t nSeed)
{
    std::vector<uint8_t> v = B::Pattern(nCount, nSeed);
    for (uint8_t& i : v)
        i = static_cast<uint8_t>(i % nColours);
    return v;
}

// What every pixel shows, top row first: blue, green, red and, for PNG, the tRNS opacity.
std::vector<uint8_t> Shown(const BTCImageData& data)
{
    const C_PixelReader reader(data);
    EXPECT_TRUE(reader.IsValid());
    std::vector<uint8_t> alpha;
    if (C_PngDocument::Of(data))
        for (const S_PngChunk& c : C_PngDocument::Of(data)->m_aChunks)
            if (c.Is("tRNS"))
                alpha = c.aData;
    std::vector<uint8_t> out, row(3 * reader.GetWidth()), indices(reader.GetWidth());
    for (uint32_t y = 0; y < reader.GetHeight(); ++y) {
        reader.BgrOfStoredRow(reader.StoredRowOf(y), row.data());
        out.insert(out.end(), row.begin(), row.end());
        reader.IndicesOfStoredRow(reader.StoredRowOf(y), indices.data());
        for (const uint8_t i : indices)
            out.push_back(C_PngDocument::Of(data) ? (i < alpha.size() ? alpha[i] : 255) : 0);
    }
    return out;
}

// Pairs the picture, saves and reloads it in its own format into reloaded; the picture must look
// the same at each step and its flips must move a pixel far less.
void PairAndReload(const std::vector<uint8_t>& file, E_ImageFormat eFormat, BTCImageObject& reloaded)
{
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(file)) << obj.GetLastError();
    BTCImageData& data = *obj.GetObjectDataPtr();
    const std::vector<uint8_t> before = Shown(data);
    const double fBefore = PP::MeanFlipDistance(data);
    ASSERT_EQ(PP::Apply(data), E_PairingOutcome::Paired);
    EXPECT_EQ(Shown(data), before);
    std::vector<uint8_t> saved;
    ASSERT_TRUE(obj.SaveToMemory(eFormat, saved)) << obj.GetLastError();
    ASSERT_TRUE(reloaded.LoadFromMemory(saved)) << reloaded.GetLastError();
    EXPECT_EQ(Shown(*reloaded.GetObjectDataPtr()), before);
    EXPECT_LT(PP::MeanFlipDistance(*reloaded.GetObjectDataPtr()), fBefore / 4);
}

TEST(PalettePairing, BmpAndPcxLookTheSameWithPaddingAndStrayIndicesKept)
{
    for (const uint16_t nBits : {4, 8}) {
        SCOPED_TRACE(nBits);
        S_BmpLayout layout;
        layout.nWidth = 7;  // rows padded either way
        layout.nHeight = 5;
        layout.nBits = nBits;
        layout.aPalette = Scattered(nBits == 4 ? 16 : 64, 5);
        const uint32_t nStride = B::BmpStride(7, nBits);
        // Random bytes: padding bytes are not zero, and in the 8-bit picture some indices past
        // the 64 colours show black and must keep their value.
        layout.aPixels = B::Pattern(size_t{nStride} * 5, 9);
        for (size_t i = 0; nBits == 8 && i < layout.aPixels.size(); ++i)
            if (i % nStride < 7)
                layout.aPixels[i] = static_cast<uint8_t>(layout.aPixels[i] % 72);
        BTCImageObject reloaded;
        PairAndReload(B::Bmp(layout), E_ImageFormat::Bmp, reloaded);
        const std::vector<uint8_t>& bits = reloaded.GetObjectDataPtr()->m_aBits;
        for (size_t y = 0; y < 5; ++y) {
            const size_t nPixelBytes = (7 * nBits + 7) / 8;
            for (size_t i = nPixelBytes; i < nStride; ++i)
                EXPECT_EQ(bits[y * nStride + i], layout.aPixels[y * nStride + i]) << "padding";
            for (size_t x = 0; nBits == 8 && x < 7; ++x) {
                if (layout.aPixels[y * nStride + x] >= 64) {
                    EXPECT_EQ(bits[y * nStride + x], layout.aPixels[y * nStride + x]) << "stray index";
                }
            }
        }
    }

    S_PcxLayout pcx;
    pcx.nWidth = 9;
    pcx.nHeight = 4;
    pcx.nBytesPerLine = 10;
    pcx.aTailPalette = Scattered(256, 7);
    const std::vector<uint8_t> indices = Indices(40, 256, 3);
    for (size_t y = 0; y < 4; ++y) {
        const std::vector<uint8_t> line(indices.begin() + static_cast<std::ptrdiff_t>(10 * y),
            indices.begin() + static_cast<std::ptrdiff_t>(10 * y + 10));
        const std::vector<uint8_t> coded = B::PcxRle(line);
        pcx.aBody.insert(pcx.aBody.end(), coded.begin(), coded.end());
    }
    BTCImageObject reloaded;
    PairAndReload(B::Pcx(pcx), E_ImageFormat::Pcx, reloaded);
}

S_GifRecord Image(uint16_t nWidth, uint16_t nHeight, std::vector<uint8_t> aPixels, std::vector<S_Rgb> aLocal = {})
{
    S_GifRecord r;
    r.bImage = true;
    r.nWidth = nWidth;
    r.nHeight = nHeight;
    r.aPixels = std::move(aPixels);
    r.aLocalPalette = std::move(aLocal);
    return r;
}

S_GifRecord Control(uint8_t nTransparent)
{
    S_GifRecord r;
    r.nLabel = 0xF9;
    r.aBlocks = {{1, 0, 0, nTransparent}};
    return r;
}

// The colours a frame shows, its transparent one last; the background colour for frame 0.
std::vector<S_Rgb> FrameColours(const C_GifDocument& doc, const BTCImageData& data, size_t nFrame)
{
    const S_GifFrame& frame = doc.m_aFrames[nFrame];
    const std::vector<uint8_t>& pixels = nFrame == 0 ? data.m_aBits : frame.aPixels;
    const std::vector<S_Rgb>& map = doc.EffectiveMap(nFrame)->aColours;
    std::vector<S_Rgb> out;
    for (const uint8_t i : pixels)
        out.push_back(map.at(i));
    out.push_back(map.at(frame.aExtensions.at(0).aBlocks.at(0).at(3)));
    if (nFrame == 0)
        out.push_back(doc.m_globalMap.aColours.at(static_cast<size_t>(doc.m_nBackground)));
    return out;
}

TEST(PalettePairing, GifFramesDrawingWithTheReorderedTableLookTheSame)
{
    // The first frame draws with the global table and so does the second; with a local table on
    // the first frame, the second frame and the global table must stay as they were.
    for (const bool bLocal : {false, true}) {
        SCOPED_TRACE(bLocal);
        S_GifLayout layout;
        layout.nScreenWidth = 6;
        layout.nScreenHeight = 5;
        layout.aGlobalPalette = Scattered(64, 11);
        layout.nBackground = 5;
        layout.aRecords = {Control(3),
            Image(6, 5, Indices(30, 64, 1), bLocal ? Scattered(32, 12) : std::vector<S_Rgb>{}), Control(40),
            Image(4, 3, Indices(12, 64, 2))};
        if (bLocal)
            layout.aRecords[1].aPixels = Indices(30, 32, 1);

        BTCImageObject original;
        ASSERT_TRUE(original.LoadFromMemory(B::Gif(layout)));
        const BTCImageData& old = *original.GetObjectDataPtr();
        BTCImageObject reloaded;
        PairAndReload(B::Gif(layout), E_ImageFormat::Gif, reloaded);
        const BTCImageData& now = *reloaded.GetObjectDataPtr();
        for (size_t i = 0; i < 2; ++i)
            EXPECT_EQ(FrameColours(*C_GifDocument::Of(now), now, i), FrameColours(*C_GifDocument::Of(old), old, i))
                << "frame " << i;
        EXPECT_EQ(C_GifDocument::Of(now)->m_aFrames[1].aPixels == C_GifDocument::Of(old)->m_aFrames[1].aPixels, bLocal);
        EXPECT_EQ(C_GifDocument::Of(now)->m_globalMap.aColours == C_GifDocument::Of(old)->m_globalMap.aColours, bLocal);
    }
}

TEST(PalettePairing, PngPaletteKeepsOpacityBackgroundAndHistogram)
{
    for (const int nDepth : {2, 8}) {
        SCOPED_TRACE(nDepth);
        const uint32_t nColours = nDepth == 2 ? 4 : 200;
        const uint32_t nWidth = 7, nHeight = 4;
        const uint32_t nStride = (nWidth * nDepth + 7) / 8;
        std::vector<uint8_t> rows = B::Pattern(size_t{nStride} * nHeight, 4);
        if (nDepth == 8)
            for (uint8_t& i : rows)
                i = static_cast<uint8_t>(i % nColours);
        std::vector<S_RawChunk> chunks =
            P::Chunks(P::Make(nWidth, nHeight, 3, nDepth, false, rows, Scattered(nColours, 6)));
        std::string hist;
        for (uint32_t i = 0; i < nColours; ++i)
            hist += {static_cast<char>(i >> 8), static_cast<char>(i)};
        // Shorter than the palette: the entries after the third are opaque.
        chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(P::Find(chunks, "IDAT")),
            {P::Chunk("tRNS", "\x80\xFF\x80"), P::Chunk("bKGD", "\x01"), P::Chunk("hIST", hist)});

        BTCImageObject original;
        ASSERT_TRUE(original.LoadFromMemory(P::Join(chunks)));
        BTCImageObject reloaded;
        PairAndReload(P::Join(chunks), E_ImageFormat::Png, reloaded);
        // Each entry's background mark and count move with its colour.
        const std::vector<S_Rgb>& oldPalette = original.GetObjectDataPtr()->m_aPalette;
        const BTCImageData& now = *reloaded.GetObjectDataPtr();
        for (const S_PngChunk& c : C_PngDocument::Of(now)->m_aChunks) {
            if (c.Is("bKGD")) {
                EXPECT_EQ(now.m_aPalette.at(c.aData.at(0)), oldPalette[1]);
            }
            if (c.Is("hIST")) {
                ASSERT_EQ(c.aData.size(), 2 * nColours);
                for (size_t k = 0; k < nColours; ++k)
                    EXPECT_EQ(now.m_aPalette[k], oldPalette[c.aData[2 * k] << 8 | c.aData[2 * k + 1]]);
            }
        }
    }
}

TEST(PalettePairing, OutcomesThatLeaveThePictureAlone)
{
    S_BmpLayout layout;
    layout.nWidth = 4;
    layout.nHeight = 2;
    layout.nBits = 24;
    layout.aPixels = B::Pattern(24, 1);
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(B::Bmp(layout)));
    EXPECT_EQ(PP::Apply(*obj.GetObjectDataPtr()), E_PairingOutcome::NotPalette);

    // An animated PNG keeps its further frames compressed in the old order.
    std::vector<S_RawChunk> chunks = P::Chunks(P::Make(4, 1, 3, 8, false, {0, 1, 2, 3}, Scattered(4, 2)));
    chunks.insert(chunks.begin() + 1, P::Chunk("acTL", std::string("\0\0\0\1\0\0\0\0", 8)));
    ASSERT_TRUE(obj.LoadFromMemory(P::Join(chunks)));
    EXPECT_EQ(PP::Apply(*obj.GetObjectDataPtr()), E_PairingOutcome::Unsupported);
    EXPECT_EQ(obj.GetObjectDataPtr()->m_aPalette, Scattered(4, 2));
}

TEST(PalettePairing, PairSwapsImproveOnNearestPairsForRandomPalettes)
{
    for (const size_t n : {256u, 255u}) {
        SCOPED_TRACE(n);
        const std::vector<S_Rgb> colours = B::Palette(n, static_cast<uint8_t>(n));
        const std::vector<uint32_t> paired = PP::PairedOrder(colours, {}, {});
        std::vector<uint32_t> sorted = paired;
        std::sort(sorted.begin(), sorted.end());
        std::vector<uint32_t> same(n);
        std::iota(same.begin(), same.end(), 0u);
        ASSERT_EQ(sorted, same) << "not a reordering";
        const double fPaired = PP::PairedDistance(colours, {}, {}, paired);
        // Nearest pairs first leaves far leftovers on a palette this size; swaps must mend some.
        EXPECT_LT(fPaired, PP::PairedDistance(colours, {}, {}, PP::GreedyOrder(colours, {}, {})));
        EXPECT_LT(4 * fPaired, PP::PairedDistance(colours, {}, {}, same));
    }
}

}  // namespace
