// The difference picture: one changed lowest bit must show, in the right place, and its counts
// must agree with what a hide changes.

#include "model/effects/C_DifferenceMap.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// A 24-bit BMP layout, rows bottom-up and padded to 4 bytes, every byte `nFill`.
void Fill24(BTCImageData& d, int w, int h, uint8_t nFill)
{
    d.m_eSourceFormat = E_ImageFormat::Bmp;
    d.m_nWidth = w;
    d.m_nHeight = h;
    d.m_nBitsPerPixel = 24;
    d.m_nStride = static_cast<uint32_t>((w * 3 + 3) / 4 * 4);
    d.m_bBottomUp = true;
    d.m_aBits.assign(size_t(d.m_nStride) * size_t(h), nFill);
}

// The map's red, green, blue at display position (x, y).
struct S_Px {
    uint8_t r, g, b;
};
S_Px At(const C_DifferenceMap& m, uint32_t x, uint32_t y)
{
    const uint8_t* p = &m.GetRgb()[(size_t(y) * m.GetWidth() + x) * 3];
    return {p[0], p[1], p[2]};
}

TEST(DifferenceMapTest, MarksOneLowBitRedAndLargerChangesYellowWhereTheyShow)
{
    BTCImageData a, b;
    Fill24(a, 3, 2, 200);
    Fill24(b, 3, 2, 200);
    // Stored row 0 is the bottom row: its second pixel's green byte loses its lowest bit.
    b.m_aBits[3 + 1] ^= 1;
    C_DifferenceMap map;
    ASSERT_TRUE(map.Build(a, b));
    ASSERT_EQ(map.GetWidth(), 3u);
    ASSERT_EQ(map.GetHeight(), 2u);
    for (uint32_t y = 0; y < 2; ++y) {
        for (uint32_t x = 0; x < 3; ++x) {
            const S_Px px = At(map, x, y);
            if (x == 1 && y == 1) {
                EXPECT_EQ(px.r, 255);
                EXPECT_EQ(px.g, 0);
                EXPECT_EQ(px.b, 0);
            } else {
                // Dimmed gray, well below the marks.
                EXPECT_EQ(px.r, px.g);
                EXPECT_EQ(px.g, px.b);
                EXPECT_LT(px.r, 80);
                EXPECT_GT(px.r, 30);
            }
        }
    }
    EXPECT_EQ(map.GetDifferingPixels(), 1u);
    EXPECT_EQ(map.GetLsbOnlyPixels(), 1u);
    EXPECT_EQ(map.GetDifferingBytes(), 1u);
    EXPECT_EQ(map.GetLsbOnlyBytes(), 1u);

    // The top-left pixel changes by more than its lowest bit in one byte and in the lowest bit
    // of another: yellow, and only one of its two bytes counts as low-bit only.
    b.m_aBits[a.m_nStride + 0] ^= 4;
    b.m_aBits[a.m_nStride + 2] ^= 1;
    ASSERT_TRUE(map.Build(a, b));
    const S_Px px = At(map, 0, 0);
    EXPECT_EQ(px.r, 255);
    EXPECT_EQ(px.g, 255);
    EXPECT_EQ(px.b, 0);
    EXPECT_EQ(At(map, 1, 1).g, 0);
    EXPECT_EQ(map.GetDifferingPixels(), 2u);
    EXPECT_EQ(map.GetLsbOnlyPixels(), 1u);
    EXPECT_EQ(map.GetDifferingBytes(), 3u);
    EXPECT_EQ(map.GetLsbOnlyBytes(), 2u);
}

TEST(DifferenceMapTest, PackedPixelsAndRefusedLayouts)
{
    // 4-bit indices, two to a byte, top-down: the lowest bit of the byte belongs to the second pixel.
    BTCImageData a, b;
    for (BTCImageData* p : {&a, &b}) {
        p->m_eSourceFormat = E_ImageFormat::Bmp;
        p->m_nWidth = 2;
        p->m_nHeight = 1;
        p->m_nBitsPerPixel = 4;
        p->m_nStride = 4;
        p->m_aPalette.assign(16, S_Rgb{100, 100, 100});
        p->m_aBits.assign(4, 0x33);
    }
    b.m_aBits[0] ^= 1;
    C_DifferenceMap map;
    ASSERT_TRUE(map.Build(a, b));
    EXPECT_NE(At(map, 0, 0).r, 255);
    EXPECT_EQ(At(map, 1, 0).r, 255);
    EXPECT_EQ(At(map, 1, 0).g, 0);

    // Another size, or fields that claim more bytes than there are, give no map.
    BTCImageData c;
    Fill24(c, 3, 2, 0);
    EXPECT_FALSE(map.Build(a, c));
    EXPECT_TRUE(map.GetRgb().empty());
    b.m_nStride = 8;
    a.m_nStride = 8;
    EXPECT_FALSE(map.Build(a, b));
}

}  // namespace
