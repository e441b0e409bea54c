#pragma once
// Whole picture files made from a seed, built with C_ImageBytes so that the tests depend on no
// encoder of their own or of another program. Pixel contents are pseudo-random, like a photo's
// noise. Two families, kept apart because tests compare against their exact bytes:
//   Make():      resolution fields set, random palettes, PCX lines run-length coded;
//   Bmp(), Pcx(): no resolution, fixed palettes, PCX bytes stored one by one (padding included).

#include "tests/support/C_TestBytes.h"

#include <cstdint>
#include <string_view>

enum class E_TestPicture { Bmp24, Bmp8, Gif, Pcx8, Pcx24 };

class C_TestPictures {
public:
    // A whole picture file of the given kind, nWidth x nHeight.
    static T_Bytes Make(E_TestPicture eKind, int nWidth, int nHeight, uint32_t nSeed = 1);
    // "bmp", "gif" or "pcx".
    static const char* Extension(E_TestPicture eKind);

    // A 24-bit BMP of nWidth x nHeight whose pixel bytes hold a record with exactly this name and
    // payload under the pass phrase, put there by the engine directly; the name may be anything a
    // hostile picture could hold.
    static T_Bytes BmpWithRecord(
        int nWidth, int nHeight, std::string_view strPassphrase, std::string_view strName, const T_Bytes& payload);

    // An uncompressed bottom-up BMP with a 40-byte header; up to 8 bits a palette of 2^nBits.
    static T_Bytes Bmp(int nWidth, int nHeight, int nBits, uint32_t nSeed);
    // A version 5 RLE PCX: one 8-bit plane with a 256-colour palette, or three planes. Every
    // stored line byte is a pixel byte, so an 8-bit picture has N = bytes per line x height - 1.
    static T_Bytes Pcx(int nWidth, int nHeight, int nPlanes, uint32_t nSeed);
    // A 24-bit BMP as Bmp() whose pixel bytes follow a smooth ramp set by nSeed instead of noise.
    static T_Bytes Bmp24Ramp(uint32_t nWidth, uint32_t nHeight, uint32_t nSeed);
    // A 24-bit BMP shaded smoothly with a little noise, as a photo is, which the detection check
    // reads clean; with bRandomLowestBits every pixel byte's lowest bit replaced by a random one,
    // as a record filling the picture leaves it, which it reads as likely.
    static T_Bytes BmpShaded(int nWidth, int nHeight, uint32_t nSeed, bool bRandomLowestBits);
};
