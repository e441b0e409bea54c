#include "model/image/C_AtomicFileWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder part of a target path, with its trailing slash; "./" for a bare name.
std::string FolderOf(const std::string& strTarget)
{
    const size_t nSlash = strTarget.find_last_of('/');
    return nSlash == std::string::npos ? std::string("./") : strTarget.substr(0, nSlash + 1);
}

// A hidden name beside the target, recognisably ours: ".<name>.vmk-" and six random characters.
std::string TempName(const std::string& strTarget)
{
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const size_t nSlash = strTarget.find_last_of('/');
    const std::string strBase = nSlash == std::string::npos ? strTarget : strTarget.substr(nSlash + 1);
    std::random_device random;
    std::string strName = FolderOf(strTarget) + "." + strBase + ".vmk-";
    for (int i = 0; i < 6; ++i)
        strName += kChars[random() % (sizeof kChars - 1)];
    return strName;
}

}  // namespace

C_AtomicFileWriter::~C_AtomicFileWriter()
{
    Abort();
}

bool C_AtomicFileWriter::Fail(int nErrno, const char* pWhat)
{
    m_nErrno = nErrno;
    m_strError = std::string(pWhat) + ": " + std::strerror(nErrno);
    Abort();
    return false;
}

bool C_AtomicFileWriter::Open(const std::string& strTarget)
{
    Abort();
    m_strTarget = strTarget;
    m_nErrno = 0;
    m_strError.clear();
    if (strTarget.empty())
        return Fail(ENOENT, strTarget.c_str());

    // A directory or another non-regular file is never replaced.
    struct stat st {};
    if (stat(strTarget.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, strTarget.c_str());

    // Preferably a file without a name until Commit(): a process killed while it writes then
    // leaves nothing behind. File systems without unnamed files get a named one.
    m_nFd = ::open(FolderOf(strTarget).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (m_nFd >= 0)
        return true;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return Fail(errno, strTarget.c_str());
    const size_t nSlash = strTarget.find_last_of('/');
    const std::string strBase = nSlash == std::string::npos ? strTarget : strTarget.substr(nSlash + 1);
    std::string strTemplate = FolderOf(strTarget) + "." + strBase + ".vmk-XXXXXX";
    m_nFd = mkstemp(strTemplate.data());
    if (m_nFd < 0)
        return Fail(errno, strTarget.c_str());
    m_strTemp = strTemplate;
    return true;
}

bool C_AtomicFileWriter::Write(const void* pData, size_t nCount)
{
    if (m_nFd < 0)
        return Fail(EBADF, m_strTarget.c_str());
    const auto* p = static_cast<const uint8_t*>(pData);
    while (nCount > 0) {
        const ssize_t n = ::write(m_nFd, p, nCount);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Fail(errno, m_strTarget.c_str());
        }
        if (n == 0)
            return Fail(ENOSPC, m_strTarget.c_str());
        p += n;
        nCount -= static_cast<size_t>(n);
    }
    return true;
}

bool C_AtomicFileWriter::LinkUnnamed()
{
    // Through /proc, which needs no privilege; AT_EMPTY_PATH where /proc is not mounted.
    const std::string strSelf = "/proc/self/fd/" + std::to_string(m_nFd);
    for (int nAttempt = 0; nAttempt < 100; ++nAttempt) {
        const std::string strName = TempName(m_strTarget);
        int nResult = ::linkat(AT_FDCWD, strSelf.c_str(), AT_FDCWD, strName.c_str(), AT_SYMLINK_FOLLOW);
        if (nResult != 0 && errno == ENOENT)
            nResult = ::linkat(m_nFd, "", AT_FDCWD, strName.c_str(), AT_EMPTY_PATH);
        if (nResult == 0) {
            m_strTemp = strName;
            return true;
        }
        if (errno != EEXIST)
            return Fail(errno, m_strTarget.c_str());
    }
    return Fail(EEXIST, m_strTarget.c_str());
}

bool C_AtomicFileWriter::Commit()
{
    if (m_nFd < 0)
        return Fail(EBADF, m_strTarget.c_str());
    // The file was made 0600; give it what a plain create would, or what the old file had.
    struct stat st {};
    mode_t mode;
    if (stat(m_strTarget.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(m_nFd, mode) != 0)
        return Fail(errno, m_strTarget.c_str());
    if (fsync(m_nFd) != 0)
        return Fail(errno, m_strTarget.c_str());
    // An unnamed file gets its temporary name only now, when all of it is on the disk.
    if (m_strTemp.empty() && !LinkUnnamed())
        return false;
    const int nFd = m_nFd;
    m_nFd = -1;
    if (::close(nFd) != 0)
        return Fail(errno, m_strTarget.c_str());
    if (std::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0)
        return Fail(errno, m_strTarget.c_str());
    m_strTemp.clear();
    return true;
}

std::string C_AtomicFileWriter::GetReadPath() const
{
    if (m_nFd < 0)
        return {};
    return m_strTemp.empty() ? "/proc/self/fd/" + std::to_string(m_nFd) : m_strTemp;
}

void C_AtomicFileWriter::Abort()
{
    if (m_nFd >= 0) {
        ::close(m_nFd);  // an unnamed file goes with its last descriptor
        m_nFd = -1;
    }
    if (!m_strTemp.empty()) {
        ::unlink(m_strTemp.c_str());
        m_strTemp.clear();
    }
}
