#include "model/files/C_File.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Absolute and free of "." and "..", without touching the file system beyond the current folder.
std::string AbsolutePath(const std::string& strPath)
{
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(strPath, ec);
    return ec ? strPath : path.lexically_normal().string();
}

std::string RealPath(const std::string& strPath)
{
    char* pResolved = ::realpath(strPath.c_str(), nullptr);
    if (!pResolved)
        return std::string();
    std::string strResolved(pResolved);
    std::free(pResolved);
    return strResolved;
}

std::string ParentOf(const std::string& strPath)
{
    const size_t nSlash = strPath.find_last_of('/');
    if (nSlash == std::string::npos)
        return ".";
    return nSlash == 0 ? "/" : strPath.substr(0, nSlash);
}

// Absolute and canonical: the file itself when it exists, otherwise its resolved folder and
// its own name.
std::string ResolvedPath(const std::string& strPath)
{
    std::string strResolved = RealPath(strPath);
    if (!strResolved.empty())
        return strResolved;
    const size_t nSlash = strPath.find_last_of('/');
    const std::string strBase = nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
    std::string strFolder = RealPath(ParentOf(strPath));
    if (strFolder.empty() || strBase.empty())
        return AbsolutePath(strPath);
    if (strFolder.back() != '/')
        strFolder += '/';
    return strFolder + strBase;
}

// ENOENT names a missing file only when its folder exists; a missing folder is a bad path.
C_FileException::E_Cause OpenErrorToCause(int nOsError, const std::string& strPath)
{
    if (nOsError == ENOENT) {
        struct stat st { };
        if (strPath.empty() || ::stat(ParentOf(strPath).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return C_FileException::badPath;
    }
    return C_FileException::OsErrorToCause(nOsError);
}

[[noreturn]] void Throw(C_FileException::E_Cause eCause, const std::string& strPath, int nOsError = 0)
{
    throw C_FileException(eCause, strPath, nOsError);
}

// A named pipe reads as empty until its writer comes, so reading at once would take a payload
// still on its way for an empty one: wait, as `cat` does, until the writer has written or gone.
int AwaitWriter(int nFd)
{
    pollfd fd = {nFd, POLLIN, 0};
    while (::poll(&fd, 1, -1) < 0)
        if (errno != EINTR)
            return errno;
    return 0;
}

}  // namespace

C_File::~C_File()
{
    Abort();
}

bool C_File::Open(const std::string& strFileName, uint32_t nOpenFlags, C_FileException* pError)
{
    C_FileException error;
    bool bOpened = false;
    if (IsOpen())
        error = C_FileException(C_FileException::genericException, AbsolutePath(strFileName));
    else if (nOpenFlags == modeRead)
        bOpened = OpenForReading(strFileName, error);
    else if (nOpenFlags == (modeCreate | modeWrite))
        bOpened = OpenForWriting(strFileName, error);
    else  // writing always creates or empties the file: that is what makes it atomic
        error = C_FileException(C_FileException::genericException, AbsolutePath(strFileName), EINVAL);
    if (!bOpened && pError)
        *pError = error;
    return bOpened;
}

bool C_File::OpenForReading(const std::string& strFileName, C_FileException& error)
{
    // Non-blocking, so that the open itself never waits; a named pipe waits below, for its data.
    const int nFd = ::open(strFileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (nFd < 0) {
        const int nErrno = errno;
        error = C_FileException(OpenErrorToCause(nErrno, strFileName), AbsolutePath(strFileName), nErrno);
        return false;
    }
    // Lexical, like the path the user chose: a link keeps its own name.
    const std::string strFull = AbsolutePath(strFileName);

    int nErrno = 0;
    struct stat st { };
    if (::fstat(nFd, &st) != 0)
        nErrno = errno;
    else if (S_ISDIR(st.st_mode))
        nErrno = EISDIR;  // a folder opens on Linux but is never a file to read
    else if (const int nFlags = ::fcntl(nFd, F_GETFL); nFlags < 0 || ::fcntl(nFd, F_SETFL, nFlags & ~O_NONBLOCK) != 0)
        nErrno = errno;
    else if (::flock(nFd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        nErrno = EWOULDBLOCK;  // being written; other lock failures (no lock support) are let pass
    else if (S_ISFIFO(st.st_mode))
        nErrno = AwaitWriter(nFd);
    if (nErrno != 0) {
        ::close(nFd);
        error = C_FileException(C_FileException::OsErrorToCause(nErrno), strFull, nErrno);
        return false;
    }
    m_nFd = nFd;
    m_strFilePath = strFull;
    return true;
}

bool C_File::OpenForWriting(const std::string& strFileName, C_FileException& error)
{
    // The writer follows links itself; the name reported and locked is the file it replaces.
    const bool bOpened = m_writer.Open(strFileName);
    const std::string strFull = ResolvedPath(bOpened ? m_writer.GetTarget() : strFileName);
    if (!bOpened) {
        const int nErrno = m_writer.GetErrno();
        // The writer creates its file in the target's folder: ENOENT means that folder is missing.
        const auto eCause = nErrno == ENOENT ? C_FileException::badPath : C_FileException::OsErrorToCause(nErrno);
        error = C_FileException(eCause, strFull, nErrno);
        return false;
    }
    // Lock the file being replaced, so that a cooperating reader or writer of it sees a sharing
    // violation instead of the file changing under it.
    const int nLockFd = ::open(strFull.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (nLockFd >= 0 && ::flock(nLockFd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(nLockFd);
        m_writer.Abort();
        error = C_FileException(C_FileException::sharingViolation, strFull, EWOULDBLOCK);
        return false;
    }
    m_nLockFd = nLockFd;
    m_bWriting = true;
    m_nWritten = 0;
    m_strFilePath = strFull;
    return true;
}

uint64_t C_File::GetLength() const
{
    if (m_bWriting)
        return m_nWritten;
    if (m_nFd < 0)
        Throw(C_FileException::invalidFile, m_strFilePath, EBADF);
    struct stat st { };
    if (::fstat(m_nFd, &st) != 0)
        C_FileException::ThrowOsError(errno, m_strFilePath);
    return static_cast<uint64_t>(st.st_size);
}

bool C_File::IsRegular() const
{
    struct stat st { };
    return m_nFd >= 0 && ::fstat(m_nFd, &st) == 0 && S_ISREG(st.st_mode);
}

uint32_t C_File::Read(void* pBuffer, uint32_t nCount)
{
    if (m_nFd < 0)
        Throw(m_bWriting ? C_FileException::accessDenied : C_FileException::invalidFile, m_strFilePath, EBADF);
    auto* p = static_cast<uint8_t*>(pBuffer);
    uint32_t nDone = 0;
    while (nDone < nCount) {
        // One request per gigabyte at most: read(2) moves less than 2 GiB per call anyway.
        const size_t nAsk = std::min<uint32_t>(nCount - nDone, 1u << 30);
        const ssize_t n = ::read(m_nFd, p + nDone, nAsk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            C_FileException::ThrowOsError(errno, m_strFilePath);
        }
        if (n == 0)
            break;  // end of file
        nDone += static_cast<uint32_t>(n);
    }
    return nDone;
}

void C_File::Write(const void* pBuffer, uint32_t nCount)
{
    if (!m_bWriting)
        Throw(m_nFd >= 0 ? C_FileException::accessDenied : C_FileException::invalidFile, m_strFilePath, EBADF);
    if (!m_writer.Write(pBuffer, nCount)) {
        // The writer has dropped its temporary file; nothing of this file can be committed now.
        const int nErrno = m_writer.GetErrno();
        const std::string strPath = m_strFilePath;
        Abort();
        C_FileException::ThrowOsError(nErrno, strPath);
    }
    m_nWritten += nCount;
}

void C_File::Close()
{
    if (m_nFd >= 0) {
        ::close(m_nFd);  // a read-only descriptor has nothing left to report
        m_nFd = -1;
    }
    if (m_bWriting) {
        m_bWriting = false;
        const bool bCommitted = m_writer.Commit();
        const int nErrno = m_writer.GetErrno();
        const std::string strPath = m_strFilePath;
        Abort();
        if (!bCommitted)
            C_FileException::ThrowOsError(nErrno, strPath);
    }
    m_strFilePath.clear();
}

void C_File::Abort()
{
    if (m_nFd >= 0) {
        ::close(m_nFd);
        m_nFd = -1;
    }
    if (m_nLockFd >= 0) {
        ::close(m_nLockFd);
        m_nLockFd = -1;
    }
    m_writer.Abort();
    m_bWriting = false;
    m_nWritten = 0;
    m_strFilePath.clear();
}
