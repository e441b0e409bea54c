#pragma once
// The fixed head of a hidden record, in the order its bytes travel:
//   0..2  "VMK"   3..4  L, little-endian   5..8  S, little-endian   9..  name (L bytes)
// followed in the carrier by the S payload bytes. Nothing else is stored.

#include <cstdint>
#include <string_view>
#include <vector>

class C_HiddenHeader {
public:
    static constexpr uint32_t kFixedSize = 9;
    static constexpr uint8_t kSignature[3] = {0x56, 0x4D, 0x4B};  // "VMK"

    C_HiddenHeader() = default;
    C_HiddenHeader(std::string_view strName, uint32_t nDataSize);

    // The 9 + L bytes of the record's head, as sent (the signature is always "VMK").
    std::vector<uint8_t> Encode() const;
    // Carrier bytes a record of L name bytes and S payload bytes occupies: 8 x (9 + L + S).
    static uint64_t RecordBits(uint64_t nNameLength, uint64_t nDataSize);

    uint8_t m_aSignature[3] = {0, 0, 0};
    uint16_t m_nNameLength = 0;    // L, name bytes
    std::vector<uint8_t> m_aName;  // after a receive: L bytes and a terminating 0
    uint32_t m_nDataSize = 0;      // S, payload bytes
};
