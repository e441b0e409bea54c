#pragma once
// The sealed record (C_SealedRecord) as one of the carrier's record kinds: its payload
// compressed when that is smaller, sealed under a pass phrase of up to 1,024 bytes of UTF-8.

#include "model/records/C_Record.h"

class C_SealedRecordKind final : public C_Record {
public:
    static const C_SealedRecordKind& Kind();

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
};
