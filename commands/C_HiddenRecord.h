#pragma once
// What a successful hide put into the carrier, as its caller needs it to check a saved copy:
// the payload's name and bytes and the pass phrase they were hidden under.

#include <cstdint>
#include <string>
#include <vector>

struct C_HiddenRecord {
    std::string m_strName;
    std::vector<uint8_t> m_aData;
    std::string m_strPassword;
};
