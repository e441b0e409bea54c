#include "model/files/C_AtomicFileWriter.h"

#include <cerrno>
#include <climits>
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

// A short hidden name in the target's folder, the same length whatever the target's name, so a
// target of 255 bytes can still be saved: ".vmk-" and six random characters.
std::string TempName(const std::string& strTarget)
{
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::string strName = FolderOf(strTarget) + ".vmk-";
    for (int i = 0; i < 6; ++i)
        strName += kChars[random() % (sizeof kChars - 1)];
    return strName;
}

bool WriteAll(int nFd, const uint8_t* p, size_t nCount, int& nErrno)
{
    while (nCount > 0) {
        const ssize_t n = ::write(nFd, p, nCount);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            nErrno = n < 0 ? errno : ENOSPC;
            return false;
        }
        p += n;
        nCount -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

C_AtomicFileWriter::~C_AtomicFileWriter()
{
    Abort();
}

bool C_AtomicFileWriter::Fail(int nErrno)
{
    m_nErrno = nErrno;
    m_strError = m_strTarget + ": " + std::strerror(nErrno);
    Abort();
    return false;
}

std::string C_AtomicFileWriter::FollowLinks(const std::string& strPath)
{
    std::string strCurrent = strPath;
    // As many hops as the kernel itself follows before it gives up with ELOOP.
    for (int nHop = 0; nHop < 40; ++nHop) {
        struct stat st { };
        if (::lstat(strCurrent.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return strCurrent;
        char aLink[PATH_MAX];
        const ssize_t n = ::readlink(strCurrent.c_str(), aLink, sizeof aLink - 1);
        if (n <= 0)
            return strCurrent;
        const std::string strLink(aLink, static_cast<size_t>(n));
        strCurrent = strLink.front() == '/' || strCurrent.find('/') == std::string::npos
            ? strLink
            : FolderOf(strCurrent) + strLink;
    }
    return strCurrent;
}

bool C_AtomicFileWriter::IsReadOnly(const std::string& strPath)
{
    struct stat st { };
    return ::stat(strPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

int C_AtomicFileWriter::OwnDescriptor(const std::string& strPath)
{
    if (strPath == "/dev/stdout")
        return 1;
    if (strPath == "/dev/stderr")
        return 2;
    for (const char* pPrefix : {"/dev/fd/", "/proc/self/fd/"}) {
        if (!strPath.starts_with(pPrefix))
            continue;
        const std::string strNumber = strPath.substr(std::strlen(pPrefix));
        if (strNumber.empty() || strNumber.size() > 6 || strNumber.find_first_not_of("0123456789") != std::string::npos)
            return -1;
        return std::stoi(strNumber);
    }
    return -1;
}

bool C_AtomicFileWriter::Open(const std::string& strTarget, bool bFollowLinks)
{
    Abort();
    m_strTarget = strTarget;
    m_nErrno = 0;
    m_strError.clear();
    m_bDevice = false;
    m_bExisted = false;
    m_nOwnFd = -1;
    if (strTarget.empty())
        return Fail(ENOENT);
    if (bFollowLinks && (m_nOwnFd = OwnDescriptor(strTarget)) >= 0) {
        if (::fcntl(m_nOwnFd, F_GETFD) < 0)
            return Fail(EBADF);
        m_bDevice = true;
        return OpenStaging();
    }
    if (bFollowLinks)
        m_strTarget = FollowLinks(strTarget);

    struct stat st { };
    if ((bFollowLinks ? ::stat(m_strTarget.c_str(), &st) : ::lstat(m_strTarget.c_str(), &st)) == 0
        && !S_ISLNK(st.st_mode)) {
        if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
            m_bDevice = true;
            return OpenStaging();
        }
        // A folder, a socket or a block device is never replaced.
        if (!S_ISREG(st.st_mode))
            return Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        m_bExisted = true;
        m_nOwner = st.st_uid;
        m_nGroup = st.st_gid;
        m_nMode = st.st_mode & 07777;
    }

    m_nFd = ::open(FolderOf(m_strTarget).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (m_nFd >= 0)
        return true;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return Fail(errno);
    // No unnamed files here: a named one, under a short name, for the whole write.
    std::string strTemplate = FolderOf(m_strTarget) + ".vmk-XXXXXX";
    m_nFd = ::mkstemp(strTemplate.data());
    if (m_nFd < 0)
        return Fail(errno);
    m_strTemp = strTemplate;
    return true;
}

bool C_AtomicFileWriter::OpenStaging()
{
    // A device cannot be read back, so the bytes wait in the temporary folder until Commit().
    const char* pTmp = std::getenv("TMPDIR");
    std::string strFolder = pTmp && *pTmp ? pTmp : "/tmp";
    m_nFd = ::open(strFolder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (m_nFd >= 0)
        return true;
    std::string strTemplate = strFolder + "/.vmk-XXXXXX";
    m_nFd = ::mkstemp(strTemplate.data());
    if (m_nFd < 0)
        return Fail(errno);
    ::unlink(strTemplate.c_str());  // never linked anywhere: it only has to live until Commit()
    return true;
}

bool C_AtomicFileWriter::Write(const void* pData, size_t nCount)
{
    if (m_nFd < 0)
        return Fail(EBADF);
    int nErrno = 0;
    return WriteAll(m_nFd, static_cast<const uint8_t*>(pData), nCount, nErrno) || Fail(nErrno);
}

bool C_AtomicFileWriter::LinkUnnamed(const std::string& strName)
{
    // Through /proc, which needs no privilege; AT_EMPTY_PATH where /proc is not mounted.
    const std::string strSelf = "/proc/self/fd/" + std::to_string(m_nFd);
    if (::linkat(AT_FDCWD, strSelf.c_str(), AT_FDCWD, strName.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    return errno == ENOENT && ::linkat(m_nFd, "", AT_FDCWD, strName.c_str(), AT_EMPTY_PATH) == 0;
}

void C_AtomicFileWriter::KeepOwnerAndMode()
{
    // A file made by this process belongs to it; give a replaced file back its owner and group
    // (only root may give away a file, anyone may keep a group they are in), then its mode,
    // which a change of owner would have cleared of set-id bits.
    mode_t mode;
    if (m_bExisted) {
        if (::fchown(m_nFd, m_nOwner, m_nGroup) != 0 && ::fchown(m_nFd, static_cast<uid_t>(-1), m_nGroup) != 0) {
            // Neither: the file stays ours, as any editor's save would leave it.
        }
        mode = m_nMode;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(m_nFd, mode);
}

bool C_AtomicFileWriter::CopyToDevice()
{
    const int nOut = m_nOwnFd >= 0 ? m_nOwnFd : ::open(m_strTarget.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (nOut < 0)
        return Fail(errno);
    int nErrno = 0;
    if (::lseek(m_nFd, 0, SEEK_SET) != 0)
        nErrno = errno;
    uint8_t aBuffer[1 << 16];
    while (nErrno == 0) {
        const ssize_t n = ::read(m_nFd, aBuffer, sizeof aBuffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            nErrno = errno;
        if (n <= 0)
            break;
        WriteAll(nOut, aBuffer, static_cast<size_t>(n), nErrno);
    }
    if (nOut != m_nOwnFd && ::close(nOut) != 0 && nErrno == 0)
        nErrno = errno;
    if (nErrno != 0)
        return Fail(nErrno);
    Abort();
    return true;
}

bool C_AtomicFileWriter::Commit(bool bReplace)
{
    if (m_nFd < 0)
        return Fail(EBADF);
    if (m_bDevice)
        return CopyToDevice();
    KeepOwnerAndMode();
    if (::fsync(m_nFd) != 0)
        return Fail(errno);
    if (!bReplace) {
        // link() refuses an existing name, so a file that appeared since the caller looked is
        // kept. An unnamed file is linked under the target's own name, with no temporary name.
        const bool bLinked =
            m_strTemp.empty() ? LinkUnnamed(m_strTarget) : ::link(m_strTemp.c_str(), m_strTarget.c_str()) == 0;
        if (!bLinked) {
            const int nErrno = errno;
            // File systems without hard links: look, then rename (a narrow window remains).
            struct stat st { };
            if ((nErrno != EPERM && nErrno != EOPNOTSUPP && nErrno != ENOSYS) || m_strTemp.empty())
                return Fail(nErrno);
            if (::lstat(m_strTarget.c_str(), &st) == 0)
                return Fail(EEXIST);
            if (std::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0)
                return Fail(errno);
            m_strTemp.clear();
        }
        Abort();  // closes, and removes a named temporary that the link has copied
        return true;
    }
    // An unnamed file gets its temporary name only now, when all of it is on the disk.
    if (m_strTemp.empty()) {
        std::string strName;
        bool bLinked = false;
        for (int nAttempt = 0; nAttempt < 100 && !bLinked; ++nAttempt) {
            strName = TempName(m_strTarget);
            bLinked = LinkUnnamed(strName);
            if (!bLinked && errno != EEXIST)
                return Fail(errno);
        }
        if (!bLinked)
            return Fail(EEXIST);
        m_strTemp = strName;
    }
    const int nFd = m_nFd;
    m_nFd = -1;
    if (::close(nFd) != 0)
        return Fail(errno);
    if (std::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0)
        return Fail(errno);
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
