// A plain program, not a benchmark: how close the sealed record's coder comes to the least
// possible cost on real pictures' costs. For each gray patch (the stego_detector's patches,
// bench/steganalysis/make-patches.sh) it weighs the pixels as the record does (C_PixelCover,
// 8-bit gray, plus or minus one), puts them in a random keyed order and codes a random message
// of the record's length as the record does: the salt's 128 bits in the first 1,024 elements at
// height 10, the record's bits in the rest at height 8, 9 or 10 (C_TrellisCoder::Embed on the
// parities). Its total cost is set against the payload-limited sender's expected cost for the
// same costs and payload:
//   binary:  p_i = e^(-l rho_i) / (1 + e^(-l rho_i)), entropies summing to the payload (the
//            record is a binary approximation: one cost per element, a parity to turn);
//   ternary: p_i = e^(-l rho_i) / (1 + 2 e^(-l rho_i)) each way, ternary entropies (what
//            plus or minus one could reach with both directions free).
// Also the share of elements changed, beside plus or minus one's (half the message bits).
//
//   build/bench/embedding/record_efficiency PATCHDIR [--every K] [--threads 2] [--seed 1]

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
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kRates[] = {0.1, 0.2, 0.4};
constexpr int kHeights[] = {8, 9, 10};
constexpr int kRateCount = static_cast<int>(std::size(kRates));
constexpr int kHeightCount = static_cast<int>(std::size(kHeights));
// Beyond this l rho a change's probability (below e^-40) adds nothing measurable.
constexpr double kNegligible = 40;

// A binary PGM of 8-bit samples, at least 16 x 16; false for anything else.
bool ReadPgm(const std::filesystem::path& path, std::vector<uint8_t>& pixels, uint32_t& nWidth, uint32_t& nHeight)
{
    std::ifstream in(path, std::ios::binary);
    std::string strMagic;
    in >> strMagic;
    unsigned long aHead[3] = {};
    for (unsigned long& n : aHead) {
        while (in >> std::ws && in.peek() == '#')
            in.ignore(1 << 20, '\n');
        in >> n;
    }
    if (!in || strMagic != "P5" || aHead[2] != 255 || aHead[0] < 16 || aHead[1] < 16 || aHead[0] > 8192
        || aHead[1] > 8192)
        return false;
    in.get();
    nWidth = static_cast<uint32_t>(aHead[0]);
    nHeight = static_cast<uint32_t>(aHead[1]);
    pixels.resize(size_t{nWidth} * nHeight);
    in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    return static_cast<size_t>(in.gcount()) == pixels.size();
}

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

// The payload-limited sender's expected cost for dPayload bits: binary, or ternary with the same
// cost both ways.
S_Bound Bound(const std::vector<float>& costs, double dPayload, bool bTernary)
{
    const double dWays = bTernary ? 2 : 1;
    auto fnRun = [&](double dLambda, S_Bound* pBound) {
        double dNats = 0;
        for (const float fCost : costs) {
            const double x = dLambda * fCost;
            if (!(x < kNegligible))  // infinite costs too
                continue;
            const double e = std::exp(-x), z = 1 + dWays * e;
            dNats += std::log(z) + dWays * x * e / z;
            if (pBound) {
                pBound->dCost += dWays * e * fCost / z;
                pBound->dChanges += dWays * e / z;
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

struct S_Totals {
    // Sums over the patches whose binary bound stays out of the margin.
    double aCoder[kHeightCount] = {};
    double dBinary = 0, dTernary = 0;
    int nOrdinary = 0;
    int aMarginPatches[kHeightCount] = {};  // patches where the coder changed a margin sample
    // Over all patches coded.
    double aChanges[kHeightCount] = {};
    double dBinaryChanges = 0, dElements = 0, dBits = 0;
    std::vector<double> aBinaryRatios[kHeightCount], aTernaryRatios[kHeightCount];
    int nPatches = 0, nFailed = 0;
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
    std::atomic<size_t> nNext{0};
    std::atomic<bool> bBad{false};
    auto fnWorker = [&] {
        for (size_t f = nNext++; f < aChosen.size(); f = nNext++) {
            std::vector<uint8_t> pixels;
            uint32_t nWidth = 0, nHeight = 0;
            if (!ReadPgm(aChosen[f], pixels, nWidth, nHeight)) {
                std::fprintf(stderr, "%s: not an 8-bit binary PGM of at least 16 x 16\n", aChosen[f].c_str());
                bBad = true;
                return;
            }
            const auto nElements = static_cast<uint32_t>(pixels.size());
            pixels.push_back(0);  // the carrier's byte past the elements
            C_PixelCover cover(pixels.data(), nElements, C_SampleWriter::E_Mode::MatchBytes);
            cover.SetPicture(
                C_ElementCosts::S_Picture::Packed8(pixels.data(), nWidth, nHeight, E_PixelChannels::Gray, 1));
            std::vector<float> costs;
            if (!cover.Weigh(costs))
                continue;

            std::seed_seq seq{static_cast<uint32_t>(nSeed), static_cast<uint32_t>(f)};
            std::mt19937_64 rng(seq);
            std::array<uint8_t, C_KeyedPermutation::kKeyBytes> key{};
            for (uint8_t& b : key)
                b = static_cast<uint8_t>(rng());
            const std::vector<uint32_t> order = C_KeyedPermutation(key, nElements).All();
            std::vector<uint8_t> parities(nElements);
            std::vector<float> ordered(nElements);
            for (uint32_t i = 0; i < nElements; ++i) {
                parities[i] = pixels[order[i]] & 1;
                ordered[i] = costs[order[i]];
            }
            const C_SpreadRecord::S_Plan plan = C_SpreadRecord::PlanFor(nElements);
            const std::span<const uint8_t> saltCover(parities.data(), plan.nSalt);
            const std::span<const float> saltCosts(ordered.data(), plan.nSalt);
            const std::span<const uint8_t> recordCover(parities.data() + plan.nSalt, plan.nRecord);
            const std::span<const float> recordCosts(ordered.data() + plan.nSalt, plan.nRecord);

            for (int r = 0; r < kRateCount; ++r) {
                // The record's length as stego_detector's sealed row makes it: the rate's whole
                // bytes, the ladder rounding up.
                const auto nBytes = static_cast<uint64_t>(std::floor(kRates[r] * nElements / 8));
                const uint32_t nBits = C_SpreadRecord::LengthFor(plan.nRecord, nBytes);
                const uint32_t nSaltBits = 8 * C_SpreadRecord::kSaltBytes;
                std::vector<uint8_t> message(nSaltBits + nBits);
                for (uint8_t& b : message)
                    b = static_cast<uint8_t>(rng() & 1);
                S_Totals local;
                bool bFailed = nBits == 0;
                std::vector<uint8_t> stego;
                double dSaltCost = 0;
                size_t nSaltChanges = 0, nSaltMargin = 0;
                size_t aMargin[kHeightCount] = {};
                if (!bFailed) {
                    const C_TrellisCoder saltCoder(rng(), C_SpreadRecord::kSaltHeight);
                    bFailed = !saltCoder.Embed(
                        saltCover, saltCosts, std::span<const uint8_t>(message.data(), nSaltBits), stego, &dSaltCost);
                    for (size_t i = 0; i < stego.size(); ++i) {
                        nSaltChanges += stego[i] != saltCover[i];
                        nSaltMargin += stego[i] != saltCover[i] && saltCosts[i] >= kMarginCost;
                    }
                }
                const uint64_t nRecordSeed = rng();
                for (int h = 0; h < kHeightCount && !bFailed; ++h) {
                    C_TrellisCoder coder(nRecordSeed, kHeights[h]);
                    coder.SetPathMemoryLimit(size_t{plan.nRecord} * (size_t{1} << kHeights[h]) / 8 + 64);
                    double dCost = 0;
                    if (!coder.Embed(recordCover, recordCosts,
                            std::span<const uint8_t>(message.data() + nSaltBits, nBits), stego, &dCost)) {
                        bFailed = true;
                        break;
                    }
                    size_t nChanges = nSaltChanges;
                    aMargin[h] = nSaltMargin;
                    for (size_t i = 0; i < stego.size(); ++i) {
                        nChanges += stego[i] != recordCover[i];
                        aMargin[h] += stego[i] != recordCover[i] && recordCosts[i] >= kMarginCost;
                    }
                    local.aCoder[h] = dSaltCost + dCost;
                    local.aChanges[h] = static_cast<double>(nChanges);
                }
                const std::lock_guard<std::mutex> guard(lock);
                S_Totals& totals = aTotals[r];
                if (bFailed) {
                    ++totals.nFailed;
                    continue;
                }
                const double dPayload = nSaltBits + nBits;
                const S_Bound binary = Bound(costs, dPayload, false);
                const S_Bound ternary = Bound(costs, dPayload, true);
                ++totals.nPatches;
                totals.dElements += nElements;
                totals.dBits += dPayload;
                totals.dBinaryChanges += binary.dChanges;
                bool bOrdinary = binary.dCost < kMarginCostPerBit * dPayload;
                for (int h = 0; h < kHeightCount; ++h) {
                    totals.aMarginPatches[h] += aMargin[h] > 0;
                    bOrdinary = bOrdinary && aMargin[h] == 0;
                }
                if (bOrdinary) {
                    ++totals.nOrdinary;
                    totals.dBinary += binary.dCost;
                    totals.dTernary += ternary.dCost;
                }
                for (int h = 0; h < kHeightCount; ++h) {
                    totals.aChanges[h] += local.aChanges[h];
                    totals.aBinaryRatios[h].push_back(local.aCoder[h] / binary.dCost);
                    totals.aTernaryRatios[h].push_back(local.aCoder[h] / ternary.dCost);
                    if (bOrdinary)
                        totals.aCoder[h] += local.aCoder[h];
                }
            }
        }
    };
    std::vector<std::thread> aThreads;
    for (int t = 1; t < nThreads; ++t)
        aThreads.emplace_back(fnWorker);
    fnWorker();
    for (std::thread& thread : aThreads)
        thread.join();
    if (bBad)
        return 1;

    std::printf("%zu patches of %s; the record's coder (salt at height %d, record at height h) against the\n"
                "payload-limited sender with the same HILL costs and payload (salt's 128 bits included)\n\n",
        aChosen.size(), strDir.c_str(), C_SpreadRecord::kSaltHeight);
    std::printf("x binary, x ternary: total coder cost over total bound, over the ordinary patches: those whose\n"
                "binary bound stays below %g a bit and where the coder changes no sample costing %g or more\n"
                "(the margin of flat areas, which would swamp every sum); margin: patches where the coder\n"
                "did at that height. median: of each patch's ratio, over all patches. changed: share of the\n"
                "elements the coder changes.\n\n",
        kMarginCostPerBit, static_cast<double>(kMarginCost));
    std::printf("%-5s %-8s %-7s %-9s %-7s %-7s %-9s %-10s %-11s %-11s %-8s\n", "rate", "patches", "failed", "ordinary",
        "height", "margin", "x binary", "x ternary", "median bin", "median ter", "changed");
    for (int r = 0; r < kRateCount; ++r) {
        const S_Totals& totals = aTotals[r];
        if (totals.nPatches == 0)
            continue;
        const double dElements = totals.dElements;
        for (int h = 0; h < kHeightCount; ++h)
            std::printf("%-5.1f %-8d %-7d %-9d %-7d %-7d %-9.3f %-10.3f %-11.3f %-11.3f %-8.4f\n", kRates[r],
                totals.nPatches, totals.nFailed, totals.nOrdinary, kHeights[h], totals.aMarginPatches[h],
                totals.aCoder[h] / totals.dBinary, totals.aCoder[h] / totals.dTernary, Median(totals.aBinaryRatios[h]),
                Median(totals.aTernaryRatios[h]), totals.aChanges[h] / dElements);
        std::printf("%-5.1f %.4f bits a pixel; the binary bound changes %.4f of the elements, plus or minus one "
                    "half the bits: %.4f\n",
            kRates[r], totals.dBits / dElements, totals.dBinaryChanges / dElements, totals.dBits / dElements / 2);
    }
    return 0;
}
