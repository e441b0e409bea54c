#include "cli/C_StagedFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

C_StagedFile::~C_StagedFile()
{
    Discard();
}

void C_StagedFile::Discard()
{
    if (!m_strTemp.empty()) {
        ::unlink(m_strTemp.c_str());
        m_strTemp.clear();
    }
}

bool C_StagedFile::Fail(int nErrno)
{
    m_nErrno = nErrno;
    m_strError = m_strTarget + ": " + std::strerror(nErrno);
    Discard();
    return false;
}

bool C_StagedFile::Write(const std::string& strTarget, std::span<const uint8_t> bytes)
{
    Discard();
    m_strTarget = strTarget;
    m_strError.clear();
    m_nErrno = 0;
    if (strTarget.empty())
        return Fail(ENOENT);

    // Only a regular file is ever replaced; a folder or a device named as output is refused.
    struct stat st {};
    const bool bExists = ::stat(strTarget.c_str(), &st) == 0;
    if (bExists && !S_ISREG(st.st_mode))
        return Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);

    const size_t nSlash = strTarget.find_last_of('/');
    const std::string strDir = nSlash == std::string::npos ? std::string() : strTarget.substr(0, nSlash + 1);
    const std::string strBase = nSlash == std::string::npos ? strTarget : strTarget.substr(nSlash + 1);
    std::string strTemplate = strDir + "." + strBase + ".vmk-XXXXXX";
    const int nFd = ::mkstemp(strTemplate.data());
    if (nFd < 0)
        return Fail(errno);
    m_strTemp = strTemplate;

    // mkstemp makes 0600; give the file what the old one had, or what a plain create would.
    mode_t mode;
    if (bExists) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const uint8_t* p = bytes.data();
    size_t nLeft = bytes.size();
    int nErrno = 0;
    while (nLeft > 0 && nErrno == 0) {
        const ssize_t n = ::write(nFd, p, nLeft);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            nErrno = errno;
        else if (n == 0)
            nErrno = ENOSPC;
        else {
            p += n;
            nLeft -= static_cast<size_t>(n);
        }
    }
    if (nErrno == 0 && ::fchmod(nFd, mode) != 0)
        nErrno = errno;
    if (nErrno == 0 && ::fsync(nFd) != 0)
        nErrno = errno;
    if (::close(nFd) != 0 && nErrno == 0)
        nErrno = errno;
    return nErrno == 0 ? true : Fail(nErrno);
}

bool C_StagedFile::Commit(bool bReplace)
{
    if (m_strTemp.empty())
        return Fail(EBADF);
    if (bReplace) {
        if (std::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0)
            return Fail(errno);
    } else {
        // link() fails with EEXIST instead of replacing, so a file that appeared since the
        // caller's check is kept.
        if (::link(m_strTemp.c_str(), m_strTarget.c_str()) == 0) {
            ::unlink(m_strTemp.c_str());
        } else {
            const int nErrno = errno;
            // File systems without hard links: look, then rename (a narrow window remains).
            if (nErrno != EPERM && nErrno != EOPNOTSUPP && nErrno != ENOSYS)
                return Fail(nErrno);
            struct stat st {};
            if (::lstat(m_strTarget.c_str(), &st) == 0)
                return Fail(EEXIST);
            if (std::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0)
                return Fail(errno);
        }
    }
    m_strTemp.clear();
    return true;
}
