// A sealed hide into a 12-megapixel JPEG, its steps apart: reading the coefficients, the pixels
// shown, UERD's costs, the whole seal (key derivation, order, coder) and writing the file, and
// the reveal's whole pass. The picture is a photograph when VMK_BENCH_JPEG names one, else a
// made one (a 4032 x 3024 texture with noise, 4:2:0 at quality 90).
//
//   build/bench/image/bench_jpeg [--benchmark_filter=...]

#include "model/pictures/jpeg/C_JpegCoefficients.h"
#include "model/records/C_JpegCover.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SpreadRecord.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr char kPassphrase[] = "correct horse battery staple";

const std::vector<uint8_t>& Source()
{
    static const std::vector<uint8_t> file = [] {
        if (const char* pszPath = std::getenv("VMK_BENCH_JPEG")) {
            std::ifstream in(pszPath, std::ios::binary);
            return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
        }
        constexpr uint32_t kWidth = 4032;
        constexpr uint32_t kHeight = 3024;
        std::vector<uint8_t> pixels(size_t{kWidth} * kHeight * 3);
        std::mt19937 rng(7);
        for (uint32_t y = 0; y < kHeight; ++y)
            for (uint32_t x = 0; x < kWidth; ++x)
                for (uint32_t c = 0; c < 3; ++c) {
                    const double v = 128 + 60 * std::sin(x / (23.0 + 7 * c)) * std::cos(y / 31.0)
                        + 30 * std::sin((x + y) / 5.0) + static_cast<double>(rng() % 24);
                    pixels[(size_t{y} * kWidth + x) * 3 + c] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
                }
        std::vector<uint8_t> out;
        std::string strError;
        C_JpegCoefficients::Compress(pixels.data(), kWidth, kHeight, size_t{kWidth} * 3, 3, 90, out, strError);
        return out;
    }();
    return file;
}

C_JpegCoefficients Read()
{
    C_JpegCoefficients jpeg;
    std::string strError;
    if (!jpeg.Read(Source(), uint64_t{1} << 30, strError))
        std::abort();
    return jpeg;
}

// A payload of 0.2 bits for each non-zero AC coefficient, less the record's own bytes.
std::vector<uint8_t> Payload(const C_JpegCover& cover)
{
    const uint64_t nBytes = cover.RateElements() / 40;
    std::vector<uint8_t> payload(nBytes > 200 ? nBytes - 200 : 1);
    std::mt19937 rng(3);
    for (uint8_t& b : payload)
        b = static_cast<uint8_t>(rng());
    return payload;
}

void BM_JpegRead(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Read());
}

void BM_JpegPixels(benchmark::State& state)
{
    const C_JpegCoefficients jpeg = Read();
    std::vector<uint8_t> pixels;
    int nChannels = 0;
    std::string strError;
    for (auto _ : state)
        jpeg.DecodePixels(true, UINT32_MAX, pixels, nChannels, strError);
}

void BM_JpegCosts(benchmark::State& state)
{
    C_JpegCoefficients jpeg = Read();
    const C_JpegCover cover(jpeg);
    std::vector<float> costs;
    for (auto _ : state)
        cover.Weigh(costs);
    state.counters["elements"] = cover.Size();
}

void BM_JpegSeal(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        C_JpegCoefficients jpeg = Read();
        C_JpegCover cover(jpeg);
        const std::vector<uint8_t> payload = Payload(cover);
        state.ResumeTiming();
        if (C_SpreadRecord::Seal(cover, "p.bin", payload, false, kPassphrase, {}, C_SpreadRecord::FreshDraws())
            != E_RecordOutcome::Hidden)
            state.SkipWithError("the seal failed");
        state.counters["payload_bytes"] = static_cast<double>(payload.size());
    }
}

void BM_JpegWrite(benchmark::State& state)
{
    const C_JpegCoefficients jpeg = Read();
    std::vector<uint8_t> file;
    std::string strError;
    for (auto _ : state)
        jpeg.Write(file, strError);
}

void BM_JpegOpen(benchmark::State& state)
{
    C_JpegCoefficients jpeg = Read();
    C_JpegCover cover(jpeg);
    const std::vector<uint8_t> payload = Payload(cover);
    C_SpreadRecord::Seal(cover, "p.bin", payload, false, kPassphrase, {}, C_SpreadRecord::FreshDraws());
    C_SealedContent content;
    for (auto _ : state)
        if (C_SpreadRecord::Open(cover.LowBytes(), cover.Size(), kPassphrase, content) != E_RevealOutcome::Found)
            state.SkipWithError("nothing found");
}

}  // namespace

BENCHMARK(BM_JpegRead)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_JpegPixels)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_JpegCosts)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_JpegSeal)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_JpegWrite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_JpegOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
