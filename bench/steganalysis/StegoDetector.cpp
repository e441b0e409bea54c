// A plain program, not a benchmark: how well a steganalyst's detector tells covers from stego
// pictures for each embedder at 0.1, 0.2 and 0.4 bits per pixel. The detector is the SPAM-686
// features (C_Spam686) and an ensemble of Fisher linear discriminants (C_FldEnsemble). The figure
// is P_E = (P_FA + P_MD) / 2 of the ensemble's majority vote on the testing patches, each base
// learner's threshold being the one that minimises that error on its training sample: 0.5 means
// the detector cannot tell, 0 that it never errs.
//
//   bench/steganalysis/make-patches.sh /tmp/patches
//   build/bench/steganalysis/stego_detector /tmp/patches [--splits 5] [--subspace 300|auto]
//       [--learners 51] [--threads 2] [--seed 1] [--full-keys]
//
// PATCHDIR holds one folder per photograph with its gray patches (binary PGM). Training and
// testing are split by photograph, so that no photograph is on both sides; the split is drawn
// again --splits times and the figures are the mean over the splits. The photographs come from
// Debian packages (see make-patches.sh): mate-backgrounds, lomiri-wallpapers-16.04,
// lomiri-wallpapers-20.04 and python3-skimage.
//
// Another embedder is one more function of the F_Embed shape and one more row in kEmbedders.
//
// The sealed record's row derives its keys with Argon2id at the least cost libsodium allows
// (the link wraps crypto_pwhash): the keys only pick which pseudo-random order and code the
// pixels get, which the full cost would not change, and the full cost is a third of a second a
// patch. --full-keys derives them as a hide does.

#include "bench/steganalysis/C_Embedders.h"
#include "bench/steganalysis/C_CheapKeys.h"
#include "bench/steganalysis/C_FldEnsemble.h"
#include "bench/steganalysis/C_PhotoSplit.h"
#include "bench/steganalysis/C_Pgm.h"
#include "bench/steganalysis/C_Spam686.h"
#include "engine/C_ParallelTasks.h"

#include <sodium.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using F_Embed = bool (*)(
    std::vector<uint8_t>& plane, uint32_t nWidth, uint32_t nHeight, double dBitsPerPixel, std::mt19937_64& rng);

struct S_Embedder {
    const char* pName;
    F_Embed pEmbed;
};

const S_Embedder kEmbedders[] = {
    {"LSB replacement", &C_Embedders::Replace},
    {"+-1 (LSB matching)", &C_Embedders::Match},
    {"HILL simulator", &C_Embedders::Hill},
    {"HILL trellis coder", &C_Embedders::Trellis},
    {"sealed record 2", &C_Embedders::Record},
};
constexpr double kRates[] = {0.1, 0.2, 0.4};
constexpr int kEmbedderCount = static_cast<int>(std::size(kEmbedders));
constexpr int kRateCount = static_cast<int>(std::size(kRates));
constexpr int kStegoSets = kEmbedderCount * kRateCount;

struct S_Patch {
    int nPhoto = 0;
    uint32_t nWidth = 0, nHeight = 0;
    std::vector<uint8_t> aPixels;
};

struct S_Options {
    std::string strDir;
    int nSplits = 5;
    int nSubspace = 300;  // 0: chosen per ensemble by the out-of-bag error
    int nLearners = 51;
    int nThreads = 2;
    uint64_t nSeed = 1;
    std::string strOnly;  // comma-separated parts of embedder names; empty: every embedder

    bool Wants(int nEmbedder) const
    {
        if (strOnly.empty())
            return true;
        const std::string strName = kEmbedders[nEmbedder].pName;
        for (size_t nFrom = 0; nFrom <= strOnly.size();) {
            const size_t nComma = std::min(strOnly.find(',', nFrom), strOnly.size());
            if (nComma > nFrom && strName.find(strOnly.substr(nFrom, nComma - nFrom)) != std::string::npos)
                return true;
            nFrom = nComma + 1;
        }
        return false;
    }
};

// A binary PGM with 8-bit samples; false for anything else.
bool ReadPgm(const std::filesystem::path& path, S_Patch& patch)
{
    return C_Pgm::Read(path, patch.aPixels, patch.nWidth, patch.nHeight);
}

bool LoadPatches(const std::string& strDir, std::vector<std::string>& aPhotos, std::vector<S_Patch>& aPatches)
{
    namespace fs = std::filesystem;
    std::error_code error;
    std::vector<fs::path> aFolders;
    for (const fs::directory_entry& entry : fs::directory_iterator(strDir, error))
        if (entry.is_directory())
            aFolders.push_back(entry.path());
    if (error) {
        std::fprintf(stderr, "%s: %s\n", strDir.c_str(), error.message().c_str());
        return false;
    }
    std::sort(aFolders.begin(), aFolders.end());
    for (const fs::path& folder : aFolders) {
        std::vector<fs::path> aFiles;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            if (entry.path().extension() == ".pgm")
                aFiles.push_back(entry.path());
        std::sort(aFiles.begin(), aFiles.end());
        if (aFiles.empty())
            continue;
        for (const fs::path& file : aFiles) {
            S_Patch patch;
            patch.nPhoto = static_cast<int>(aPhotos.size());
            if (!ReadPgm(file, patch)) {
                std::fprintf(stderr, "%s: not an 8-bit binary PGM of at least 16 x 16\n", file.c_str());
                return false;
            }
            aPatches.push_back(std::move(patch));
        }
        aPhotos.push_back(folder.filename().string());
    }
    return !aPatches.empty();
}

// Runs fnJob(0 .. nJobs-1) on nThreads threads.
template <typename F> void Parallel(int nJobs, int nThreads, F fnJob)
{
    C_ParallelTasks::Run(
        static_cast<size_t>(nJobs), [&](size_t i) { fnJob(static_cast<int>(i)); }, static_cast<unsigned>(nThreads));
}

// A seed per (patch, embedder, rate), so that the stego pictures do not depend on the threads.
uint64_t SeedOf(uint64_t nSeed, int nPatch, int nSet)
{
    std::seed_seq seq{static_cast<uint32_t>(nSeed), static_cast<uint32_t>(nSeed >> 32), static_cast<uint32_t>(nPatch),
        static_cast<uint32_t>(nSet)};
    uint64_t aOut[1];
    seq.generate(reinterpret_cast<uint32_t*>(aOut), reinterpret_cast<uint32_t*>(aOut) + 2);
    return aOut[0];
}

struct S_Result {
    double dError = 0.5, dOutOfBag = 0.5;
    int nSubspace = 0;
};

// Trains on the training pictures' pairs of one stego set and measures P_E on the testing ones.
S_Result Measure(const std::vector<std::vector<float>>& aCovers, const std::vector<std::vector<float>>& aStegos,
    const std::vector<char>& aTraining, const S_Options& options, uint64_t nSeed)
{
    std::vector<const float*> aTrainC, aTrainS;
    for (size_t i = 0; i < aCovers.size(); ++i)
        if (aTraining[i]) {
            aTrainC.push_back(aCovers[i].data());
            aTrainS.push_back(aStegos[i].data());
        }
    C_FldEnsemble::S_Options ensembleOptions;
    ensembleOptions.nLearners = options.nLearners;
    ensembleOptions.nSeed = nSeed;
    C_FldEnsemble ensemble;
    S_Result result;
    if (options.nSubspace > 0) {
        ensembleOptions.nSubspace = options.nSubspace;
        ensemble.Train(aTrainC, aTrainS, C_Spam686::kCount, ensembleOptions);
        result.nSubspace = options.nSubspace;
    } else {
        // The subspace size with the lowest out-of-bag error; the ensemble is trained again on it.
        double dBest = 2;
        for (int nSubspace : {100, 200, 300, 400, 500}) {
            ensembleOptions.nSubspace = nSubspace;
            ensemble.Train(aTrainC, aTrainS, C_Spam686::kCount, ensembleOptions);
            if (ensemble.OutOfBagError() < dBest) {
                dBest = ensemble.OutOfBagError();
                result.nSubspace = nSubspace;
            }
        }
        ensembleOptions.nSubspace = result.nSubspace;
        ensemble.Train(aTrainC, aTrainS, C_Spam686::kCount, ensembleOptions);
    }
    result.dOutOfBag = ensemble.OutOfBagError();
    double nFalseAlarms = 0, nMisses = 0, nTests = 0;
    for (size_t i = 0; i < aCovers.size(); ++i) {
        if (aTraining[i])
            continue;
        nTests += 1;
        nFalseAlarms += ensemble.IsStego(aCovers[i].data());
        nMisses += !ensemble.IsStego(aStegos[i].data());
    }
    result.dError = nTests > 0 ? 0.5 * (nFalseAlarms + nMisses) / nTests : 0.5;
    return result;
}

bool ParseOptions(int argc, char** argv, S_Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        const bool bHasValue = i + 1 < argc;
        if (strArg == "--splits" && bHasValue)
            options.nSplits = std::atoi(argv[++i]);
        else if (strArg == "--subspace" && bHasValue) {
            const std::string strValue = argv[++i];
            options.nSubspace = strValue == "auto" ? 0 : std::atoi(strValue.c_str());
            if (options.nSubspace < 0 || (options.nSubspace == 0 && strValue != "auto"))
                return false;
        } else if (strArg == "--learners" && bHasValue)
            options.nLearners = std::atoi(argv[++i]);
        else if (strArg == "--threads" && bHasValue)
            options.nThreads = std::atoi(argv[++i]);
        else if (strArg == "--only" && bHasValue)
            options.strOnly = argv[++i];
        else if (strArg == "--full-keys")
            C_CheapKeys::SetFull(true);
        else if (strArg == "--seed" && bHasValue)
            options.nSeed = std::strtoull(argv[++i], nullptr, 10);
        else if (!strArg.empty() && strArg[0] != '-' && options.strDir.empty())
            options.strDir = strArg;
        else
            return false;
    }
    return !options.strDir.empty() && options.nSplits > 0 && options.nLearners > 0 && options.nThreads > 0;
}

}  // namespace

int main(int argc, char** argv)
{
    S_Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
            "usage: stego_detector PATCHDIR [--splits N] [--subspace D|auto] [--learners L] [--threads N] "
            "[--seed S] [--full-keys] [--only NAME,NAME]\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    auto fnSeconds = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };

    std::vector<std::string> aPhotos;
    std::vector<S_Patch> aPatches;
    if (!LoadPatches(options.strDir, aPhotos, aPatches)) {
        std::fprintf(stderr, "%s: no patches\n", options.strDir.c_str());
        return 1;
    }
    const int nPatches = static_cast<int>(aPatches.size());
    const int nPhotos = static_cast<int>(aPhotos.size());
    std::printf("%d patches from %d photographs in %s\n", nPatches, nPhotos, options.strDir.c_str());
    if (nPhotos < 2) {
        std::fprintf(stderr, "training and testing need different photographs: at least two folders\n");
        return 1;
    }

    // aFeatures[0] the covers', aFeatures[1 + embedder * kRateCount + rate] each stego set's.
    std::vector<std::vector<std::vector<float>>> aFeatures(1 + kStegoSets, std::vector<std::vector<float>>(nPatches));
    std::vector<std::atomic<int>> aShort(kStegoSets);
    Parallel(nPatches, options.nThreads, [&](int i) {
        const S_Patch& patch = aPatches[i];
        aFeatures[0][i] = C_Spam686::Of(patch.aPixels.data(), patch.nWidth, patch.nHeight);
        for (int e = 0; e < kEmbedderCount; ++e)
            for (int r = 0; r < kRateCount && options.Wants(e); ++r) {
                const int nSet = e * kRateCount + r;
                std::vector<uint8_t> stego = patch.aPixels;
                std::mt19937_64 rng(SeedOf(options.nSeed, i, nSet));
                if (!kEmbedders[e].pEmbed(stego, patch.nWidth, patch.nHeight, kRates[r], rng))
                    ++aShort[nSet];
                aFeatures[1 + nSet][i] = C_Spam686::Of(stego.data(), patch.nWidth, patch.nHeight);
            }
    });
    std::printf("features of %d pictures: %.1f s\n", nPatches * (1 + kStegoSets), fnSeconds());
    for (int nSet = 0; nSet < kStegoSets; ++nSet)
        if (aShort[nSet] > 0)
            std::printf(
                "note: %s at %.1f bpp: %d patches could not carry the whole payload (the coders' rows leave them unchanged)\n",
                kEmbedders[nSet / kRateCount].pName, kRates[nSet % kRateCount], aShort[nSet].load());

    for (int r = 0; r < kRateCount; ++r) {
        const double dBits = C_Embedders::RecordBits(kRates[r]);
        if (dBits > 0)
            std::printf("sealed record at %.1f bpp: %.0f bits on average, the salt's and the second tag's included, "
                        "%.4f bpp\n",
                kRates[r], dBits, dBits / (aPatches[0].nWidth * aPatches[0].nHeight));
    }

    std::vector<int> aPhotoOf;
    for (const S_Patch& patch : aPatches)
        aPhotoOf.push_back(patch.nPhoto);
    // aResults[split][set]
    std::vector<std::vector<S_Result>> aResults(options.nSplits, std::vector<S_Result>(kStegoSets));
    for (int s = 0; s < options.nSplits; ++s) {
        const C_PhotoSplit split(aPhotoOf, nPhotos, SeedOf(options.nSeed, -1, s));
        const std::vector<char>& aTraining = split.Training();
        const int nTrainPatches = split.TrainingPictures();
        const int nTrainPhotos = split.TrainingPhotos();
        std::printf("split %d: training %d patches from %d photographs, testing %d patches from %d photographs\n",
            s + 1, nTrainPatches, nTrainPhotos, nPatches - nTrainPatches, nPhotos - nTrainPhotos);
        Parallel(kStegoSets, options.nThreads, [&](int nSet) {
            if (!options.Wants(nSet / kRateCount))
                return;
            aResults[s][nSet] =
                Measure(aFeatures[0], aFeatures[1 + nSet], aTraining, options, SeedOf(options.nSeed, s, nSet));
        });
        std::fflush(stdout);
    }

    std::printf("\nP_E on the testing patches (mean over %d splits, with the standard deviation over them);\n"
                "0.5 = the detector cannot tell. SPAM-686 features, FLD ensemble of %d learners, d_sub %s.\n",
        options.nSplits, options.nLearners,
        options.nSubspace > 0 ? std::to_string(options.nSubspace).c_str() : "by out-of-bag error");
    std::printf("%-22s", "embedder");
    for (double dRate : kRates)
        std::printf("  %6.1f bpp      ", dRate);
    std::printf("   (out-of-bag P_E%s)\n", options.nSubspace > 0 ? "" : "; d_sub");
    for (int e = 0; e < kEmbedderCount; ++e) {
        if (!options.Wants(e))
            continue;
        std::printf("%-22s", kEmbedders[e].pName);
        std::string strOutOfBag;
        for (int r = 0; r < kRateCount; ++r) {
            double dSum = 0, dSquares = 0, dOutOfBag = 0, dSubspace = 0;
            for (int s = 0; s < options.nSplits; ++s) {
                const S_Result& result = aResults[s][e * kRateCount + r];
                dSum += result.dError;
                dSquares += result.dError * result.dError;
                dOutOfBag += result.dOutOfBag / options.nSplits;
                dSubspace += static_cast<double>(result.nSubspace) / options.nSplits;
            }
            const double dMean = dSum / options.nSplits;
            const double dDeviation = std::sqrt(std::max(0.0, dSquares / options.nSplits - dMean * dMean));
            std::printf("  %6.3f +- %.3f", dMean, dDeviation);
            char aText[48];
            if (options.nSubspace > 0)
                std::snprintf(aText, sizeof aText, " %.3f", dOutOfBag);
            else
                std::snprintf(aText, sizeof aText, " %.3f;%.0f", dOutOfBag, dSubspace);
            strOutOfBag += aText;
        }
        std::printf("   (%s)\n", strOutOfBag.c_str() + 1);
    }
    std::printf("\nrun time %.1f s on %d threads\n", fnSeconds(), options.nThreads);
    return 0;
}
