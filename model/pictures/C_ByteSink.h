#pragma once
// Output for the encoders: a growing vector in memory or an atomic file writer. Encoders hand
// over whole rows or the whole pixel buffer, so a BMP save is one write of the buffer.

#include "model/files/C_AtomicFileWriter.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class C_ByteSink {
public:
    explicit C_ByteSink(std::vector<uint8_t>& out)
        : m_pVector(&out)
    { }
    explicit C_ByteSink(C_AtomicFileWriter& writer)
        : m_pWriter(&writer)
    { }

    bool Write(const void* pData, size_t nCount);
    // False once a write failed; the writer's error says why.
    bool Ok() const { return m_bOk; }

private:
    std::vector<uint8_t>* m_pVector = nullptr;  // not owned
    C_AtomicFileWriter* m_pWriter = nullptr;    // not owned
    bool m_bOk = true;
};
