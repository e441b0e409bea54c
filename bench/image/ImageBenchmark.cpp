// Loading and saving an uncompressed 4000 x 3000 24-bit BMP (36 MB) beside a plain copy of the
// same file in the same run: the picture layer should cost about one read and one write of the
// file. The copy is measured as cp does it (read whole, write whole) and also with the flush to
// disk that an atomic save does before its rename.

#include "model/pictures/BTCImageObject.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int32_t kWidth = 4000;
constexpr int32_t kHeight = 3000;

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool ReadAll(const std::string& strPath, std::vector<uint8_t>& out)
{
    const int fd = open(strPath.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    const off_t nSize = lseek(fd, 0, SEEK_END);
    out.resize(static_cast<size_t>(nSize));
    size_t nDone = 0;
    while (nDone < out.size()) {
        const ssize_t n = pread(fd, out.data() + nDone, out.size() - nDone, static_cast<off_t>(nDone));
        if (n <= 0)
            break;
        nDone += static_cast<size_t>(n);
    }
    close(fd);
    return nDone == out.size();
}

bool WriteAll(const std::string& strPath, const std::vector<uint8_t>& data, bool bSync)
{
    const int fd = open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    size_t nDone = 0;
    while (nDone < data.size()) {
        const ssize_t n = write(fd, data.data() + nDone, data.size() - nDone);
        if (n <= 0)
            break;
        nDone += static_cast<size_t>(n);
    }
    const bool bOk = nDone == data.size() && (!bSync || fsync(fd) == 0);
    return close(fd) == 0 && bOk;
}

// The test picture, written once per run into a private folder that is removed at exit.
class C_Files {
public:
    C_Files()
    {
        char aTemplate[] = "/tmp/vmk-bench-image-XXXXXX";
        if (!mkdtemp(aTemplate))
            std::abort();
        m_strDir = aTemplate;
        const uint32_t nStride = (kWidth * 3 + 3) / 4 * 4;
        const uint32_t nPixels = nStride * kHeight;
        std::vector<uint8_t> file(54 + size_t{nPixels});
        file[0] = 'B';
        file[1] = 'M';
        Put32(&file[2], static_cast<uint32_t>(file.size()));
        Put32(&file[10], 54);
        Put32(&file[14], 40);
        Put32(&file[18], kWidth);
        Put32(&file[22], kHeight);
        file[26] = 1;
        file[28] = 24;
        Put32(&file[34], nPixels);
        uint32_t x = 12345;
        for (size_t i = 54; i < file.size(); ++i) {
            x = x * 1103515245u + 12345u;
            file[i] = static_cast<uint8_t>(x >> 16);
        }
        if (!WriteAll(Source(), file, true))
            std::abort();
    }
    ~C_Files()
    {
        for (const char* p : {"source.bmp", "copy.bmp", "saved.bmp"})
            std::remove((m_strDir + "/" + p).c_str());
        rmdir(m_strDir.c_str());
    }
    std::string Source() const { return m_strDir + "/source.bmp"; }
    std::string Copy() const { return m_strDir + "/copy.bmp"; }
    std::string Saved() const { return m_strDir + "/saved.bmp"; }

private:
    std::string m_strDir;
};

const C_Files& Files()
{
    static const C_Files files;
    return files;
}

void SetBytes(benchmark::State& state)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (54 + int64_t{kWidth} * 3 * kHeight));
}

void BM_CopyReadWhole(benchmark::State& state)
{
    std::vector<uint8_t> data;
    for (auto _ : state) {
        std::vector<uint8_t>().swap(data);  // a fresh buffer each time, as a load gets
        if (!ReadAll(Files().Source(), data))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(data.data());
    }
    SetBytes(state);
}

void BM_CopyWriteWhole(benchmark::State& state)
{
    std::vector<uint8_t> data;
    ReadAll(Files().Source(), data);
    const bool bSync = state.range(0) != 0;
    for (auto _ : state)
        if (!WriteAll(Files().Copy(), data, bSync))
            state.SkipWithError("write failed");
    SetBytes(state);
}

void BM_CopyFile(benchmark::State& state)
{
    const bool bSync = state.range(0) != 0;
    for (auto _ : state) {
        std::vector<uint8_t> data;
        if (!ReadAll(Files().Source(), data) || !WriteAll(Files().Copy(), data, bSync))
            state.SkipWithError("copy failed");
    }
    SetBytes(state);
}

void BM_LoadBmp(benchmark::State& state)
{
    for (auto _ : state) {
        BTCImageObject obj;
        if (!obj.Load(Files().Source()))
            state.SkipWithError(obj.GetLastError().c_str());
        benchmark::DoNotOptimize(obj.GetObjectDataPtr());
    }
    SetBytes(state);
}

void BM_SaveBmp(benchmark::State& state)
{
    BTCImageObject obj;
    if (!obj.Load(Files().Source()))
        state.SkipWithError(obj.GetLastError().c_str());
    for (auto _ : state)
        if (!obj.Save(Files().Saved(), E_ImageFormat::Bmp))
            state.SkipWithError(obj.GetLastError().c_str());
    SetBytes(state);
}

void BM_LoadAndSaveBmp(benchmark::State& state)
{
    for (auto _ : state) {
        BTCImageObject obj;
        if (!obj.Load(Files().Source()) || !obj.Save(Files().Saved(), E_ImageFormat::Bmp))
            state.SkipWithError(obj.GetLastError().c_str());
    }
    SetBytes(state);
}

}  // namespace

BENCHMARK(BM_CopyReadWhole)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadBmp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyWriteWhole)->Arg(0)->Arg(1)->ArgName("fsync")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveBmp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyFile)->Arg(0)->Arg(1)->ArgName("fsync")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadAndSaveBmp)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
