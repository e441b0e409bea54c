#pragma once
// Pictures and records made byte by byte, so the tests depend on no other program's encoder.
// Pixel contents are pseudo-random from a seed, like a photo's noise.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

using T_Bytes = std::vector<uint8_t>;

enum class E_TestPicture { Bmp24, Bmp8, Gif, Pcx8, Pcx24 };

class C_TestPictures {
public:
    // A whole picture file of the given kind, nWidth x nHeight.
    static T_Bytes Make(E_TestPicture eKind, int nWidth, int nHeight, uint32_t nSeed = 1);
    // "bmp", "gif" or "pcx".
    static const char* Extension(E_TestPicture eKind);

    // A 24-bit BMP of nWidth x nHeight whose pixel bytes hold a record with exactly this name and payload under the pass phrase, put
    // there by the engine directly; the name may be anything a hostile picture could hold.
    static T_Bytes BmpWithRecord(int nWidth, int nHeight, std::string_view strPassphrase, std::string_view strName,
                                 const T_Bytes& payload);

    static T_Bytes RandomBytes(size_t nCount, uint32_t nSeed);
    static void WriteFile(const std::filesystem::path& path, const T_Bytes& bytes);
    static T_Bytes ReadFile(const std::filesystem::path& path);
};
