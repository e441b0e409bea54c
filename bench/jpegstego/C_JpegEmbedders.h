#pragma once
// The JPEG embedders whose detectability jpeg_stego_detector measures, at a payload given in
// bits per non-zero AC coefficient of component 0 (bpnzAC). The simulators change the
// coefficients in memory as hiding a random message with an optimal code would; the external
// tools hide a random file in the cover's file and hand back what they wrote. Each returns false
// when it could not carry the payload (the simulators then change nothing).

#include "model/pictures/jpeg/C_JpegCoefficients.h"

#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>

class C_JpegEmbedders {
public:
    // The non-zero AC coefficients of component 0.
    static size_t NonZeroAc(const C_JpegCoefficients& jpeg);

    // nsF5 (Fridrich, Pevny and Kodovsky 2007) as a wet-paper code would leave it: of the
    // non-zero AC coefficients, round(beta nzAC) chosen at random have their magnitude lowered by
    // one, beta = H^-1(rate), the change rate at which a binary code of optimal efficiency
    // carries rate bits per coefficient it may change.
    static bool NsF5(C_JpegCoefficients& jpeg, double dRate, std::mt19937_64& rng);

    // The optimal +-1 simulator over every coefficient of component 0 with the given costs (the
    // same up and down): p(+1) = p(-1) = exp(-lambda rho) / (1 + 2 exp(-lambda rho)), lambda found
    // by bisection so that the ternary entropies add up to rate * nzAC bits. A coefficient a
    // change would take out of -1023 .. 1023 may move the other way only.
    static bool Simulate(C_JpegCoefficients& jpeg, const std::vector<float>& costs, double dRate, std::mt19937_64& rng);

    // Veilmark's sealed record: C_SpreadRecord::Seal on a C_JpegCover of the picture's AC
    // coefficients (its UERD costs), as a hide does, with a random payload and pass phrase (C_Embedders::
    // SeededDraws), then committed to the coefficients. The stored payload is the rate's whole
    // bytes less the smallest record's; the ladder rounds each layer up. nBits learns the bits
    // the seal carried, the salt's included. False, with the coefficients as they were, when the
    // seal fails.
    static bool Record(C_JpegCoefficients& jpeg, double dRate, std::mt19937_64& rng, uint64_t& nBits);

    enum class E_Tool { Steghide, Outguess };
    // Runs the tool on the cover file with a random pass phrase and a random payload of nBytes,
    // into a file in workDir, and reads its output back into stego. False when the tool fails,
    // refuses the payload or writes something unreadable or of another grid or table. outguess
    // decodes the picture and codes it again at the quality it is told (nQuality, the cover's),
    // then hides in those coefficients: its stego differs from the cover by that second
    // compression too.
    static bool RunTool(E_Tool eTool, const std::filesystem::path& cover, const C_JpegCoefficients& coverJpeg,
        int nQuality, size_t nBytes, std::mt19937_64& rng, const std::filesystem::path& workDir,
        C_JpegCoefficients& stego);
    // Whether the tool's program is on the PATH.
    static bool HasTool(E_Tool eTool);

    // The coefficients of component 0 that differ; SIZE_MAX when the grids differ.
    static size_t Changes(const C_JpegCoefficients& cover, const C_JpegCoefficients& stego);
};
