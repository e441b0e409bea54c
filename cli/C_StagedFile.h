#pragma once
// An output file that is complete and checked before it exists under its name: bytes go to a
// temporary file beside the target, the caller may read that file back, and only Commit()
// renames it over the target. Destroyed without Commit(), it removes the temporary file and
// the target stays as it was.

#include <cstdint>
#include <span>
#include <string>

class C_StagedFile {
public:
    C_StagedFile() = default;
    ~C_StagedFile();
    C_StagedFile(const C_StagedFile&) = delete;
    C_StagedFile& operator=(const C_StagedFile&) = delete;

    // Creates the temporary file beside strTarget and writes, flushes and closes all the
    // bytes. False, with GetError(), on any failure; then nothing is left behind.
    bool Write(const std::string& strTarget, std::span<const uint8_t> bytes);
    // The complete temporary file, for reading back before Commit().
    const std::string& GetTempPath() const { return m_strTemp; }
    // Renames the temporary file over the target. With bReplace false an existing target is
    // never replaced, not even one created since the caller last looked (EEXIST then).
    bool Commit(bool bReplace);

    // "path: system reason" of the last failure, and its errno.
    const std::string& GetError() const { return m_strError; }
    int GetErrno() const { return m_nErrno; }

private:
    bool Fail(int nErrno);
    void Discard();

    std::string m_strTarget;
    std::string m_strTemp;  // empty when there is no temporary file
    std::string m_strError;
    int m_nErrno = 0;
};
