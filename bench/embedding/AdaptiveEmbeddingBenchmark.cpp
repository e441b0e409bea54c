// The building blocks of adaptive embedding at full picture size: the HILL costs of one
// 4032 x 3024 plane, and the keyed order of all 36,578,304 samples of a 4032 x 3024 RGB picture.
// Goal: the costs well under 100 ms per plane.

#include "model/records/C_HillCost.h"
#include "model/records/C_KeyedPermutation.h"
#include "tests/support/C_TestBytes.h"

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

namespace {

constexpr uint32_t kWidth = 4032;
constexpr uint32_t kHeight = 3024;

void BM_HillCostPlane(benchmark::State& state)
{
    const std::vector<uint8_t> plane = C_TestBytes::Random(size_t{kWidth} * kHeight, 5);
    for (auto _ : state) {
        std::vector<float> costs = C_HillCost::ForPlane(plane.data(), kWidth, kHeight);
        benchmark::DoNotOptimize(costs.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight);
}
BENCHMARK(BM_HillCostPlane)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_KeyedPermutationAll(benchmark::State& state)
{
    std::array<uint8_t, C_KeyedPermutation::kKeyBytes> key{};
    key[0] = 1;
    for (auto _ : state) {
        const C_KeyedPermutation permutation(key, kWidth * kHeight * 3);
        std::vector<uint32_t> all = permutation.All();
        benchmark::DoNotOptimize(all.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 3);
}
BENCHMARK(BM_KeyedPermutationAll)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
