#include "model/records/C_SealedRecord.h"

#include "engine/C_PositionSequence.h"
#include "model/pictures/C_LittleEndian.h"
#include "model/records/C_Message.h"
#include "model/records/C_SealedContent.h"
#include "model/C_TextRules.h"

#include <sodium.h>
#include <zstd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <type_traits>
#include <cstring>
#include <utility>

namespace {

constexpr char kAssociated[] = "VMK-SEALED";
constexpr size_t kAssociatedBytes = sizeof kAssociated - 1;
// Fast and still effective on text and documents; the key derivation dwarfs it.
constexpr int kCompressionLevel = 3;

// The record's bits in the least significant bits of the carrier bytes after the salt, at the
// positions the sequence keyed with the position key draws.
class C_SealedBits {
public:
    C_SealedBits(const uint8_t* pBits, uint32_t nBytes, const C_SealedRecord::S_Keys& keys)
        : m_pBits(pBits + C_SealedRecord::kSaltRegion)
    {
        m_sequence.SetRawKey(keys.aPosition);
        m_sequence.SetModulus(nBytes - C_SealedRecord::kSaltRegion);
    }
    // The sequence holds the position key and tables made from it.
    ~C_SealedBits() { sodium_memzero(&m_sequence, sizeof m_sequence); }
    C_SealedBits(const C_SealedBits&) = delete;
    C_SealedBits& operator=(const C_SealedBits&) = delete;

    bool Repeats(uint64_t nRecordBytes) const { return m_sequence.RepeatsWithin(nRecordBytes * 8); }

    // pCarrier: the whole carrier, so the writer sees each byte's place among the samples.
    template <class T_Pen> void Put(uint8_t* pCarrier, const std::vector<uint16_t>& symbols, const T_Pen& write)
    {
        for (const uint16_t nEntry : symbols)
            for (unsigned j = 0; j < 8; ++j)
                write(pCarrier, C_SealedRecord::kSaltRegion + m_sequence.Next(), C_SampleWriter::SymbolOf(nEntry, j));
    }

    void Get(uint8_t* pBytes, size_t nCount)
    {
        for (size_t i = 0; i < nCount; ++i) {
            uint8_t v = 0;
            for (int nBit = 0; nBit < 8; ++nBit)
                v = static_cast<uint8_t>(v << 1 | (m_pBits[m_sequence.Next()] & 1));
            pBytes[i] = v;
        }
    }

private:
    const uint8_t* m_pBits;
    C_PositionSequence m_sequence;
};

using T_Associated = C_SealedRecord::T_Associated;

static_assert(std::is_trivially_copyable_v<C_PositionSequence>, "C_SealedBits wipes the sequence bytewise");

T_Associated Associated(const uint8_t* pTag, uint32_t nCipherBytes)
{
    return C_SealedRecord::AssociatedData(pTag, C_SealedRecord::kVersion, nCipherBytes);
}

}  // namespace

C_SealedRecord::T_Associated C_SealedRecord::AssociatedData(
    const uint8_t* pTag, uint8_t nVersion, uint32_t nCipherBytes)
{
    static_assert(sizeof(T_Associated) == kAssociatedBytes + kTagBytes + 1 + 4);
    T_Associated ad{};
    std::memcpy(ad.data(), kAssociated, kAssociatedBytes);
    std::memcpy(ad.data() + kAssociatedBytes, pTag, kTagBytes);
    ad[kAssociatedBytes + kTagBytes] = nVersion;
    C_LittleEndian::Put32(ad.data() + kAssociatedBytes + kTagBytes + 1, nCipherBytes);
    return ad;
}

C_SecretBytes C_SealedRecord::InnerRecord(
    std::string_view strName, const std::vector<uint8_t>& stored, bool bCompressed)
{
    C_SecretBytes inner(kInnerHeadBytes + strName.size() + stored.size());
    uint8_t* pInner = inner.Data();
    pInner[0] = bCompressed ? 1 : 0;
    pInner[1] = static_cast<uint8_t>(strName.size());
    pInner[2] = static_cast<uint8_t>(strName.size() >> 8);
    std::copy(strName.begin(), strName.end(), pInner + kInnerHeadBytes);
    std::copy(stored.begin(), stored.end(), pInner + kInnerHeadBytes + strName.size());
    return inner;
}

C_SealedRecord::S_Keys::S_Keys()
    : bytes(64)
    , aPosition(bytes.Data(), 16)
    , aCipher(bytes.Data() + 16, 32)
    , aTag(bytes.Data() + 48, kTagBytes)
{ }

C_SealedRecord::E_Passphrase C_SealedRecord::CheckPassphrase(std::string_view strPassphrase)
{
    if (strPassphrase.size() > kMaxPassphraseBytes)
        return E_Passphrase::TooLong;
    if (strPassphrase.find('\0') != std::string_view::npos)
        return E_Passphrase::HasNul;
    if (!C_TextRules::IsValidUtf8(strPassphrase))
        return E_Passphrase::NotUtf8;
    return E_Passphrase::Valid;
}

namespace {
std::atomic<uint64_t> g_nDerivations{0};
}  // namespace

uint64_t C_SealedRecord::Derivations()
{
    return g_nDerivations.load();
}

bool C_SealedRecord::Derive(std::string_view strPassphrase, const uint8_t* pSalt, S_Keys& keys)
{
    ++g_nDerivations;
    // Straight into the keys' guarded memory: position key, encryption key, tag.
    if (!C_SecretBytes::SodiumReady()
        || crypto_pwhash(keys.bytes.Data(), keys.bytes.Size(), strPassphrase.data(), strPassphrase.size(), pSalt,
               kOpsLimit, kMemLimit, crypto_pwhash_ALG_ARGON2ID13)
            != 0) {
        sodium_memzero(keys.bytes.Data(), keys.bytes.Size());
        return false;
    }
    return true;
}

std::vector<uint8_t> C_SealedRecord::Pack(const uint8_t* pPayload, uint32_t nSize, bool& bCompressed)
{
    bCompressed = false;
    std::vector<uint8_t> stored(pPayload, pPayload + nSize);
    if (nSize == 0)
        return stored;
    std::vector<uint8_t> packed(ZSTD_compressBound(nSize));
    const size_t nPacked = ZSTD_compress(packed.data(), packed.size(), pPayload, nSize, kCompressionLevel);
    if (!ZSTD_isError(nPacked) && nPacked < nSize) {
        packed.resize(nPacked);
        bCompressed = true;
        return packed;
    }
    return stored;
}

std::array<uint8_t, C_SealedRecord::kSaltBytes> C_SealedRecord::ReadSalt(const uint8_t* pBits)
{
    std::array<uint8_t, kSaltBytes> salt{};
    for (uint32_t i = 0; i < kSaltRegion; ++i)
        salt[i / 8] = static_cast<uint8_t>(salt[i / 8] << 1 | (pBits[i] & 1));
    return salt;
}

bool C_SealedRecord::Seal(uint8_t* pBits, uint32_t nBytes, std::string_view strName, const std::vector<uint8_t>& stored,
    bool bCompressed, std::string_view strPassphrase, std::string& strWhy, C_SampleWriter writer,
    const std::function<void()>& fnBeforeWrite)
{
    if (!C_SecretBytes::SodiumReady()) {
        strWhy = "the cryptography library could not start";
        return false;
    }
    std::array<uint8_t, kSaltBytes> salt;
    std::array<uint8_t, kNonceBytes> nonce;
    randombytes_buf(salt.data(), salt.size());
    randombytes_buf(nonce.data(), nonce.size());
    return SealWith(pBits, nBytes, strName, stored, bCompressed, strPassphrase, salt, nonce, strWhy, std::move(writer),
        fnBeforeWrite);
}

bool C_SealedRecord::SealWith(uint8_t* pBits, uint32_t nBytes, std::string_view strName,
    const std::vector<uint8_t>& stored, bool bCompressed, std::string_view strPassphrase,
    const std::array<uint8_t, kSaltBytes>& salt, const std::array<uint8_t, kNonceBytes>& nonce, std::string& strWhy,
    C_SampleWriter writer, const std::function<void()>& fnBeforeWrite)
{
    const uint64_t nRecord = RecordBytes(strName.size(), stored.size());
    if (nBytes <= kSaltRegion || strName.size() > UINT16_MAX || nRecord > UINT32_MAX) {
        strWhy = "the record does not fit the picture";
        return false;
    }
    S_Keys keys;
    if (!Derive(strPassphrase, salt.data(), keys)) {
        strWhy = "not enough memory to derive the key";
        return false;
    }

    // The bytes the carrier hides: the clear head, then the ciphertext of the inner record.
    C_SecretBytes inner = InnerRecord(strName, stored, bCompressed);
    const auto nCipher = static_cast<uint32_t>(inner.Size() + kMacBytes);

    std::vector<uint8_t> record(kHeadBytes + nCipher);
    std::memcpy(record.data(), keys.aTag.data(), kTagBytes);
    record[kTagBytes] = kVersion;
    C_LittleEndian::Put32(record.data() + kTagBytes + 1, nCipher);
    uint8_t* pNonce = record.data() + kTagBytes + 5;
    std::memcpy(pNonce, nonce.data(), kNonceBytes);
    const T_Associated ad = Associated(keys.aTag.data(), nCipher);
    unsigned long long nWritten = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(record.data() + kHeadBytes, &nWritten, inner.Data(), inner.Size(),
        ad.data(), ad.size(), nullptr, pNonce, keys.aCipher.data());
    inner.Wipe();

    C_SealedBits bits(pBits, nBytes, keys);
    if (bits.Repeats(record.size())) {
        strWhy = "the record's positions would repeat under this pass phrase";
        return false;
    }
    const std::vector<uint16_t> saltSymbols = writer.Symbols(salt.data(), salt.size());
    const std::vector<uint16_t> recordSymbols = writer.Symbols(record.data(), record.size());
    if (fnBeforeWrite)
        fnBeforeWrite();
    writer.WithPen([&](const auto write) {
        for (uint32_t i = 0; i < kSaltRegion; ++i)
            write(pBits, i, C_SampleWriter::SymbolOf(saltSymbols[i / 8], i % 8));
        bits.Put(pBits, recordSymbols, write);
    });
    return true;
}

E_RevealOutcome C_SealedRecord::Open(
    const uint8_t* pBits, uint32_t nBytes, std::string_view strPassphrase, C_SealedContent& content)
{
    content.Clear();
    if (!pBits || nBytes <= kSaltRegion || (nBytes - kSaltRegion) / 8 < kHeadBytes + kMacBytes + kInnerHeadBytes)
        return E_RevealOutcome::NotFound;
    const std::array<uint8_t, kSaltBytes> salt = ReadSalt(pBits);
    S_Keys keys;
    if (!Derive(strPassphrase, salt.data(), keys))
        return E_RevealOutcome::NoMemory;
    C_SealedBits bits(pBits, nBytes, keys);

    uint8_t aHead[kHeadBytes];
    bits.Get(aHead, kTagBytes);
    int nWrong = 0;
    for (uint32_t i = 0; i < kTagBytes; ++i)
        nWrong += std::popcount(static_cast<unsigned>(aHead[i] ^ keys.aTag[i]));
    if (nWrong > kTagTolerance)
        return E_RevealOutcome::NotFound;

    // The record is here: from now on anything that does not add up is damage.
    bits.Get(aHead + kTagBytes, kHeadBytes - kTagBytes);
    const uint32_t nCipher = C_LittleEndian::U32(aHead + kTagBytes + 1);
    const uint64_t nRoom = (nBytes - kSaltRegion) / 8;
    if (aHead[kTagBytes] != kVersion || nCipher < kMacBytes + kInnerHeadBytes || kHeadBytes + uint64_t{nCipher} > nRoom)
        return E_RevealOutcome::Damaged;
    std::vector<uint8_t> cipher(nCipher);
    bits.Get(cipher.data(), cipher.size());
    // The tag as read goes into the associated data, so a changed tag bit fails as well.
    const T_Associated ad = Associated(aHead, nCipher);
    C_SecretBytes inner(nCipher - kMacBytes);
    unsigned long long nInner = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(inner.Data(), &nInner, nullptr, cipher.data(), cipher.size(),
            ad.data(), ad.size(), aHead + kTagBytes + 5, keys.aCipher.data())
        != 0)
        return E_RevealOutcome::Damaged;
    return OpenInner(std::move(inner), content);
}

E_RevealOutcome C_SealedRecord::OpenInner(C_SecretBytes&& inner, C_SealedContent& content)
{
    content.Clear();
    if (inner.Size() < kInnerHeadBytes)
        return E_RevealOutcome::Damaged;
    const uint8_t nFlags = inner.Data()[0];
    const size_t nName = size_t{inner.Data()[1]} | size_t{inner.Data()[2]} << 8;
    if ((nFlags & ~1u) != 0 || kInnerHeadBytes + nName > inner.Size())
        return E_RevealOutcome::Damaged;
    const uint8_t* pStored = inner.Data() + kInnerHeadBytes + nName;
    const size_t nStored = inner.Size() - kInnerHeadBytes - nName;
    uint64_t nSize = nStored;
    if (nFlags & 1) {
        // The size the frame declares; Extract holds it to that.
        const unsigned long long nContent = ZSTD_getFrameContentSize(pStored, nStored);
        if (nContent == ZSTD_CONTENTSIZE_ERROR || nContent == ZSTD_CONTENTSIZE_UNKNOWN)
            return E_RevealOutcome::Damaged;
        nSize = nContent;
    }
    if (nSize > C_Message::kMaxSize)
        return E_RevealOutcome::Damaged;
    content.Set(std::move(inner), nName, nFlags & 1, nSize);
    return E_RevealOutcome::Found;
}

E_RevealOutcome C_SealedRecord::Open(
    const uint8_t* pBits, uint32_t nBytes, std::string_view strPassphrase, C_Message& message)
{
    C_SealedContent content;
    const E_RevealOutcome eOutcome = Open(pBits, nBytes, strPassphrase, content);
    if (eOutcome != E_RevealOutcome::Found)
        return eOutcome;
    return content.ExtractTo(message) == C_SealedContent::E_Extract::Done ? E_RevealOutcome::Found
                                                                          : E_RevealOutcome::Damaged;
}
