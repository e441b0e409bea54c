// How close the trellis coder comes to the least possible cost. For a payload-limited sender
// that changes bit i with probability p_i = e^(-l rho_i) / (1 + e^(-l rho_i)), the entropy sum
// of the p_i is the payload it carries and sum p_i rho_i its expected cost; with l chosen so
// the payload is m bits, no coder embeds m bits for less on average. Prints coder cost over
// that bound for random uniform costs, or constant costs with --constant.
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

}  // namespace

int main(int argc, char** argv)
{
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
