#pragma once
// A file split into n shares of which any k give it back, and fewer nothing
// (docs/share-record.md). The file's inner record (C_SealedRecord::InnerRecord) goes into a
// package by an all-or-nothing transform (Resch and Plank, "AONT-RS", FAST 2011), with libsodium
// alone:
//   C       = XChaCha20-Poly1305(inner, AD = "VMK-ACROSS" | set id | k | n, nonce, K)
//   package = nonce (24) | C | K xor BLAKE2b-256(nonce | C)
// so that the key K comes out only of every byte of nonce | C. The package, padded with zeros to
// k F bytes (F = ceil(P / k)), is cut into k data fragments, and a Reed-Solomon code
// (C_ErasureCode) adds n - k more. Share i's body is
//   set id (16) | k (1) | n (1) | i (1) | LE32(P) | fragment i (F)
// and each body goes into its own picture, sealed as a version-3 container (C_SpreadRecord).

#include "model/records/C_SecretBytes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class C_SealedContent;

class C_ShareSet {
public:
    static constexpr size_t kSetIdBytes = 16;
    static constexpr size_t kKeyBytes = 32;
    static constexpr size_t kNonceBytes = 24;
    static constexpr size_t kMacBytes = 16;
    // Set id, k, n, index and the package's length: the body's bytes before its fragment.
    static constexpr size_t kBodyHeadBytes = kSetIdBytes + 3 + 4;
    // The package's bytes besides the inner record: nonce, MAC, masked key.
    static constexpr size_t kPackageOverhead = kNonceBytes + kMacBytes + kKeyBytes;
    // The smallest package: an inner record of flags and name length only.
    static constexpr size_t kMinPackageBytes = kPackageOverhead + 3;

    using T_SetId = std::array<uint8_t, kSetIdBytes>;

    // What a split draws at random; the format's test vectors give them instead.
    struct S_Draws {
        T_SetId setId{};
        std::array<uint8_t, kKeyBytes> key{};
        std::array<uint8_t, kNonceBytes> nonce{};
    };
    static S_Draws FreshDraws();

    // One share's body, read.
    struct S_Share {
        T_SetId setId{};
        unsigned k = 0;
        unsigned n = 0;
        unsigned index = 0;
        uint32_t nPackage = 0;
        std::vector<uint8_t> fragment;

        // Shares of one set agree on all of these.
        bool SameSet(const S_Share& other) const
        {
            return setId == other.setId && k == other.k && n == other.n && nPackage == other.nPackage;
        }
    };

    // Sizes: a package for an inner record of nInner bytes, a fragment, and a body.
    static uint64_t PackageBytes(uint64_t nInner) { return nInner + kPackageOverhead; }
    static uint64_t FragmentBytes(uint64_t nPackage, unsigned k) { return k ? (nPackage + k - 1) / k : 0; }
    static uint64_t BodyBytes(uint64_t nInner, unsigned k)
    {
        return kBodyHeadBytes + FragmentBytes(PackageBytes(nInner), k);
    }
    // The largest inner record whose bodies take at most nBodyBytes each (0 when none does).
    static uint64_t LargestInner(uint64_t nBodyBytes, unsigned k);

    // The n bodies of the inner record's shares, body i being share i. Empty when k or n is out
    // of range (1 <= k <= n <= 255) or the package would pass 2^32 - 1 bytes.
    static std::vector<std::vector<uint8_t>> Split(
        const C_SecretBytes& inner, unsigned k, unsigned n, const S_Draws& draws);

    // Reads a body (hostile: every length and count checked). False when it is not one.
    static bool Parse(const uint8_t* pBody, size_t nBytes, S_Share& share);

    enum class E_Join {
        Joined,
        TooFew,   // fewer than k distinct indices of the set
        Damaged,  // the shares disagree, or the package does not authenticate
    };
    // The file from shares of one set (the first share's): k of distinct indices are taken,
    // repeats and shares of other sets are passed over. On Joined, content holds the inner
    // record opened (C_SealedRecord::OpenInner); a bad inner record is Damaged.
    static E_Join Join(const std::vector<S_Share>& shares, C_SealedContent& content);
    // The same, giving the inner record itself.
    static E_Join JoinInner(const std::vector<S_Share>& shares, C_SecretBytes& inner);

    // The distinct indices among shares of the same set as shares[nOf].
    static unsigned DistinctOfSet(const std::vector<S_Share>& shares, size_t nOf);
};
