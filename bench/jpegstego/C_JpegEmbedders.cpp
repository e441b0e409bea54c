#include "bench/jpegstego/C_JpegEmbedders.h"

#include "bench/steganalysis/C_Embedders.h"
#include "model/records/C_JpegCover.h"
#include "model/records/C_SpreadRecord.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numeric>
#include <string>

extern char** environ;

namespace {

double BinaryEntropy(double p)
{
    if (p <= 0 || p >= 1)
        return 0;
    return -(p * std::log2(p) + (1 - p) * std::log2(1 - p));
}

// The bits carried with changes of probability p up and q down (each in bits).
double TernaryEntropy(double p, double q)
{
    double d = 0;
    for (double x : {p, q, 1 - p - q})
        if (x > 0)
            d -= x * std::log2(x);
    return d;
}

constexpr int kMaxCoefficient = 1023;

// The probabilities of +1 and -1 for a coefficient at lambda.
// Beyond this lambda rho a change's probability (below e^-40) adds nothing measurable.
constexpr double kNegligible = 40;

void Probabilities(int nValue, float fCost, double dLambda, double& dUp, double& dDown)
{
    const double x = dLambda * fCost;
    const double w = x < kNegligible ? std::exp(-x) : 0.0;  // false for an infinite cost too
    const double a = nValue + 1 <= kMaxCoefficient ? w : 0.0;
    const double b = nValue - 1 >= -kMaxCoefficient ? w : 0.0;
    const double z = 1 + a + b;
    dUp = a / z;
    dDown = b / z;
}

bool ReadFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Runs argv with no input and its output thrown away; true when it exits with status 0.
bool Run(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& str : args)
        argv.push_back(const_cast<char*>(str.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int nError = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (nError != 0)
        return false;
    int nStatus = 0;
    while (waitpid(pid, &nStatus, 0) < 0)
        if (errno != EINTR)
            return false;
    return WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
}

// Component 0's quantisation table; null when it has none.
const std::vector<uint16_t>* TableOf(const C_JpegCoefficients& jpeg)
{
    if (jpeg.Components().empty())
        return nullptr;
    const size_t nTable = static_cast<size_t>(jpeg.Components()[0].nQuantTable);
    return nTable < jpeg.QuantTables().size() ? &jpeg.QuantTables()[nTable] : nullptr;
}

}  // namespace

size_t C_JpegEmbedders::NonZeroAc(const C_JpegCoefficients& jpeg)
{
    if (jpeg.Components().empty())
        return 0;
    const std::vector<int16_t>& coefficients = jpeg.Components()[0].coefficients;
    size_t n = 0;
    for (size_t i = 0; i < coefficients.size(); ++i)
        n += (i % 64) != 0 && coefficients[i] != 0;
    return n;
}

bool C_JpegEmbedders::NsF5(C_JpegCoefficients& jpeg, double dRate, std::mt19937_64& rng)
{
    if (jpeg.Components().empty() || dRate >= 1)
        return false;
    std::vector<int16_t>& coefficients = jpeg.Components()[0].coefficients;
    std::vector<uint32_t> usable;
    for (size_t i = 0; i < coefficients.size(); ++i)
        if ((i % 64) != 0 && coefficients[i] != 0)
            usable.push_back(static_cast<uint32_t>(i));
    // H(beta) rises on 0 .. 1/2: bisection for H(beta) = rate.
    double dLow = 0, dHigh = 0.5;
    for (int i = 0; i < 60; ++i) {
        const double dMid = 0.5 * (dLow + dHigh);
        (BinaryEntropy(dMid) < dRate ? dLow : dHigh) = dMid;
    }
    const size_t nChanges = std::min(usable.size(), static_cast<size_t>(std::llround(dHigh * usable.size())));
    for (size_t i = 0; i < nChanges; ++i) {
        std::uniform_int_distribution<size_t> pick(i, usable.size() - 1);
        std::swap(usable[i], usable[pick(rng)]);
        int16_t& c = coefficients[usable[i]];
        c = static_cast<int16_t>(c > 0 ? c - 1 : c + 1);
    }
    return true;
}

bool C_JpegEmbedders::Simulate(
    C_JpegCoefficients& jpeg, const std::vector<float>& costs, double dRate, std::mt19937_64& rng)
{
    if (jpeg.Components().empty() || costs.size() != jpeg.Components()[0].coefficients.size())
        return false;
    std::vector<int16_t>& coefficients = jpeg.Components()[0].coefficients;
    const double dPayload = dRate * static_cast<double>(NonZeroAc(jpeg));
    auto fnBits = [&](double dLambda) {
        double dBits = 0;
        for (size_t i = 0; i < coefficients.size(); ++i) {
            if (dLambda * costs[i] >= kNegligible)
                continue;
            double dUp = 0, dDown = 0;
            Probabilities(coefficients[i], costs[i], dLambda, dUp, dDown);
            dBits += TernaryEntropy(dUp, dDown);
        }
        return dBits;
    };
    if (fnBits(0) <= dPayload)
        return false;
    // The entropy falls as lambda grows: widen an upper bound, then bisect it (geometrically).
    double dLow = 0, dHigh = 1;
    while (fnBits(dHigh) > dPayload && dHigh < 1e30) {
        dLow = dHigh;
        dHigh *= 4;
    }
    double dLambda = dHigh;
    for (int i = 0; i < 50; ++i) {
        dLambda = 0.5 * (dLow + dHigh);
        const double dBits = fnBits(dLambda);
        if (std::abs(dBits - dPayload) < 1e-4 * dPayload)
            break;
        (dBits > dPayload ? dLow : dHigh) = dLambda;
    }
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (size_t i = 0; i < coefficients.size(); ++i) {
        double dUp = 0, dDown = 0;
        Probabilities(coefficients[i], costs[i], dLambda, dUp, dDown);
        const double u = uniform(rng);
        if (u < dUp)
            ++coefficients[i];
        else if (u < dUp + dDown)
            --coefficients[i];
    }
    return true;
}

bool C_JpegEmbedders::Record(C_JpegCoefficients& jpeg, double dRate, std::mt19937_64& rng, uint64_t& nBits)
{
    std::vector<uint8_t> stored(C_Embedders::StoredBytes(NonZeroAc(jpeg), dRate));
    for (uint8_t& b : stored)
        b = static_cast<uint8_t>(rng());
    std::string strPassphrase;
    const C_SpreadRecord::S_Draws draws = C_Embedders::SeededDraws(rng, strPassphrase);
    C_JpegCover cover(jpeg);
    C_SpreadRecord::S_Lengths lengths;
    const E_RecordOutcome eOutcome = C_SpreadRecord::Seal(
        cover, "", stored, false, strPassphrase, [](const std::vector<float>&) { return UINT64_MAX; }, draws, {},
        &lengths);
    if (eOutcome != E_RecordOutcome::Hidden || !cover.Commit())
        return false;
    nBits = lengths.Bits() + 8 * C_SpreadRecord::kSaltBytes;
    return true;
}

bool C_JpegEmbedders::HasTool(E_Tool eTool)
{
    const char* pName = eTool == E_Tool::Steghide ? "steghide" : "outguess";
    const char* pPath = std::getenv("PATH");
    std::string strPath = pPath ? pPath : "/usr/bin:/bin";
    for (size_t nFrom = 0; nFrom <= strPath.size();) {
        const size_t nColon = std::min(strPath.find(':', nFrom), strPath.size());
        const std::filesystem::path candidate = std::filesystem::path(strPath.substr(nFrom, nColon - nFrom)) / pName;
        if (nColon > nFrom && access(candidate.c_str(), X_OK) == 0)
            return true;
        nFrom = nColon + 1;
    }
    return false;
}

bool C_JpegEmbedders::RunTool(E_Tool eTool, const std::filesystem::path& cover, const C_JpegCoefficients& coverJpeg,
    int nQuality, size_t nBytes, std::mt19937_64& rng, const std::filesystem::path& workDir, C_JpegCoefficients& stego)
{
    const std::filesystem::path payload = workDir / "payload.bin";
    const std::filesystem::path output = workDir / "stego.jpg";
    {
        std::ofstream out(payload, std::ios::binary | std::ios::trunc);
        for (size_t i = 0; i < nBytes; ++i)
            out.put(static_cast<char>(rng()));
        if (!out)
            return false;
    }
    std::string strPassphrase(20, ' ');
    for (char& c : strPassphrase)
        c = static_cast<char>('a' + rng() % 26);
    std::error_code error;
    std::filesystem::remove(output, error);
    // Neither tool is asked to compress (a random payload does not shrink) nor to store the
    // payload's file name.
    const bool bRan = eTool == E_Tool::Steghide ? Run({"steghide", "embed", "-q", "-f", "-N", "-Z", "-cf",
                          cover.string(), "-ef", payload.string(), "-sf", output.string(), "-p", strPassphrase})
                                                : Run({"outguess", "-p", std::to_string(nQuality), "-k", strPassphrase,
                                                    "-d", payload.string(), cover.string(), output.string()});
    std::vector<uint8_t> bytes;
    if (!bRan || !ReadFile(output, bytes))
        return false;
    std::string strError;
    if (!stego.Read(bytes, uint64_t{1} << 26, strError))
        return false;
    const std::vector<uint16_t>* pCoverTable = TableOf(coverJpeg);
    const std::vector<uint16_t>* pStegoTable = TableOf(stego);
    return Changes(coverJpeg, stego) != SIZE_MAX && pCoverTable && pStegoTable && *pCoverTable == *pStegoTable;
}

size_t C_JpegEmbedders::Changes(const C_JpegCoefficients& cover, const C_JpegCoefficients& stego)
{
    if (cover.Components().empty() || stego.Components().empty())
        return SIZE_MAX;
    const C_JpegCoefficients::S_Component &a = cover.Components()[0], &b = stego.Components()[0];
    if (a.nBlocksWide != b.nBlocksWide || a.nBlocksHigh != b.nBlocksHigh
        || a.coefficients.size() != b.coefficients.size())
        return SIZE_MAX;
    size_t n = 0;
    for (size_t i = 0; i < a.coefficients.size(); ++i)
        n += a.coefficients[i] != b.coefficients[i];
    return n;
}
