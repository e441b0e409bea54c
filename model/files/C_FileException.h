#pragma once
// A file error as the file layer reports it: what went wrong (a cause from a small fixed list),
// the file concerned and the operating system's error number. GetErrorMessage() gives the
// standard English text of the cause with the file's path in place of %1.

#include <exception>
#include <string>

class C_FileException : public std::exception {
public:
    enum E_Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
        fileTooLarge,  // ours: a length that the 32-bit payload size cannot hold
    };

    C_FileException() = default;
    C_FileException(E_Cause eCause, std::string strFileName, int nOsError = 0);

    E_Cause GetCause() const { return m_eCause; }
    int GetOsError() const { return m_nOsError; }  // errno; 0 when the layer found the fault itself
    const std::string& GetFileName() const { return m_strFileName; }

    // The cause's text with %1 replaced by the file name.
    std::string GetErrorMessage() const;
    const char* what() const noexcept override { return m_strMessage.c_str(); }

    // The cause that the file layer reports for an errno value.
    static E_Cause OsErrorToCause(int nOsError);
    // The cause's text with its %1 placeholder still in it.
    static const char* CauseText(E_Cause eCause);
    [[noreturn]] static void ThrowOsError(int nOsError, const std::string& strFileName);

private:
    E_Cause m_eCause = none;
    int m_nOsError = 0;
    std::string m_strFileName;
    std::string m_strMessage;  // GetErrorMessage(), kept so that what() can point into it
};
