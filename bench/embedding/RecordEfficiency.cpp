// A plain program, not a benchmark: how close the sealed record comes to the least possible cost
// on real pictures' costs. For each gray patch (the stego_detector's patches,
// bench/steganalysis/make-patches.sh) and each rate it
//   - seals a random payload of the rate's bytes with C_SpreadRecord::Seal on a C_PixelCover
//     (8-bit gray, plus or minus one), as stego_detector's sealed row does, and sums the HILL
//     cost (C_Cover::Weigh, the record's own costs) of the pixels it changed;
//   - codes rate x pixels random bits with the two-layer coder alone (C_TrellisCoder::
//     EmbedTwoLayers on the pixels in a random keyed order, one part, l from TernaryMultiplier,
//     the split from SecondLayerEntropy) at heights 7, 10 and 12.
// Each total is set against the payload-limited sender's expected cost for plus or minus one
// with the same costs (ternary: p+ = e^(-l rho+) / Z, p- = e^(-l rho-) / Z, Z = 1 + e^(-l rho+)
// + e^(-l rho-), rho+ infinite at 255 and rho- at 0, the ternary entropies summing to the
// payload): for the bits the record carries (both layers' ladder lengths and the salt's 128), and
// for the nominal rate x pixels, so that the ladder's rounding, the second tag and the salt show
// apart from the coder. Also the share of pixels changed, beside plus or minus one's (half the
// nominal bits).
//
//   build/bench/embedding/record_efficiency PATCHDIR [--every K] [--threads 2] [--seed 1]

#include "bench/steganalysis/C_Embedders.h"
#include "bench/steganalysis/C_Pgm.h"
#include "engine/C_ParallelTasks.h"
#include "engine/C_TrellisCoder.h"
#include "model/records/C_KeyedPermutation.h"
#include "model/records/C_PixelCover.h"
#include "model/records/C_SpreadRecord.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kRates[] = {0.1, 0.2, 0.4};
constexpr int kHeights[] = {7, 10, 12};
constexpr int kRateCount = static_cast<int>(std::size(kRates));
constexpr int kHeightCount = static_cast<int>(std::size(kHeights));
// Row 0 is the sealed record, rows 1.. the two-layer coder at kHeights.
constexpr int kRows = 1 + kHeightCount;
constexpr float kWet = std::numeric_limits<float>::infinity();
// Beyond this l rho a change's probability (below e^-40) adds nothing measurable.
constexpr double kNegligible = 40;

// The l at which fnPayload(l), falling in l, meets dPayload within a ten-thousandth.
double Solve(const std::function<double(double)>& fnPayload, double dPayload)
{
    double dLow = 1, dHigh = 1;
    if (fnPayload(1) > dPayload) {
        while (fnPayload(dHigh) > dPayload && dHigh < 1e30) {
            dLow = dHigh;
            dHigh *= 4;
        }
    } else {
        while (fnPayload(dLow) <= dPayload && dLow > 1e-30) {
            dHigh = dLow;
            dLow /= 4;
        }
    }
    double dLambda = std::sqrt(dLow * dHigh);
    for (int i = 0; i < 80; ++i) {
        const double dBits = fnPayload(dLambda);
        if (std::abs(dBits - dPayload) < 1e-4 * dPayload)
            break;
        (dBits > dPayload ? dLow : dHigh) = dLambda;
        dLambda = std::sqrt(dLow * dHigh);
    }
    return dLambda;
}

struct S_Bound {
    double dCost = 0;
    double dChanges = 0;  // expected count of changed elements
};

// The payload-limited sender's expected cost for dPayload bits. Ternary: each element moves up
// at rho+ or down at rho- (either infinite where the step is not allowed). Binary (one cost, a
// parity to turn): only for telling ordinary patches, as before the record had two layers.
S_Bound Bound(const std::vector<float>& plus, const std::vector<float>& minus, double dPayload, bool bTernary)
{
    auto fnRun = [&](double dLambda, S_Bound* pBound) {
        double dNats = 0;
        for (size_t i = 0; i < plus.size(); ++i) {
            const double fPlus = bTernary ? plus[i] : std::min(plus[i], minus[i]);
            const double fMinus = bTernary ? minus[i] : kWet;
            const double x = dLambda * fPlus, y = dLambda * fMinus;
            // Infinite costs too.
            const double a = x < kNegligible ? std::exp(-x) : 0, b = y < kNegligible ? std::exp(-y) : 0;
            if (a == 0 && b == 0)
                continue;
            const double z = 1 + a + b;
            dNats += std::log(z) + ((a > 0 ? x * a : 0) + (b > 0 ? y * b : 0)) / z;
            if (pBound) {
                pBound->dCost += ((a > 0 ? a * fPlus : 0) + (b > 0 ? b * fMinus : 0)) / z;
                pBound->dChanges += (a + b) / z;
            }
        }
        return dNats / std::log(2.0);
    };
    const double dLambda = Solve([&](double l) { return fnRun(l, nullptr); }, dPayload);
    S_Bound bound;
    fnRun(dLambda, &bound);
    return bound;
}

// A bound above this per message bit reaches into the margin around flat areas (HILL gives the
// samples within 7 of a wet one 4 x 10^7 or more): the patch has too few busy samples for the
// payload, and its costs would swamp every sum.
constexpr double kMarginCostPerBit = 1e4;
// A single change that costs this much is in that margin (or a wet sample's neighbourhood).
constexpr float kMarginCost = 1e6f;

// One coding's outcome: its cost, the pixels it changed, and those in the margin.
struct S_Run {
    double dCost = 0;
    size_t nChanges = 0, nMargin = 0;
    bool bStepsOfOne = true;
};

// What changed from before to after, weighed with the costs before.
template <typename T> S_Run Compare(const T* pBefore, const T* pAfter, const float* pCosts, size_t n)
{
    S_Run run;
    for (size_t i = 0; i < n; ++i) {
        if (pBefore[i] == pAfter[i])
            continue;
        ++run.nChanges;
        run.dCost += pCosts[i];
        run.nMargin += pCosts[i] >= kMarginCost;
        const long long nStep = static_cast<long long>(pAfter[i]) - static_cast<long long>(pBefore[i]);
        run.bStepsOfOne = run.bStepsOfOne && (nStep == 1 || nStep == -1);
    }
    return run;
}

struct S_Totals {
    // Sums over the ordinary patches.
    double aCost[kRows] = {};
    double dOwnBound = 0, dNominalBound = 0;  // the record's bits; rate x pixels
    int nOrdinary = 0;
    int aMarginPatches[kRows] = {};  // patches where that row changed a margin sample
    // Over all patches coded.
    double aChanges[kRows] = {};
    double dBoundChanges = 0, dElements = 0, dOwnBits = 0, dNominalBits = 0;
    std::vector<double> aOwnRatios[kRows], aNominalRatios[kRows];
    int nPatches = 0, nSealFailed = 0, nCoderFailed = 0, nNotOneStep = 0;
};

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + static_cast<ptrdiff_t>(values.size() / 2), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    std::string strDir;
    int nEvery = 1, nThreads = 2;
    uint64_t nSeed = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        if (strArg == "--every" && i + 1 < argc)
            nEvery = std::atoi(argv[++i]);
        else if (strArg == "--threads" && i + 1 < argc)
            nThreads = std::atoi(argv[++i]);
        else if (strArg == "--seed" && i + 1 < argc)
            nSeed = std::strtoull(argv[++i], nullptr, 10);
        else if (strDir.empty() && !strArg.empty() && strArg[0] != '-')
            strDir = strArg;
        else
            strDir.clear(), i = argc;
    }
    if (strDir.empty() || nEvery < 1 || nThreads < 1) {
        std::fprintf(stderr, "usage: record_efficiency PATCHDIR [--every K] [--threads N] [--seed S]\n");
        return 2;
    }
    std::vector<std::filesystem::path> aFiles;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(strDir, error))
        if (entry.is_regular_file() && entry.path().extension() == ".pgm")
            aFiles.push_back(entry.path());
    std::sort(aFiles.begin(), aFiles.end());
    std::vector<std::filesystem::path> aChosen;
    for (size_t i = 0; i < aFiles.size(); i += static_cast<size_t>(nEvery))
        aChosen.push_back(aFiles[i]);
    if (aChosen.empty()) {
        std::fprintf(stderr, "%s: no patches\n", strDir.c_str());
        return 1;
    }

    std::vector<S_Totals> aTotals(kRateCount);
    std::mutex lock;
    std::atomic<bool> bBad{false};
    C_ParallelTasks::Run(
        aChosen.size(),
        [&](size_t f) {
            std::vector<uint8_t> pixels;
            uint32_t nWidth = 0, nHeight = 0;
            if (!C_Pgm::Read(aChosen[f], pixels, nWidth, nHeight)) {
                std::fprintf(stderr, "%s: not an 8-bit binary PGM of at least 16 x 16\n", aChosen[f].c_str());
                bBad = true;
                return;
            }
            const auto nElements = static_cast<uint32_t>(pixels.size());
            pixels.push_back(0);  // the carrier's byte past the elements
            std::vector<float> costs;
            {
                C_PixelCover cover(pixels.data(), nElements, C_SampleWriter::E_Mode::MatchBytes);
                cover.SetPicture(
                    C_ElementCosts::S_Picture::Packed8(pixels.data(), nWidth, nHeight, E_PixelChannels::Gray, 1));
                if (!cover.Weigh(costs) || costs.size() != nElements)
                    return;
            }
            // Each way's cost as the record sees it: no step below 0 or above 255.
            std::vector<float> plus(nElements), minus(nElements);
            for (uint32_t i = 0; i < nElements; ++i) {
                plus[i] = pixels[i] < 255 ? costs[i] : kWet;
                minus[i] = pixels[i] > 0 ? costs[i] : kWet;
            }

            std::seed_seq seq{static_cast<uint32_t>(nSeed), static_cast<uint32_t>(f)};
            std::mt19937_64 rng(seq);
            std::array<uint8_t, C_KeyedPermutation::kKeyBytes> key{};
            for (uint8_t& b : key)
                b = static_cast<uint8_t>(rng());
            const std::vector<uint32_t> order = C_KeyedPermutation(key, nElements).All();
            std::vector<int32_t> values(nElements);
            std::vector<float> orderedCosts(nElements), orderedPlus(nElements), orderedMinus(nElements);
            for (uint32_t i = 0; i < nElements; ++i) {
                values[i] = pixels[order[i]];
                orderedCosts[i] = costs[order[i]];
                orderedPlus[i] = plus[order[i]];
                orderedMinus[i] = minus[order[i]];
            }

            for (int r = 0; r < kRateCount; ++r) {
                const auto nNominal = static_cast<uint64_t>(std::floor(kRates[r] * nElements));
                S_Run aRuns[kRows];
                bool bSealFailed = false, bCoderFailed = false;

                // The record, as stego_detector's sealed row writes it: the rate's whole bytes
                // less the smallest record's, everything drawn from the patch's generator.
                std::vector<uint8_t> stored(C_Embedders::StoredBytes(nElements, kRates[r]));
                for (uint8_t& b : stored)
                    b = static_cast<uint8_t>(rng());
                std::string strPassphrase;
                const C_SpreadRecord::S_Draws draws = C_Embedders::SeededDraws(rng, strPassphrase);
                std::vector<uint8_t> sealed(pixels);
                C_PixelCover cover(sealed.data(), nElements, C_SampleWriter::E_Mode::MatchBytes);
                cover.SetPicture(
                    C_ElementCosts::S_Picture::Packed8(sealed.data(), nWidth, nHeight, E_PixelChannels::Gray, 1));
                C_SpreadRecord::S_Lengths lengths;
                bSealFailed = C_SpreadRecord::Seal(
                                  cover, "", stored, false, strPassphrase,
                                  [](const std::vector<float>&) { return UINT64_MAX; }, draws, {}, &lengths)
                    != E_RecordOutcome::Hidden;
                if (!bSealFailed)
                    aRuns[0] = Compare(pixels.data(), sealed.data(), costs.data(), nElements);

                // The two-layer coder alone, on the nominal bits.
                std::vector<uint8_t> message(nNominal);
                for (uint8_t& b : message)
                    b = static_cast<uint8_t>(rng() & 1);
                const double l = C_TrellisCoder::TernaryMultiplier(orderedPlus, orderedMinus, double(nNominal));
                const size_t nSecond = l > 0
                    ? std::min<size_t>(nNominal,
                        static_cast<size_t>(
                            std::llround(C_TrellisCoder::SecondLayerEntropy(values, orderedPlus, orderedMinus, l))))
                    : 0;
                const std::span<const uint8_t> secondBits(message.data(), nSecond);
                const std::span<const uint8_t> firstBits(message.data() + nSecond, nNominal - nSecond);
                const uint64_t nCoderSeed = rng();
                std::vector<int32_t> stego;
                for (int h = 0; h < kHeightCount && !bCoderFailed; ++h) {
                    C_TrellisCoder coder(nCoderSeed, kHeights[h]);
                    coder.SetPathMemoryLimit(size_t{nElements} * (size_t{1} << kHeights[h]) / 8 + 64);
                    bCoderFailed = !(l > 0)
                        || !coder.EmbedTwoLayers(values, orderedPlus, orderedMinus, secondBits, firstBits, l, stego);
                    if (!bCoderFailed)
                        aRuns[1 + h] = Compare(values.data(), stego.data(), orderedCosts.data(), nElements);
                }

                const std::lock_guard<std::mutex> guard(lock);
                S_Totals& totals = aTotals[r];
                totals.nSealFailed += bSealFailed;
                totals.nCoderFailed += bCoderFailed;
                if (bSealFailed || bCoderFailed)
                    continue;
                const double dOwn = static_cast<double>(lengths.Bits()) + 8 * C_SpreadRecord::kSaltBytes;
                const double dNominal = static_cast<double>(nNominal);
                const S_Bound own = Bound(plus, minus, dOwn, true);
                const S_Bound nominal = Bound(plus, minus, dNominal, true);
                const S_Bound binary = Bound(plus, minus, dOwn, false);
                ++totals.nPatches;
                totals.dElements += nElements;
                totals.dOwnBits += dOwn;
                totals.dNominalBits += dNominal;
                totals.dBoundChanges += nominal.dChanges;
                bool bOrdinary = binary.dCost < kMarginCostPerBit * dOwn;
                for (int k = 0; k < kRows; ++k) {
                    totals.aMarginPatches[k] += aRuns[k].nMargin > 0;
                    bOrdinary = bOrdinary && aRuns[k].nMargin == 0;
                    totals.nNotOneStep += !aRuns[k].bStepsOfOne;
                }
                if (bOrdinary) {
                    ++totals.nOrdinary;
                    totals.dOwnBound += own.dCost;
                    totals.dNominalBound += nominal.dCost;
                }
                for (int k = 0; k < kRows; ++k) {
                    totals.aChanges[k] += static_cast<double>(aRuns[k].nChanges);
                    // The coder alone carries the nominal bits: its own bound is that one.
                    totals.aOwnRatios[k].push_back(aRuns[k].dCost / (k == 0 ? own.dCost : nominal.dCost));
                    totals.aNominalRatios[k].push_back(aRuns[k].dCost / nominal.dCost);
                    if (bOrdinary)
                        totals.aCost[k] += aRuns[k].dCost;
                }
            }
        },
        static_cast<unsigned>(nThreads));
    if (bBad)
        return 1;

    std::printf("%zu patches of %s; the sealed record (C_SpreadRecord::Seal) and the two-layer coder alone\n"
                "(height h, one part, rate x pixels bits) against the payload-limited sender for plus or minus\n"
                "one (ternary, no step below 0 or above 255) with the same HILL costs\n\n",
        aChosen.size(), strDir.c_str());
    std::printf("x own: total cost over the total bound for the bits the record carries (both layers' ladder\n"
                "lengths and the salt's 128; the coder's own are the nominal ones); x nominal: over the bound\n"
                "for rate x pixels bits. Totals over the ordinary patches: those whose binary bound stays below\n"
                "%g a bit and where no row changes a sample costing %g or more (the margin of flat areas,\n"
                "which would swamp every sum); margin: patches where that row did. median: of each patch's\n"
                "ratio, over all patches. changed: share of the pixels changed; x pm1: over plus or minus\n"
                "one's (half the nominal bits). failed: patches the seal or the coder refused (left out).\n\n",
        kMarginCostPerBit, static_cast<double>(kMarginCost));
    std::printf("%-5s %-7s %-8s %-7s %-7s %-8s %-9s %-10s %-10s %-10s %-8s %-6s\n", "rate", "row", "patches", "failed",
        "ordin.", "margin", "x own", "x nominal", "median own", "median nom", "changed", "x pm1");
    for (int r = 0; r < kRateCount; ++r) {
        const S_Totals& totals = aTotals[r];
        if (totals.nPatches == 0)
            continue;
        const double dElements = totals.dElements;
        const double dPlusMinus = totals.dNominalBits / 2;
        for (int k = 0; k < kRows; ++k) {
            char aRow[16];
            if (k == 0)
                std::snprintf(aRow, sizeof aRow, "record");
            else
                std::snprintf(aRow, sizeof aRow, "h=%d", kHeights[k - 1]);
            const double dOwnBound = k == 0 ? totals.dOwnBound : totals.dNominalBound;
            std::printf("%-5.1f %-7s %-8d %-7d %-7d %-8d %-9.3f %-10.3f %-10.3f %-10.3f %-8.4f %-6.3f\n", kRates[r],
                aRow, totals.nPatches, k == 0 ? totals.nSealFailed : totals.nCoderFailed, totals.nOrdinary,
                totals.aMarginPatches[k], totals.aCost[k] / dOwnBound, totals.aCost[k] / totals.dNominalBound,
                Median(totals.aOwnRatios[k]), Median(totals.aNominalRatios[k]), totals.aChanges[k] / dElements,
                totals.aChanges[k] / dPlusMinus);
        }
        std::printf("%-5.1f the record carries %.4f bits a pixel (%.3f x nominal); the ternary bound changes "
                    "%.4f of the pixels (%.3f x pm1)%s\n",
            kRates[r], totals.dOwnBits / dElements, totals.dOwnBits / totals.dNominalBits,
            totals.dBoundChanges / dElements, totals.dBoundChanges / dPlusMinus,
            totals.nNotOneStep ? "; SOME CHANGES WERE NOT BY ONE" : "");
    }
    return 0;
}
