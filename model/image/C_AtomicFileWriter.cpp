#include "model/image/C_AtomicFileWriter.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

    const size_t nSlash = strTarget.find_last_of('/');
    const std::string strDir = nSlash == std::string::npos ? std::string() : strTarget.substr(0, nSlash + 1);
    const std::string strBase = nSlash == std::string::npos ? strTarget : strTarget.substr(nSlash + 1);
    std::string strTemplate = strDir + "." + strBase + ".vmk-XXXXXX";
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

bool C_AtomicFileWriter::Commit()
{
    if (m_nFd < 0)
        return Fail(EBADF, m_strTarget.c_str());
    // mkstemp makes 0600; give the file what a plain create would, or what the old file had.
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
    const int nFd = m_nFd;
    m_nFd = -1;
    if (::close(nFd) != 0)
        return Fail(errno, m_strTarget.c_str());
    if (std::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0)
        return Fail(errno, m_strTarget.c_str());
    m_strTemp.clear();
    return true;
}

void C_AtomicFileWriter::Abort()
{
    if (m_nFd >= 0) {
        ::close(m_nFd);
        m_nFd = -1;
    }
    if (!m_strTemp.empty()) {
        ::unlink(m_strTemp.c_str());
        m_strTemp.clear();
    }
}
