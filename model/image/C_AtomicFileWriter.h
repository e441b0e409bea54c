#pragma once
// Writes a file the way a careful editor does: into a temporary file beside the target, then,
// only when every byte is written and flushed, renamed over the target. Until Commit() the
// target is untouched; a writer destroyed without Commit() removes its temporary file.
//
// Where the file system allows, the temporary file has no name while it is written (O_TMPFILE)
// and is linked under a hidden name only for the rename, so even a process killed in the middle
// of a save leaves nothing behind. Elsewhere it is a named ".<target>.vmk-XXXXXX" throughout.

#include <cstddef>
#include <cstdint>
#include <string>

class C_AtomicFileWriter {
public:
    C_AtomicFileWriter() = default;
    ~C_AtomicFileWriter();
    C_AtomicFileWriter(const C_AtomicFileWriter&) = delete;
    C_AtomicFileWriter& operator=(const C_AtomicFileWriter&) = delete;

    // Creates the temporary file in the target's folder. False (and GetError()) on failure.
    bool Open(const std::string& strTarget);
    // Writes all nCount bytes, or fails.
    bool Write(const void* pData, size_t nCount);
    // Flushes, closes and renames over the target. The new file gets the target's permissions
    // when it existed, the usual ones for a new file otherwise.
    bool Commit();
    // Drops the temporary file; the target stays as it was.
    void Abort();

    // errno of the last failure (0 when none) and its text.
    int GetErrno() const { return m_nErrno; }
    const std::string& GetError() const { return m_strError; }
    const std::string& GetTarget() const { return m_strTarget; }
    // A path that reads the file as written so far, for checking it before Commit(): the
    // unnamed file through /proc, or its temporary name. Empty when nothing is open.
    std::string GetReadPath() const;

private:
    bool Fail(int nErrno, const char* pWhat);
    // Gives the unnamed temporary file its hidden name beside the target.
    bool LinkUnnamed();

    std::string m_strTarget;
    std::string m_strTemp;  // the temporary file's name; empty while it has none
    int m_nFd = -1;
    int m_nErrno = 0;
    std::string m_strError;
};
