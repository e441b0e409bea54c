#pragma once
// One kind of hidden record, as the carrier uses it: how much it holds, whether a message fits,
// how it is written and how it is found. The carrier keeps the kinds in one list in the order a
// reveal tries them; a new kind is one more class and one more entry there. A record lives in
// a cover (C_Cover): the elements it may change, and how.

#include "model/records/C_Cover.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class C_Message;
class C_SealedContent;

enum class E_RecordOutcome {
    Hidden,
    TooLarge,  // the record, as this kind stores the message, is too large for the picture
    Repeats,   // the record's positions would repeat under this pass phrase
    Refused,   // this kind cannot record this message or pass phrase
    Damaged,   // a record is there, but it was changed or damaged
    NoMemory,  // the key derivation could not have its memory
    Found,
    NotFound,
};

class C_Record {
public:
    virtual ~C_Record() = default;

    // The largest payload a record of this kind holds in the cover under a name of nNameBytes,
    // counted as the payload goes in (0 when none does).
    virtual uint32_t Capacity(const C_Cover& cover, size_t nNameBytes) const = 0;
    // True when the message, stored the way this kind stores it, passes the fit rule.
    virtual bool Fits(const C_Cover& cover, const C_Message& message) const = 0;
    // Writes the message's record into the cover under strPassphrase, with the cover's writer.
    // Nothing changes unless Hidden. fnBeforeWrite runs once everything that can fail has
    // passed, just before the first byte is written.
    virtual E_RecordOutcome Hide(const C_Cover& cover, const C_Message& message, const std::string& strPassphrase,
        const std::function<void()>& fnBeforeWrite) const = 0;
    // Looks for a record under strPassphrase. On Found the message holds it, or, for a kind
    // that opens its payload lazily and when pOpened is given, *pOpened holds it opened.
    virtual E_RecordOutcome Find(
        const C_Cover& cover, const std::string& strPassphrase, C_Message& message, C_SealedContent* pOpened) const = 0;
    // Overwrites a record of this kind under strPassphrase, when one is there, with random bits,
    // so that it cannot shadow a record of a kind tried after it, nor give that one away.
    virtual void Clear(const C_Cover& cover, const std::string& strPassphrase) const = 0;
    // True when the kind encrypts and authenticates what it holds (its payload may be left in
    // the opened content by Find).
    virtual bool IsSealed() const = 0;
    // True when the kind writes into this cover by moving elements one up or down, whatever
    // embedding the caller chose (it weighs where it writes and needs both ways).
    virtual bool MovesByOne(const C_Cover& /*cover*/) const { return false; }
    // The entry of the carrier's list of kinds that this kind is: itself, or for a variant that
    // writes differently (a limit lifted), the entry that finds what it writes.
    virtual const C_Record& Listed() const { return *this; }

    // The carrier bytes that the fit rule counts: nUsableBytes, or less where positions start
    // repeating early (a multiple of 17, or past the wrap).
    static uint32_t FitBytes(uint32_t nUsableBytes);

protected:
    // The bytes the kinds of today write their bits in: the cover's, or none (0) when its
    // elements are not bytes.
    static uint32_t ByteCount(const C_Cover& cover) { return cover.Bytes() ? cover.Size() : 0; }
};
