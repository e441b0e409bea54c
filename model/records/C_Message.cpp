#include "model/records/C_Message.h"

#include "model/C_TextRules.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <new>

C_Message::~C_Message()
{
    if (m_bOpened)
        Abort();  // only read from: nothing to commit, nothing to report
}

std::string C_Message::NameFromPath(const std::string& strPath)
{
    const size_t nSeparator = strPath.find_last_of("\\/:");
    const size_t nStart = nSeparator == std::string::npos ? 0 : nSeparator + 1;
    const std::string strName = strPath.substr(nStart);
    // Characters as the dialogs count them, so a name is never cut inside one.
    const std::vector<size_t> aEnds = C_TextRules::CharacterEnds(strName);
    return aEnds.size() <= kMaxNameCharacters ? strName : strName.substr(0, aEnds[kMaxNameCharacters - 1]);
}

std::unique_ptr<uint8_t[]> C_Message::ReadToEnd(const std::function<size_t(uint8_t*, size_t)>& fnRead, uint64_t nHint,
    uint32_t nLimit, const std::string& strPath, uint32_t& nSize)
{
    // One byte past the limit tells a stream that is too long from one that just fits.
    const uint64_t nMost = uint64_t{nLimit} + 1;
    uint64_t nCapacity = std::min<uint64_t>(std::max<uint64_t>(nHint + 1, 1u << 16), nMost);
    std::unique_ptr<uint8_t[]> pData(new uint8_t[nCapacity]);
    uint64_t nDone = 0;
    for (;;) {
        if (nDone == nCapacity) {
            if (nCapacity == nMost)
                throw C_FileException(C_FileException::fileTooLarge, strPath);
            const uint64_t nGrown = std::min(nCapacity * 2, nMost);
            std::unique_ptr<uint8_t[]> pGrown(new uint8_t[nGrown]);
            std::memcpy(pGrown.get(), pData.get(), nDone);
            pData = std::move(pGrown);
            nCapacity = nGrown;
        }
        const size_t nRead = fnRead(pData.get() + nDone, static_cast<size_t>(nCapacity - nDone));
        if (nRead == 0)
            break;
        nDone += nRead;
    }
    if (nDone > nLimit)
        throw C_FileException(C_FileException::fileTooLarge, strPath);
    nSize = static_cast<uint32_t>(nDone);
    return pData;
}

bool C_Message::LoadFromFile(const std::string& strPath, C_FileException* pError, uint32_t nLimit)
{
    if (!Open(strPath, modeRead, pError))
        return false;
    try {
        nLimit = std::min(nLimit, kMaxSize);
        // A regular file too large is refused from its size before anything is read; for
        // anything else the size says nothing (0 for a pipe or /proc, endless for /dev/zero).
        const uint64_t nLength = GetLength();
        if (nLength > nLimit && IsRegular())
            throw C_FileException(C_FileException::fileTooLarge, GetFilePath());
        uint32_t nSize = 0;
        std::unique_ptr<uint8_t[]> pData = ReadToEnd(
            [this](uint8_t* p, size_t n) { return Read(p, static_cast<uint32_t>(std::min<size_t>(n, 1u << 30))); },
            IsRegular() ? nLength : 0, nLimit, GetFilePath(), nSize);
        m_bOpened = true;
        m_nSize = nSize;
        m_strPath = GetFilePath();
        m_strName = NameFromPath(m_strPath);
        m_pData = std::move(pData);
    } catch (...) {
        Abort();
        throw;
    }
    return true;  // the file stays open until the message is destroyed
}

void C_Message::LoadFromStream(std::istream& in, const std::string& strName, uint32_t nLimit)
{
    uint32_t nSize = 0;
    std::unique_ptr<uint8_t[]> pData = ReadToEnd(
        [&in, &strName](uint8_t* p, size_t n) {
            in.read(reinterpret_cast<char*>(p), static_cast<std::streamsize>(n));
            if (in.bad())
                throw C_FileException(C_FileException::hardIO, strName);
            return static_cast<size_t>(in.gcount());
        },
        0, std::min(nLimit, kMaxSize), strName, nSize);
    m_nSize = nSize;
    m_strPath.clear();
    m_strName = strName;
    m_pData = std::move(pData);
}

bool C_Message::SaveToFile(const std::string& strPath)
{
    if (!m_pData || m_bOpened)
        return false;
    m_strPath = strPath;
    C_FileException error;
    if (!Open(strPath, modeCreate | modeWrite, &error))
        throw error;
    Write(m_pData.get(), m_nSize);  // on failure the file is dropped and the target kept
    Close();
    return true;
}

uint32_t C_Message::SetFromText(uint32_t nLength, const char* pText)
{
    uint8_t* pData = Allocate(nLength);
    if (!pData)
        return 0;
    if (nLength > 0)
        std::memcpy(pData, pText, nLength);
    return nLength;
}

uint8_t* C_Message::Allocate(uint32_t nSize)
{
    if (nSize == UINT32_MAX)
        return nullptr;  // size + 1 would wrap to an empty buffer
    // Allocated before the old buffer goes, so a failed allocation (std::bad_alloc) changes nothing.
    std::unique_ptr<uint8_t[]> pData(new uint8_t[size_t{nSize} + 1]);
    m_pData = std::move(pData);
    m_nSize = nSize;
    return m_pData.get();
}
