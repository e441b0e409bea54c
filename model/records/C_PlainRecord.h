#pragma once
// The plain record: header and payload at the positions the pass phrase's MD5 key draws, one
// bit in each drawn byte's least significant bit (engine/C_BitTransfer).

#include "model/records/C_Record.h"

class C_PlainRecord final : public C_Record {
public:
    static const C_PlainRecord& Kind();

    uint32_t Capacity(const C_Cover& cover, size_t nNameBytes) const override;
    bool Fits(const C_Cover& cover, const C_Message& message) const override;
    // Refused for a name beyond 65,535 bytes or a payload that is not there; Repeats when a
    // later bit would land on a byte that holds an earlier one. The fit is the caller's test.
    E_RecordOutcome Hide(const C_Cover& cover, const C_Message& message, const std::string& strPassphrase,
        const std::function<void()>& fnBeforeWrite) const override;
    // Found or NotFound.
    E_RecordOutcome Find(const C_Cover& cover, const std::string& strPassphrase, C_Message& message,
        C_SealedContent* pOpened) const override;
    void Clear(const C_Cover& cover, const std::string& strPassphrase) const override;
    bool IsSealed() const override { return false; }

    // The largest payload with a name of nNameBytes that hides under this pass phrase: within
    // the fit rule, and short enough that its draws name no byte twice.
    uint32_t LargestPayloadFor(const C_Cover& cover, const std::string& strPassphrase, size_t nNameBytes) const;
};
