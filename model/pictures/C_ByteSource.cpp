#include "model/pictures/C_ByteSource.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

C_ByteSource::C_ByteSource(std::span<const uint8_t> bytes)
    : m_memory(bytes)
    , m_nSize(bytes.size())
{ }

C_ByteSource::~C_ByteSource()
{
    if (m_nFd >= 0)
        ::close(m_nFd);
}

bool C_ByteSource::OpenFile(const std::string& strPath)
{
    if (m_nFd >= 0)
        ::close(m_nFd);
    m_nFd = -1;
    m_memory = {};
    m_nSize = 0;
    // Non-blocking, so a named pipe given as a picture is refused below instead of waiting for
    // a writer; reads of a regular file are not affected.
    m_nFd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_nFd < 0) {
        m_strError = std::strerror(errno);
        return false;
    }
    struct stat st { };
    if (fstat(m_nFd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_strError = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        ::close(m_nFd);
        m_nFd = -1;
        return false;
    }
    m_nSize = static_cast<uint64_t>(st.st_size);
    return true;
}

bool C_ByteSource::Read(uint64_t nOffset, void* pDest, size_t nCount)
{
    if (nOffset > m_nSize || nCount > m_nSize - nOffset)
        return false;
    if (nCount == 0)
        return true;
    if (m_nFd < 0) {
        std::memcpy(pDest, m_memory.data() + nOffset, nCount);
        return true;
    }
    auto* p = static_cast<uint8_t*>(pDest);
    while (nCount > 0) {
        const ssize_t n = ::pread(m_nFd, p, nCount, static_cast<off_t>(nOffset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_strError = n < 0 ? std::strerror(errno) : "file shrank while reading";
            return false;
        }
        p += n;
        nOffset += static_cast<uint64_t>(n);
        nCount -= static_cast<size_t>(n);
    }
    return true;
}

bool C_ByteSource::ReadRest(uint64_t nOffset, std::vector<uint8_t>& out)
{
    out.clear();
    if (nOffset > m_nSize)
        return false;
    out.resize(static_cast<size_t>(m_nSize - nOffset));
    return Read(nOffset, out.data(), out.size());
}
