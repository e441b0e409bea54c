// A plain program, not a benchmark: how well a steganalyst's detector tells JPEG covers from
// stego JPEGs for each embedder at 0.1, 0.2 and 0.4 bits per non-zero AC coefficient (bpnzAC).
// The detector is the DCTR features (C_Dctr, 8000 of them) and the ensemble of Fisher linear
// discriminants of bench/steganalysis (C_FldEnsemble). The figure is P_E = (P_FA + P_MD) / 2 of
// the ensemble's majority vote on the testing covers and their stego versions: 0.5 means the
// detector cannot tell, 0 that it never errs.
//
//   apt-get install libjpeg-turbo-progs steghide outguess   (and make-patches.sh's packages)
//   bench/jpegstego/make-jpegs.sh /tmp/jpegs
//   build/bench/jpegstego/jpeg_stego_detector /tmp/jpegs/q75 /tmp/jpegs/q95 [--covers 400]
//       [--splits 5] [--subspace 300] [--learners 51] [--threads 2] [--seed 1] [--q-factor 8]
//       [--full-keys] [--only NAME,NAME] [--min-nzac N]
//
// --min-nzac N leaves out the covers with fewer than N non-zero AC coefficients, for every row:
// how the rows compare on busier covers, where the sealed record's smallest size (its fixed
// part) is not above the payload.
//
// --q-factor F sets DCTR's quantisation step to F (2 - QF / 50) (see C_Dctr.h). At the full
// size (1004 covers a quality, 5 splits) a quality took about 5 minutes on two cores without the
// sealed record's row; its 3000 seals add several more.
//
// Each COVERDIR holds one folder per photograph with its gray JPEG covers, all of one quality
// (make-jpegs.sh makes 256 x 256 covers at qualities 75 and 95 from the photographs of
// bench/steganalysis/make-patches.sh: Debian's mate-backgrounds, lomiri-wallpapers-16.04 and
// -20.04 and python3-skimage's data). Each folder gets a table of its own. --covers takes that
// many covers at random (all: 0). Training and testing are split by photograph, so that no
// photograph is on both sides; the split is drawn again --splits times and the figures are the
// mean over the splits.
//
// The simulators (nsF5, J-UNIWARD) change the coefficients in memory as an optimal code would;
// steghide and outguess, third-party programs run only here for comparison, embed a random file
// of rate * nzAC / 8 bytes under a random pass phrase, and their rows leave out (and count) the
// covers they refused. outguess refuses one-component JPEGs, so it is given the cover's
// three-component twin (make-jpegs.sh), whose Y coefficients are the cover's; its Y component is
// then measured against the cover. outguess decodes the picture and codes it again (at the
// cover's quality, -p), so its stego differs from the cover by that second compression too. A
// tool that is not installed loses its row.
//
// The sealed record's row is C_SpreadRecord::Seal on a C_JpegCover, as a hide into a JPEG does,
// with a payload of the rate's bytes less the smallest record's. Its keys are derived with
// Argon2id at the least cost libsodium allows (the link wraps crypto_pwhash, as stego_detector
// does): they only pick the order and code, which the full cost would not change. --full-keys
// derives them as a hide does.

#include "bench/jpegstego/C_Dctr.h"
#include "bench/jpegstego/C_JUniwardCost.h"
#include "bench/jpegstego/C_JpegEmbedders.h"
#include "model/records/C_JpegCover.h"
#include "bench/jpegstego/C_JpegPlane.h"
#include "bench/steganalysis/C_CheapKeys.h"
#include "bench/steganalysis/C_Embedders.h"
#include "bench/steganalysis/C_FldEnsemble.h"
#include "bench/steganalysis/C_PhotoSplit.h"
#include "engine/C_ParallelTasks.h"

#include <sodium.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

enum class E_Embedder { NsF5, JUniward, Uerd, Steghide, Outguess, Record };

struct S_Embedder {
    const char* pName;
    E_Embedder eKind;
};

const S_Embedder kEmbedders[] = {
    {"nsF5 simulator", E_Embedder::NsF5},
    {"J-UNIWARD simulator", E_Embedder::JUniward},
    // The record's own costs under the same simulator: the record's row less this one is what
    // its coder and its overhead cost, this one less J-UNIWARD's what its costs do.
    {"UERD simulator", E_Embedder::Uerd},
    {"steghide", E_Embedder::Steghide},
    {"outguess", E_Embedder::Outguess},
    {"sealed record 2", E_Embedder::Record},
};
constexpr double kRates[] = {0.1, 0.2, 0.4};

// The cover's UERD costs (C_JpegCover's), 64 a block as the simulator takes them, the DC wet.
std::vector<float> UerdCosts(const C_JpegCoefficients& jpeg)
{
    C_JpegCoefficients copy = jpeg;
    const C_JpegCover cover(copy);
    std::vector<float> ac;
    cover.Weigh(ac);
    std::vector<float> costs(copy.Components()[0].coefficients.size(), std::numeric_limits<float>::infinity());
    for (size_t k = 0; k < ac.size() && k / 63 * 64 + 1 + k % 63 < costs.size(); ++k)
        costs[k / 63 * 64 + 1 + k % 63] = ac[k];
    return costs;
}
constexpr int kEmbedderCount = static_cast<int>(std::size(kEmbedders));
constexpr int kRateCount = static_cast<int>(std::size(kRates));
constexpr int kStegoSets = kEmbedderCount * kRateCount;

struct S_Options {
    std::vector<std::string> aDirs;
    int nCovers = 0;
    int nSplits = 5;
    int nSubspace = 300;
    int nLearners = 51;
    int nThreads = 2;
    double dStepFactor = 8.0;
    uint64_t nSeed = 1;
    std::string strOnly;
    // Covers with fewer non-zero AC coefficients are left out (how the rows fare on busier
    // covers, where the smallest record is below the payload).
    size_t nMinNonZero = 0;

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

struct S_Cover {
    int nPhoto = 0;
    std::filesystem::path path;
    std::filesystem::path twin;  // make-jpegs.sh's three-component twin, for outguess
    C_JpegCoefficients jpeg;
};

bool IsTwin(const std::filesystem::path& path)
{
    const std::string strName = path.filename().string();
    return strName.size() > 8 && strName.compare(strName.size() - 8, 8, ".ycc.jpg") == 0;
}

bool LoadCovers(const std::string& strDir, const S_Options& options, std::vector<std::string>& aPhotos,
    std::vector<S_Cover>& aCovers)
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
    std::vector<std::pair<int, fs::path>> aFiles;
    for (const fs::path& folder : aFolders) {
        std::vector<fs::path> aInFolder;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            if (entry.path().extension() == ".jpg" && !IsTwin(entry.path()))
                aInFolder.push_back(entry.path());
        if (aInFolder.empty())
            continue;
        std::sort(aInFolder.begin(), aInFolder.end());
        for (const fs::path& file : aInFolder)
            aFiles.emplace_back(static_cast<int>(aPhotos.size()), file);
        aPhotos.push_back(folder.filename().string());
    }
    if (options.nCovers > 0 && static_cast<size_t>(options.nCovers) < aFiles.size()) {
        std::mt19937_64 rng(options.nSeed);
        std::shuffle(aFiles.begin(), aFiles.end(), rng);
        aFiles.resize(static_cast<size_t>(options.nCovers));
        std::sort(aFiles.begin(), aFiles.end());
    }
    for (const auto& [nPhoto, file] : aFiles) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        S_Cover cover;
        cover.nPhoto = nPhoto;
        cover.path = file;
        cover.twin = std::filesystem::path(file).replace_extension(".ycc.jpg");
        std::string strError;
        if (!cover.jpeg.Read(bytes, uint64_t{1} << 24, strError) || cover.jpeg.Components().empty()) {
            std::fprintf(stderr, "%s: %s\n", file.c_str(), strError.c_str());
            return false;
        }
        if (C_JpegEmbedders::NonZeroAc(cover.jpeg) < options.nMinNonZero)
            continue;
        aCovers.push_back(std::move(cover));
    }
    return !aCovers.empty();
}

template <typename F> void Parallel(int nJobs, int nThreads, F fnJob)
{
    C_ParallelTasks::Run(
        static_cast<size_t>(nJobs), [&](size_t i) { fnJob(static_cast<int>(i)); }, static_cast<unsigned>(nThreads));
}

// A seed per (cover, set), so that the stego pictures do not depend on the threads.
uint64_t SeedOf(uint64_t nSeed, int nCover, int nSet)
{
    std::seed_seq seq{static_cast<uint32_t>(nSeed), static_cast<uint32_t>(nSeed >> 32), static_cast<uint32_t>(nCover),
        static_cast<uint32_t>(nSet)};
    uint64_t aOut[1];
    seq.generate(reinterpret_cast<uint32_t*>(aOut), reinterpret_cast<uint32_t*>(aOut) + 2);
    return aOut[0];
}

// Trains on the training covers' pairs of one stego set (those the embedder carried) and
// measures P_E on the testing ones.
double Measure(const std::vector<std::vector<float>>& aCovers, const std::vector<std::vector<float>>& aStegos,
    const std::vector<char>& aTraining, const std::vector<char>& aCarried, const S_Options& options, uint64_t nSeed)
{
    std::vector<const float*> aTrainC, aTrainS;
    for (size_t i = 0; i < aCovers.size(); ++i)
        if (aTraining[i] && aCarried[i]) {
            aTrainC.push_back(aCovers[i].data());
            aTrainS.push_back(aStegos[i].data());
        }
    if (aTrainC.size() < 2)
        return std::nan("");
    C_FldEnsemble::S_Options ensembleOptions;
    ensembleOptions.nLearners = options.nLearners;
    ensembleOptions.nSubspace = options.nSubspace;
    ensembleOptions.nSeed = nSeed;
    C_FldEnsemble ensemble;
    ensemble.Train(aTrainC, aTrainS, C_Dctr::kCount, ensembleOptions);
    double nFalseAlarms = 0, nMisses = 0, nTests = 0;
    for (size_t i = 0; i < aCovers.size(); ++i) {
        if (aTraining[i] || !aCarried[i])
            continue;
        nTests += 1;
        nFalseAlarms += ensemble.IsStego(aCovers[i].data());
        nMisses += !ensemble.IsStego(aStegos[i].data());
    }
    return nTests > 0 ? 0.5 * (nFalseAlarms + nMisses) / nTests : std::nan("");
}

bool ParseOptions(int argc, char** argv, S_Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        const bool bHasValue = i + 1 < argc;
        if (strArg == "--covers" && bHasValue)
            options.nCovers = std::atoi(argv[++i]);
        else if (strArg == "--splits" && bHasValue)
            options.nSplits = std::atoi(argv[++i]);
        else if (strArg == "--subspace" && bHasValue)
            options.nSubspace = std::atoi(argv[++i]);
        else if (strArg == "--learners" && bHasValue)
            options.nLearners = std::atoi(argv[++i]);
        else if (strArg == "--threads" && bHasValue)
            options.nThreads = std::atoi(argv[++i]);
        else if (strArg == "--q-factor" && bHasValue)
            options.dStepFactor = std::atof(argv[++i]);
        else if (strArg == "--full-keys")
            C_CheapKeys::SetFull(true);
        else if (strArg == "--only" && bHasValue)
            options.strOnly = argv[++i];
        else if (strArg == "--min-nzac" && bHasValue)
            options.nMinNonZero = std::strtoull(argv[++i], nullptr, 10);
        else if (strArg == "--seed" && bHasValue)
            options.nSeed = std::strtoull(argv[++i], nullptr, 10);
        else if (!strArg.empty() && strArg[0] != '-')
            options.aDirs.push_back(strArg);
        else
            return false;
    }
    return !options.aDirs.empty() && options.nCovers >= 0 && options.nSplits > 0 && options.nSubspace > 0
        && options.nLearners > 0 && options.nThreads > 0 && options.dStepFactor > 0;
}

// One quality's folder: features, splits and its table. False when it has no usable covers.
bool MeasureFolder(const std::string& strDir, const S_Options& options)
{
    const auto start = std::chrono::steady_clock::now();
    auto fnSeconds = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };

    std::vector<std::string> aPhotos;
    std::vector<S_Cover> aCovers;
    if (!LoadCovers(strDir, options, aPhotos, aCovers)) {
        std::fprintf(stderr, "%s: no covers\n", strDir.c_str());
        return false;
    }
    const int nCovers = static_cast<int>(aCovers.size());
    const int nPhotos = static_cast<int>(aPhotos.size());
    const int nQuality = C_JpegPlane::QualityOf(aCovers[0].jpeg);
    const double dStep = C_Dctr::StepFor(nQuality, options.dStepFactor);
    double dNonZero = 0;
    for (const S_Cover& cover : aCovers)
        dNonZero += static_cast<double>(C_JpegEmbedders::NonZeroAc(cover.jpeg)) / nCovers;
    std::printf("\n== %s: %d covers from %d photographs, quality %d (by its table), %.0f nzAC a cover on average, "
                "DCTR step q = %.2f\n",
        strDir.c_str(), nCovers, nPhotos, nQuality, dNonZero, dStep);
    if (nPhotos < 2) {
        std::fprintf(stderr, "training and testing need different photographs: at least two folders\n");
        return false;
    }

    std::vector<char> aAvailable(kEmbedderCount, 1);
    for (int e = 0; e < kEmbedderCount; ++e) {
        const E_Embedder eKind = kEmbedders[e].eKind;
        if (!options.Wants(e)) {
            aAvailable[e] = 0;
        } else if ((eKind == E_Embedder::Steghide && !C_JpegEmbedders::HasTool(C_JpegEmbedders::E_Tool::Steghide))
            || (eKind == E_Embedder::Outguess && !C_JpegEmbedders::HasTool(C_JpegEmbedders::E_Tool::Outguess))) {
            std::printf("note: %s is not installed: its row is left out\n", kEmbedders[e].pName);
            aAvailable[e] = 0;
        }
    }

    // The external tools write into a folder of their own per job.
    char aTemplate[] = "/tmp/jpegstego.XXXXXX";
    if (!mkdtemp(aTemplate)) {
        std::perror("mkdtemp");
        return false;
    }
    const std::filesystem::path workRoot = aTemplate;

    // aFeatures[0] the covers', aFeatures[1 + embedder * kRateCount + rate] each stego set's.
    std::vector<std::vector<std::vector<float>>> aFeatures(1 + kStegoSets, std::vector<std::vector<float>>(nCovers));
    std::vector<std::vector<char>> aCarried(kStegoSets, std::vector<char>(nCovers, 0));
    // Changed coefficients and the cover's nzAC, per set and cover.
    std::vector<std::vector<size_t>> aChanges(kStegoSets, std::vector<size_t>(nCovers, 0));
    // The bits each seal carried, the salt's included (the record's row only).
    std::vector<std::vector<uint64_t>> aRecordBits(kStegoSets, std::vector<uint64_t>(nCovers, 0));
    Parallel(nCovers, options.nThreads, [&](int i) {
        const S_Cover& cover = aCovers[i];
        aFeatures[0][i] = C_Dctr::Of(C_JpegPlane::Of(cover.jpeg), dStep);
        const size_t nNonZero = C_JpegEmbedders::NonZeroAc(cover.jpeg);
        std::vector<float> costs;
        std::vector<float> uerd;
        const std::filesystem::path workDir = workRoot / std::to_string(i);
        for (int e = 0; e < kEmbedderCount; ++e) {
            if (!aAvailable[e])
                continue;
            const E_Embedder eKind = kEmbedders[e].eKind;
            if (eKind == E_Embedder::JUniward && costs.empty())
                costs = C_JUniwardCost::Of(cover.jpeg, C_JpegPlane::Of(cover.jpeg));
            if (eKind == E_Embedder::Uerd && uerd.empty())
                uerd = UerdCosts(cover.jpeg);
            for (int r = 0; r < kRateCount; ++r) {
                const int nSet = e * kRateCount + r;
                std::mt19937_64 rng(SeedOf(options.nSeed, i, nSet));
                C_JpegCoefficients stego = cover.jpeg;
                bool bCarried = false;
                switch (eKind) {
                case E_Embedder::NsF5: bCarried = C_JpegEmbedders::NsF5(stego, kRates[r], rng); break;
                case E_Embedder::JUniward: bCarried = C_JpegEmbedders::Simulate(stego, costs, kRates[r], rng); break;
                case E_Embedder::Uerd: bCarried = C_JpegEmbedders::Simulate(stego, uerd, kRates[r], rng); break;
                case E_Embedder::Record:
                    bCarried = C_JpegEmbedders::Record(stego, kRates[r], rng, aRecordBits[nSet][i]);
                    break;
                case E_Embedder::Steghide:
                case E_Embedder::Outguess: {
                    std::error_code error;
                    std::filesystem::create_directories(workDir, error);
                    const size_t nBytes = static_cast<size_t>(kRates[r] * static_cast<double>(nNonZero) / 8);
                    bCarried =
                        C_JpegEmbedders::RunTool(eKind == E_Embedder::Steghide ? C_JpegEmbedders::E_Tool::Steghide
                                                                               : C_JpegEmbedders::E_Tool::Outguess,
                            eKind == E_Embedder::Steghide ? cover.path : cover.twin, cover.jpeg, nQuality, nBytes, rng,
                            workDir, stego);
                    break;
                }
                }
                if (!bCarried)
                    continue;
                aCarried[nSet][i] = 1;
                aChanges[nSet][i] = C_JpegEmbedders::Changes(cover.jpeg, stego);
                aFeatures[1 + nSet][i] = C_Dctr::Of(C_JpegPlane::Of(stego), dStep);
            }
        }
        std::error_code error;
        std::filesystem::remove_all(workDir, error);
    });
    std::error_code error;
    std::filesystem::remove_all(workRoot, error);
    std::printf("features of the covers and their stego versions: %.1f s\n", fnSeconds());
    for (int e = 0; e < kEmbedderCount; ++e) {
        if (!aAvailable[e] || kEmbedders[e].eKind != E_Embedder::Record)
            continue;
        for (int r = 0; r < kRateCount; ++r) {
            double dBits = 0, dCarriedNonZero = 0;
            // Covers whose nominal payload is below the smallest record: they carry more than it.
            int nSmallest = 0;
            for (int i = 0; i < nCovers; ++i)
                if (aCarried[e * kRateCount + r][i]) {
                    const size_t nNonZero = C_JpegEmbedders::NonZeroAc(aCovers[i].jpeg);
                    dBits += static_cast<double>(aRecordBits[e * kRateCount + r][i]);
                    dCarriedNonZero += static_cast<double>(nNonZero);
                    if (C_Embedders::StoredBytes(nNonZero, kRates[r]) == 0)
                        ++nSmallest;
                }
            if (dCarriedNonZero > 0)
                std::printf("%s at %.1f bpnzAC: the seals carried %.3f bits per nzAC, the salt's and the second "
                            "tag's included; %d covers took the smallest record, above their payload\n",
                    kEmbedders[e].pName, kRates[r], dBits / dCarriedNonZero, nSmallest);
        }
    }

    std::vector<int> aPhotoOf;
    for (const S_Cover& cover : aCovers)
        aPhotoOf.push_back(cover.nPhoto);
    // aResults[split][set]
    std::vector<std::vector<double>> aResults(options.nSplits, std::vector<double>(kStegoSets, std::nan("")));
    for (int s = 0; s < options.nSplits; ++s) {
        const C_PhotoSplit split(aPhotoOf, nPhotos, SeedOf(options.nSeed, -1, s));
        const std::vector<char>& aTraining = split.Training();
        const int nTrainCovers = split.TrainingPictures();
        const int nTrainPhotos = split.TrainingPhotos();
        std::printf("split %d: training %d covers from %d photographs, testing %d covers from %d photographs\n", s + 1,
            nTrainCovers, nTrainPhotos, nCovers - nTrainCovers, nPhotos - nTrainPhotos);
        Parallel(kStegoSets, options.nThreads, [&](int nSet) {
            if (!aAvailable[nSet / kRateCount])
                return;
            aResults[s][nSet] = Measure(
                aFeatures[0], aFeatures[1 + nSet], aTraining, aCarried[nSet], options, SeedOf(options.nSeed, s, nSet));
        });
        std::fflush(stdout);
    }

    std::printf("\nQuality %d: P_E on the testing covers (mean over %d splits +- their standard deviation); 0.5 = the "
                "detector cannot tell.\nDCTR (q = %.2f, T = 4), FLD ensemble of %d learners, d_sub %d. 'refused': "
                "covers the embedder could not carry (left out of its P_E); 'changes': changed coefficients over "
                "the nzAC of the covers it carried.\n",
        nQuality, options.nSplits, dStep, options.nLearners, options.nSubspace);
    std::printf("%-22s", "embedder");
    for (double dRate : kRates)
        std::printf("  %5.1f bpnzAC  refused changes", dRate);
    std::printf("\n");
    for (int e = 0; e < kEmbedderCount; ++e) {
        if (!aAvailable[e])
            continue;
        std::printf("%-22s", kEmbedders[e].pName);
        for (int r = 0; r < kRateCount; ++r) {
            const int nSet = e * kRateCount + r;
            double dSum = 0, dSquares = 0;
            int nCounted = 0;
            for (int s = 0; s < options.nSplits; ++s)
                if (!std::isnan(aResults[s][nSet])) {
                    dSum += aResults[s][nSet];
                    dSquares += aResults[s][nSet] * aResults[s][nSet];
                    ++nCounted;
                }
            int nRefused = 0;
            double dChanges = 0, dCarriedNonZero = 0;
            for (int i = 0; i < nCovers; ++i) {
                nRefused += !aCarried[nSet][i];
                if (aCarried[nSet][i]) {
                    dChanges += static_cast<double>(aChanges[nSet][i]);
                    dCarriedNonZero += static_cast<double>(C_JpegEmbedders::NonZeroAc(aCovers[i].jpeg));
                }
            }
            if (nCounted == 0) {
                std::printf("  %13s  %7d %7s", "-", nRefused, "-");
                continue;
            }
            const double dMean = dSum / nCounted;
            const double dDeviation = std::sqrt(std::max(0.0, dSquares / nCounted - dMean * dMean));
            std::printf("  %.3f +- %.3f  %7d %7.4f", dMean, dDeviation, nRefused,
                dCarriedNonZero > 0 ? dChanges / dCarriedNonZero : 0.0);
        }
        std::printf("\n");
    }
    std::printf("quality %d: run time %.1f s on %d threads\n", nQuality, fnSeconds(), options.nThreads);
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    S_Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
            "usage: jpeg_stego_detector COVERDIR... [--covers N] [--splits N] [--subspace D] [--learners L] "
            "[--threads N] [--seed S] [--q-factor F] [--full-keys] [--only NAME,NAME] [--min-nzac N]\n");
        return 2;
    }
    bool bAll = true;
    for (const std::string& strDir : options.aDirs)
        bAll = MeasureFolder(strDir, options) && bAll;
    return bAll ? 0 : 1;
}
