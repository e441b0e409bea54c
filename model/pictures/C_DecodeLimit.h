#pragma once
// How many decoded pixel bytes one load may allocate. Two bounds: a hard cap (the 32-bit byte
// count, or less where a caller asks), and a consent bound for pictures that expand far beyond
// their file (long RLE runs, an early end mark, highly compressed GIF data): such a picture is
// refused with NeedsConsent unless the user has allowed large pictures, so a tiny hostile file
// cannot make a command take gigabytes, while an ordinary large picture, whose file is about as
// large as its pixels, loads without a question.

#include "model/pictures/C_ImageError.h"

#include <cstdint>
#include <string>

class C_DecodeLimit {
public:
    // Above this many decoded bytes ...
    static constexpr uint64_t kConsentBytes = uint64_t{64} << 20;
    // ... and this many times the file's size, a picture needs consent.
    static constexpr uint64_t kConsentRatio = 256;

    C_DecodeLimit(uint64_t nMaxBytes, uint64_t nFileBytes, bool bAllowLarge);

    // True when nBytes decoded bytes may be allocated; otherwise err is set (TooLarge or
    // NeedsConsent, with strDetail) and false returned.
    bool Admit(uint64_t nBytes, C_ImageError& err, const std::string& strDetail = {}) const;
    // The hard cap alone.
    uint64_t GetMaxBytes() const { return m_nMaxBytes; }

private:
    uint64_t m_nMaxBytes;
    uint64_t m_nFileBytes;
    bool m_bAllowLarge;
};
