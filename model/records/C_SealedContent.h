#pragma once
// A sealed record once opened: authenticated and decrypted, its name and the payload size it
// declares known, the payload itself still as stored (zstd-compressed or not). The caller looks
// at the size before it lets the payload out: a small picture can declare gigabytes, and the
// payload streams to a sink in pieces of at most kPieceBytes, so it is never held whole.
// The plaintext is wiped when the content is destroyed, cleared or refilled.

#include "model/records/C_SecretBytes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class C_Message;

class C_SealedContent {
public:
    // Flags and name length: the bytes of the decrypted record before the name.
    static constexpr uint32_t kInnerHeadBytes = 3;
    // Largest piece handed to a sink at once.
    static constexpr size_t kPieceBytes = size_t{128} << 10;
    // A frame whose window is larger than this (2^27, zstd's own default limit) is refused:
    // Veilmark's frames use 2 MiB at most, and the window is memory the decoder must hold.
    static constexpr int kWindowLogMax = 27;

    enum class E_Extract {
        Done,
        Damaged,     // the stored payload does not decompress to exactly the size it declares
        SinkFailed,  // the sink refused a piece (a write failed)
    };
    // Takes nCount bytes of the payload, in order; false stops the extraction.
    using T_Sink = std::function<bool(const uint8_t* pBytes, size_t nCount)>;

    C_SealedContent() = default;
    ~C_SealedContent() { Clear(); }
    C_SealedContent(const C_SealedContent&) = delete;
    C_SealedContent& operator=(const C_SealedContent&) = delete;

    // Takes the decrypted inner record (flags, name length, name, stored payload) whose layout
    // the caller has checked, and the payload size it declares.
    void Set(C_SecretBytes&& inner, size_t nNameBytes, bool bCompressed, uint64_t nSize);
    void Clear();

    // A share of a file hidden across pictures, as the container gave it (docs/share-record.md):
    // its body, not yet checked (C_ShareSet::Parse). Such content holds no file: IsEmpty().
    void SetShare(C_SecretBytes&& body);
    bool HasShare() const { return m_share.Size() != 0; }
    const C_SecretBytes& ShareBody() const { return m_share; }

    // The hidden name: bytes up to the first zero byte.
    std::string GetName() const;
    // The payload's size as the record declares it (after decompression).
    uint64_t GetSize() const { return m_nSize; }
    bool IsEmpty() const { return m_inner.Size() == 0; }

    // Hands the payload to fnSink piece by piece. Damaged when it decompresses to more or fewer
    // bytes than declared, or fails to; what the sink took is then not the payload.
    E_Extract Extract(const T_Sink& fnSink) const;
    // The payload into message (name, size and bytes). On anything but Done the message is
    // left empty and what was written into it wiped. Throws std::bad_alloc when the declared
    // size cannot be allocated.
    E_Extract ExtractTo(C_Message& message) const;

private:
    C_SecretBytes m_inner;    // the decrypted inner record
    C_SecretBytes m_share;    // a share's body instead (then m_inner is empty)
    size_t m_nNameBytes = 0;  // the name's length in the inner record
    bool m_bCompressed = false;
    uint64_t m_nSize = 0;  // the payload's declared size
};
