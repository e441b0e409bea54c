// Loading and saving a 4032 x 3024 8-bit RGB PNG (a photo-like picture: gradients, waves and
// sensor-like noise, written at zlib level 2, as Veilmark writes, and libpng's default filters) beside libpng used directly
// on the same bytes in the same run. Our codec is libpng plus the chunk keeping and the checks,
// so it should cost about what libpng costs: the "x_libpng" counters give ours / libpng (goal:
// below 1.3 for load and for save). A whole `veilmark-cli hide` of a small payload into that
// picture is set against one load and one save of the same file (goal: below 1.5).
//
// The ratios need their library row to have run first: run the whole set (no filter), or a
// filter that keeps the library rows.

#include "model/pictures/BTCImageObject.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t kWidth = 4032;
constexpr uint32_t kHeight = 3024;
constexpr size_t kRowBytes = size_t{kWidth} * 3;
constexpr size_t kPayloadBytes = 1024;
constexpr const char* kPassphrase = "bench pass";

// Seconds per iteration of the last run of each row, for the ratios: wall time, and processor
// time (this process's and its waited-for children's), which other work on the machine does
// not inflate.
struct S_Cost {
    double wall = 0;
    double cpu = 0;
};
S_Cost g_libraryDecode;
S_Cost g_libraryEncode;
S_Cost g_ourLoadAndSave;

using T_Clock = std::chrono::steady_clock;

double CpuSeconds()
{
    double seconds = 0;
    for (const int nWho : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(nWho, &usage);
        for (const timeval& t : {usage.ru_utime, usage.ru_stime})
            seconds += static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    }
    return seconds;
}

// The cost per iteration of the state's loop, timed from its construction.
class C_LoopTimer {
public:
    S_Cost PerIteration(const benchmark::State& state) const
    {
        const std::chrono::duration<double> wall = T_Clock::now() - m_start;
        const auto n = static_cast<double>(state.iterations());
        return n > 0 ? S_Cost{wall.count() / n, (CpuSeconds() - m_cpuStart) / n} : S_Cost{};
    }

private:
    T_Clock::time_point m_start = T_Clock::now();
    double m_cpuStart = CpuSeconds();
};

// ours / reference as counters (pName by wall time, pName_cpu by processor time) and as a label
// that says the goal.
void SetRatio(benchmark::State& state, const std::string& strName, S_Cost ours, S_Cost reference, double goal)
{
    if (reference.wall <= 0 || reference.cpu <= 0) {
        state.SetLabel("run the reference row first for the ratio");
        return;
    }
    const double wall = ours.wall / reference.wall;
    const double cpu = ours.cpu / reference.cpu;
    state.counters[strName] = wall;
    state.counters[strName + "_cpu"] = cpu;
    char aLabel[128];
    std::snprintf(aLabel, sizeof aLabel, "%s %.2f, cpu %.2f (goal < %.1f)%s", strName.c_str(), wall, cpu, goal,
        std::max(wall, cpu) < goal ? "" : " SLOW");
    state.SetLabel(aLabel);
}

S_Cost operator+(S_Cost a, S_Cost b)
{
    return S_Cost{a.wall + b.wall, a.cpu + b.cpu};
}

bool WriteFile(const std::string& strPath, const std::vector<uint8_t>& data)
{
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile)
        return false;
    const bool bOk = std::fwrite(data.data(), 1, data.size(), pFile) == data.size();
    return std::fclose(pFile) == 0 && bOk;
}

// libpng on its own, as a program that uses it directly would: errors jump back here.
struct S_MemoryInput {
    const std::vector<uint8_t>* pBytes;
    size_t nPos;
};

void ReadMemory(png_structp png, png_bytep pOut, size_t nCount)
{
    auto* pIn = static_cast<S_MemoryInput*>(png_get_io_ptr(png));
    if (nCount > pIn->pBytes->size() - pIn->nPos)
        png_error(png, "truncated");
    std::memcpy(pOut, pIn->pBytes->data() + pIn->nPos, nCount);
    pIn->nPos += nCount;
}

void WriteMemory(png_structp png, png_bytep pData, size_t nCount)
{
    auto* pOut = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    pOut->insert(pOut->end(), pData, pData + nCount);
}

void FlushNothing(png_structp)
{ }

// The whole RGB picture into pixels (kRowBytes x kHeight), with png_read_info and
// png_read_image and nothing else.
bool LibraryDecode(const std::vector<uint8_t>& file, uint8_t* pPixels)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    S_MemoryInput in{&file, 0};
    std::vector<png_bytep> aRows(kHeight);
    for (uint32_t y = 0; y < kHeight; ++y)
        aRows[y] = pPixels + y * kRowBytes;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &in, ReadMemory);
    png_read_info(png, info);
    if (png_get_image_width(png, info) != kWidth || png_get_image_height(png, info) != kHeight
        || png_get_rowbytes(png, info) != kRowBytes)
        png_error(png, "not the test picture");
    png_read_image(png, aRows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// pixels (kRowBytes x kHeight) as an RGB PNG at zlib level 2 (Veilmark's) and libpng's default filters.
bool LibraryEncode(const uint8_t* pPixels, std::vector<uint8_t>& out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_bytep> aRows(kHeight);
    for (uint32_t y = 0; y < kHeight; ++y)
        aRows[y] = const_cast<png_bytep>(pPixels) + y * kRowBytes;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, WriteMemory, FlushNothing);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 2);
    png_write_info(png, info);
    png_write_image(png, aRows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// A camera-like picture: each channel a slope across the frame, plus waves of its own that
// shade slowly across it, plus noise of a few levels. Flat colour would flatter zlib.
std::vector<uint8_t> PhotoLikePixels()
{
    std::vector<uint8_t> pixels(kRowBytes * kHeight);
    std::vector<float> aWaveX(size_t{kWidth} * 3);
    std::vector<float> aWaveY(size_t{kHeight} * 3);
    for (uint32_t x = 0; x < kWidth; ++x)
        for (int c = 0; c < 3; ++c)
            aWaveX[x * 3 + c] = 50.0f * std::sin(static_cast<float>(x) * (0.004f + 0.003f * c) + c);
    for (uint32_t y = 0; y < kHeight; ++y)
        for (int c = 0; c < 3; ++c)
            aWaveY[y * 3 + c] = std::cos(static_cast<float>(y) * (0.003f + 0.002f * c));
    uint32_t nState = 12345;
    for (uint32_t y = 0; y < kHeight; ++y) {
        uint8_t* pRow = pixels.data() + y * kRowBytes;
        for (uint32_t x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                nState = nState * 1103515245u + 12345u;
                const float noise = static_cast<float>((nState >> 16) % 9) - 4.0f;
                const float slope = 60.0f * static_cast<float>(x) / kWidth - 40.0f * static_cast<float>(y) / kHeight;
                const float value = 120.0f + 20.0f * c + slope + aWaveX[x * 3 + c] * aWaveY[y * 3 + c] + noise;
                pRow[x * 3 + c] = static_cast<uint8_t>(std::lround(std::fmin(255.0f, std::fmax(0.0f, value))));
            }
    }
    return pixels;
}

// The picture, its file in memory and on disk, and the payload for the hide: made once per run
// in a private folder that is removed at exit.
class C_Files {
public:
    C_Files()
    {
        char aTemplate[] = "/tmp/vmk-bench-png-XXXXXX";
        if (!mkdtemp(aTemplate))
            std::abort();
        m_strDir = aTemplate;
        if (!LibraryEncode(PhotoLikePixels().data(), m_file) || !WriteFile(Source(), m_file))
            std::abort();
        std::vector<uint8_t> payload(kPayloadBytes);
        uint32_t nState = 777;
        for (uint8_t& b : payload) {
            nState = nState * 1103515245u + 12345u;
            b = static_cast<uint8_t>(nState >> 16);
        }
        if (!WriteFile(Payload(), payload))
            std::abort();
    }
    ~C_Files()
    {
        for (const char* p : {"source.png", "saved.png", "hidden.png", "payload.bin"})
            std::remove((m_strDir + "/" + p).c_str());
        rmdir(m_strDir.c_str());
    }
    const std::vector<uint8_t>& Bytes() const { return m_file; }
    std::string Source() const { return m_strDir + "/source.png"; }
    std::string Saved() const { return m_strDir + "/saved.png"; }
    std::string Hidden() const { return m_strDir + "/hidden.png"; }
    std::string Payload() const { return m_strDir + "/payload.bin"; }

private:
    std::string m_strDir;
    std::vector<uint8_t> m_file;
};

const C_Files& Files()
{
    static const C_Files files;
    return files;
}

// Pixel bytes per iteration, and the file's size as a counter.
void SetBytes(benchmark::State& state)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kRowBytes * kHeight));
    state.counters["file_MB"] = static_cast<double>(Files().Bytes().size()) / 1e6;
}

void BM_LibpngDecode(benchmark::State& state)
{
    const std::vector<uint8_t>& file = Files().Bytes();
    const C_LoopTimer timer;
    for (auto _ : state) {
        // A fresh buffer each time, as a load gets; libpng writes every byte of it.
        const std::unique_ptr<uint8_t[]> pPixels(new uint8_t[kRowBytes * kHeight]);
        if (!LibraryDecode(file, pPixels.get()))
            state.SkipWithError("libpng could not decode the picture");
        benchmark::DoNotOptimize(pPixels.get());
    }
    g_libraryDecode = timer.PerIteration(state);
    SetBytes(state);
}

void BM_LibpngEncode(benchmark::State& state)
{
    const std::unique_ptr<uint8_t[]> pPixels(new uint8_t[kRowBytes * kHeight]);
    if (!LibraryDecode(Files().Bytes(), pPixels.get()))
        state.SkipWithError("libpng could not decode the picture");
    const C_LoopTimer timer;
    for (auto _ : state) {
        std::vector<uint8_t> out;
        if (!LibraryEncode(pPixels.get(), out))
            state.SkipWithError("libpng could not encode the picture");
        benchmark::DoNotOptimize(out.data());
    }
    g_libraryEncode = timer.PerIteration(state);
    SetBytes(state);
}

void BM_LoadFromMemory(benchmark::State& state)
{
    const C_LoopTimer timer;
    for (auto _ : state) {
        BTCImageObject obj;
        if (!obj.LoadFromMemory(Files().Bytes()))
            state.SkipWithError(obj.GetLastError().c_str());
        benchmark::DoNotOptimize(obj.GetObjectDataPtr());
    }
    SetBytes(state);
    SetRatio(state, "x_libpng", timer.PerIteration(state), g_libraryDecode, 1.3);
}

void BM_SaveToMemory(benchmark::State& state)
{
    BTCImageObject obj;
    if (!obj.LoadFromMemory(Files().Bytes()))
        state.SkipWithError(obj.GetLastError().c_str());
    const C_LoopTimer timer;
    for (auto _ : state) {
        std::vector<uint8_t> out;
        if (!obj.SaveToMemory(E_ImageFormat::Png, out))
            state.SkipWithError(obj.GetLastError().c_str());
        benchmark::DoNotOptimize(out.data());
    }
    SetBytes(state);
    SetRatio(state, "x_libpng", timer.PerIteration(state), g_libraryEncode, 1.3);
}

// What a hide costs at least: the file read and decoded, then encoded and written atomically.
void BM_LoadAndSave(benchmark::State& state)
{
    const C_LoopTimer timer;
    for (auto _ : state) {
        BTCImageObject obj;
        if (!obj.Load(Files().Source()) || !obj.Save(Files().Saved(), E_ImageFormat::Png))
            state.SkipWithError(obj.GetLastError().c_str());
    }
    g_ourLoadAndSave = timer.PerIteration(state);
    SetBytes(state);
    SetRatio(state, "x_libpng", g_ourLoadAndSave, g_libraryDecode + g_libraryEncode, 1.3);
}

// veilmark-cli as a user runs it, a process of its own with the pass phrase in its environment.
bool RunHide()
{
    const std::string strCli = VMK_CLI_PATH;
    std::vector<std::string> args = {strCli, "hide", Files().Source(), Files().Payload(), "-o", Files().Hidden()};
    std::vector<char*> argv;
    for (std::string& s : args)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    std::string strPass = std::string("VEILMARK_PASSPHRASE=") + kPassphrase;
    char* envp[] = {strPass.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int nSpawn = posix_spawn(&pid, strCli.c_str(), &actions, nullptr, argv.data(), envp);
    posix_spawn_file_actions_destroy(&actions);
    int nStatus = 0;
    return nSpawn == 0 && waitpid(pid, &nStatus, 0) == pid && WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
}

void BM_CliHide(benchmark::State& state)
{
    const C_LoopTimer timer;
    for (auto _ : state)
        if (!RunHide())
            state.SkipWithError("veilmark-cli hide failed");
    SetBytes(state);
    SetRatio(state, "x_load_save", timer.PerIteration(state), g_ourLoadAndSave, 1.5);
}

}  // namespace

BENCHMARK(BM_LibpngDecode)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_LoadFromMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_LibpngEncode)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SaveToMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LoadAndSave)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CliHide)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
