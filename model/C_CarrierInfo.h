#pragma once
// The carrier's properties, as the properties dialog and `veilmark-cli info` show them.

#include <cstdint>
#include <string>

class C_CarrierInfo {
public:
    std::string m_strPath;   // where the picture was loaded from
    uint64_t m_nSizeKB = 0;  // pixel byte count / 1024, truncated
    int m_nBitsPerPixel = 0;
    int32_t m_nHeight = 0;     // pixels
    int32_t m_nWidth = 0;      // pixels
    std::string m_strRemarks;  // the capacity sentence
    uint32_t m_nCapacity = 0;  // the number in that sentence, for programs that read it
    // The largest payload that should leave the picture's lowest bits looking clean to the
    // detection check. Filled by the properties command only: the analysis reads every pixel,
    // too slow for a quick look at the picture (GetCarrierInfo leaves it 0).
    uint32_t m_nRecommendedPayload = 0;
    // A sealed record's payload and name together, uncompressed (the carrier's
    // CapacityOf(SealedKind(), 0)). Filled by the properties command.
    uint32_t m_nSealedCapacity = 0;
    // Where the sealed record spreads its changes (version 2), m_nSealedCapacity is its safe
    // payload, and this what it holds past the safe rate; 0 where the picture takes version 1.
    uint32_t m_nSealedUnlimited = 0;
    bool m_bCoefficients = false;  // a JPEG: its rates count non-zero AC coefficients
};
