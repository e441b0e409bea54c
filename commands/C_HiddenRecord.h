#pragma once
// What a successful hide put into the carrier, as its caller needs it to check a saved copy:
// the payload's name and bytes, the pass phrase they were hidden under and the kind of record.

#include "model/records/C_SecretBytes.h"

#include <sodium.h>

#include <cstdint>
#include <string>
#include <vector>

struct C_HiddenRecord {
    // The payload and the pass phrase are wiped when the record goes.
    ~C_HiddenRecord()
    {
        C_SecretBytes::WipeString(m_strPassword);
        sodium_memzero(m_aData.data(), m_aData.size());
    }

    std::string m_strName;
    std::vector<uint8_t> m_aData;
    std::string m_strPassword;
    bool m_bSealed = false;  // a sealed record (C_SealedRecord), not the plain one
};
