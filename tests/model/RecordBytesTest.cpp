// Hides of both record kinds, with random numbers drawn from a fixed seed, written to pictures
// of every format: the files must come out byte for byte as they always have, so that a change
// in how records are built cannot move a single bit of what users' pictures hold. Sealed records
// are version 2 where the picture has colour or gray samples (bmp24, pcx24, rgba8), version 1
// in palette pictures. PNG files are compressed at zlib level 2 since version 2 came. Version 2's
// three changed on purpose when its writer began to draw half the salt and let the salt's code
// choose the rest, and again when it drew 16 bits of it (readers read all alike).
#include "model/C_Carrier.h"
#include "model/records/C_Message.h"
#include "tests/support/C_PngBytes.h"
#include "tests/support/C_TestBytes.h"
#include "tests/support/C_TestPictures.h"

#include <sodium.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// splitmix64 from a seed that each picture resets: salts, nonces and the noise that clears a
// plain record come out the same on every run.
uint64_t g_nState = 0;

uint64_t Next()
{
    uint64_t z = (g_nState += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
}

const char* Name()
{
    return "fixed seed";
}

uint32_t Random()
{
    return static_cast<uint32_t>(Next());
}

void Buffer(void* pBuffer, size_t nSize)
{
    auto* p = static_cast<uint8_t*>(pBuffer);
    for (size_t i = 0; i < nSize; ++i)
        p[i] = static_cast<uint8_t>(Next());
}

randombytes_implementation g_fixed = {Name, Random, nullptr, nullptr, Buffer, nullptr};

// Before anything starts the library, which then keeps whichever source it was given.
const bool g_bFixed = randombytes_set_implementation(&g_fixed) == 0;

std::string Digest(const std::vector<uint8_t>& bytes)
{
    uint8_t aHash[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(aHash, bytes.data(), bytes.size());
    std::string strHex;
    char aByte[3];
    for (const uint8_t n : aHash) {
        std::snprintf(aByte, sizeof aByte, "%02x", n);
        strHex += aByte;
    }
    return strHex;
}

struct S_Picture {
    const char* pName;
    std::vector<uint8_t> bytes;
    const char* pExpected;  // SHA-256 of the four hides' files, one after the other
};

}  // namespace

TEST(RecordBytesTest, PlainAndSealedHidesWriteTheSameBytesAsEver)
{
    ASSERT_TRUE(g_bFixed);
    const fs::path dir = fs::temp_directory_path() / ("vmk_record_bytes_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::vector<S_Rgb> palette;
    for (int i = 0; i < 16; ++i)
        palette.push_back(S_Rgb{static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i * 16), 77});
    const std::vector<S_Picture> pictures = {
        {"bmp24.bmp", C_TestPictures::Make(E_TestPicture::Bmp24, 90, 60, 31),
            "3a2e3eacc0473fc7063867595f2e3f06c386cf85919099d274351f6323eaa58c"},
        {"bmp8.bmp", C_TestPictures::Make(E_TestPicture::Bmp8, 90, 60, 32),
            "5086d1b34f6effb2f5c323049f333574cee50dde79ca22fd727124a1b5ba313e"},
        {"gif.gif", C_TestPictures::Make(E_TestPicture::Gif, 90, 60, 33),
            "8081d4af446402bbd2fc4a3e7a3850059235ec176fcefe2572a877b93dd4126a"},
        {"pcx8.pcx", C_TestPictures::Make(E_TestPicture::Pcx8, 90, 60, 34),
            "9f34d90e4d707748f53a40c4d40a7778633aadf47311a7b544c46374213fce51"},
        {"pcx24.pcx", C_TestPictures::Make(E_TestPicture::Pcx24, 90, 60, 35),
            "e288fe036aa1c9618a04e71c50f155c08feccfbe156030c2ad03b510c9d7a657"},
        {"rgba8.png", C_PngBytes::Make(70, 50, 6, 8, false, C_TestBytes::Random(280 * 50, 36)),
            "6ae034dcb2fe078e420740e6b5ecd43ea5a49461e75167b2bc56f30851e31667"},
        {"pal4.png", C_PngBytes::Make(201, 81, 3, 4, false, C_TestBytes::Random(101 * 81, 37), palette),
            "fa335e2187d2b8cd6e13f3531f733b8772662f0c49a1388a2a40c14103702093"},
    };
    for (const S_Picture& picture : pictures) {
        SCOPED_TRACE(picture.pName);
        const fs::path source = dir / picture.pName;
        C_TestBytes::Write(source, picture.bytes);
        g_nState = 2024;
        std::vector<uint8_t> written;
        for (int nCase = 0; nCase < 4; ++nCase) {
            C_Carrier carrier;
            ASSERT_TRUE(carrier.OpenImage(source.string())) << carrier.GetLastError();
            C_Message message;
            message.m_strName = "notes.txt";
            const std::vector<uint8_t> payload = C_TestBytes::Random(150 + 40 * nCase, 38 + nCase);
            message.SetFromText(static_cast<uint32_t>(payload.size()), reinterpret_cast<const char*>(payload.data()));
            const E_Embedding eEmbedding = nCase % 2 ? E_Embedding::Match : E_Embedding::Replace;
            if (nCase < 2) {
                ASSERT_TRUE(carrier.HideMessage(message, "Plain words", eEmbedding));
            } else {
                // The last one seals over a plain record under the same pass phrase, which the
                // seal overwrites with random bits.
                if (nCase == 3) {
                    ASSERT_TRUE(carrier.HideMessage(message, "Sealed words", E_Embedding::Replace));
                }
                ASSERT_EQ(carrier.Hide(C_Carrier::SealedKind(), message, "Sealed words", eEmbedding),
                    E_RecordOutcome::Hidden);
            }
            const fs::path out = dir / ("out" + std::to_string(nCase) + "_" + picture.pName);
            ASSERT_TRUE(carrier.SaveImage(out.string())) << carrier.GetLastError();
            const std::vector<uint8_t> bytes = C_TestBytes::Read(out);
            ASSERT_FALSE(bytes.empty());
            written.insert(written.end(), bytes.begin(), bytes.end());
        }
        EXPECT_EQ(Digest(written), picture.pExpected);
    }
    fs::remove_all(dir);
}
