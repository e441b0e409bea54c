#pragma once
// A share of a file hidden across pictures as a kind of record the carrier writes
// (C_Carrier::Hide): the message's bytes are the share's body (C_ShareSet), sealed in a
// version-2 container whose associated data carries version 3 (docs/share-record.md). It goes
// only where version 2 goes (colour and gray samples of 8 or 16 bits, JPEG coefficients). It is
// not in the carrier's list of kinds: the sealed kind finds it (C_SpreadRecord::Open gives
// Share, the content holding the body), and it clears what the sealed kind clears.

#include "model/records/C_Record.h"

#include <cstdint>

class C_SealedRecordKind;

class C_ShareRecordKind final : public C_Record {
public:
    // At the sealed record's safe rate, and without it.
    static const C_ShareRecordKind& Kind();
    static const C_ShareRecordKind& Unlimited();
    const C_Record& Listed() const override;

    // The largest body, whatever nNameBytes (a share's body carries no name of its own).
    uint32_t Capacity(const C_Cover& cover, size_t nNameBytes) const override;
    bool Fits(const C_Cover& cover, const C_Message& message) const override;
    // The message's bytes are the body; its name is not stored.
    E_RecordOutcome Hide(const C_Cover& cover, const C_Message& message, const std::string& strPassphrase,
        const std::function<void()>& fnBeforeWrite) const override;
    // Found for a share: its body in *pOpened (ShareBody) when given, else in message (no name).
    // A sealed file is NotFound here.
    E_RecordOutcome Find(const C_Cover& cover, const std::string& strPassphrase, C_Message& message,
        C_SealedContent* pOpened) const override;
    void Clear(const C_Cover&, const std::string&) const override { }
    bool IsSealed() const override { return true; }
    bool MovesByOne(const C_Cover& cover) const override { return cover.CanWeigh(); }

private:
    explicit C_ShareRecordKind(const C_SealedRecordKind& sealed)
        : m_sealed(sealed)
    { }

    const C_SealedRecordKind& m_sealed;
};
