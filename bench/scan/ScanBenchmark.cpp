// The folder scan's throughput with one worker and with two over the same folder: a few hundred
// pictures of every format, from 64 x 64 to a megapixel, written into a temporary folder. The
// pictures are independent, so two workers on two cores should scan nearly twice as fast; the
// CPU time of the one-worker run says whether the check itself already uses more than one core.
//
// bench_scan [PICTURES] [ROUNDS]: 300 pictures and 3 rounds of each unless given.

#include "model/analysis/C_FolderScan.h"
#include "tests/support/C_PngBytes.h"
#include "tests/support/C_TestJpeg.h"
#include "tests/support/C_TestPictures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct S_Size {
    int nWidth;
    int nHeight;
};

// Small pictures are the most common in a collection, a megapixel the largest here.
constexpr S_Size kSizes[] = {{64, 64}, {160, 120}, {320, 240}, {512, 384}, {800, 600}, {1152, 864}};

// A PNG of RGB rows shaded like a photo, with some noise.
T_Bytes Png(int nWidth, int nHeight, uint32_t nSeed)
{
    const T_Bytes noise = C_TestBytes::Random(size_t(nWidth) * size_t(nHeight) * 3, nSeed);
    std::vector<uint8_t> rows(noise.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const size_t x = i / 3 % size_t(nWidth), y = i / 3 / size_t(nWidth);
        rows[i] = static_cast<uint8_t>((x + 2 * y + 40 * (i % 3)) / 4 + noise[i] % 7);
    }
    return C_PngBytes::Make(uint32_t(nWidth), uint32_t(nHeight), 2, 8, false, rows);
}

T_Bytes Picture(size_t nIndex, std::string& strExtension)
{
    const S_Size size = kSizes[nIndex % std::size(kSizes)];
    const auto nSeed = static_cast<uint32_t>(nIndex + 1);
    switch (nIndex / std::size(kSizes) % 6) {
    case 0: strExtension = "bmp"; return C_TestPictures::BmpShaded(size.nWidth, size.nHeight, nSeed, nIndex % 4 == 0);
    case 1: strExtension = "gif"; return C_TestPictures::Make(E_TestPicture::Gif, size.nWidth, size.nHeight, nSeed);
    case 2: strExtension = "pcx"; return C_TestPictures::Make(E_TestPicture::Pcx24, size.nWidth, size.nHeight, nSeed);
    case 3: strExtension = "png"; return Png(size.nWidth, size.nHeight, nSeed);
    case 4: {
        strExtension = "jpg";
        C_TestJpeg::S_Options options;
        options.nWidth = size.nWidth;
        options.nHeight = size.nHeight;
        options.nSeed = nSeed;
        return C_TestJpeg::Make(options);
    }
    default: strExtension = "bmp"; return C_TestPictures::Make(E_TestPicture::Bmp8, size.nWidth, size.nHeight, nSeed);
    }
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct S_Timing {
    double dWall = 0;
    double dCpu = 0;
    size_t nItems = 0;
    size_t nFailed = 0;
};

S_Timing Scan(const std::vector<std::string>& files, unsigned nWorkers)
{
    S_ScanOptions options;
    options.nWorkers = nWorkers;
    C_FolderScan scan(options);
    S_Timing timing;
    const double dCpu = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    scan.Run(files, [&](const S_ScanItem& item) {
        ++timing.nItems;
        timing.nFailed += item.Failed() ? 1 : 0;
    });
    timing.dWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    timing.dCpu = CpuSeconds() - dCpu;
    return timing;
}

}  // namespace

int main(int argc, char** argv)
{
    const size_t nPictures = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 300;
    const int nRounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const fs::path dir = fs::temp_directory_path() / ("vmk-bench-scan-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    uint64_t nBytes = 0;
    for (size_t i = 0; i < nPictures; ++i) {
        std::string strExtension;
        const T_Bytes bytes = Picture(i, strExtension);
        char aName[32];
        std::snprintf(aName, sizeof aName, "p%04zu.%s", i, strExtension.c_str());
        C_TestBytes::Write(dir / aName, bytes);
        nBytes += bytes.size();
    }
    std::vector<S_ScanItem> errors;
    const std::vector<std::string> files = C_FolderScan(S_ScanOptions{}).Collect({dir.string()}, errors);
    std::printf("%zu pictures (BMP, GIF, PCX, PNG, JPEG; 64 x 64 to 1152 x 864), %.1f MB in %s\n", files.size(),
        double(nBytes) / 1e6, dir.c_str());

    // One scan to fill the page cache, then the two alternately; each one's best round counts.
    Scan(files, 2);
    S_Timing best[2];
    for (int r = 0; r < nRounds; ++r)
        for (unsigned w = 1; w <= 2; ++w) {
            const S_Timing timing = Scan(files, w);
            if (timing.nItems != files.size() || timing.nFailed != 0)
                std::printf("round %d, %u workers: %zu items, %zu failed\n", r, w, timing.nItems, timing.nFailed);
            if (best[w - 1].dWall == 0 || timing.dWall < best[w - 1].dWall)
                best[w - 1] = timing;
        }
    for (unsigned w = 1; w <= 2; ++w)
        std::printf("%u worker%s: %7.1f pictures/s  (%.3f s wall, %.3f s CPU, %.2f cores busy)\n", w,
            w == 1 ? " " : "s", double(files.size()) / best[w - 1].dWall, best[w - 1].dWall, best[w - 1].dCpu,
            best[w - 1].dCpu / best[w - 1].dWall);
    std::printf("ratio 2 / 1 workers: %.2f\n", best[0].dWall / best[1].dWall);

    std::error_code error;
    fs::remove_all(dir, error);
    return 0;
}
