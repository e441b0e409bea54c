#pragma once
// The data that is hidden or revealed: a name, a byte count and the bytes. The message is its
// own file object: LoadFromFile reads through it, SaveToFile writes through it, and their file
// errors reach the caller as C_FileException.
//
// Lifecycle: a message is built, used once and destroyed. A message read by LoadFromFile keeps
// its file open (shared lock, see C_File) until it is destroyed, and refuses SaveToFile.

#include "model/files/C_File.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

class C_Message : public C_File {
public:
    // Longest name kept, in characters (UTF-8 code points), not bytes.
    static constexpr size_t kMaxNameCharacters = 255;

    C_Message() = default;
    ~C_Message() override;

    // Largest payload a record can hold: its size field is 32-bit, and Allocate needs one more.
    static constexpr uint32_t kMaxSize = UINT32_MAX - 1;

    // Reads the file to its end as the message: a pipe, a device or /proc file as well as a
    // regular file, never trusting a size the file system reports. False, with nothing changed
    // and *pError (if given) saying why, when it cannot be opened. Raises C_FileException
    // (fileTooLarge) when it holds more than nLimit bytes: a regular file from its size before
    // anything is read, a stream after nLimit + 1 bytes; and for read errors. The message is
    // then unchanged and the file closed.
    bool LoadFromFile(const std::string& strPath, C_FileException* pError = nullptr, uint32_t nLimit = kMaxSize);
    // The same for an open stream (standard input), hidden under strName.
    void LoadFromStream(std::istream& in, const std::string& strName, uint32_t nLimit = kMaxSize);
    // Writes the data bytes atomically over strPath. False, with nothing written, when there is
    // no data or the message was loaded from a file. Raises C_FileException when the file cannot
    // be created or written (a 0-byte message included); the old file then stays as it was.
    bool SaveToFile(const std::string& strPath);
    // Copies nLength bytes of pText (no terminator needed) as the data; returns nLength, or 0
    // with nothing changed when nLength is too large to allocate.
    uint32_t SetFromText(uint32_t nLength, const char* pText);
    // Sets the size to nSize and replaces the data buffer by one of nSize + 1 bytes (the extra
    // byte is never written). Refuses 4294967295, which has no room for that byte: returns
    // nullptr with nothing changed.
    uint8_t* Allocate(uint32_t nSize);
    const uint8_t* GetData() const { return m_pData.get(); }

    // The part of strPath after its last backslash, slash or colon, cut to at most
    // kMaxNameCharacters characters as the user sees them (C_TextRules).
    static std::string NameFromPath(const std::string& strPath);

private:
    // Reads with fnRead (count read, 0 at the end) until the end or nLimit + 1 bytes; raises
    // fileTooLarge (for strPath) past nLimit. nHint: the expected size, to allocate once.
    static std::unique_ptr<uint8_t[]> ReadToEnd(const std::function<size_t(uint8_t*, size_t)>& fnRead, uint64_t nHint,
        uint32_t nLimit, const std::string& strPath, uint32_t& nSize);

public:
    uint32_t m_nSize = 0;                // S, the number of data bytes
    std::string m_strPath;               // full path of the file read, or the path last written to
    std::string m_strName;               // the name hidden with the data
    std::unique_ptr<uint8_t[]> m_pData;  // the data: S bytes when loaded, S + 1 when allocated
    bool m_bOpened = false;              // LoadFromFile opened the file, which stays open
};
