#pragma once
// A file split into shares across n pictures of which any k give it back, and fewer nothing
// (docs/share-record.md). The file's inner record (C_SealedRecord::InnerRecord) goes into a
// package by an all-or-nothing transform (Resch and Plank, "AONT-RS", FAST 2011), with libsodium
// alone:
//   C       = XChaCha20-Poly1305(inner, AD = "VMK-ACROSS" | set id | k | n | D | T, nonce, K)
//   package = nonce (24) | C | K xor BLAKE2b-256(nonce | C)
// so that the key K comes out only of every byte of nonce | C. The package, padded with zeros to
// D F bytes (F = ceil(P / D)), is cut into D data fragments, and a Reed-Solomon code
// (C_ErasureCode) makes T fragments of them. Picture i holds m_i consecutive ones from f_i
// (C_SharePlan: more where there is more room); share i's body is
//   set id (16) | k | n | i | LE32(P) | D | T | f_i | m_i | fragments f_i .. f_i + m_i - 1 (m_i F)
// and each body goes into its own picture, sealed as a version-3 container (C_SpreadRecord).

#include "model/records/C_SecretBytes.h"
#include "model/records/C_SharePlan.h"

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
    // Set id, k, n, index, the package's length, D, T, f_i and m_i: the body's bytes before its
    // fragments.
    static constexpr size_t kBodyHeadBytes = C_SharePlan::kBodyHeadBytes;
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
        unsigned nData = 0;  // D
        unsigned nAll = 0;   // T
        unsigned nFirst = 0;
        unsigned nCount = 0;
        std::vector<uint8_t> fragments;  // nCount fragments of ceil(nPackage / nData) bytes, in order

        // Shares of one set agree on all of these.
        bool SameSet(const S_Share& other) const
        {
            return setId == other.setId && k == other.k && n == other.n && nPackage == other.nPackage
                && nData == other.nData && nAll == other.nAll;
        }
    };

    // A package for an inner record of nInner bytes.
    static uint64_t PackageBytes(uint64_t nInner) { return nInner + kPackageOverhead; }

    // The bodies of the inner record's shares as the plan cuts them, body i being share i. Empty
    // when the plan is not valid or the package would pass 2^32 - 1 bytes.
    static std::vector<std::vector<uint8_t>> Split(
        const C_SecretBytes& inner, const C_SharePlan& plan, const S_Draws& draws);
    // One fragment a picture (C_SharePlan::Equal).
    static std::vector<std::vector<uint8_t>> Split(
        const C_SecretBytes& inner, unsigned k, unsigned n, const S_Draws& draws)
    {
        return Split(inner, C_SharePlan::Equal(k, n), draws);
    }

    // Reads a body (hostile: every length and count checked). False when it is not one.
    static bool Parse(const uint8_t* pBody, size_t nBytes, S_Share& share);

    enum class E_Join {
        Joined,
        TooFew,   // fewer than D distinct fragments (and fewer than k shares) of the set
        Damaged,  // the shares disagree, or the package does not authenticate
    };
    // The file from shares of one set (the first share's): D fragments of distinct indices are
    // taken, repeats and shares of other sets are passed over. On Joined, content holds the inner
    // record opened (C_SealedRecord::OpenInner); a bad inner record is Damaged, and so are k
    // shares that hold fewer than D fragments.
    static E_Join Join(const std::vector<S_Share>& shares, C_SealedContent& content);
    // The same, giving the inner record itself.
    static E_Join JoinInner(const std::vector<S_Share>& shares, C_SecretBytes& inner);

    // The distinct shares (by index) and fragments among shares of the same set as shares[nOf];
    // enough when there are D fragments.
    struct S_Count {
        unsigned nShares = 0;
        unsigned nFragments = 0;
        bool bEnough = false;
    };
    static S_Count CountOfSet(const std::vector<S_Share>& shares, size_t nOf);
};
