// The detectors on photo-like pictures made here (smooth shading plus sensor noise) with a known
// share of lowest bits replaced by random bits: each estimate must land near that share.

#include "model/analysis/C_ChiSquareAttack.h"
#include "model/analysis/C_DetectionCheck.h"
#include "model/analysis/C_RsAnalysis.h"
#include "model/analysis/C_SamplePairAnalysis.h"
#include "model/pictures/BTCImageObject.h"
#include "tests/support/C_PngBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr uint32_t kSide = 384;

// Low-frequency waves in both directions plus Gaussian noise, clamped to 0..nMax; dStretch
// above 1 then spreads the levels as a contrast adjustment does, leaving some values unused.
std::vector<uint16_t> NaturalPlane(
    uint32_t nWidth, uint32_t nHeight, uint32_t nSeed, uint32_t nMax = 255, double dStretch = 1.0)
{
    std::mt19937 random(nSeed);
    std::uniform_real_distribution<double> phase(0.0, 6.283);
    std::normal_distribution<double> noise(0.0, 1.5 * nMax / 255.0);
    const double p1 = phase(random), p2 = phase(random), p3 = phase(random);
    std::vector<uint16_t> plane(static_cast<size_t>(nWidth) * nHeight);
    for (uint32_t y = 0; y < nHeight; ++y)
        for (uint32_t x = 0; x < nWidth; ++x) {
            const double s = 0.5 + 0.2 * std::sin(x * 0.021 + p1) + 0.15 * std::sin(y * 0.017 + p2)
                + 0.1 * std::sin((x + y) * 0.043 + p3);
            const double v = std::round(std::round(s * nMax / dStretch + noise(random)) * dStretch);
            plane[static_cast<size_t>(y) * nWidth + x] = static_cast<uint16_t>(std::clamp(v, 0.0, double(nMax)));
        }
    return plane;
}

// Replaces the lowest bit of each sample by a random bit, with chance dRate per sample among the
// first dReach of the samples (1: the whole picture, at random positions).
void ReplaceLowestBits(std::vector<uint16_t>& plane, double dRate, uint32_t nSeed, double dReach = 1.0)
{
    std::mt19937 random(nSeed);
    std::bernoulli_distribution chosen(dRate);
    const auto nEnd = static_cast<size_t>(dReach * plane.size());
    for (size_t i = 0; i < nEnd; ++i)
        if (chosen(random))
            plane[i] = static_cast<uint16_t>((plane[i] & ~1u) | (random() & 1u));
}

S_SamplePlane View(const std::vector<uint16_t>& samples, uint32_t nWidth, uint32_t nMax = 255)
{
    return S_SamplePlane{samples.data(), nWidth, static_cast<uint32_t>(samples.size() / nWidth), nMax};
}

TEST(Detection, SamplePairAndRsEstimateTheReplacedShare)
{
    for (uint32_t nSeed = 1; nSeed <= 2; ++nSeed) {
        for (double dRate : {0.0, 0.1, 0.3, 0.5}) {
            std::vector<uint16_t> plane = NaturalPlane(kSide, kSide, nSeed);
            ReplaceLowestBits(plane, dRate, nSeed + 100);
            const double dSpa = C_SamplePairAnalysis::Estimate(View(plane, kSide));
            const double dRs = C_RsAnalysis::Estimate(View(plane, kSide));
            EXPECT_NEAR(dSpa, dRate, 0.05) << "seed " << nSeed << " rate " << dRate;
            EXPECT_NEAR(dRs, dRate, 0.05) << "seed " << nSeed << " rate " << dRate;
            if (dRate == 0.0) {
                EXPECT_LT(dSpa, C_DetectionCheck::kCleanBelow);
                EXPECT_LT(dRs, C_DetectionCheck::kCleanBelow);
            }
        }
    }
    // The same after a contrast adjustment, which leaves gaps in the histogram.
    std::vector<uint16_t> stretched = NaturalPlane(kSide, kSide, 3, 255, 1.25);
    ReplaceLowestBits(stretched, 0.3, 7);
    EXPECT_NEAR(C_SamplePairAnalysis::Estimate(View(stretched, kSide)), 0.3, 0.05);
    EXPECT_NEAR(C_RsAnalysis::Estimate(View(stretched, kSide)), 0.3, 0.05);
}

TEST(Detection, ChiSquareFindsBitsFilledFromTheStart)
{
    // The attack needs the uneven pairs of values that editing leaves in a photo's histogram:
    // on a histogram smooth at the scale of single levels every pair is already even.
    for (double dReach : {0.0, 0.1, 0.3, 0.5}) {
        std::vector<uint16_t> plane = NaturalPlane(kSide, kSide, 5, 255, 1.25);
        ReplaceLowestBits(plane, 1.0, 9, dReach);
        const C_ChiSquareAttack::S_Result result = C_ChiSquareAttack::Run(View(plane, kSide));
        ASSERT_EQ(result.aPValues.size(), size_t{C_ChiSquareAttack::kPoints});
        EXPECT_NEAR(result.dEstimate, dReach, 0.05) << "reach " << dReach;
        if (dReach == 0.0) {
            EXPECT_LT(result.dEstimate, C_DetectionCheck::kCleanBelow);
        }
    }
    // Known values: with 2 degrees of freedom p = exp(-x / 2); 3.841 is the 5% point of 1.
    EXPECT_NEAR(C_ChiSquareAttack::PValue(5.0, 2), std::exp(-2.5), 1e-9);
    EXPECT_NEAR(C_ChiSquareAttack::PValue(3.841, 1), 0.05, 1e-4);
    EXPECT_NEAR(C_ChiSquareAttack::PValue(150.0, 120), 0.0325, 1e-3);
}

TEST(Detection, FlatTinyAndEmptyPlanesGiveZero)
{
    const std::vector<std::vector<uint16_t>> planes = {std::vector<uint16_t>(64 * 64, 200),
        std::vector<uint16_t>(64 * 64, 0), std::vector<uint16_t>(64 * 64, 255), {7}, {1, 2, 3}};
    for (const std::vector<uint16_t>& plane : planes) {
        const uint32_t nWidth = plane.size() == 3 ? 3 : (plane.size() == 1 ? 1 : 64);
        const S_SamplePlane view = View(plane, nWidth);
        EXPECT_EQ(C_SamplePairAnalysis::Estimate(view), 0.0);
        EXPECT_EQ(C_RsAnalysis::Estimate(view), 0.0);
        EXPECT_EQ(C_ChiSquareAttack::Run(view).dEstimate, 0.0);
    }
    EXPECT_EQ(C_SamplePairAnalysis::Estimate(S_SamplePlane{}), 0.0);
    EXPECT_TRUE(C_ChiSquareAttack::Run(S_SamplePlane{}).aPValues.empty());
}

// A bottom-up 24-bit BMP-layout picture with padded rows, lowest bits replaced in red only.
TEST(Detection, CheckReadsEachChannelOfABottomUpPicture)
{
    constexpr uint32_t kWidth = 301;  // 903 bytes a row, padded to 904
    constexpr uint32_t kHeight = 300;
    BTCImageData data;
    data.m_nWidth = kWidth;
    data.m_nHeight = kHeight;
    data.m_nBitsPerPixel = 24;
    data.m_nStride = 904;
    data.m_bBottomUp = true;
    data.m_eSourceFormat = E_ImageFormat::Bmp;
    data.m_aBits.assign(size_t{904} * kHeight, 0xEE);
    std::vector<uint16_t> red = NaturalPlane(kWidth, kHeight, 11);
    ReplaceLowestBits(red, 0.5, 12);
    const std::vector<uint16_t> green = NaturalPlane(kWidth, kHeight, 13);
    const std::vector<uint16_t> blue = NaturalPlane(kWidth, kHeight, 14);
    for (uint32_t r = 0; r < kHeight; ++r)
        for (uint32_t x = 0; x < kWidth; ++x) {
            uint8_t* p = data.m_aBits.data() + size_t{r} * 904 + 3 * x;
            const size_t i = size_t{r} * kWidth + x;
            p[0] = static_cast<uint8_t>(blue[i]);
            p[1] = static_cast<uint8_t>(green[i]);
            p[2] = static_cast<uint8_t>(red[i]);
        }

    const S_DetectionResult result = C_DetectionCheck::Run(data);
    ASSERT_EQ(result.aChannels.size(), 3u);
    EXPECT_EQ(result.aChannels[0].strName, "Red");
    EXPECT_EQ(result.aChannels[0].eSpa, E_Verdict::Likely);
    EXPECT_EQ(result.aChannels[0].eRs, E_Verdict::Likely);
    for (size_t c = 1; c < 3; ++c) {
        EXPECT_EQ(result.aChannels[c].eSpa, E_Verdict::Clean) << result.aChannels[c].strName;
        EXPECT_EQ(result.aChannels[c].eRs, E_Verdict::Clean) << result.aChannels[c].strName;
    }
    EXPECT_EQ(result.eOverall, E_Verdict::Likely);
    EXPECT_EQ(result.RecommendedPayload(100000), 0u);

    // The plane shows the top row first: stored row kHeight - 1, red in byte 0.
    ASSERT_EQ(result.aLsbPlane.size(), size_t{kWidth} * kHeight * 3);
    const uint8_t* pTop = data.m_aBits.data() + size_t{kHeight - 1} * 904;
    for (uint32_t x = 0; x < kWidth; ++x) {
        ASSERT_EQ(result.aLsbPlane[3 * x], (pTop[3 * x + 2] & 1) * 255) << x;
        ASSERT_EQ(result.aLsbPlane[3 * x + 2], (pTop[3 * x] & 1) * 255) << x;
    }

    // The same picture without the hidden bits leaves room in the clean range.
    for (uint32_t r = 0; r < kHeight; ++r)
        for (uint32_t x = 0; x < kWidth; ++x)
            data.m_aBits[size_t{r} * 904 + 3 * x + 2] = static_cast<uint8_t>(green[size_t{r} * kWidth + x]);
    const S_DetectionResult clean = C_DetectionCheck::Run(data);
    EXPECT_EQ(clean.eOverall, E_Verdict::Clean);
    EXPECT_GT(clean.RecommendedPayload(1000000), 0u);
    EXPECT_LT(clean.RecommendedPayload(1000000), 1000000u / 8 / 20);
}

TEST(Detection, CheckReadsDeepPngsAndPalettes)
{
    constexpr uint32_t kW = 96;
    const std::vector<uint16_t> plane = NaturalPlane(kW, kW, 21, 65535);
    std::vector<uint8_t> rows;
    for (uint16_t v : plane)
        for (int i = 0; i < 3; ++i) {
            rows.push_back(static_cast<uint8_t>(v >> 8));
            rows.push_back(static_cast<uint8_t>(v));
        }
    BTCImageObject png;
    ASSERT_TRUE(png.LoadFromMemory(C_PngBytes::Make(kW, kW, 2, 16, false, rows)));
    const S_DetectionResult deep = C_DetectionCheck::Run(*png.GetObjectDataPtr());
    ASSERT_EQ(deep.aChannels.size(), 3u);
    EXPECT_EQ(deep.aChannels[2].strName, "Blue");
    // Sample noise far above the lowest bit leaves too few close pairs for a firm estimate at
    // this size; it must still be a share.
    for (const S_ChannelFindings& channel : deep.aChannels) {
        EXPECT_GE(channel.dSpa, 0.0);
        EXPECT_LE(channel.dRs, 1.0);
    }

    // A 4-bit gray PNG (packed) and an 8-bit palette PNG whose palette is not gray.
    std::vector<uint8_t> packed(kW / 2 * kW);
    for (size_t i = 0; i < packed.size(); ++i)
        packed[i] = static_cast<uint8_t>(plane[2 * i] >> 12 << 4 | plane[2 * i + 1] >> 12);
    BTCImageObject gray;
    ASSERT_TRUE(gray.LoadFromMemory(C_PngBytes::Make(kW, kW, 0, 4, false, packed)));
    const S_DetectionResult grayResult = C_DetectionCheck::Run(*gray.GetObjectDataPtr());
    ASSERT_EQ(grayResult.aChannels.size(), 1u);
    EXPECT_EQ(grayResult.aChannels[0].strName, "Gray");
    EXPECT_EQ(grayResult.aLsbPlane[0], (packed[0] >> 4 & 1) * 255);

    std::vector<uint8_t> indices(plane.size());
    std::vector<S_Rgb> palette(256);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = static_cast<uint8_t>(plane[i] >> 8);
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = S_Rgb{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 0};
    BTCImageObject indexed;
    ASSERT_TRUE(indexed.LoadFromMemory(C_PngBytes::Make(kW, kW, 3, 8, false, indices, palette)));
    const S_DetectionResult indexResult = C_DetectionCheck::Run(*indexed.GetObjectDataPtr());
    ASSERT_EQ(indexResult.aChannels.size(), 1u);
    EXPECT_EQ(indexResult.aChannels[0].strName, "Index");

    // A picture whose fields do not describe its bytes is refused, not read past its end.
    BTCImageData broken;
    broken.m_nWidth = 100;
    broken.m_nHeight = 100;
    broken.m_nBitsPerPixel = 24;
    broken.m_nStride = 300;
    broken.m_aBits.assign(10, 0);
    EXPECT_TRUE(C_DetectionCheck::Run(broken).aChannels.empty());
}

}  // namespace
