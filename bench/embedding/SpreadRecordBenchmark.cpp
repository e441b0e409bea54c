// The sealed record (version 2) at full picture size: a hide of about 0.2 bits per element into
// a 4032 x 3024 RGB picture (N = 36,578,303) through C_Carrier, and its reveal, beside a plain
// plus-or-minus-one hide of the same payload. Each row counts the picture's elements a second;
// the sealed rows give their time over the plain hide's (which must run first: run the file's
// rows unfiltered, or with a filter that keeps BM_SpreadPlainHide).
//
// The picture is smoothed noise, so that the costs see texture everywhere (a ramp or flat
// picture is mostly wet and holds no such record), written once to a temporary BMP and opened
// as a user's picture would be: the costs need the picture's layout, which UseBytes lacks.

#include "model/C_Carrier.h"
#include "model/records/C_Message.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SpreadRecord.h"
#include "tests/support/C_ImageBytes.h"
#include "tests/support/C_TestBytes.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kWidth = 4032;
constexpr uint32_t kHeight = 3024;
constexpr double kRate = 0.2;
constexpr const char* kPassphrase = "correct horse battery staple";
constexpr const char* kName = "payload.bin";

// Seconds per plain hide, for the ratios.
double g_plainSeconds = 0;

// Noise smoothed by a 5 x 5 box in each channel: a spread of about 15 levels around mid-gray.
std::vector<uint8_t> SmoothedNoise(uint32_t nWidth, uint32_t nHeight, uint32_t nStride)
{
    std::mt19937 rng(7);
    const size_t nRow = size_t{nWidth} * 3;
    std::vector<uint16_t> noise(nRow * nHeight);
    for (uint16_t& v : noise)
        v = static_cast<uint16_t>(rng() & 0xFF);
    // Rows first, then columns: sums of 5 along each.
    std::vector<uint16_t> rows(noise.size());
    for (uint32_t y = 0; y < nHeight; ++y)
        for (size_t x = 0; x < nRow; ++x) {
            unsigned nSum = 0;
            for (int d = -2; d <= 2; ++d) {
                const auto n = static_cast<ptrdiff_t>(x) + 3 * d;
                nSum += noise[y * nRow
                    + static_cast<size_t>(std::clamp<ptrdiff_t>(n, 0, static_cast<ptrdiff_t>(nRow) - 1))];
            }
            rows[y * nRow + x] = static_cast<uint16_t>(nSum);
        }
    std::vector<uint8_t> pixels(size_t{nStride} * nHeight, 0);
    for (uint32_t y = 0; y < nHeight; ++y)
        for (size_t x = 0; x < nRow; ++x) {
            unsigned nSum = 0;
            for (int d = -2; d <= 2; ++d) {
                const auto yy = std::clamp<int64_t>(int64_t{y} + d, 0, int64_t{nHeight} - 1);
                nSum += rows[static_cast<size_t>(yy) * nRow + x];
            }
            pixels[y * size_t{nStride} + x] = static_cast<uint8_t>(nSum / 25);
        }
    return pixels;
}

// The picture, opened once from its temporary file, and a random payload of about kRate bits
// per element as the sealed record stores it (random bytes do not compress).
struct S_Fixture {
    S_Fixture()
    {
        S_BmpLayout layout;
        layout.nWidth = static_cast<int32_t>(kWidth);
        layout.nHeight = static_cast<int32_t>(kHeight);
        layout.aPixels = SmoothedNoise(kWidth, kHeight, C_ImageBytes::BmpStride(kWidth, 24));
        const std::string strPath = (std::filesystem::temp_directory_path() / "vmk_bench_spread_record.bmp").string();
        C_TestBytes::Write(strPath, C_ImageBytes::Bmp(layout));
        bReady = carrier.OpenImage(strPath);
        std::remove(strPath.c_str());
        nElements = carrier.GetUsableBytes();
        const auto nRateBytes = static_cast<uint64_t>(kRate * nElements / 8);
        // Pack adds no more than a few bytes to bytes that do not compress; the ladder rounds up.
        const uint64_t nOverhead = C_SpreadRecord::RecordBytes(std::string_view(kName).size(), 0) + 16;
        payload = C_TestBytes::Random(static_cast<size_t>(nRateBytes - nOverhead), 31);
        message.m_strName = kName;
        std::copy(payload.begin(), payload.end(), message.Allocate(static_cast<uint32_t>(payload.size())));
        original.assign(carrier.GetBits(), carrier.GetBits() + nElements + 1);
        // What the record carries: its bytes and the second tag, each layer rounded up to the
        // ladder (up to 2^(1/16) each), and the salt.
        nRecordBits = 8
            * (C_SpreadRecord::RecordBytes(std::string_view(kName).size(), payload.size()) + C_SpreadRecord::kTagBytes
                + C_SpreadRecord::kSaltBytes);
    }
    // The picture as it was opened, before the next hide.
    void Restore() { std::copy(original.begin(), original.end(), const_cast<uint8_t*>(carrier.GetBits())); }

    C_Carrier carrier;
    bool bReady = false;
    uint32_t nElements = 0;
    uint64_t nRecordBits = 0;  // the sealed record's, the salt's included
    std::vector<uint8_t> payload;
    std::vector<uint8_t> original;
    C_Message message;
};

S_Fixture& Fixture()
{
    static S_Fixture fixture;
    return fixture;
}

void Count(benchmark::State& state, uint32_t nElements)
{
    state.counters["elements_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * nElements, benchmark::Counter::kIsRate);
    state.counters["payload_bits_per_element"] =
        static_cast<double>(Fixture().payload.size()) * 8 / static_cast<double>(nElements);
    state.counters["record_bits_per_element"] =
        static_cast<double>(Fixture().nRecordBits) / static_cast<double>(nElements);
}

// seconds / the plain hide's, in the label.
void Ratio(benchmark::State& state, double dSeconds)
{
    if (g_plainSeconds <= 0) {
        state.SetLabel("the ratio needs BM_SpreadPlainHide first");
        return;
    }
    state.counters["x_plain_hide"] = dSeconds / g_plainSeconds;
    char aText[64];
    std::snprintf(aText, sizeof aText, "%.1f x the plain +-1 hide", dSeconds / g_plainSeconds);
    state.SetLabel(aText);
}

double Seconds(const benchmark::State& state, std::chrono::steady_clock::duration spent)
{
    return std::chrono::duration<double>(spent).count() / static_cast<double>(state.iterations());
}

// Runs fnHide on the picture as it was before each run and gives the seconds a run took; false
// (the state told why) when the picture did not open or a hide failed.
bool TimeHides(
    benchmark::State& state, const char* pFailure, const std::function<bool(S_Fixture&)>& fnHide, double& dSeconds)
{
    S_Fixture& fixture = Fixture();
    if (!fixture.bReady) {
        state.SkipWithError("the picture did not open");
        return false;
    }
    std::chrono::steady_clock::duration spent{};
    for (auto _ : state) {
        state.PauseTiming();
        fixture.Restore();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        if (!fnHide(fixture)) {
            state.SkipWithError(pFailure);
            return false;
        }
        spent += std::chrono::steady_clock::now() - start;
    }
    dSeconds = Seconds(state, spent);
    Count(state, fixture.nElements);
    return true;
}

void BM_SpreadPlainHide(benchmark::State& state)
{
    TimeHides(
        state, "the plain hide was refused",
        [](S_Fixture& fixture) {
            return fixture.carrier.HideMessage(fixture.message, kPassphrase, E_Embedding::Match);
        },
        g_plainSeconds);
}
BENCHMARK(BM_SpreadPlainHide)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_SpreadSealedHide(benchmark::State& state)
{
    double dSeconds = 0;
    if (TimeHides(
            state, "the sealed hide failed",
            [](S_Fixture& fixture) {
                return fixture.carrier.Hide(C_Carrier::SealedKind(), fixture.message, kPassphrase, E_Embedding::Match)
                    == E_RecordOutcome::Hidden;
            },
            dSeconds))
        Ratio(state, dSeconds);
}
BENCHMARK(BM_SpreadSealedHide)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_SpreadSealedReveal(benchmark::State& state)
{
    S_Fixture& fixture = Fixture();
    fixture.Restore();
    if (!fixture.bReady
        || fixture.carrier.Hide(C_Carrier::SealedKind(), fixture.message, kPassphrase, E_Embedding::Match)
            != E_RecordOutcome::Hidden) {
        state.SkipWithError("the sealed hide failed");
        return;
    }
    std::chrono::steady_clock::duration spent{};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        C_Message revealed;
        if (fixture.carrier.Reveal(revealed, kPassphrase) != E_RecordOutcome::Found
            || revealed.m_nSize != fixture.payload.size()
            || !std::equal(fixture.payload.begin(), fixture.payload.end(), revealed.GetData())) {
            state.SkipWithError("the sealed record did not come back as hidden");
            return;
        }
        spent += std::chrono::steady_clock::now() - start;
    }
    Ratio(state, Seconds(state, spent));
    Count(state, fixture.nElements);
}
BENCHMARK(BM_SpreadSealedReveal)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
