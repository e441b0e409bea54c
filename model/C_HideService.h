#pragma once
// Hiding in the steps both programs take, each written once: whether a message fits a record
// of the chosen kind, the hide itself, and after the picture is saved, the read-back that shows
// the file gives the message back as a reveal will find it.

#include "model/records/C_Record.h"
#include "model/records/E_Embedding.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class C_Carrier;
class C_Message;

class C_HideService {
public:
    enum class E_ReadBack {
        Same,         // a reveal finds a record of this kind with this name and payload
        Unreadable,   // the file does not open as a picture
        NoMemory,     // the check could not be made: a key derivation found too little memory
        EarlierKind,  // a record of a kind that a reveal tries before this one is found first
        Different,    // nothing is found, or not this record
    };

    explicit C_HideService(const C_Record& kind)
        : m_kind(kind)
    { }
    // The plain record, or the sealed one; bRateLimit false lifts the sealed record's safe rate.
    static C_HideService For(bool bSealed, bool bRateLimit = true);

    const C_Record& Kind() const { return m_kind; }
    bool Fits(const C_Carrier& carrier, const C_Message& message) const;
    E_RecordOutcome Hide(
        C_Carrier& carrier, const C_Message& message, const std::string& strPassphrase, E_Embedding eEmbedding) const;
    // Opens the saved picture at strPath (however large: it is the caller's own) and looks for
    // the record under strPassphrase as a reveal would. strError: why the file did not open.
    // With pPixels, the digest (PixelDigest) of the carrier as the hide left it: pixels that
    // came back the same hold the same record, and only the kinds a reveal tries before this
    // one are looked for (the record itself is not read again, which for a sealed record is a
    // key derivation and a pass over the whole picture).
    using T_Digest = std::array<uint8_t, 32>;
    E_ReadBack ReadBack(const std::string& strPath, const std::string& strPassphrase, std::string_view strName,
        std::span<const uint8_t> payload, std::string& strError, const T_Digest* pPixels = nullptr) const;
    // BLAKE2b-256 of the carrier's pixel bytes, all of them, and a JPEG's coefficients.
    static T_Digest PixelDigest(const C_Carrier& carrier);

private:
    const C_Record& m_kind;
};
