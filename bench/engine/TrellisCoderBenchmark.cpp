// The trellis coder on a picture-sized cover: 4032 x 3024 = 12,192,768 cover bits, message
// 0.2 bits each, random costs; elements per second for constraint heights 7, 10 and 12. At
// this size the path bits exceed the default limit, so each segment is run twice (the
// figure includes that); the second argument 1 instead asks to keep the whole path (up to
// 780 MB at h = 9; h = 10 would pass the coder's 1 GiB limit). VMK_TRELLIS_KERNELS=scalar,
// sse2, avx2 or avx512 measures another instruction set.
#include "engine/C_TrellisCoder.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

constexpr size_t kPictureElements = size_t(4032) * 3024;

void BM_TrellisEmbed(benchmark::State& state)
{
    const size_t n = kPictureElements;
    const size_t m = n / 5;
    std::mt19937_64 rng(1);
    std::vector<uint8_t> cover(n), message(m);
    std::vector<float> costs(n);
    for (size_t i = 0; i < n; ++i) {
        const uint64_t r = rng();
        cover[i] = uint8_t(r & 1);
        costs[i] = float((r >> 8) & 0xFFFF) / 65536.0f + 1e-4f;
    }
    for (uint8_t& b : message)
        b = uint8_t(rng() & 1);
    C_TrellisCoder coder(uint64_t(2), static_cast<int>(state.range(0)));
    if (state.range(1) != 0)
        coder.SetPathMemoryLimit(n * (size_t(1) << state.range(0)) / 8);
    std::vector<uint8_t> stego;
    for (auto _ : state) {
        if (!coder.Embed(cover, costs, message, stego))
            state.SkipWithError("embedding failed");
        benchmark::DoNotOptimize(stego.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(n));
}

void BM_TrellisExtract(benchmark::State& state)
{
    const size_t n = kPictureElements;
    std::mt19937_64 rng(3);
    std::vector<uint8_t> stego(n), message;
    for (uint8_t& b : stego)
        b = uint8_t(rng() & 1);
    const C_TrellisCoder coder(uint64_t(2), 10);
    for (auto _ : state) {
        coder.Extract(stego, n / 5, message);
        benchmark::DoNotOptimize(message.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(n));
}

}  // namespace

BENCHMARK(BM_TrellisEmbed)
    ->Args({7, 0})
    ->Args({10, 0})
    ->Args({12, 0})
    ->Args({8, 1})
    ->Args({9, 1})
    ->Args({7, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_TrellisExtract)->Unit(benchmark::kMillisecond)->Iterations(3);
