#pragma once
// The sealed record (version 1): a hidden record that only its pass phrase can find or read.
// Layout in the carrier's N usable bytes (docs/sealed-record.md has the details and vectors):
//   - the least significant bits of bytes 0 .. 127 hold a random 16-byte salt, most significant
//     bit first; anyone can read it, but random low bits mark no picture as sealed;
//   - Argon2id(pass phrase, salt, 5 passes, 128 MiB) gives 64 bytes: a 16-byte position key, a
//     32-byte encryption key and an 8-byte tag;
//   - the position sequence keyed with the position key over bytes 128 .. N - 1 (modulus
//     N - 128) carries, most significant bit first:
//       tag (8) | version 1 (1) | ciphertext length C, little-endian (4) | nonce (24) | ciphertext (C)
//   - the ciphertext is XChaCha20-Poly1305 of: flags (1; bit 0: zstd-compressed payload) |
//     name length, little-endian (2) | name | payload; its associated data is
//     "VMK-SEALED" | tag | version | C.
// Reveal derives the key once: a tag within 8 bits of the expected one means the record is
// there, and then any changed bit makes authentication fail: "damaged" rather than "none".
// Keys and plaintext live in C_SecretBytes and are wiped on every path.

#include "engine/C_SampleWriter.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SecretBytes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class C_Message;

enum class E_RevealOutcome {
    Found,
    NotFound,  // no record under this pass phrase
    Damaged,   // a record is there, but it was changed or damaged
    NoMemory,  // the key derivation could not have its memory: nothing was searched
    Share,     // a share of a file hidden across pictures (docs/share-record.md): no file by itself
};

class C_SealedRecord {
public:
    static constexpr uint32_t kSaltBytes = 16;
    static constexpr uint32_t kSaltRegion = kSaltBytes * 8;  // carrier bytes holding the salt
    static constexpr uint8_t kVersion = 1;
#ifndef VEILMARK_FUZZ_CHEAP_KEYS
    static constexpr unsigned long long kOpsLimit = 5;
    static constexpr size_t kMemLimit = size_t{128} << 20;
#else
    static constexpr unsigned long long kOpsLimit = 1;  // fuzzing builds only: see CMakeLists.txt
    static constexpr size_t kMemLimit = size_t{8} << 10;
#endif
    static constexpr uint32_t kTagBytes = 8;
    static constexpr uint32_t kNonceBytes = 24;
    static constexpr uint32_t kMacBytes = 16;
    // Tag, version, length and nonce: the clear bytes before the ciphertext.
    static constexpr uint32_t kHeadBytes = kTagBytes + 1 + 4 + kNonceBytes;
    // Flags and name length, inside the ciphertext.
    static constexpr uint32_t kInnerHeadBytes = C_SealedContent::kInnerHeadBytes;
    // A tag read with at most this many bits wrong still says "a record is here".
    static constexpr int kTagTolerance = 8;
    static constexpr size_t kMaxPassphraseBytes = 1024;

    // The 64 bytes one derivation gives, in guarded memory that is wiped when the keys go.
    struct S_Keys {
        S_Keys();
        S_Keys(const S_Keys&) = delete;
        S_Keys& operator=(const S_Keys&) = delete;

        C_SecretBytes bytes;  // owns what the spans below view
        std::span<uint8_t, 16> aPosition;
        std::span<uint8_t, 32> aCipher;
        std::span<uint8_t, kTagBytes> aTag;
    };

    enum class E_Passphrase { Valid, TooLong, HasNul, NotUtf8 };
    // Up to 1,024 bytes of UTF-8 without NUL; the empty pass phrase is valid.
    static E_Passphrase CheckPassphrase(std::string_view strPassphrase);

    // Argon2id with the version's costs; false only when memory for it is lacking.
    static bool Derive(std::string_view strPassphrase, const uint8_t* pSalt, S_Keys& keys);
    // How many derivations this process has begun: what a wrong pass phrase costs is counted
    // in them.
    static uint64_t Derivations();

    // Carrier bytes a record occupies, for a stored (possibly compressed) payload of nStored
    // bytes under a name of nNameBytes: head, inner head, name, payload and MAC.
    static uint64_t RecordBytes(uint64_t nNameBytes, uint64_t nStored)
    {
        return uint64_t{kHeadBytes} + kInnerHeadBytes + nNameBytes + nStored + kMacBytes;
    }

    // What the payload is stored as: zstd-compressed when that is smaller, else as it is.
    // bCompressed tells which.
    static std::vector<uint8_t> Pack(const uint8_t* pPayload, uint32_t nSize, bool& bCompressed);

    // Writes the sealed record of (strName, stored payload) into the nBytes usable carrier
    // bytes at pBits, under a fresh random salt and nonce. The caller has checked the fit;
    // false (with strWhy) when the draws would repeat or the key cannot be derived. Nothing is
    // changed then. fnBeforeWrite, when given, runs once everything that can fail has passed,
    // just before the first carrier byte is written: a caller clears there what the record
    // replaces, knowing that the seal then completes.
    static bool Seal(uint8_t* pBits, uint32_t nBytes, std::string_view strName, const std::vector<uint8_t>& stored,
        bool bCompressed, std::string_view strPassphrase, std::string& strWhy, C_SampleWriter writer = {},
        const std::function<void()>& fnBeforeWrite = {});
    // Seal with a given salt and nonce: for the format's test vectors only (a real seal takes
    // fresh random ones).
    static bool SealWith(uint8_t* pBits, uint32_t nBytes, std::string_view strName, const std::vector<uint8_t>& stored,
        bool bCompressed, std::string_view strPassphrase, const std::array<uint8_t, kSaltBytes>& salt,
        const std::array<uint8_t, kNonceBytes>& nonce, std::string& strWhy, C_SampleWriter writer = {},
        const std::function<void()>& fnBeforeWrite = {});
    // Looks for a sealed record under strPassphrase; on Found, content holds it opened, its
    // payload not yet extracted. NoMemory when the key derivation cannot have its memory.
    static E_RevealOutcome Open(
        const uint8_t* pBits, uint32_t nBytes, std::string_view strPassphrase, C_SealedContent& content);
    // The same with the payload extracted into message, whatever its size; on anything but
    // Found the message is left empty.
    static E_RevealOutcome Open(
        const uint8_t* pBits, uint32_t nBytes, std::string_view strPassphrase, C_Message& message);

    // What the versions share. The associated data: "VMK-SEALED", the tag, the version and the
    // ciphertext's length (little-endian).
    using T_Associated = std::array<uint8_t, 10 + kTagBytes + 1 + 4>;
    static T_Associated AssociatedData(const uint8_t* pTag, uint8_t nVersion, uint32_t nCipherBytes);
    // The inner record: flags, name length, name, stored payload.
    static C_SecretBytes InnerRecord(std::string_view strName, const std::vector<uint8_t>& stored, bool bCompressed);
    // Checks a decrypted inner record's layout and the payload size it declares; Found with
    // content holding it, else Damaged.
    static E_RevealOutcome OpenInner(C_SecretBytes&& inner, C_SealedContent& content);

    // The salt as the carrier holds it (for tests and the format's description).
    static std::array<uint8_t, kSaltBytes> ReadSalt(const uint8_t* pBits);
};
