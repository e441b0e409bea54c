#include "bench/steganalysis/C_Embedders.h"

#include "engine/C_TrellisCoder.h"
#include "model/records/C_HillCost.h"
#include "model/records/C_KeyedPermutation.h"
#include "model/records/C_PixelCover.h"
#include "model/records/C_SpreadRecord.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <array>
#include <cmath>
#include <numeric>
#include <string>

namespace {

// The first nCount entries of a random permutation of the plane's pixel indices.
std::vector<uint32_t> RandomPositions(size_t nPixels, size_t nCount, std::mt19937_64& rng)
{
    std::vector<uint32_t> aAll(nPixels);
    std::iota(aAll.begin(), aAll.end(), 0u);
    nCount = std::min(nCount, nPixels);
    for (size_t i = 0; i < nCount; ++i) {
        std::uniform_int_distribution<size_t> pick(i, nPixels - 1);
        std::swap(aAll[i], aAll[pick(rng)]);
    }
    aAll.resize(nCount);
    return aAll;
}

size_t MessageBits(size_t nPixels, double dBitsPerPixel)
{
    return static_cast<size_t>(std::llround(dBitsPerPixel * static_cast<double>(nPixels)));
}

// exp(-lambda rho) for a change of cost rho; an infinite cost never happens.
double Weight(double dLambda, float fCost)
{
    return std::isinf(fCost) ? 0.0 : std::exp(-dLambda * fCost);
}

// The payload in bits that changes with this lambda carry: the sum of the ternary entropies.
// With p = (a, b, 1) / z and ln a = -lambda rho+, ln b = -lambda rho-, a pixel's entropy in nats is
// ln z + lambda (a rho+ + b rho-) / z, one exponential per direction and one logarithm.
double Entropy(const std::vector<float>& aPlus, const std::vector<float>& aMinus, double dLambda)
{
    // Beyond this lambda rho a change's probability (below e^-40) adds nothing measurable.
    constexpr double kNegligible = 40;
    double dNats = 0;
    for (size_t i = 0; i < aPlus.size(); ++i) {
        const double dUp = dLambda * aPlus[i], dDown = dLambda * aMinus[i];
        const bool bUp = dUp < kNegligible, bDown = dDown < kNegligible;  // false for infinite costs too
        if (!bUp && !bDown)
            continue;
        const double a = bUp ? std::exp(-dUp) : 0.0;
        const double b = !bDown ? 0.0 : (aMinus[i] == aPlus[i] ? a : std::exp(-dDown));
        const double z = 1 + a + b;
        dNats += std::log(z) + ((bUp ? a * dUp : 0.0) + (bDown ? b * dDown : 0.0)) / z;
    }
    return dNats / std::log(2.0);
}

}  // namespace

uint64_t C_Embedders::StoredBytes(size_t nPixels, double dBitsPerPixel)
{
    const auto nBytes = static_cast<uint64_t>(std::floor(dBitsPerPixel * static_cast<double>(nPixels) / 8));
    return nBytes > C_SpreadRecord::kMinRecordBytes ? nBytes - C_SpreadRecord::kMinRecordBytes : 0;
}

bool C_Embedders::Replace(
    std::vector<uint8_t>& plane, uint32_t nWidth, uint32_t nHeight, double dBitsPerPixel, std::mt19937_64& rng)
{
    const size_t nPixels = static_cast<size_t>(nWidth) * nHeight;
    const size_t nBits = MessageBits(nPixels, dBitsPerPixel);
    for (uint32_t n : RandomPositions(nPixels, nBits, rng))
        plane[n] = static_cast<uint8_t>((plane[n] & 0xFE) | (rng() & 1));
    return nBits <= nPixels;
}

bool C_Embedders::Match(
    std::vector<uint8_t>& plane, uint32_t nWidth, uint32_t nHeight, double dBitsPerPixel, std::mt19937_64& rng)
{
    const size_t nPixels = static_cast<size_t>(nWidth) * nHeight;
    const size_t nBits = MessageBits(nPixels, dBitsPerPixel);
    for (uint32_t n : RandomPositions(nPixels, nBits, rng)) {
        const unsigned nBit = rng() & 1;
        const unsigned nUp = rng() & 1;  // drawn for every pixel, so the positions do not depend on the picture
        if ((plane[n] & 1) == nBit)
            continue;
        if (plane[n] == 0 || (plane[n] != 255 && nUp))
            ++plane[n];
        else
            --plane[n];
    }
    return nBits <= nPixels;
}

bool C_Embedders::Hill(
    std::vector<uint8_t>& plane, uint32_t nWidth, uint32_t nHeight, double dBitsPerPixel, std::mt19937_64& rng)
{
    const size_t nPixels = static_cast<size_t>(nWidth) * nHeight;
    const double dPayload = dBitsPerPixel * static_cast<double>(nPixels);
    const std::vector<float> aRho = C_HillCost::ForPlane(plane.data(), nWidth, nHeight);
    std::vector<float> aPlus(nPixels), aMinus(nPixels);
    C_HillCost::DirectionalCosts(plane.data(), nPixels, aRho.data(), aPlus.data(), aMinus.data());

    // The entropy falls as lambda grows; lambda = 0 gives the most a plane can carry.
    bool bFits = true;
    double dLambda = 0;
    if (Entropy(aPlus, aMinus, 0) <= dPayload) {
        bFits = false;
    } else {
        // Bracket lambda within a factor of 4, then halve the bracket geometrically until the
        // payload is met within a thousandth.
        double dLow = 1, dHigh = 1;
        if (Entropy(aPlus, aMinus, 1) > dPayload) {
            while (Entropy(aPlus, aMinus, dHigh) > dPayload && dHigh < 1e30) {
                dLow = dHigh;
                dHigh *= 4;
            }
        } else {
            while (Entropy(aPlus, aMinus, dLow) <= dPayload && dLow > 1e-30) {
                dHigh = dLow;
                dLow /= 4;
            }
        }
        dLambda = std::sqrt(dLow * dHigh);
        for (int i = 0; i < 60; ++i) {
            const double dBits = Entropy(aPlus, aMinus, dLambda);
            if (std::abs(dBits - dPayload) < 1e-3 * dPayload)
                break;
            (dBits > dPayload ? dLow : dHigh) = dLambda;
            dLambda = std::sqrt(dLow * dHigh);
        }
    }

    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (size_t i = 0; i < nPixels; ++i) {
        const double a = Weight(dLambda, aPlus[i]), b = Weight(dLambda, aMinus[i]);
        const double z = 1 + a + b;
        const double u = uniform(rng);
        if (u < a / z)
            ++plane[i];
        else if (u < (a + b) / z)
            --plane[i];
    }
    return bFits;
}

bool C_Embedders::Trellis(
    std::vector<uint8_t>& plane, uint32_t nWidth, uint32_t nHeight, double dBitsPerPixel, std::mt19937_64& rng)
{
    const size_t nPixels = static_cast<size_t>(nWidth) * nHeight;
    const std::vector<float> aRho = C_HillCost::ForPlane(plane.data(), nWidth, nHeight);
    std::vector<float> aPlus(nPixels), aMinus(nPixels);
    C_HillCost::DirectionalCosts(plane.data(), nPixels, aRho.data(), aPlus.data(), aMinus.data());

    std::array<uint8_t, C_KeyedPermutation::kKeyBytes> aKey{};
    for (uint8_t& b : aKey)
        b = static_cast<uint8_t>(rng());
    const std::vector<uint32_t> aOrder = C_KeyedPermutation(aKey, static_cast<uint32_t>(nPixels)).All();
    std::vector<int32_t> aCover(nPixels);
    std::vector<float> aOrderedPlus(nPixels), aOrderedMinus(nPixels);
    for (size_t i = 0; i < nPixels; ++i) {
        aCover[i] = plane[aOrder[i]];
        aOrderedPlus[i] = aPlus[aOrder[i]];
        aOrderedMinus[i] = aMinus[aOrder[i]];
    }
    const size_t nBits = static_cast<size_t>(dBitsPerPixel * static_cast<double>(nPixels));
    std::vector<uint8_t> aMessage(nBits);
    for (uint8_t& b : aMessage)
        b = static_cast<uint8_t>(rng() & 1u);

    const C_TrellisCoder coder(rng());
    std::vector<int32_t> aStego;
    size_t nSecond = 0;
    if (!coder.EmbedTwoLayers(aCover, aOrderedPlus, aOrderedMinus, aMessage, aStego, nSecond))
        return false;  // mostly wet: the plane is left as it was
    for (size_t i = 0; i < nPixels; ++i)
        plane[aOrder[i]] = static_cast<uint8_t>(aStego[i]);
    return true;
}

namespace {

// The record's bits as sealed, the salt's included, summed per rate (in hundredths).
std::array<std::atomic<uint64_t>, 101> g_aRecordBits{};
std::array<std::atomic<uint64_t>, 101> g_aRecords{};

size_t RateSlot(double dBitsPerPixel)
{
    return std::min<size_t>(100, static_cast<size_t>(std::lround(dBitsPerPixel * 100)));
}

}  // namespace

C_SpreadRecord::S_Draws C_Embedders::SeededDraws(std::mt19937_64& rng, std::string& strPassphrase)
{
    strPassphrase.assign(20, ' ');
    for (char& c : strPassphrase)
        c = static_cast<char>('a' + rng() % 26);
    C_SpreadRecord::S_Draws draws;
    for (uint8_t& b : draws.salt)
        b = static_cast<uint8_t>(rng());
    // As a hide draws them: most of the salt's bits are the code's.
    draws.bMostFromPicture = true;
    for (uint8_t& b : draws.nonce)
        b = static_cast<uint8_t>(rng());
    const uint64_t nDirections = rng();
    draws.fnDirections = [nDirections](uint8_t* p, size_t n) {
        std::mt19937_64 coins(nDirections);
        for (size_t i = 0; i < n; ++i)
            p[i] = static_cast<uint8_t>(coins());
    };
    return draws;
}

double C_Embedders::RecordBits(double dBitsPerPixel)
{
    const size_t nSlot = RateSlot(dBitsPerPixel);
    return g_aRecords[nSlot] ? double(g_aRecordBits[nSlot]) / double(g_aRecords[nSlot]) : 0;
}

bool C_Embedders::Record(
    std::vector<uint8_t>& plane, uint32_t nWidth, uint32_t nHeight, double dBitsPerPixel, std::mt19937_64& rng)
{
    const size_t nPixels = static_cast<size_t>(nWidth) * nHeight;
    // The carrier's buffer holds one byte past its elements.
    std::vector<uint8_t> bytes(nPixels + 1, 0);
    std::copy(plane.begin(), plane.end(), bytes.begin());
    C_PixelCover cover(bytes.data(), static_cast<uint32_t>(nPixels), C_SampleWriter::E_Mode::MatchBytes);
    cover.SetPicture(C_ElementCosts::S_Picture::Packed8(bytes.data(), nWidth, nHeight, E_PixelChannels::Gray, 1));

    std::vector<uint8_t> stored(StoredBytes(nPixels, dBitsPerPixel));
    for (uint8_t& b : stored)
        b = static_cast<uint8_t>(rng());
    std::string strPassphrase;
    const C_SpreadRecord::S_Draws draws = SeededDraws(rng, strPassphrase);
    C_SpreadRecord::S_Lengths lengths;
    const E_RecordOutcome eOutcome = C_SpreadRecord::Seal(
        cover, "", stored, false, strPassphrase, [](const std::vector<float>&) { return UINT64_MAX; }, draws, {},
        &lengths);
    if (eOutcome != E_RecordOutcome::Hidden)
        return false;
    g_aRecordBits[RateSlot(dBitsPerPixel)] += lengths.Bits() + 8 * C_SpreadRecord::kSaltBytes;
    ++g_aRecords[RateSlot(dBitsPerPixel)];
    std::copy_n(bytes.begin(), nPixels, plane.begin());
    return true;
}
