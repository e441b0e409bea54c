// A full-capacity hide into a 4032 x 3024 24-bit picture's bytes (N = 36,578,303), by
// replacement and by plus or minus one, in the same run: the hide alone (BM_FullCapacityHide),
// and as a user waits for it (BM_OpenHideSave: open the BMP file, hide, save it). Goal: plus or
// minus one within 1.2 times replacement.

#include "model/C_Carrier.h"
#include "model/records/C_Message.h"
#include "tests/support/C_TestBytes.h"
#include "tests/support/C_TestPictures.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr size_t kPictureBytes = size_t{4032} * 3024 * 3;
constexpr const char* kPassword = "bench pass";

void BM_FullCapacityHide(benchmark::State& state)
{
    const auto eEmbedding = static_cast<E_Embedding>(state.range(0));
    std::vector<uint8_t> picture = C_TestBytes::Random(kPictureBytes, 1);
    C_Carrier carrier;
    carrier.UseBytes(picture.data(), picture.size());
    C_Message message;
    message.m_strName = "payload.bin";
    const std::vector<uint8_t> payload = C_TestBytes::Random(carrier.GetLargestPayload(message.m_strName.size()), 2);
    message.SetFromText(static_cast<uint32_t>(payload.size()), reinterpret_cast<const char*>(payload.data()));
    for (auto _ : state) {
        if (!carrier.HideMessage(message, kPassword, eEmbedding))
            state.SkipWithError("the hide was refused");
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payload.size()));
    // Wall time per hide, from the benchmark's own clock.
    state.counters["s_per_hide"] = benchmark::Counter(
        static_cast<double>(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetLabel(eEmbedding == E_Embedding::Replace ? "replace" : "match");
}
BENCHMARK(BM_FullCapacityHide)
    ->Arg(static_cast<int>(E_Embedding::Replace))
    ->Arg(static_cast<int>(E_Embedding::Match))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_OpenHideSave(benchmark::State& state)
{
    const auto eEmbedding = static_cast<E_Embedding>(state.range(0));
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::string strIn = (dir / "vmk_bench_embedding_in.bmp").string();
    const std::string strOut = (dir / "vmk_bench_embedding_out.bmp").string();
    C_TestBytes::Write(strIn, C_TestPictures::Bmp24Ramp(4032, 3024, 3));
    C_Message message;
    message.m_strName = "payload.bin";
    std::vector<uint8_t> payload;
    for (auto _ : state) {
        C_Carrier carrier;
        if (!carrier.OpenImage(strIn))
            state.SkipWithError("the picture did not open");
        if (payload.empty()) {
            payload = C_TestBytes::Random(carrier.GetLargestPayload(message.m_strName.size()), 2);
            message.SetFromText(static_cast<uint32_t>(payload.size()), reinterpret_cast<const char*>(payload.data()));
        }
        if (!carrier.HideMessage(message, kPassword, eEmbedding) || !carrier.SaveImage(strOut))
            state.SkipWithError("the hide or the save failed");
    }
    std::remove(strIn.c_str());
    std::remove(strOut.c_str());
    state.SetLabel(eEmbedding == E_Embedding::Replace ? "replace" : "match");
}
BENCHMARK(BM_OpenHideSave)
    ->Arg(static_cast<int>(E_Embedding::Replace))
    ->Arg(static_cast<int>(E_Embedding::Match))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
