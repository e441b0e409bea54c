// pairing_report PICTURE...: for each palette picture, the mean distance a flip of an index's
// low bit moves a pixel's colour, before and after palette pairing, and the mean over all that
// were paired. Each paired picture is also saved in its own format and read back, and must look
// the same; the "after" figure is measured on the picture read back.

#include "model/pictures/BTCImageObject.h"
#include "model/effects/C_PalettePairing.h"
#include "model/pictures/C_PixelReader.h"

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

const char* OutcomeText(E_PairingOutcome e)
{
    switch (e) {
    case E_PairingOutcome::Paired: return "paired";
    case E_PairingOutcome::NothingToPair: return "nothing to pair";
    case E_PairingOutcome::NotPalette: return "not a palette picture";
    case E_PairingOutcome::Unsupported: return "unsupported";
    }
    return "?";
}

std::vector<uint8_t> Shown(const BTCImageData& data)
{
    const C_PixelReader reader(data);
    std::vector<uint8_t> out, row(3 * size_t{reader.GetWidth()});
    for (uint32_t y = 0; reader.IsValid() && y < reader.GetHeight(); ++y) {
        reader.BgrOfStoredRow(reader.StoredRowOf(y), row.data());
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PICTURE...\n", argv[0]);
        return 2;
    }
    std::printf("%-40s %7s %8s %8s %7s %8s  %s\n", "picture", "colours", "before", "after", "ratio", "ms", "outcome");
    double fBeforeSum = 0.0, fAfterSum = 0.0;
    int nPaired = 0, nFailed = 0;
    for (int i = 1; i < argc; ++i) {
        BTCImageObject obj;
        if (!obj.Load(argv[i])) {
            std::printf("%-40s %s\n", argv[i], obj.GetLastError().c_str());
            continue;
        }
        BTCImageData& data = *obj.GetObjectDataPtr();
        const std::vector<uint8_t> before = Shown(data);
        const double fBefore = C_PalettePairing::MeanFlipDistance(data);
        const auto t0 = std::chrono::steady_clock::now();
        const E_PairingOutcome eOutcome = C_PalettePairing::Apply(data);
        const double fMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        double fAfter = fBefore;
        if (eOutcome == E_PairingOutcome::Paired) {
            std::vector<uint8_t> saved;
            BTCImageObject back;
            if (!obj.SaveToMemory(data.GetSourceFormat(), saved) || !back.LoadFromMemory(saved)
                || Shown(*back.GetObjectDataPtr()) != before) {
                std::printf("%-40s FAILED: the saved picture does not look the same\n", argv[i]);
                ++nFailed;
                continue;
            }
            fAfter = C_PalettePairing::MeanFlipDistance(*back.GetObjectDataPtr());
            fBeforeSum += fBefore;
            fAfterSum += fAfter;
            ++nPaired;
        }
        std::printf("%-40s %7zu %8.2f %8.2f %7.3f %8.2f  %s\n", argv[i], data.GetPalette().size(), fBefore, fAfter,
            fBefore > 0 ? fAfter / fBefore : 1.0, fMs, OutcomeText(eOutcome));
    }
    if (nPaired > 0)
        std::printf("mean over %d paired pictures: before %.2f, after %.2f (ratio %.3f)\n", nPaired,
            fBeforeSum / nPaired, fAfterSum / nPaired, fAfterSum / fBeforeSum);
    return nFailed == 0 ? 0 : 1;
}
