#include "model/files/C_FileException.h"

#include "model/C_TextFormat.h"

#include <cerrno>
#include <utility>

C_FileException::C_FileException(E_Cause eCause, std::string strFileName, int nOsError)
    : m_eCause(eCause)
    , m_nOsError(nOsError)
    , m_strFileName(std::move(strFileName))
{
    m_strMessage = GetErrorMessage();
}

const char* C_FileException::CauseText(E_Cause eCause)
{
    switch (eCause) {
    case none: return "No error occurred.";
    case genericException: break;
    case fileNotFound: return "%1 was not found.";
    case badPath: return "%1 contains an invalid path.";
    case tooManyOpenFiles: return "%1 could not be opened because there are too many open files.";
    case accessDenied: return "Access to %1 was denied.";
    case invalidFile: return "An invalid file handle was associated with %1.";
    case removeCurrentDir: return "%1 could not be removed because it is the current directory.";
    case directoryFull: return "%1 could not be created because the directory is full.";
    case badSeek: return "Seek failed on %1.";
    case hardIO: return "A hardware I/O error was reported while accessing %1.";
    case sharingViolation: return "A sharing violation occurred while accessing %1.";
    case lockViolation: return "A locking violation occurred while accessing %1.";
    case diskFull: return "Disk full while accessing %1.";
    case endOfFile: return "An attempt was made to access %1 past its end.";
    case fileTooLarge: return "%1 is too large: files of 4 GB or more cannot be read.";
    }
    return "An unexpected error occurred while accessing %1.";
}

std::string C_FileException::GetErrorMessage() const
{
    return C_TextFormat::Substitute(CauseText(m_eCause), m_strFileName);
}

C_FileException::E_Cause C_FileException::OsErrorToCause(int nOsError)
{
    switch (nOsError) {
    case 0: return none;
    case ENOENT: return fileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return accessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return diskFull;  // a write beyond the size limit is refused like a full disk
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case ENAMETOOLONG:
    case ENOTDIR:
    case ELOOP: return badPath;
    case EIO: return hardIO;
    case EWOULDBLOCK: return sharingViolation;  // another opener holds a conflicting lock
    case EBADF: return invalidFile;
    case ESPIPE: return badSeek;
    default: return genericException;
    }
}

void C_FileException::ThrowOsError(int nOsError, const std::string& strFileName)
{
    throw C_FileException(OsErrorToCause(nOsError), strFileName, nOsError);
}
