// The sealed record: its published test vectors, a round trip with compression, "none" for a
// wrong pass phrase, "damaged" for any changed bit of the record, and plain records unchanged.
// Every open costs one Argon2id derivation (about a third of a second), so the cases are few.

#include "model/C_Carrier.h"
#include "model/C_Message.h"
#include "model/C_SealedRecord.h"
#include "engine/C_PositionSequence.h"
#include "tests/support/C_TestBytes.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <string>
#include <vector>

namespace {

std::string Hex(const uint8_t* p, size_t n)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += kDigits[p[i] >> 4];
        s += kDigits[p[i] & 15];
    }
    return s;
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
    while (strText.size() < carrier.GetSealedCapacity(8) * 3 / 2)
        strText += "The meeting moves to Friday at ten, in the north room. ";
    C_Message message;
    Compose(message, "plan.txt", std::vector<uint8_t>(strText.begin(), strText.end()));
    const std::string strPassphrase = "Zwölf Boxkämpfer jagen Viktor quer über den großen Sylter Deich";
    ASSERT_EQ(carrier.HideSealed(message, strPassphrase), E_SealOutcome::Hidden);

    C_Message found;
    bool bSealed = false;
    ASSERT_EQ(carrier.RevealAny(found, strPassphrase, &bSealed), E_RevealOutcome::Found);
    EXPECT_TRUE(bSealed);
    EXPECT_EQ(found.m_strName, "plan.txt");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(found.GetData()), found.m_nSize), strText);
    C_Message none;
    EXPECT_EQ(carrier.RevealAny(none, strPassphrase + "!"), E_RevealOutcome::NotFound);
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
        EXPECT_EQ(carrier.RevealAny(damaged, strPassphrase), E_RevealOutcome::Damaged) << "bit " << nBit;
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
    ASSERT_EQ(carrier.RevealAny(found, "heron", &bSealed), E_RevealOutcome::Found);
    EXPECT_FALSE(bSealed);
    EXPECT_EQ(found.m_strName, "old.doc");
    EXPECT_TRUE(std::equal(found.GetData(), found.GetData() + found.m_nSize, message.GetData()));

    // Sealed over it under the same pass phrase: the reveal finds the new record, not the old.
    C_Message sealed;
    Compose(sealed, "new.doc", C_TestBytes::Random(200, 10));
    ASSERT_EQ(carrier.HideSealed(sealed, "heron"), E_SealOutcome::Hidden);
    C_Message latest;
    ASSERT_EQ(carrier.RevealAny(latest, "heron", &bSealed), E_RevealOutcome::Found);
    EXPECT_TRUE(bSealed);
    EXPECT_EQ(latest.m_strName, "new.doc");
}
