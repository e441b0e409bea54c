#pragma once
// Every file either program writes goes through this writer, the way a careful editor saves:
// into a temporary file in the target's folder, then, only when every byte is written and
// flushed, renamed over the target. Until Commit() the target is untouched; a writer destroyed
// without Commit() removes its temporary file.
//
// - A symbolic link is written through: the file it names is replaced, the link kept.
// - A replaced file keeps its mode, and its owner and group where the process may set them.
// - A character device or FIFO (a terminal, /dev/stdout into a pipe) cannot be replaced: the
//   bytes are staged in an unnamed temporary file and copied to it at Commit().
// - The temporary file has no name while it is written (O_TMPFILE), so a process killed then
//   leaves nothing. What can remain: a hidden ".vmk-XXXXXX" in the target's folder if the process
//   dies in the instant between linking it and the rename, or, on file systems without unnamed
//   files, for the whole write.

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

class C_AtomicFileWriter {
public:
    C_AtomicFileWriter() = default;
    ~C_AtomicFileWriter();
    C_AtomicFileWriter(const C_AtomicFileWriter&) = delete;
    C_AtomicFileWriter& operator=(const C_AtomicFileWriter&) = delete;

    // Creates the temporary file for strTarget. False (and GetError()) on failure, for example
    // a folder or a socket as the target. bFollowLinks false replaces a link itself, for a
    // name that must stay inside its folder.
    bool Open(const std::string& strTarget, bool bFollowLinks = true);
    // Writes all nCount bytes, or fails.
    bool Write(const void* pData, size_t nCount);
    // Flushes and puts the file in place. With bReplace false an existing target is never
    // replaced, not even one created since the caller last looked: the commit fails with EEXIST.
    bool Commit(bool bReplace = true);
    // Drops the temporary file; the target stays as it was.
    void Abort();

    // errno of the last failure (0 when none) and its text.
    int GetErrno() const { return m_nErrno; }
    const std::string& GetError() const { return m_strError; }
    // The file that Commit() replaces: the target with its links followed.
    const std::string& GetTarget() const { return m_strTarget; }
    // A path that reads the file as written so far, for checking it before Commit(). Empty
    // when nothing is open.
    std::string GetReadPath() const;

    // True when strPath is an existing file whose mode lets nobody write it (0444): callers
    // replace such a file only when told to.
    static bool IsReadOnly(const std::string& strPath);
    // strPath with every symbolic link of its last component followed, also a dangling one
    // (the file it would create). Unchanged when it is not a link.
    static std::string FollowLinks(const std::string& strPath);
    // The descriptor that /dev/stdout, /dev/stderr, /dev/fd/N or /proc/self/fd/N names; -1 for
    // any other path. Such a target is this process's own stream: written where it stands, as
    // a shell does, so that output redirected to a file is appended to, never replaced.
    static int OwnDescriptor(const std::string& strPath);

private:
    bool Fail(int nErrno);
    bool OpenStaging();
    bool LinkUnnamed(const std::string& strName);
    bool CopyToDevice();
    void KeepOwnerAndMode();

    std::string m_strTarget;
    std::string m_strTemp;    // the temporary file's name; empty while it has none
    int m_nFd = -1;           // the temporary file
    bool m_bDevice = false;   // the target is a device, FIFO or own stream, written at Commit()
    int m_nOwnFd = -1;        // the own stream's descriptor; not owned
    bool m_bExisted = false;  // the target existed at Open(): its owner, group and mode
    uid_t m_nOwner = 0;
    gid_t m_nGroup = 0;
    mode_t m_nMode = 0;
    int m_nErrno = 0;
    std::string m_strError;
};
