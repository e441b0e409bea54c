// The whole detection check of a 4032 x 3024 24-bit picture (a 12-megapixel photo), single
// thread: the goal is well under a second.

#include "model/analysis/C_DetectionCheck.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace {

constexpr int32_t kWidth = 4032;
constexpr int32_t kHeight = 3024;

// Smooth shading plus noise, bottom-up with BMP's padded rows, as a decoded BMP holds it.
void MakePicture(BTCImageData& data)
{
    data.m_nWidth = kWidth;
    data.m_nHeight = kHeight;
    data.m_nBitsPerPixel = 24;
    data.m_nStride = (kWidth * 3 + 3) / 4 * 4;
    data.m_bBottomUp = true;
    data.m_eSourceFormat = E_ImageFormat::Bmp;
    data.m_aBits.assign(static_cast<size_t>(data.m_nStride) * kHeight, 0);
    std::mt19937 random(1);
    std::uniform_int_distribution<int> noise(-3, 3);
    for (int32_t y = 0; y < kHeight; ++y) {
        uint8_t* pRow = data.m_aBits.data() + static_cast<size_t>(y) * data.m_nStride;
        for (int32_t x = 0; x < kWidth * 3; ++x) {
            const double s = 128 + 60 * std::sin(x * 0.002 + (x % 3)) + 40 * std::sin(y * 0.003);
            pRow[x] = static_cast<uint8_t>(std::lround(s) + noise(random));
        }
    }
}

void BM_DetectionCheck(benchmark::State& state)
{
    BTCImageData data;
    MakePicture(data);
    for (auto _ : state) {
        const S_DetectionResult result = C_DetectionCheck::Run(data);
        benchmark::DoNotOptimize(result.aChannels.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * data.m_aBits.size());
}
BENCHMARK(BM_DetectionCheck)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
