#pragma once
// One file across several pictures, any k of n giving it back (docs/share-record.md): what both
// front ends call. A hide splits the file's sealed inner record into n shares (C_ShareSet), each
// as large as its picture's room allows (C_SharePlan), and seals share i into picture i under
// the pass phrase (C_ShareRecordKind: a version-2 container with version 3 in its associated
// data, one Argon2id derivation a picture). A reveal looks in every picture (each as a normal
// reveal would: plain record, then sealed), says what each holds, and restores the file from
// the shares of a set that has enough of them (any k do).
//
// Only pictures a sealed record version 2 goes into take a share (colour or gray samples of 8
// or 16 bits, JPEGs); palette pictures and gray below 8 bits are refused by name before any
// work (Check). Nothing here writes a file: the caller saves the carriers, all of them or none.

#include "model/records/C_SealedContent.h"
#include "model/records/C_ShareSet.h"
#include "model/records/C_Record.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

class C_AtomicFileWriter;
class C_Carrier;
class C_Message;

class C_AcrossService {
public:
    // More pictures than this are refused by the front ends (the code takes up to 255).
    static constexpr unsigned kMaxPictures = 64;

    // With bRateLimit, every share keeps within the sealed record's safe rate (0.4 bits an
    // element that may change), as a sealed hide does; without it, up to the full capacity.
    explicit C_AcrossService(bool bRateLimit = true);

    // --- Hiding ---
    enum class E_Check {
        Ready,
        TooFewPictures,   // fewer than two pictures
        TooManyPictures,  // more than kMaxPictures
        BadCount,         // k is not within 1 .. the number of pictures
        Unsupported,      // picture nPicture cannot hold a share (a palette or low-depth picture)
        NameTooLong,      // the hidden name passes 65,535 bytes
        TooLarge,         // the file, stored as the seal stores it, does not fit: nLargest does
    };
    struct S_Check {
        E_Check eCheck = E_Check::Ready;
        size_t nPicture = 0;    // for Unsupported: the first picture refused
        uint64_t nLargest = 0;  // for TooLarge (and Ready): the largest stored payload that fits
        uint64_t nStored = 0;   // the payload as it would be stored (compressed when smaller)
        bool bCompressed = false;
    };
    // Which pictures cannot take a share at all; cheap (no weighing): the front ends call it
    // first, to refuse them by name before any work.
    static std::vector<size_t> Unsupported(std::span<C_Carrier* const> carriers);
    // Whether the message goes across these carriers with this k: every picture must hold its
    // share at the rate. Weighs every picture (tenths of a second each for large ones).
    S_Check Check(std::span<C_Carrier* const> carriers, unsigned k, const C_Message& message) const;
    // The largest stored payload under a name of nNameBytes across these carriers for this k
    // (0 when none fits, or a picture cannot take a share). Pictures with more room take more
    // fragments (C_SharePlan), so this nears the k smallest pictures' rooms together, not k times
    // the smallest's.
    uint64_t LargestPayload(std::span<C_Carrier* const> carriers, unsigned k, size_t nNameBytes) const;

    // Called after each picture of a hide or reveal (nDone of nTotal); false stops the work.
    using T_Progress = std::function<bool(size_t nDone, size_t nTotal)>;
    struct S_Hidden {
        E_RecordOutcome eOutcome = E_RecordOutcome::Hidden;  // Hidden, else why it stopped
        size_t nPicture = 0;                                 // the picture that gave eOutcome
        bool bStopped = false;                               // fnProgress said stop
        C_ShareSet::T_SetId setId{};                         // the set's id, on Hidden
    };
    // Hides the message across the carriers, share i into carriers[i], under strPassphrase.
    // Check first; this checks again and refuses (TooLarge, Refused) before any carrier changes.
    // On anything but Hidden some carriers may have changed already: save none of them.
    // pDraws gives the split's draws (for tests); else fresh ones.
    S_Hidden Hide(std::span<C_Carrier* const> carriers, unsigned k, const C_Message& message,
        const std::string& strPassphrase, const T_Progress& fnProgress = {},
        const C_ShareSet::S_Draws* pDraws = nullptr) const;

    enum class E_Written {
        Written,      // in output's temporary file, and read back from it
        OpenFailed,   // output could not be opened on the target (strReason)
        SaveFailed,   // the picture could not be written (strReason)
        NotReadBack,  // the file written does not give share nIndex of the set, or other pixels
    };
    // After a Hide: writes carriers[nIndex] (as the format strTarget names) into output, opened on
    // strTarget but not committed, releases the picture, and reads the file back as a stranger
    // would: it must hold share nIndex of hidden's set of k and n, and the same pixels. Only when
    // every picture of the set is Written should the front end commit them all.
    static E_Written WriteShare(C_Carrier& carrier, const std::string& strTarget, const S_Hidden& hidden,
        unsigned nIndex, unsigned k, unsigned n, const std::string& strPassphrase, C_AtomicFileWriter& output,
        std::string& strReason);

    // --- Revealing ---
    enum class E_Holds {
        Share,        // a share: set, k, n and index below
        File,         // a file of its own (a plain or sealed record), not a share
        Nothing,      // no record under this pass phrase
        Damaged,      // a record that was changed or damaged, or a share that does not read
        NoMemory,     // the key derivation could not have its memory
        Unsupported,  // no share can be there (only File or Nothing would be)
    };
    struct S_Picture {
        E_Holds eHolds = E_Holds::Nothing;
        C_ShareSet::T_SetId setId{};
        unsigned k = 0;
        unsigned n = 0;
        unsigned index = 0;  // 0 .. n - 1; shown as index + 1 "of n"
    };
    // What one picture holds under strPassphrase; a share's body goes into *pShare. One
    // derivation or two (as a reveal costs). The picture may be released afterwards.
    static S_Picture Examine(C_Carrier& carrier, const std::string& strPassphrase, C_ShareSet::S_Share* pShare);

    enum class E_Restore {
        Restored,  // content holds the file
        TooFew,    // shares were found, but no set has enough: nFound shares of the nNeeded (k)
        NoShares,  // no picture holds a share
        Damaged,   // a set had enough shares, but they do not give a file back
    };
    struct S_Restore {
        E_Restore eRestore = E_Restore::NoShares;
        C_ShareSet::T_SetId setId{};  // the set restored, or the one closest to enough
        unsigned nFound = 0;          // its distinct shares
        unsigned nNeeded = 0;         // its k
        unsigned nSets = 0;           // how many sets the shares belong to
        unsigned nCompleteSets = 0;   // how many of them have enough (D fragments; k shares always do)
    };
    // The file from the shares (of whatever sets): the first set, in the shares' order, with D
    // distinct fragments (k shares, or fewer that happen to hold as many) is restored into content (its payload not yet extracted: it streams out
    // with C_SealedContent::Extract). Shares of other sets are passed over; nSets says so.
    static S_Restore Restore(const std::vector<C_ShareSet::S_Share>& shares, C_SealedContent& content);

    // Examine for each carrier, then Restore: pictures gets one entry a carrier.
    S_Restore Reveal(std::span<C_Carrier* const> carriers, const std::string& strPassphrase,
        std::vector<S_Picture>& pictures, C_SealedContent& content, const T_Progress& fnProgress = {}) const;

    // "share 2 of 3 of set 1a2b3c4d" style: the first 4 bytes of the set id in hex.
    static std::string SetLabel(const C_ShareSet::T_SetId& setId);

private:
    // The largest body each picture takes (at the rate, when limited).
    std::vector<uint64_t> Rooms(std::span<C_Carrier* const> carriers) const;

    bool m_bRateLimit;
};
