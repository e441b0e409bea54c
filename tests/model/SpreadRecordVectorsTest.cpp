// The sealed record, version 2: the test vectors docs/sealed-record-2.md publishes. The fast keys,
// the order, the plan, the ladder and the whole picture's record were also computed outside this
// code (see the document); the whole picture is read back here along the document's steps, from
// the pieces a reader would write (both layers, each length found by its tag), besides through
// Open. One Argon2id derivation for the seal and one for each open.

#include "engine/C_TrellisCoder.h"
#include "model/C_Carrier.h"
#include "model/pictures/jpeg/C_JpegCoefficients.h"
#include "model/records/C_ElementCosts.h"
#include "model/records/C_JpegCover.h"
#include "model/records/C_KeyedPermutation.h"
#include "model/records/C_Message.h"
#include "model/records/C_PixelCover.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SpreadRecord.h"

#include "tests/support/C_TestBytes.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <sodium.h>

#include <array>
#include <filesystem>
#include <limits>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr char kPassphrase[] = "correct horse battery staple";

std::string Hex(const uint8_t* p, size_t n)
{
    return C_TestBytes::Hex(p, n);
}

std::vector<uint32_t> Ladder(uint32_t nRecord, std::initializer_list<unsigned> steps)
{
    std::vector<uint32_t> lengths;
    for (const unsigned k : steps)
        lengths.push_back(C_SpreadRecord::LengthAt(nRecord, k));
    return lengths;
}

// The last step whose length is not 0.
unsigned LastStep(uint32_t nRecord)
{
    unsigned k = 0;
    while (C_SpreadRecord::LengthAt(nRecord, k + 1) != 0)
        ++k;
    return k;
}

// The document's picture: 40 x 30 RGB, 8 bits, byte (x, y, c) = (37x + 91y + 53c + (xy mod 17)) & 255.
constexpr uint32_t kWidth = 40;
constexpr uint32_t kHeight = 30;

std::vector<uint8_t> VectorPicture()
{
    std::vector<uint8_t> bytes(size_t{kWidth} * kHeight * 3);
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x)
            for (uint32_t c = 0; c < 3; ++c)
                bytes[(size_t{y} * kWidth + x) * 3 + c] = static_cast<uint8_t>(37 * x + 91 * y + 53 * c + (x * y) % 17);
    return bytes;
}

// The vector picture's samples as the costs see them.
void SetVectorPicture(C_PixelCover& cover, std::vector<uint8_t>& bytes)
{
    C_ElementCosts::S_Picture picture;
    picture.pBytes = bytes.data();
    picture.nWidth = kWidth;
    picture.nHeight = kHeight;
    picture.nStride = kWidth * 3;
    picture.layout.bKnown = true;
    picture.layout.eChannels = E_PixelChannels::Rgb;
    picture.layout.nChannels = 3;
    picture.layout.nBitsPerSample = 8;
    cover.SetPicture(picture);
}

C_SpreadRecord::S_Draws VectorDraws()
{
    C_SpreadRecord::S_Draws draws;
    for (size_t i = 0; i < draws.salt.size(); ++i)
        draws.salt[i] = static_cast<uint8_t>(i);
    for (size_t i = 0; i < draws.nonce.size(); ++i)
        draws.nonce[i] = static_cast<uint8_t>(0x10 + i);
    draws.fnDirections = [](uint8_t* p, size_t n) { std::memset(p, 0x55, n); };
    return draws;
}

}  // namespace

TEST(SpreadRecordVectors, FastKeysOrderAndSaltCodeMatchTheDocument)
{
    const std::array<uint8_t, 64> keys = C_SpreadRecord::FastKeys(kPassphrase, 2000);
    EXPECT_EQ(Hex(keys.data(), keys.size()),
        "11e5b332414b593dacd6a567d5df54c8a67a40c9f88e6103ae66f78077f7522d"
        "24c4122bf31b3a30c37427eba9fbb6a2401e1d40ca721b8fcb419f543e78adbf");
    EXPECT_EQ(C_TrellisCoder::SeedFromKey(std::span<const uint8_t>(keys.data() + 32, 8)), 2266176902359388875u);

    const C_KeyedPermutation order(std::span<const uint8_t, 32>(keys.data(), 32), 2000);
    std::vector<uint32_t> first(8);
    order.Fill(0, first);
    EXPECT_EQ(first, (std::vector<uint32_t>{223, 234, 1196, 553, 1354, 946, 263, 163}));

    // N is part of the hash: another N, other keys.
    const std::array<uint8_t, 64> other = C_SpreadRecord::FastKeys(kPassphrase, 2001);
    EXPECT_NE(Hex(other.data(), other.size()), Hex(keys.data(), keys.size()));
}

TEST(SpreadRecordVectors, PlanAndLadderMatchTheDocument)
{
    const C_SpreadRecord::S_Plan small = C_SpreadRecord::PlanFor(2000);
    EXPECT_EQ(small.nSalt, 1024u);
    EXPECT_EQ(small.nRecord, 976u);
    EXPECT_EQ(C_SpreadRecord::PartsFor(small.nRecord), 1u);
    EXPECT_EQ(Ladder(small.nRecord, {0, 1, 2, 3, 16}), (std::vector<uint32_t>{976, 928, 888, 856, 488}));
    EXPECT_EQ(LastStep(small.nRecord), 62u);
    EXPECT_EQ(C_SpreadRecord::LengthAt(small.nRecord, 62), 64u);

    // Past 2^20 record elements, parts: each layer's lengths leave every part a tag's 64 bits.
    const C_SpreadRecord::S_Plan large = C_SpreadRecord::PlanFor(36578304);
    EXPECT_EQ(large.nSalt, 571536u);
    EXPECT_EQ(large.nRecord, 36006768u);
    EXPECT_EQ(Ladder(large.nRecord, {0, 1, 2, 3, 16}),
        (std::vector<uint32_t>{36006768, 34480192, 33018344, 31618480, 18003384}));
    EXPECT_EQ(C_SpreadRecord::PartsFor(large.nRecord), 35u);
    EXPECT_EQ(LastStep(large.nRecord), 223u);
    EXPECT_EQ(C_SpreadRecord::LengthAt(large.nRecord, 223), 2288u);
    EXPECT_EQ(C_SpreadRecord::HeightFor(large.nRecord), 7);
    EXPECT_EQ(C_SpreadRecord::PartsFor((1u << 20) + 1), 2u);

    // The document's least N: below 1,088 elements the ladder is empty. A plan never gives the
    // salt more elements than there are, nor the record a negative count.
    EXPECT_EQ(C_SpreadRecord::LengthAt(C_SpreadRecord::PlanFor(1087).nRecord, 0), 0u);
    EXPECT_EQ(C_SpreadRecord::LengthAt(C_SpreadRecord::PlanFor(1088).nRecord, 0), 64u);
    EXPECT_EQ(C_SpreadRecord::PlanFor(500).nSalt, 500u);
    EXPECT_EQ(C_SpreadRecord::PlanFor(500).nRecord, 0u);
}

TEST(SpreadRecordVectors, TheWholePictureSealsToTheDocumentsBytesAndReadsBack)
{
    std::vector<uint8_t> bytes = VectorPicture();
    const auto nElements = static_cast<uint32_t>(bytes.size() - 1);
    C_PixelCover cover(bytes.data(), nElements, C_SampleWriter::E_Mode::MatchBytes);
    SetVectorPicture(cover, bytes);
    const std::string strPayload = "hi";
    const std::vector<uint8_t> stored(strPayload.begin(), strPayload.end());
    ASSERT_EQ(
        C_SpreadRecord::Seal(cover, "a.txt", stored, false, kPassphrase, {}, VectorDraws()), E_RecordOutcome::Hidden);

    // Every change is by one.
    const std::vector<uint8_t> original = VectorPicture();
    size_t nChanged = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        nChanged += bytes[i] != original[i];
        EXPECT_LE(std::abs(bytes[i] - original[i]), 1) << i;
    }
    EXPECT_EQ(nChanged, 109u);
    uint8_t aDigest[32];
    crypto_generichash(aDigest, sizeof aDigest, bytes.data(), bytes.size(), nullptr, 0);
    EXPECT_EQ(Hex(aDigest, sizeof aDigest), "b5d399d7ab54f406686fa3ac5172dec6c165b810763b10701277373e6f31effa");

    // A reader's steps: the salt, the keys, each layer's length by its tag, the two layers.
    const std::array<uint8_t, 16> salt = C_SpreadRecord::ReadSalt(bytes.data(), nElements, kPassphrase);
    EXPECT_EQ(Hex(salt.data(), salt.size()), "000102030405060708090a0b0c0d0e0f");
    C_SealedRecord::S_Keys keys;
    ASSERT_TRUE(C_SealedRecord::Derive(kPassphrase, salt.data(), keys));
    const uint64_t nRecordSeed = C_TrellisCoder::SeedFromKey(std::span<const uint8_t>(keys.bytes.Data(), 8));
    EXPECT_EQ(nRecordSeed, 3954941619561892307u);
    EXPECT_EQ(Hex(keys.bytes.Data() + 56, 8), "e9aab43765158f21");
    const C_SpreadRecord::S_Plan plan = C_SpreadRecord::PlanFor(nElements);
    ASSERT_EQ(C_SpreadRecord::PartsFor(plan.nRecord), 1u);
    const std::array<uint8_t, 64> fast = C_SpreadRecord::FastKeys(kPassphrase, nElements);
    const std::vector<uint32_t> order =
        C_KeyedPermutation(std::span<const uint8_t, 32>(fast.data(), 32), nElements).All();
    const C_TrellisCoder coder(nRecordSeed, C_SpreadRecord::HeightFor(plan.nRecord));
    const auto Layer = [&](unsigned nBit) {
        std::vector<uint8_t> bits;
        for (uint32_t i = plan.nSalt; i < nElements; ++i)
            bits.push_back(bytes[order[i]] >> nBit & 1);
        return bits;
    };
    // The first ladder length whose first 64 bits are within 6 bits of the tag; the bits wrong.
    const auto FindLength = [&](const std::vector<uint8_t>& layer, const uint8_t* pTag, int& nWrong) -> uint32_t {
        for (unsigned k = 0; C_SpreadRecord::LengthAt(plan.nRecord, k) != 0; ++k) {
            std::vector<uint8_t> head;
            coder.Extract(layer, C_SpreadRecord::LengthAt(plan.nRecord, k), head, 64);
            nWrong = 0;
            for (size_t i = 0; i < head.size(); ++i)
                nWrong += head[i] != (pTag[i / 8] >> (7 - i % 8) & 1);
            if (nWrong <= C_SpreadRecord::kTagTolerance)
                return C_SpreadRecord::LengthAt(plan.nRecord, k);
        }
        return 0;
    };
    const std::vector<uint8_t> second = Layer(1);
    const std::vector<uint8_t> first = Layer(0);
    int nWrong = 0;
    const uint32_t nSecond = FindLength(second, keys.aTag.data(), nWrong);
    const uint32_t nFirst = FindLength(first, keys.bytes.Data() + 56, nWrong);
    EXPECT_EQ(nSecond, 280u);
    EXPECT_EQ(nFirst, 280u);
    EXPECT_EQ(nWrong, 0);
    std::vector<uint8_t> message;
    coder.Extract(second, nSecond, message);
    std::vector<uint8_t> rest;
    coder.Extract(first, nFirst, rest);
    ASSERT_EQ(rest.size(), nFirst);
    message.insert(message.end(), rest.begin() + 64, rest.end());
    std::vector<uint8_t> record(message.size() / 8);
    for (size_t i = 0; i < message.size(); ++i)
        record[i / 8] = static_cast<uint8_t>(record[i / 8] << 1 | message[i]);
    EXPECT_EQ(Hex(record.data(), record.size()),
        "6c51b4caa67ae11c"
        "101112131415161718191a1b1c1d1e1f2021222324252627"
        "dbe112f7b471e42580ed3635355aa0ea4cd9673ede3c6c294c794a56156b");

    C_SealedContent content;
    ASSERT_EQ(C_SpreadRecord::Open(bytes.data(), nElements, kPassphrase, content), E_RevealOutcome::Found);
    C_Message opened;
    ASSERT_EQ(content.ExtractTo(opened), C_SealedContent::E_Extract::Done);
    EXPECT_EQ(opened.m_strName, "a.txt");
    ASSERT_EQ(opened.m_nSize, 2u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(opened.GetData()), 2), "hi");
    EXPECT_EQ(C_SpreadRecord::Open(bytes.data(), nElements, "correct horse battery stapler", content),
        E_RevealOutcome::NotFound);
}

// A hide draws 16 of the salt's bits and lets the salt's code pick the rest: 128 drawn bits cost
// tens of changes packed into those few elements, the plainest trace a small record left.
// Whatever the salt, a reader reads all 128.
TEST(SpreadRecordVectors, ASealDrawsAFewSaltBitsAndTakesTheRestFromThePicture)
{
    std::vector<uint8_t> bytes = VectorPicture();
    const auto nElements = static_cast<uint32_t>(bytes.size() - 1);
    const uint32_t nSalt = C_SpreadRecord::PlanFor(nElements).nSalt;
    const std::array<uint8_t, 16> own = C_SpreadRecord::ReadSalt(bytes.data(), nElements, kPassphrase);
    EXPECT_TRUE(C_SpreadRecord::FreshDraws().bMostFromPicture);
    C_SpreadRecord::S_Draws draws = VectorDraws();
    draws.bMostFromPicture = true;
    // Drawn as the picture already has them, the salt needs no change at all; the other bits are
    // not the seal's to choose.
    for (size_t i = 0; i < own.size(); ++i)
        draws.salt[i] = static_cast<uint8_t>((own[i] & 0x80) | (~own[i] & 0x7F));
    const std::array<uint8_t, 64> fast = C_SpreadRecord::FastKeys(kPassphrase, nElements);
    const std::vector<uint32_t> order =
        C_KeyedPermutation(std::span<const uint8_t, 32>(fast.data(), 32), nElements).All();
    const std::vector<uint8_t> original = VectorPicture();
    const std::vector<uint8_t> stored = {'h', 'i'};
    const auto SealsAndReveals = [&](C_PixelCover& cover, std::vector<float>* pWeighed) {
        ASSERT_EQ(C_SpreadRecord::Seal(cover, "a.txt", stored, false, kPassphrase, {}, draws, {}, nullptr, pWeighed),
            E_RecordOutcome::Hidden);
        C_SealedContent content;
        ASSERT_EQ(C_SpreadRecord::Open(bytes.data(), nElements, kPassphrase, content), E_RevealOutcome::Found);
        C_Message opened;
        ASSERT_EQ(content.ExtractTo(opened), C_SealedContent::E_Extract::Done);
        ASSERT_EQ(opened.m_nSize, 2u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(opened.GetData()), 2), "hi");
    };
    const auto SaltUntouched = [&] {
        for (uint32_t i = 0; i < nSalt; ++i)
            ASSERT_EQ(bytes[order[i]], original[order[i]]) << i;
    };
    {
        C_PixelCover cover(bytes.data(), nElements, C_SampleWriter::E_Mode::MatchBytes);
        SetVectorPicture(cover, bytes);
        SealsAndReveals(cover, nullptr);
        const std::array<uint8_t, 16> salt = C_SpreadRecord::ReadSalt(bytes.data(), nElements, kPassphrase);
        EXPECT_EQ(Hex(salt.data(), salt.size()), Hex(own.data(), own.size()));
        SaltUntouched();
    }

    // Drawn otherwise, the drawn bits are the draw's.
    bytes = VectorPicture();
    draws.salt.fill(0);
    {
        C_PixelCover cover(bytes.data(), nElements, C_SampleWriter::E_Mode::MatchBytes);
        SetVectorPicture(cover, bytes);
        SealsAndReveals(cover, nullptr);
        const std::array<uint8_t, 16> drawn = C_SpreadRecord::ReadSalt(bytes.data(), nElements, kPassphrase);
        for (size_t i = 0; i < drawn.size(); ++i)
            EXPECT_EQ(drawn[i] & 0x80, 0) << i;
    }

    // Where no salt element may change, the drawn bits cannot be had: the salt is the picture's,
    // and the record goes in all the same (it was refused as too large).
    bytes = VectorPicture();
    for (size_t i = 0; i < own.size(); ++i)
        draws.salt[i] = static_cast<uint8_t>(~own[i]);
    {
        C_PixelCover cover(bytes.data(), nElements, C_SampleWriter::E_Mode::MatchBytes);
        SetVectorPicture(cover, bytes);
        std::vector<float> costs;
        ASSERT_TRUE(cover.Weigh(costs));
        for (uint32_t i = 0; i < nSalt; ++i)
            costs[order[i]] = std::numeric_limits<float>::infinity();
        SealsAndReveals(cover, &costs);
        SaltUntouched();
    }
}

// The JPEG vector: a 64 x 48 gray baseline JPEG (6 x 8 blocks) whose quantised coefficients are
// set by a formula, sealed as the whole picture above was, and read back from its file.
TEST(SpreadRecordVectors, TheJpegSealsToTheDocumentsFileAndReadsBack)
{
    const std::vector<uint8_t> flat(64 * 48, 128);
    std::vector<uint8_t> file;
    std::string strError;
    ASSERT_TRUE(C_JpegCoefficients::Compress(flat.data(), 64, 48, 64, 1, 90, file, strError)) << strError;
    C_JpegCoefficients jpeg;
    ASSERT_TRUE(jpeg.Read(file, 1u << 20, strError)) << strError;
    ASSERT_EQ(jpeg.Components().size(), 1u);
    std::vector<int16_t>& coefficients = jpeg.Components()[0].coefficients;
    ASSERT_EQ(coefficients.size(), 48u * 64);
    for (uint32_t b = 0; b < 48; ++b)
        for (uint32_t i = 0; i < 64; ++i)
            coefficients[64 * b + i] =
                static_cast<int16_t>(i == 0 ? 0 : static_cast<int>((7 * b + 13 * i + (b * i) % 11) % 15) - 7);
    ASSERT_TRUE(jpeg.Write(file, strError)) << strError;
    ASSERT_TRUE(jpeg.Read(file, 1u << 20, strError)) << strError;

    C_JpegCover cover(jpeg);
    ASSERT_EQ(cover.Size(), 48u * 63);
    EXPECT_EQ(Hex(cover.LowBytes(), 8), "06040200fefcfa07");
    EXPECT_EQ(cover.RateElements(), 2820u);
    const std::string strPayload = "hi";
    const std::vector<uint8_t> stored(strPayload.begin(), strPayload.end());
    C_SpreadRecord::S_Lengths lengths;
    ASSERT_EQ(C_SpreadRecord::Seal(cover, "a.txt", stored, false, kPassphrase, {}, VectorDraws(), {}, &lengths),
        E_RecordOutcome::Hidden);
    EXPECT_EQ(lengths.nSecond, 296u);
    EXPECT_EQ(lengths.nFirst, 272u);
    EXPECT_EQ(cover.Pending(), 179u);
    ASSERT_TRUE(cover.Commit());
    std::vector<uint8_t> sealed;
    ASSERT_TRUE(jpeg.Write(sealed, strError)) << strError;
    uint8_t aDigest[32];
    crypto_generichash(aDigest, sizeof aDigest, sealed.data(), sealed.size(), nullptr, 0);
    EXPECT_EQ(sealed.size(), 2192u);
    EXPECT_EQ(Hex(aDigest, sizeof aDigest), "fc23afecb5ad96c3d0672b8039fa6ef80fbc9bb0ba4c3368271cbffbb50a8eb2");

    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("vmk_vector_" + std::to_string(::getpid()) + ".jpg");
    C_TestBytes::Write(path, sealed);
    C_Carrier carrier;
    ASSERT_TRUE(carrier.OpenImage(path.string())) << carrier.GetLastError();
    std::filesystem::remove(path);
    C_Message found;
    ASSERT_EQ(carrier.Reveal(found, kPassphrase), E_RecordOutcome::Found);
    EXPECT_EQ(found.m_strName, "a.txt");
    ASSERT_EQ(found.m_nSize, 2u);
    EXPECT_EQ(std::memcmp(found.GetData(), "hi", 2), 0);
}
