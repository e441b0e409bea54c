#pragma once
// The sealed record as one of the carrier's record kinds: its payload compressed when that is
// smaller, sealed under a pass phrase of up to 1,024 bytes of UTF-8. It writes version 2
// (C_SpreadRecord), spread where the picture hides changes best, wherever the cover can weigh its
// elements (colour and gray samples of 8 or 16 bits), and version 1 (C_SealedRecord) elsewhere
// (palette pictures, gray below 8 bits, bit-field words). It finds either: version 2 first.
//
// Version 2 holds at most kSafeRate bits per element that may change: beyond that, detectors
// see it more easily. Unlimited() lifts that limit (to one bit per element of the record's).

#include "model/records/C_Record.h"
#include "model/records/C_SecretBytes.h"

#include <cstdint>

class C_SealedRecordKind final : public C_Record {
public:
    static constexpr double kSafeRate = 0.4;

    static const C_SealedRecordKind& Kind();
    // The same kind without the safe rate; it finds what Kind() finds.
    static const C_SealedRecordKind& Unlimited();
    const C_Record& Listed() const override { return Kind(); }

    // Counted uncompressed: a payload that compresses may fit more.
    uint32_t Capacity(const C_Cover& cover, size_t nNameBytes) const override;
    // The payload as the seal stores it, compressed where that is smaller.
    bool Fits(const C_Cover& cover, const C_Message& message) const override;
    // TooLarge when the stored record does not fit; Refused for a pass phrase the kind does not
    // take or a payload that is not there; Repeats or NoMemory when the seal cannot be made.
    E_RecordOutcome Hide(const C_Cover& cover, const C_Message& message, const std::string& strPassphrase,
        const std::function<void()>& fnBeforeWrite) const override;
    // With pOpened the payload stays in it, not yet extracted; else it goes into message.
    E_RecordOutcome Find(const C_Cover& cover, const std::string& strPassphrase, C_Message& message,
        C_SealedContent* pOpened) const override;
    // Nothing to clear: no kind is tried after this one today.
    void Clear(const C_Cover&, const std::string&) const override { }
    bool IsSealed() const override { return true; }
    // Version 2 goes wherever the cover weighs its elements.
    bool MovesByOne(const C_Cover& cover) const override { return cover.CanWeigh(); }

    // The most bits version 2's layers may take under this kind's rate, where nDry of the
    // record's elements may change.
    uint64_t SpreadLimitBits(uint64_t nDry) const;

    // The largest plaintext body (what Capacity counts plus the inner record's head) a version-2
    // container holds in this cover under this kind's rate; 0 where the cover cannot weigh.
    uint64_t BodyCapacity(const C_Cover& cover) const;
    // Seals a body whole, with this version byte in the associated data, as Hide seals a file's
    // inner record (C_SpreadRecord::SealBody): a share's body with kShareVersion. Refused where
    // the cover cannot weigh its elements or the pass phrase is not one the kind takes.
    E_RecordOutcome HideBody(const C_Cover& cover, const C_SecretBytes& body, uint8_t nVersion,
        const std::string& strPassphrase, const std::function<void()>& fnBeforeWrite) const;

private:
    explicit C_SealedRecordKind(bool bRateLimit)
        : m_bRateLimit(bRateLimit)
    { }

    bool m_bRateLimit;
};
