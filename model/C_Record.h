#pragma once
// One kind of hidden record, as the carrier uses it: how much it holds, whether a message fits,
// how it is written and how it is found. The carrier keeps the kinds in one list in the order a
// reveal tries them; a new kind is one more class and one more entry there.

#include "engine/C_SampleWriter.h"

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

    // The largest payload a record of this kind holds under a name of nNameBytes in
    // nUsableBytes carrier bytes, counted as the payload goes in (0 when none does).
    virtual uint32_t Capacity(uint32_t nUsableBytes, size_t nNameBytes) const = 0;
    // True when the message, stored the way this kind stores it, passes the fit rule.
    virtual bool Fits(uint32_t nUsableBytes, const C_Message& message) const = 0;
    // Writes the message's record into the nBytes usable bytes at pBits under strPassphrase.
    // Nothing changes unless Hidden. fnBeforeWrite runs once everything that can fail has
    // passed, just before the first byte is written.
    virtual E_RecordOutcome Hide(uint8_t* pBits, uint32_t nBytes, const C_Message& message,
        const std::string& strPassphrase, const C_SampleWriter& writer,
        const std::function<void()>& fnBeforeWrite) const = 0;
    // Looks for a record under strPassphrase. On Found the message holds it, or, for a kind
    // that opens its payload lazily and when pOpened is given, *pOpened holds it opened.
    virtual E_RecordOutcome Find(const uint8_t* pBits, uint32_t nBytes, const std::string& strPassphrase,
        C_Message& message, C_SealedContent* pOpened) const = 0;
    // Overwrites a record of this kind under strPassphrase, when one is there, with random bits,
    // so that it cannot shadow a record of a kind tried after it, nor give that one away.
    virtual void Clear(
        uint8_t* pBits, uint32_t nBytes, const std::string& strPassphrase, const C_SampleWriter& writer) const = 0;
    // True when the kind encrypts and authenticates what it holds (its payload may be left in
    // the opened content by Find).
    virtual bool IsSealed() const = 0;

    // The carrier bytes that the fit rule counts: nUsableBytes, or less where positions start
    // repeating early (a multiple of 17, or past the wrap).
    static uint32_t FitBytes(uint32_t nUsableBytes);
};
