// How close the trellis coder comes to the least possible cost. For a payload-limited sender
// that changes bit i with probability p_i = e^(-l rho_i) / (1 + e^(-l rho_i)), the entropy sum
// of the p_i is the payload it carries and sum p_i rho_i its expected cost; with l chosen so
// the payload is m bits, no coder embeds m bits for less on average. Prints coder cost over
// that bound for random uniform costs, or constant costs with --constant. With --ternary:
// values that may move +1 or -1 at independent uniform costs, against the ternary bound (the
// same with p+- = e^(-l rho+-) / (1 + e^(-l rho+) + e^(-l rho-)) and ternary entropy), for the
// binary approximation (EmbedPlusMinus) and the two-layer construction (EmbedTwoLayers). With --ternary:
// values that may move +1 or -1 at independent uniform costs, against the ternary bound (the
// same with p+- = e^(-l rho+-) / (1 + e^(-l rho+) + e^(-l rho-)) and ternary entropy), for the
// binary approximation (EmbedPlusMinus) and the two-layer construction (EmbedTwoLayers).
#include "engine/C_TrellisCoder.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

double Entropy(double p)
{
    if (p <= 0 || p >= 1)
        return 0;
    return -p * std::log2(p) - (1 - p) * std::log2(1 - p);
}

// Payload (bits) and expected cost of the sender with multiplier l.
void Sender(const std::vector<float>& costs, double l, double& fPayload, double& fCost)
{
    fPayload = 0;
    fCost = 0;
    for (const float rho : costs) {
        const double p = 1 / (1 + std::exp(l * rho));
        fPayload += Entropy(p);
        fCost += p * rho;
    }
}

double Bound(const std::vector<float>& costs, double m)
{
    double lo = 1e-6, hi = 1e4;  // payload falls as l grows
    for (int i = 0; i < 100; ++i) {
        const double mid = std::sqrt(lo * hi);
        double fPayload = 0, fCost = 0;
        Sender(costs, mid, fPayload, fCost);
        (fPayload > m ? lo : hi) = mid;
    }
    double fPayload = 0, fCost = 0;
    Sender(costs, std::sqrt(lo * hi), fPayload, fCost);
    return fCost;
}

// Expected cost of the ternary sender whose changes carry m bits.
double TernaryBound(const std::vector<float>& plus, const std::vector<float>& minus, double m)
{
    auto run = [&](double l, double& fCost) {
        double fBits = 0;
        fCost = 0;
        for (size_t i = 0; i < plus.size(); ++i) {
            const double a = std::exp(-l * plus[i]), b = std::exp(-l * minus[i]), z = 1 + a + b;
            for (const double p : {a / z, b / z, 1 / z})
                fBits -= p * std::log2(p);
            fCost += (a * plus[i] + b * minus[i]) / z;
        }
        return fBits;
    };
    double lo = 1e-6, hi = 1e4, fCost = 0;
    for (int i = 0; i < 60; ++i) {
        const double mid = std::sqrt(lo * hi);
        (run(mid, fCost) > m ? lo : hi) = mid;
    }
    run(std::sqrt(lo * hi), fCost);
    return fCost;
}

int Ternary()
{
    const size_t n = 1000000;
    std::mt19937_64 rng(6);
    std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
    std::vector<int32_t> cover(n);
    std::vector<float> plus(n), minus(n);
    for (size_t i = 0; i < n; ++i) {
        cover[i] = int32_t(rng() % 256);
        plus[i] = uniform(rng);
        minus[i] = uniform(rng);
    }
    std::printf("n = %zu, +1 and -1 at independent uniform (0,1) costs, h = 10; cost / ternary bound\n", n);
    std::printf("%8s %12s %14s %14s\n", "payload", "bound", "binary approx", "two layers");
    const C_TrellisCoder coder(uint64_t(9), 10);
    for (const double fRate : {0.05, 0.1, 0.2, 0.3, 0.5}) {
        const size_t m = size_t(fRate * double(n));
        std::vector<uint8_t> message(m);
        for (uint8_t& b : message)
            b = uint8_t(rng() & 1);
        const double fBound = TernaryBound(plus, minus, double(m));
        std::vector<int32_t> stego;
        double fBinary = 0, fLayers = 0;
        size_t nSecond = 0;
        const bool bBinary = coder.EmbedPlusMinus(cover, plus, minus, message, stego, &fBinary);
        const bool bLayers = coder.EmbedTwoLayers(cover, plus, minus, message, stego, nSecond, &fLayers);
        std::printf("%8.2f %12.1f %14.3f %14.3f\n", fRate, fBound, bBinary ? fBinary / fBound : 0.0,
            bLayers ? fLayers / fBound : 0.0);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--ternary") == 0)
        return Ternary();
    const bool bConstant = argc > 1 && std::strcmp(argv[1], "--constant") == 0;
    const size_t n = 1000000;
    std::mt19937_64 rng(5);
    std::vector<uint8_t> cover(n);
    std::vector<float> costs(n);
    std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
    for (size_t i = 0; i < n; ++i) {
        cover[i] = uint8_t(rng() & 1);
        costs[i] = bConstant ? 1.0f : uniform(rng);
    }
    std::printf("n = %zu, %s costs; coder cost / bound (time)\n", n, bConstant ? "constant" : "uniform (0,1)");
    std::printf("%8s %12s", "payload", "bound");
    for (const int h : {7, 10, 12})
        std::printf("      h = %2d       ", h);
    std::printf("\n");
    for (const double fRate : {0.05, 0.1, 0.2, 0.3, 0.5}) {
        const size_t m = size_t(fRate * double(n));
        std::vector<uint8_t> message(m);
        for (uint8_t& b : message)
            b = uint8_t(rng() & 1);
        const double fBound = Bound(costs, double(m));
        std::printf("%8.2f %12.1f", fRate, fBound);
        for (const int h : {7, 10, 12}) {
            const C_TrellisCoder coder(uint64_t(9), h);
            std::vector<uint8_t> stego;
            double fCost = 0;
            const auto t0 = std::chrono::steady_clock::now();
            const bool bOk = coder.Embed(cover, costs, message, stego, &fCost);
            const double fSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            if (bOk)
                std::printf("   %6.3f (%5.2f s)", fCost / fBound, fSeconds);
            else
                std::printf("   %17s", "failed");
            std::fflush(stdout);
        }
        std::printf("\n");
    }
    return 0;
}
