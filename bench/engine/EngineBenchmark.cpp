// Fast against literal: positions per second, full-capacity hide and reveal, and a memcpy of
// the carrier as the floor. Carriers: a 4032x3024 24-bit picture (N = 36,578,303) and
// N = 300,000,001, neither a multiple of 17.
#include "engine/C_BitTransfer.h"
#include "engine/C_PositionSequence.h"
#include "tests/support/C_LiteralSequence.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr const char* kPassword = "bench pass";
constexpr const char* kName = "payload.bin";

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed)
{
    std::vector<uint8_t> v(n);
    std::mt19937_64 rng(seed);
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const uint64_t r = rng();
        std::memcpy(v.data() + i, &r, 8);
    }
    for (; i < n; ++i)
        v[i] = static_cast<uint8_t>(rng());
    return v;
}

// Payload size that makes the whole record 0.8 N bits: 8 x (9 + L + S) = 0.8 N.
uint32_t FullCapacityPayload(uint32_t n)
{
    return static_cast<uint32_t>(n / 10 - 9 - std::strlen(kName));
}

void SetBitCounters(benchmark::State& state, uint64_t nBits)
{
    state.counters["s_per_bit"] = benchmark::Counter(
        static_cast<double>(nBits), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_NextFast(benchmark::State& state)
{
    C_PositionSequence sequence;
    sequence.SetKey(kPassword);
    sequence.SetModulus(static_cast<uint32_t>(state.range(0)));
    constexpr int kDraws = 1 << 20;
    for (auto _ : state) {
        uint32_t sum = 0;
        for (int i = 0; i < kDraws; ++i)
            sum += sequence.Next();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kDraws);
}

void BM_FillFast(benchmark::State& state)
{
    C_PositionSequence sequence;
    sequence.SetKey(kPassword);
    sequence.SetModulus(static_cast<uint32_t>(state.range(0)));
    constexpr int kDraws = 1 << 20;
    std::vector<uint32_t> positions(2048);
    for (auto _ : state) {
        for (int i = 0; i < kDraws; i += 2048)
            sequence.Fill(positions.data(), positions.size());
        benchmark::DoNotOptimize(positions.data());
    }
    state.SetItemsProcessed(state.iterations() * kDraws);
}

void BM_NextLiteral(benchmark::State& state)
{
    C_LiteralSequence sequence;
    sequence.SetKey(kPassword);
    sequence.SetModulus(static_cast<uint32_t>(state.range(0)));
    constexpr int kDraws = 1 << 20;
    for (auto _ : state) {
        uint32_t sum = 0;
        for (int i = 0; i < kDraws; ++i)
            sum += sequence.Next();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kDraws);
}

void BM_Memcpy(benchmark::State& state)
{
    const size_t n = static_cast<size_t>(state.range(0));
    std::vector<uint8_t> source = RandomBytes(n, 1);
    std::vector<uint8_t> target(n);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), n);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(n));
}

void BM_HideFast(benchmark::State& state)
{
    const uint32_t n = static_cast<uint32_t>(state.range(0));
    std::vector<uint8_t> carrier = RandomBytes(n, 2);
    std::vector<uint8_t> payload = RandomBytes(FullCapacityPayload(n), 3);
    for (auto _ : state) {
        C_BitTransfer transfer(carrier.data(), n, payload.data(), static_cast<uint32_t>(payload.size()));
        transfer.SetKey(kPassword);
        transfer.SendHeader(C_HiddenHeader(kName, static_cast<uint32_t>(payload.size())));
        transfer.SendPayload();
        benchmark::ClobberMemory();
    }
    SetBitCounters(state, C_HiddenHeader::RecordBits(std::strlen(kName), payload.size()));
}

// The literal hide: the literal sequence and a read-modify-write per bit.
void BM_HideLiteral(benchmark::State& state)
{
    const uint32_t n = static_cast<uint32_t>(state.range(0));
    std::vector<uint8_t> carrier = RandomBytes(n, 2);
    std::vector<uint8_t> record = C_HiddenHeader(kName, FullCapacityPayload(n)).Encode();
    const std::vector<uint8_t> payload = RandomBytes(FullCapacityPayload(n), 3);
    record.insert(record.end(), payload.begin(), payload.end());
    for (auto _ : state) {
        C_LiteralSequence sequence;
        sequence.SetKey(kPassword);
        sequence.SetModulus(n);
        for (uint8_t v : record) {
            for (int bit = 7; bit >= 0; --bit) {
                const uint32_t p = sequence.Next();
                carrier[p] = static_cast<uint8_t>((carrier[p] & 0xFE) | ((v >> bit) & 1));
            }
        }
        benchmark::ClobberMemory();
    }
    SetBitCounters(state, uint64_t{8} * record.size());
}

void BM_RevealFast(benchmark::State& state)
{
    const uint32_t n = static_cast<uint32_t>(state.range(0));
    std::vector<uint8_t> carrier = RandomBytes(n, 2);
    std::vector<uint8_t> payload = RandomBytes(FullCapacityPayload(n), 3);
    {
        C_BitTransfer transfer(carrier.data(), n, payload.data(), static_cast<uint32_t>(payload.size()));
        transfer.SetKey(kPassword);
        transfer.SendHeader(C_HiddenHeader(kName, static_cast<uint32_t>(payload.size())));
        transfer.SendPayload();
    }
    std::vector<uint8_t> revealed(payload.size() + 1);
    for (auto _ : state) {
        C_BitTransfer transfer(carrier.data(), n);
        transfer.SetKey(kPassword);
        C_HiddenHeader header;
        if (!transfer.ReceiveHeader(header) || header.m_nDataSize != payload.size()) {
            state.SkipWithError("record not found");
            break;
        }
        transfer.SetPayloadView(C_ByteView(revealed.data(), header.m_nDataSize));
        transfer.ReceivePayload();
        benchmark::DoNotOptimize(revealed.data());
    }
    SetBitCounters(state, C_HiddenHeader::RecordBits(std::strlen(kName), payload.size()));
}

void BM_RevealLiteral(benchmark::State& state)
{
    const uint32_t n = static_cast<uint32_t>(state.range(0));
    const std::vector<uint8_t> carrier = RandomBytes(n, 2);
    const uint64_t nBytes = 9 + std::strlen(kName) + FullCapacityPayload(n);
    std::vector<uint8_t> revealed(nBytes);
    for (auto _ : state) {
        C_LiteralSequence sequence;
        sequence.SetKey(kPassword);
        sequence.SetModulus(n);
        for (auto& v : revealed) {
            unsigned x = 0;
            for (int bit = 0; bit < 8; ++bit)
                x = (x << 1) | (carrier[sequence.Next()] & 1u);
            v = static_cast<uint8_t>(x);
        }
        benchmark::DoNotOptimize(revealed.data());
    }
    SetBitCounters(state, 8 * nBytes);
}

constexpr int64_t kPicture = 36578303;  // 4032 x 3024 x 3 - 1
constexpr int64_t kLarge = 300000001;

BENCHMARK(BM_NextFast)->Arg(kPicture)->Arg(kLarge);
BENCHMARK(BM_FillFast)->Arg(kPicture)->Arg(kLarge);
BENCHMARK(BM_NextLiteral)->Arg(kPicture)->Arg(kLarge);
BENCHMARK(BM_Memcpy)->Arg(kPicture)->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HideFast)->Arg(kPicture)->Arg(kLarge)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_HideLiteral)->Arg(kPicture)->Arg(kLarge)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RevealFast)->Arg(kPicture)->Arg(kLarge)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RevealLiteral)->Arg(kPicture)->Arg(kLarge)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
