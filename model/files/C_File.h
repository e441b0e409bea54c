#pragma once
// The file layer: one file, opened either for reading (it must exist) or for writing (created,
// or emptied if it exists). Open reports failure as false and an optional exception record;
// every later operation raises C_FileException.
//
// Writing is atomic: the bytes go to a temporary file beside the target, which Close() renames
// over it. A file aborted, or destroyed without a successful Close(), leaves the target as it was.
//
// "No sharing" is mimicked with advisory locks: a reader holds a shared lock, a writer an
// exclusive lock on the existing target, both taken without waiting. Cooperating openers (this
// layer in any process) then see a sharing violation; others are not stopped.

#include "model/files/C_FileException.h"
#include "model/files/C_AtomicFileWriter.h"

#include <cstdint>
#include <string>

class C_File {
public:
    enum E_OpenFlags : uint32_t {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeCreate = 0x1000,
    };

    C_File() = default;
    virtual ~C_File();
    C_File(const C_File&) = delete;
    C_File& operator=(const C_File&) = delete;

    // nOpenFlags: modeRead, or modeCreate | modeWrite; anything else is refused. False when
    // the file cannot be opened (or one is open already); *pError, if given, then says why.
    bool Open(const std::string& strFileName, uint32_t nOpenFlags, C_FileException* pError = nullptr);

    // Bytes in the file when reading; bytes written so far when writing.
    uint64_t GetLength() const;
    // The absolute path opened; when writing through a symbolic link, the path of the file it
    // names (that file is replaced, the link kept). Empty when no file is open.
    const std::string& GetFilePath() const { return m_strFilePath; }
    bool IsOpen() const { return m_nFd >= 0 || m_bWriting; }
    // True when reading a regular file, whose length is its size (a pipe's or /proc's is not).
    bool IsRegular() const;

    // Reads up to nCount bytes; fewer only at the end of the file. Returns the count read.
    uint32_t Read(void* pBuffer, uint32_t nCount);
    // Writes all nCount bytes; a failed write drops the temporary file and raises.
    void Write(const void* pBuffer, uint32_t nCount);
    // Ends reading, or commits a write over the target. No effect when nothing is open.
    void Close();
    // Releases the file without committing anything and without raising.
    void Abort();

private:
    bool OpenForReading(const std::string& strFileName, C_FileException& error);
    bool OpenForWriting(const std::string& strFileName, C_FileException& error);

    int m_nFd = -1;             // the file being read; owned
    int m_nLockFd = -1;         // the old target, held to keep its exclusive lock; owned
    bool m_bWriting = false;    // m_writer holds an open temporary file
    uint64_t m_nWritten = 0;    // bytes written since Open
    std::string m_strFilePath;  // GetFilePath()
    C_AtomicFileWriter m_writer;
};
