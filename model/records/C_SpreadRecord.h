#pragma once
// The sealed record, version 2: sealed like version 1, and spread so that the act of hiding is
// hard to see. docs/sealed-record-2.md defines it completely, with test vectors; in short:
//   - the elements are the carrier's N bytes; a keyed permutation (C_KeyedPermutation) of all of
//     them, keyed by a fast hash of the pass phrase and N, puts them in an order with no
//     structure by byte index;
//   - the first elements of that order (a 64th, at least 1,024) carry a fresh 16-byte salt as the
//     syndrome of their lowest bits under a syndrome-trellis code (C_TrellisCoder); the rest
//     carry the record, tag (8) | nonce (24) | ciphertext, in two layers (the paper's
//     plus-or-minus-one construction): its first bits in the elements' second bits, the rest,
//     after a second tag, in their lowest bits. The writer changes the cheapest elements that
//     give both, each by one, up or down;
//   - each layer's length is one of a fixed ladder of rates, so the reader finds it by trying
//     its tag at each (cheap): nothing sits at a fixed place, and no length is written;
//   - Argon2id of the pass phrase and the salt gives the cipher key, the two tags and the
//     record's code; XChaCha20-Poly1305 with version 2 in the associated data seals the inner
//     record of version 1, its length before it and zero bytes after it.
// The costs are the cover's (C_Cover::Weigh): flat areas and what must not change are wet.

#include "model/records/C_Cover.h"
#include "model/records/C_Record.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SecretBytes.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

class C_SealedContent;

class C_SpreadRecord {
public:
    static constexpr uint8_t kVersion = 2;
    // The same container holding a share of a file hidden across pictures (docs/share-record.md):
    // only the associated data's version byte and what the plaintext's inner part is differ.
    static constexpr uint8_t kShareVersion = 3;
    static constexpr uint32_t kSaltBytes = 16;
    static constexpr uint32_t kTagBytes = 8;
    static constexpr uint32_t kNonceBytes = 24;
    static constexpr uint32_t kMacBytes = 16;
    static constexpr uint32_t kLengthBytes = 4;  // the inner record's length, inside the ciphertext
    // Tag and nonce: the clear bytes before the ciphertext.
    static constexpr uint32_t kHeadBytes = kTagBytes + kNonceBytes;
    // The smallest record: head, MAC, length and an inner record with no name and no payload.
    static constexpr uint32_t kMinRecordBytes = kHeadBytes + kMacBytes + kLengthBytes + C_SealedRecord::kInnerHeadBytes;
    // The salt's share of the elements: 1 in kSaltShare, at least kMinSaltElements.
    static constexpr uint32_t kSaltShare = 64;
    static constexpr uint32_t kMinSaltElements = 1024;
    // The record's elements are coded in parts of at most this many (they may run in parallel).
    static constexpr uint32_t kPartElements = 1u << 20;
    // The trellis codes' constraint height: kSaltHeight for the salt; for the record, higher
    // (closer to the least cost) on smaller pictures, lower (faster) on larger ones.
    static constexpr int kSaltHeight = 10;
    // Up to this many salt elements the writer's code picks the salt's bits that are not drawn
    // (S_Draws::bMostFromPicture): a plain Viterbi pass (4 MiB of path bits, tens of
    // milliseconds here) that the key derivation waits for. Beyond, the salt's share of the
    // changes is slight.
    static constexpr uint32_t kFreeSaltElements = 1u << 15;
    // With S_Draws::bMostFromPicture, salt bits 0, kDrawnSaltEvery, 2 kDrawnSaltEvery, ... are
    // drawn: the most significant bit of every byte.
    static constexpr unsigned kDrawnSaltEvery = 8;
    static constexpr uint8_t kDrawnSaltMask = 0x80;
    static int HeightFor(uint32_t nRecordElements)
    {
        return nRecordElements <= (1u << 23) ? 10 : nRecordElements <= (1u << 24) ? 9 : 7;
    }
    // A tag read with at most this many of its 64 bits wrong says "a record is here".
    static constexpr int kTagTolerance = 6;
    // The rates of the ladder: a layer's bits are about N_record * kRates[j] / 2^(31 + i),
    // for step k = 16 i + j (rounded down to whole bytes).
    static constexpr std::array<uint32_t, 16> kRates = {2147483648u, 2056437386u, 1969251187u, 1885761398u, 1805811301u,
        1729250826u, 1655936264u, 1585729999u, 1518500249u, 1454120821u, 1392470868u, 1333434672u, 1276901416u,
        1222764985u, 1170923761u, 1121280435u};
    // Well past any ladder's end: a step's length is 0 by then.
    static constexpr unsigned kMaxStep = 16 * 33;

    // How the elements divide.
    struct S_Plan {
        uint32_t nSalt = 0;    // the first nSalt of the order carry the salt
        uint32_t nRecord = 0;  // the rest carry the record
    };
    static S_Plan PlanFor(uint32_t nElements);
    // A layer's length in bits at step k of the ladder (a multiple of 8; 0 when it leaves a part
    // less than a tag's 64 bits).
    static uint32_t LengthAt(uint32_t nRecordElements, unsigned k);
    // The shortest length on the ladder of at least nBits, or 0 when none is.
    static uint32_t LengthFor(uint32_t nRecordElements, uint64_t nBits);
    // The largest record (RecordBytes) whose layers take at most nLimitBits, whatever the split
    // between them (0 when none does).
    static uint64_t LargestRecordBytes(uint32_t nRecordElements, uint64_t nLimitBits);
    // The number of parts the record's elements and each layer's bits divide into.
    static uint32_t PartsFor(uint32_t nRecordElements)
    {
        return std::max(1u, (nRecordElements + kPartElements - 1) / kPartElements);
    }
    // The two layers' lengths for a record of nRecordBytes: the second layer's near what the
    // costs give it, the first layer's the rest and its tag. False when the ladder has none.
    struct S_Lengths {
        uint32_t nSecond = 0;
        uint32_t nFirst = 0;
        uint64_t Bits() const { return uint64_t{nSecond} + nFirst; }
        // The record's bytes the two carry (tag, nonce, ciphertext).
        uint32_t RecordBytes() const { return static_cast<uint32_t>(Bits() / 8 - kTagBytes); }
    };
    // Bytes a record of a name of nNameBytes and a stored payload of nStored takes, before the
    // ladder rounds it up.
    static uint64_t RecordBytes(uint64_t nNameBytes, uint64_t nStored)
    {
        return uint64_t{kMinRecordBytes} + nNameBytes + nStored;
    }

    // Bytes a record whose plaintext holds a body (the inner part) of nBodyBytes takes, before
    // the ladder rounds it up. RecordBytes(name, stored) is this for version 1's inner record.
    static uint64_t BodyRecordBytes(uint64_t nBodyBytes)
    {
        return uint64_t{kHeadBytes} + kMacBytes + kLengthBytes + nBodyBytes;
    }

    // What a seal draws at random; the format's test vectors give them instead.
    struct S_Draws {
        std::array<uint8_t, kSaltBytes> salt{};
        // When set, the seal takes only salt's bits 0, 8, ..., 120 (most significant first, 16
        // bits); the others are whichever cost the least, and so are the drawn ones where the
        // salt's code cannot reach them (its elements all but wet), up to kFreeSaltElements salt
        // elements; beyond, the others are what the picture's salt elements give now. Each drawn
        // bit costs changes in the salt's few elements, far more densely than the record's, and
        // they were most of what a detector saw of a small record; the picture makes the rest
        // its own.
        bool bMostFromPicture = false;
        std::array<uint8_t, kNonceBytes> nonce{};
        // Fills bytes with the bits that pick up or down, where both are allowed, for the salt's
        // changes (the record's directions carry its second layer).
        std::function<void(uint8_t*, size_t)> fnDirections;
    };
    static S_Draws FreshDraws();

    // Seals (strName, stored payload) into the cover under strPassphrase, with the cover's costs
    // (C_Cover::Weigh). fnMaxBits gives, for those costs, the longest record (in bits) the caller
    // allows besides what the ladder allows. Nothing changes unless Hidden: TooLarge when the
    // record does not fit or the code finds no way around the wet elements, Refused when the
    // cover cannot weigh its elements, NoMemory when the key cannot be derived or memory runs
    // out. fnBeforeWrite runs once everything that can fail has passed; when it changes the
    // cover, the codes are run again on what it left.
    using T_MaxBits = std::function<uint64_t(const std::vector<float>& costs)>;
    // pLengths, when given, learns the layers' lengths the seal chose. pWeighed, when it holds
    // one cost for each element, is what Weigh gives for this cover now: the seal takes it
    // (leaving it empty) instead of weighing again.
    static E_RecordOutcome Seal(const C_Cover& cover, std::string_view strName, const std::vector<uint8_t>& stored,
        bool bCompressed, std::string_view strPassphrase, const T_MaxBits& fnMaxBits, const S_Draws& draws,
        const std::function<void()>& fnBeforeWrite = {}, S_Lengths* pLengths = nullptr,
        std::vector<float>* pWeighed = nullptr);
    // Seal with the plaintext's inner part given whole (body) and the version byte of the
    // associated data: kVersion with version 1's inner record is what Seal writes; kShareVersion
    // with a share's body (C_ShareSet) is a share. The rest as Seal.
    static E_RecordOutcome SealBody(const C_Cover& cover, const C_SecretBytes& body, uint8_t nVersion,
        std::string_view strPassphrase, const T_MaxBits& fnMaxBits, const S_Draws& draws,
        const std::function<void()>& fnBeforeWrite = {}, S_Lengths* pLengths = nullptr,
        std::vector<float>* pWeighed = nullptr);
    // Looks for a record of this version in the lowest bits of pBits[0 .. nBytes - 1]; on Found,
    // content holds it opened. A record that authenticates as a share instead gives Share, with
    // content holding the share's body (C_SealedContent::ShareBody), not yet checked.
    static E_RevealOutcome Open(
        const uint8_t* pBits, uint32_t nBytes, std::string_view strPassphrase, C_SealedContent& content);
    // The container alone: on Found, nVersion is the version byte that authenticated (kVersion,
    // else kShareVersion, tried with the same keys) and body the plaintext's inner part, its
    // length and zero padding checked, its content not.
    static E_RevealOutcome OpenBody(
        const uint8_t* pBits, uint32_t nBytes, std::string_view strPassphrase, C_SecretBytes& body, uint8_t& nVersion);

    // The count of elements the cover lets change (finite cost) among the record's, for the
    // safe payload; by the whole cover's share, without the pass phrase's order.
    static uint64_t DryRecordElements(const std::vector<float>& costs);

    // For the format's description and its tests: the 64 bytes of the fast hash, and the salt
    // as the elements hold it.
    static std::array<uint8_t, 64> FastKeys(std::string_view strPassphrase, uint32_t nElements);
    static std::array<uint8_t, kSaltBytes> ReadSalt(
        const uint8_t* pBits, uint32_t nBytes, std::string_view strPassphrase);
};
