// The cost of a change at each sample: busy areas cheap, flat ones never changed, and any plane
// size handled at the borders.

#include "model/records/C_HillCost.h"
#include "tests/support/C_TestBytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using T_Plane = std::vector<uint8_t>;

bool AllWet(const std::vector<float>& costs)
{
    for (const float f : costs)
        if (!std::isinf(f))
            return false;
    return true;
}

double MeanFinite(const std::vector<float>& costs)
{
    double d = 0;
    size_t n = 0;
    for (const float f : costs)
        if (std::isfinite(f)) {
            d += f;
            ++n;
        }
    return n ? d / static_cast<double>(n) : INFINITY;
}

TEST(HillCost, FlatPlaneIsWet)
{
    EXPECT_TRUE(AllWet(C_HillCost::ForPlane(T_Plane(40 * 30, 77).data(), 40, 30)));
    EXPECT_TRUE(AllWet(C_HillCost::ForPlane16(std::vector<uint16_t>(40 * 30, 4000).data(), 40, 30)));
}

TEST(HillCost, NoiseCostsLessThanASmoothGradient)
{
    constexpr uint32_t w = 64, h = 48;
    const T_Plane noise = C_TestBytes::Random(w * h, 7);
    T_Plane smooth(w * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            smooth[y * w + x] = static_cast<uint8_t>(std::lround(128 + 90 * std::sin(x / 11.0) * std::cos(y / 9.0)));
    const std::vector<float> noiseCosts = C_HillCost::ForPlane(noise.data(), w, h);
    const std::vector<float> smoothCosts = C_HillCost::ForPlane(smooth.data(), w, h);
    ASSERT_EQ(noiseCosts.size(), size_t{w} * h);
    EXPECT_LT(MeanFinite(noiseCosts) * 10, MeanFinite(smoothCosts));
    for (const float f : noiseCosts)
        ASSERT_TRUE(std::isfinite(f) && f > 0);
}

TEST(HillCost, CheckerboardMatchesTheFormulaByHand)
{
    // 100 and 104 alternating: at every sample away from the border, the filter gives
    // 1/4 (-4 c + 8 (c +- 4) - 4 c) = +-8, so xi = 8 and rho = average of 1/8 = 0.125.
    constexpr uint32_t n = 40;
    T_Plane plane(n * n);
    for (uint32_t y = 0; y < n; ++y)
        for (uint32_t x = 0; x < n; ++x)
            plane[y * n + x] = (x + y) % 2 ? 104 : 100;
    const std::vector<float> costs = C_HillCost::ForPlane(plane.data(), n, n);
    EXPECT_FLOAT_EQ(costs[20 * n + 20], 0.125f);
    // The same picture at 16 bits (v * 257) costs 257 times less.
    std::vector<uint16_t> wide(plane.begin(), plane.end());
    for (uint16_t& v : wide)
        v = static_cast<uint16_t>(v * 257);
    EXPECT_FLOAT_EQ(C_HillCost::ForPlane16(wide.data(), n, n)[20 * n + 20], 0.125f / 257);
}

TEST(HillCost, BordersMirrorTheEdge)
{
    // Mirroring makes a plane symmetric about its edges cost the same at mirrored samples.
    constexpr uint32_t w = 23, h = 17;
    const T_Plane noise = C_TestBytes::Random(w * h, 3);
    T_Plane flipped(w * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            flipped[y * w + x] = noise[(h - 1 - y) * w + (w - 1 - x)];
    const std::vector<float> a = C_HillCost::ForPlane(noise.data(), w, h);
    const std::vector<float> b = C_HillCost::ForPlane(flipped.data(), w, h);
    for (uint32_t i = 0; i < w * h; ++i)
        ASSERT_NEAR(a[i], b[w * h - 1 - i], 1e-5f * a[i]) << i;

    // Planes narrower than the filters: a single row or column is constant along the other
    // direction, so the residual vanishes and every sample is wet; no reads out of bounds.
    const T_Plane line = C_TestBytes::Random(50, 4);
    EXPECT_TRUE(AllWet(C_HillCost::ForPlane(line.data(), 50, 1)));
    EXPECT_TRUE(AllWet(C_HillCost::ForPlane(line.data(), 1, 50)));
    EXPECT_EQ(C_HillCost::ForPlane(line.data(), 1, 1).size(), 1u);
    EXPECT_EQ(C_HillCost::ForPlane(line.data(), 2, 2).size(), 4u);
    EXPECT_TRUE(C_HillCost::ForPlane(line.data(), 0, 5).empty());
}

TEST(HillCost, SaturatedSamplesCannotMoveOutOfRange)
{
    const T_Plane plane = {0, 1, 254, 255};
    const float rho[] = {1, 2, 3, 4};
    float plus[4], minus[4];
    C_HillCost::DirectionalCosts(plane.data(), 4, rho, plus, minus);
    EXPECT_TRUE(std::isinf(minus[0]));
    EXPECT_EQ(plus[0], 1);
    EXPECT_EQ(minus[3], 4);
    EXPECT_TRUE(std::isinf(plus[3]));
    EXPECT_EQ(plus[1], 2);
    EXPECT_EQ(minus[2], 3);
}

}  // namespace
