#pragma once
// Random-access input for the decoders: a file on disk or bytes in memory. Reads are all or
// nothing and never go past the end, so a decoder can read a pixel array straight into its
// buffer (one read for an uncompressed BMP) without first copying the whole file.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class C_ByteSource {
public:
    // A view of memory owned by the caller; it must outlive the source.
    explicit C_ByteSource(std::span<const uint8_t> bytes);
    C_ByteSource() = default;
    ~C_ByteSource();
    C_ByteSource(const C_ByteSource&) = delete;
    C_ByteSource& operator=(const C_ByteSource&) = delete;

    // Opens a regular file for reading. False with GetError() (the system's reason) on failure.
    bool OpenFile(const std::string& strPath);

    uint64_t Size() const { return m_nSize; }
    // Copies nCount bytes from nOffset; false (nothing promised about pDest) when they are not
    // all there or the read fails.
    bool Read(uint64_t nOffset, void* pDest, size_t nCount);
    // Copies bytes nOffset .. end into out.
    bool ReadRest(uint64_t nOffset, std::vector<uint8_t>& out);

    const std::string& GetError() const { return m_strError; }

private:
    std::span<const uint8_t> m_memory;
    int m_nFd = -1;  // owned when >= 0
    uint64_t m_nSize = 0;
    std::string m_strError;
};
