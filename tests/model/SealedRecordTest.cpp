// The sealed record: its published test vectors, a round trip with compression, "none" for a
// wrong pass phrase, "damaged" for any changed bit of the record, and plain records unchanged.
// Every open costs one Argon2id derivation (about a third of a second), so the cases are few.

#include "model/C_Carrier.h"
#include "model/records/C_Message.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SecretBytes.h"
#include "engine/C_HiddenHeader.h"
#include "engine/C_PositionSequence.h"
#include "tests/support/C_TestBytes.h"
#include "tests/support/vmk_sanitized.h"

#include <gtest/gtest.h>
#include <sodium.h>
#include <zstd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <numeric>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string Hex(const uint8_t* p, size_t n)
{
    return C_TestBytes::Hex(p, n);
}

std::array<uint8_t, C_SealedRecord::kSaltBytes> VectorSalt()
{
    std::array<uint8_t, C_SealedRecord::kSaltBytes> salt{};
    for (size_t i = 0; i < salt.size(); ++i)
        salt[i] = static_cast<uint8_t>(i);
    return salt;
}

void Compose(C_Message& message, const std::string& strName, const std::vector<uint8_t>& payload)
{
    message.m_strName = strName;
    uint8_t* p = message.Allocate(static_cast<uint32_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), p);
}

// A seal, and a reveal of either kind, through the carrier's one Hide and Reveal.
E_RecordOutcome HideSealed(C_Carrier& carrier, const C_Message& message, const std::string& strPassphrase)
{
    return carrier.Hide(C_Carrier::SealedKind(), message, strPassphrase, E_Embedding::Match);
}

E_RecordOutcome RevealAny(
    C_Carrier& carrier, C_Message& message, const std::string& strPassphrase, bool* pSealed = nullptr)
{
    const C_Record* pKind = nullptr;
    const E_RecordOutcome eOutcome = carrier.Reveal(message, strPassphrase, nullptr, &pKind);
    if (pSealed)
        *pSealed = pKind && pKind->IsSealed();
    return eOutcome;
}

bool IsZero(const uint8_t* pBegin, const uint8_t* pEnd)
{
    return std::all_of(pBegin, pEnd, [](uint8_t b) { return b == 0; });
}

// A zstd frame of 1,000 bytes of 'a' whose header declares nDeclared bytes instead.
std::vector<uint8_t> LyingFrame(uint16_t nDeclared)
{
    const std::vector<uint8_t> payload(1000, 'a');
    std::vector<uint8_t> frame(ZSTD_compressBound(payload.size()));
    frame.resize(ZSTD_compress(frame.data(), frame.size(), payload.data(), payload.size(), 3));
    // Single segment, the content size in two bytes less 256, right after the descriptor.
    EXPECT_EQ(frame[4] & 0xE0, 0x60);
    frame[5] = static_cast<uint8_t>((nDeclared - 256) & 0xFF);
    frame[6] = static_cast<uint8_t>((nDeclared - 256) >> 8);
    EXPECT_EQ(ZSTD_getFrameContentSize(frame.data(), frame.size()), nDeclared);
    return frame;
}

}  // namespace

// The vectors docs/sealed-record.md publishes; version 1 never changes them.
TEST(SealedRecord, PublishedTestVectors)
{
    const std::string strPassphrase = "correct horse battery staple";
    C_SealedRecord::S_Keys keys;
    ASSERT_TRUE(C_SealedRecord::Derive(strPassphrase, VectorSalt().data(), keys));
    EXPECT_EQ(Hex(keys.aPosition.data(), 16), "a2dff12b27053b854036ec82e0ed5f36");
    EXPECT_EQ(Hex(keys.aCipher.data(), 32), "3ebf47a1a2a779a80b0b7f848a55cd0a67a00d73841489cf806a1d0cd5979579");
    EXPECT_EQ(Hex(keys.aTag.data(), 8), "6c51b4caa67ae11c");

    // The whole record of "a.txt" holding "hi" in 2,000 zero bytes under that salt and the
    // nonce 10 11 .. 27: the ciphertext, then every carrier byte as the seal leaves it.
    std::array<uint8_t, C_SealedRecord::kNonceBytes> nonce{};
    for (size_t i = 0; i < nonce.size(); ++i)
        nonce[i] = static_cast<uint8_t>(0x10 + i);
    std::vector<uint8_t> carrier(2001, 0);
    std::string strWhy;
    ASSERT_TRUE(C_SealedRecord::SealWith(
        carrier.data(), 2000, "a.txt", {'h', 'i'}, false, strPassphrase, VectorSalt(), nonce, strWhy));
    EXPECT_EQ(C_SealedRecord::ReadSalt(carrier.data()), VectorSalt());
    // The ciphertext's bits, read back along the sequence of the position key.
    C_PositionSequence sequence;
    sequence.SetRawKey(keys.aPosition);
    sequence.SetModulus(2000 - C_SealedRecord::kSaltRegion);
    std::vector<uint8_t> record(C_SealedRecord::RecordBytes(5, 2));
    for (uint8_t& b : record)
        for (int i = 0; i < 8; ++i)
            b = static_cast<uint8_t>(b << 1 | (carrier[C_SealedRecord::kSaltRegion + sequence.Next()] & 1));
    EXPECT_EQ(Hex(record.data(), record.size()),
        "6c51b4caa67ae11c01"  // tag, version
        "1a000000"            // ciphertext length 26
        "101112131415161718191a1b1c1d1e1f2021222324252627"
        "d1e412969a009c30c6f00c37780a987859aeb19618f90c6fc211");
    uint8_t aDigest[32];
    crypto_generichash(aDigest, sizeof aDigest, carrier.data(), carrier.size(), nullptr, 0);
    EXPECT_EQ(Hex(aDigest, 32), "1eea824ed94f9c1dccb1142d2a29cb8ec485a158a8bd73ae6307698b06d549fa");
}

TEST(SealedRecord, RoundTripCompressesAndAnyChangedBitIsDamage)
{
    std::vector<uint8_t> bytes = C_TestBytes::Random(200001, 7);
    C_Carrier carrier;
    carrier.UseBytes(bytes.data(), bytes.size());
    // Text three halves of the sealed capacity fits only because it compresses.
    std::string strText;
    while (strText.size() < carrier.CapacityOf(C_Carrier::SealedKind(), 8) * 3 / 2)
        strText += "The meeting moves to Friday at ten, in the north room. ";
    C_Message message;
    Compose(message, "plan.txt", std::vector<uint8_t>(strText.begin(), strText.end()));
    const std::string strPassphrase = "Zwölf Boxkämpfer jagen Viktor quer über den großen Sylter Deich";
    ASSERT_EQ(HideSealed(carrier, message, strPassphrase), E_RecordOutcome::Hidden);

    C_Message found;
    bool bSealed = false;
    ASSERT_EQ(RevealAny(carrier, found, strPassphrase, &bSealed), E_RecordOutcome::Found);
    EXPECT_TRUE(bSealed);
    EXPECT_EQ(found.m_strName, "plan.txt");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(found.GetData()), found.m_nSize), strText);
    C_Message none;
    EXPECT_EQ(RevealAny(carrier, none, strPassphrase + "!"), E_RecordOutcome::NotFound);
    EXPECT_EQ(none.m_nSize, 0u);

    // One changed bit in the tag, the length and the ciphertext (the compressed record is about
    // 150 bytes): each is damage, not "none".
    C_SealedRecord::S_Keys keys;
    ASSERT_TRUE(C_SealedRecord::Derive(strPassphrase, C_SealedRecord::ReadSalt(bytes.data()).data(), keys));
    C_PositionSequence sequence;
    sequence.SetRawKey(keys.aPosition);
    sequence.SetModulus(200000 - C_SealedRecord::kSaltRegion);
    std::vector<uint32_t> positions(8 * 200);
    sequence.Fill(positions.data(), positions.size());
    for (const size_t nBit : {size_t{5}, size_t{8 * 9 + 1}, size_t{8 * 45 + 3}}) {
        uint8_t& b = bytes[C_SealedRecord::kSaltRegion + positions[nBit]];
        b ^= 1;
        C_Message damaged;
        EXPECT_EQ(RevealAny(carrier, damaged, strPassphrase), E_RecordOutcome::Damaged) << "bit " << nBit;
        b ^= 1;
    }
}

TEST(SealedRecord, PlainRecordsRevealAsBeforeAndASealOverOneReplacesIt)
{
    std::vector<uint8_t> bytes = C_TestBytes::Random(50001, 8);
    C_Carrier carrier;
    carrier.UseBytes(bytes.data(), bytes.size());
    C_Message message;
    Compose(message, "old.doc", C_TestBytes::Random(300, 9));
    ASSERT_TRUE(carrier.HideMessage(message, "heron"));
    C_Message found;
    bool bSealed = true;
    ASSERT_EQ(RevealAny(carrier, found, "heron", &bSealed), E_RecordOutcome::Found);
    EXPECT_FALSE(bSealed);
    EXPECT_EQ(found.m_strName, "old.doc");
    EXPECT_TRUE(std::equal(found.GetData(), found.GetData() + found.m_nSize, message.GetData()));

    // Sealed over it under the same pass phrase: the reveal finds the new record, not the old.
    C_Message sealed;
    Compose(sealed, "new.doc", C_TestBytes::Random(200, 10));
    ASSERT_EQ(HideSealed(carrier, sealed, "heron"), E_RecordOutcome::Hidden);
    C_Message latest;
    ASSERT_EQ(RevealAny(carrier, latest, "heron", &bSealed), E_RecordOutcome::Found);
    EXPECT_TRUE(bSealed);
    EXPECT_EQ(latest.m_strName, "new.doc");
}

// Hidden plainly, then sealed under the same pass phrase: the plain record's positions hold
// noise, its signature is near neither "VMK" nor its inverse, and only the sealed record reveals.
TEST(SealedRecord, ASealOverAPlainRecordLeavesNothingOfIt)
{
    std::vector<uint8_t> bytes = C_TestBytes::Random(200001, 11);
    C_Carrier carrier;
    carrier.UseBytes(bytes.data(), bytes.size());
    C_Message plain;
    Compose(plain, "diary.txt", C_TestBytes::Random(400, 12));
    ASSERT_TRUE(carrier.HideMessage(plain, "tiger7"));
    C_PositionSequence sequence;
    sequence.SetKey("tiger7");
    sequence.SetModulus(carrier.GetUsableBytes());
    std::vector<uint32_t> positions(8 * (C_HiddenHeader::kFixedSize + 9 + 400));
    sequence.Fill(positions.data(), positions.size());
    const auto Bits = [&] {
        std::vector<int> bits;
        for (const uint32_t nPosition : positions)
            bits.push_back(bytes[nPosition] & 1);
        return bits;
    };
    const std::vector<int> before = Bits();

    C_Message sealed;
    Compose(sealed, "new.txt", C_TestBytes::Random(100, 13));
    ASSERT_EQ(HideSealed(carrier, sealed, "tiger7"), E_RecordOutcome::Hidden);
    const std::vector<int> after = Bits();
    int nFromSignature = 0;
    int nFromInverse = 0;
    for (size_t i = 0; i < 24; ++i) {
        const int nBit = C_HiddenHeader::kSignature[i / 8] >> (7 - i % 8) & 1;
        nFromSignature += after[i] != nBit;
        nFromInverse += after[i] == nBit;
    }
    EXPECT_GT(nFromSignature, 2);
    EXPECT_GT(nFromInverse, 2);
    // Sizes, name and payload: about half of the bits as they were, as noise gives, not all.
    const size_t nSame = std::inner_product(
        after.begin() + 24, after.end(), before.begin() + 24, size_t{0}, std::plus<>(), std::equal_to<>());
    EXPECT_NEAR(static_cast<double>(nSame) / static_cast<double>(after.size() - 24), 0.5, 0.1);

    C_Message found;
    EXPECT_FALSE(carrier.RevealMessage(found, "tiger7"));
    bool bSealed = false;
    ASSERT_EQ(RevealAny(carrier, found, "tiger7", &bSealed), E_RecordOutcome::Found);
    EXPECT_TRUE(bSealed);
    EXPECT_EQ(found.m_strName, "new.txt");
}

// Without memory for Argon2id the outcome says so, never "none": nothing was searched. A seal
// that cannot derive its key leaves a plain record under the same pass phrase as it was.
TEST(SealedRecord, WithoutMemoryForTheKeyRevealSaysSoAndASealChangesNothing)
{
#ifdef VMK_SANITIZED
    GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
#else
    std::vector<uint8_t> bytes = C_TestBytes::Random(50001, 14);
    C_Carrier carrier;
    carrier.UseBytes(bytes.data(), bytes.size());
    C_Message plain;
    Compose(plain, "old.txt", C_TestBytes::Random(200, 15));
    ASSERT_TRUE(carrier.HideMessage(plain, "heron"));
    C_Message sealed;
    Compose(sealed, "new.txt", C_TestBytes::Random(100, 16));
    const std::vector<uint8_t> before = bytes;

    const pid_t nPid = ::fork();
    if (nPid == 0) {
        // The address space in use now and 64 MiB more: half of what Argon2id needs.
        uint64_t nPages = 0;
        std::ifstream("/proc/self/statm") >> nPages;
        const rlim_t nLimit = nPages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (rlim_t{64} << 20);
        const rlimit limit{nLimit, nLimit};
        ::setrlimit(RLIMIT_AS, &limit);
        C_Message found;
        int nCode = 0;
        if (C_SealedRecord::Open(bytes.data(), 50000, "heron", found) != E_RevealOutcome::NoMemory)
            nCode |= 1;
        // Refused, but not for its size: the key could not be derived.
        const E_RecordOutcome eSeal = HideSealed(carrier, sealed, "heron");
        if (eSeal == E_RecordOutcome::Hidden || eSeal == E_RecordOutcome::TooLarge)
            nCode |= 2;
        if (bytes != before)
            nCode |= 4;
        ::_exit(nCode);
    }
    int nStatus = 0;
    ASSERT_EQ(::waitpid(nPid, &nStatus, 0), nPid);
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), 0) << "1: not NoMemory, 2: not Failed, 4: bytes changed";
#endif
}

// A frame that declares more or fewer bytes than it holds is damage, and nothing of the payload
// stays behind in the message; a sink never gets more than the declared size.
TEST(SealedRecord, AFrameThatLiesAboutItsSizeIsDamagedAndLeavesNothing)
{
    for (const uint16_t nDeclared : {uint16_t{900}, uint16_t{1100}}) {
        std::vector<uint8_t> bytes = C_TestBytes::Random(50001, 17);
        std::string strWhy;
        ASSERT_TRUE(C_SealedRecord::Seal(bytes.data(), 50000, "a.txt", LyingFrame(nDeclared), true, "heron", strWhy));
        C_Message message;
        EXPECT_EQ(C_SealedRecord::Open(bytes.data(), 50000, "heron", message), E_RevealOutcome::Damaged);
        EXPECT_EQ(message.m_nSize, 0u);
        EXPECT_EQ(message.GetData(), nullptr);
        if (nDeclared < 1000)
            continue;
        C_SealedContent content;
        ASSERT_EQ(C_SealedRecord::Open(bytes.data(), 50000, "heron", content), E_RevealOutcome::Found);
        EXPECT_EQ(content.GetName(), "a.txt");
        EXPECT_EQ(content.GetSize(), nDeclared);
        size_t nGiven = 0;
        EXPECT_EQ(content.Extract([&](const uint8_t*, size_t nCount) {
            nGiven += nCount;
            return true;
        }),
            C_SealedContent::E_Extract::Damaged);
        EXPECT_LE(nGiven, nDeclared);
    }
}

// Secrets are wiped where they lie: a shorter pass phrase replaces a longer one in place with
// nothing of the longer one behind it, a wiped buffer is all zeros, and keys are in guarded
// memory.
TEST(SealedRecord, SecretsLeaveNothingBehindWhenReplacedOrWiped)
{
    std::vector<uint8_t> bytes = C_TestBytes::Random(5001, 18);
    C_Carrier carrier;
    carrier.UseBytes(bytes.data(), bytes.size());
    C_Message message;
    const std::string strLong = "correct horse battery staple";
    carrier.RevealMessage(message, strLong);
    const char* pKept = carrier.GetPassword().data();
    carrier.RevealMessage(message, "tiger7");
    EXPECT_EQ(carrier.GetPassword(), "tiger7");
    ASSERT_EQ(carrier.GetPassword().data(), pKept);
    const auto* pTail = reinterpret_cast<const uint8_t*>(pKept);
    EXPECT_TRUE(IsZero(pTail + 6, pTail + strLong.size()));

    C_SecretBytes secret(std::string_view("a pass phrase"));
    secret.Wipe();
    EXPECT_EQ(secret.Size(), 0u);
    EXPECT_TRUE(IsZero(secret.Data(), secret.Data() + secret.Capacity()));

    const C_SealedRecord::S_Keys keys;
    EXPECT_TRUE(keys.bytes.IsGuarded());
}
