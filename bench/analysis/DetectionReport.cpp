// A plain program, not a benchmark: how far hiding moves each detector. For every picture named
// on the command line: the clean figures, then plain (replacement) and plus-or-minus-one hides of
// a random payload at 0.05, 0.2 and 0.4 bits per pixel byte, each estimator's increase over the
// clean figure (mean over the colour channels), and the means over all pictures at the end.
//
//   detection_report astronaut.png chelsea.png ...

#include "model/C_Carrier.h"
#include "model/records/C_Message.h"
#include "model/analysis/C_DetectionCheck.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kRates[] = {0.05, 0.2, 0.4};
constexpr E_Embedding kModes[] = {E_Embedding::Replace, E_Embedding::Match};

struct S_Figures {
    double dSpa = 0, dRs = 0, dChi = 0;
};

S_Figures MeanOverChannels(const S_DetectionResult& result)
{
    S_Figures f;
    const double n = result.aChannels.empty() ? 1.0 : static_cast<double>(result.aChannels.size());
    for (const S_ChannelFindings& c : result.aChannels) {
        f.dSpa += c.dSpa / n;
        f.dRs += c.dRs / n;
        f.dChi += c.dChiSquare / n;
    }
    return f;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: detection_report PICTURE...\n");
        return 2;
    }
    std::mt19937 rng(7);
    S_Figures aSum[2][3];
    int nPictures = 0;
    std::printf("%-28s %-8s %5s %8s %8s %8s\n", "picture", "mode", "rate", "dSPA", "dRS", "dChi2");
    for (int i = 1; i < argc; ++i) {
        C_Carrier clean;
        if (!clean.OpenImage(argv[i])) {
            std::fprintf(stderr, "%s: %s\n", argv[i], clean.GetLastError().c_str());
            continue;
        }
        const S_Figures base = MeanOverChannels(C_DetectionCheck::Run(*clean.GetObjectDataPtr()));
        std::printf(
            "%-28s %-8s %5s %8.3f %8.3f %8.3f  (clean figures)\n", argv[i], "-", "-", base.dSpa, base.dRs, base.dChi);
        for (int m = 0; m < 2; ++m)
            for (int r = 0; r < 3; ++r) {
                C_Carrier carrier;
                carrier.OpenImage(argv[i]);
                C_Message message;
                message.m_strName = "x";
                const auto nPayload = static_cast<uint32_t>(kRates[r] * carrier.GetUsableBytes() / 8 - 10);
                std::vector<char> payload(nPayload);
                for (char& c : payload)
                    c = static_cast<char>(rng());
                message.SetFromText(nPayload, payload.data());
                if (!carrier.HideMessage(message, "report", kModes[m])) {
                    std::fprintf(stderr, "%s: the hide was refused\n", argv[i]);
                    return 1;
                }
                const S_Figures f = MeanOverChannels(C_DetectionCheck::Run(*carrier.GetObjectDataPtr()));
                const S_Figures d{f.dSpa - base.dSpa, f.dRs - base.dRs, f.dChi - base.dChi};
                std::printf("%-28s %-8s %5.2f %8.3f %8.3f %8.3f\n", argv[i], m ? "match" : "replace", kRates[r], d.dSpa,
                    d.dRs, d.dChi);
                aSum[m][r].dSpa += d.dSpa;
                aSum[m][r].dRs += d.dRs;
                aSum[m][r].dChi += d.dChi;
            }
        ++nPictures;
    }
    if (nPictures == 0)
        return 1;
    std::printf("\nMean increase over %d pictures\n", nPictures);
    for (int m = 0; m < 2; ++m)
        for (int r = 0; r < 3; ++r)
            std::printf("%-28s %-8s %5.2f %8.3f %8.3f %8.3f\n", "all", m ? "match" : "replace", kRates[r],
                aSum[m][r].dSpa / nPictures, aSum[m][r].dRs / nPictures, aSum[m][r].dChi / nPictures);
    return 0;
}
