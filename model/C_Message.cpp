#include "model/C_Message.h"

#include <cstring>
#include <new>

namespace {

// Bytes of the UTF-8 sequence starting at pText[i]; 1 for a byte that starts no valid
// sequence, so that any byte string is cut somewhere and never grows past 4 bytes a character.
size_t SequenceLength(const std::string& strText, size_t i)
{
    const auto nLead = static_cast<uint8_t>(strText[i]);
    size_t nLength = 1;
    if (nLead >= 0xC2 && nLead <= 0xDF)
        nLength = 2;
    else if (nLead >= 0xE0 && nLead <= 0xEF)
        nLength = 3;
    else if (nLead >= 0xF0 && nLead <= 0xF4)
        nLength = 4;
    if (i + nLength > strText.size())
        return 1;
    for (size_t k = 1; k < nLength; ++k)
        if ((static_cast<uint8_t>(strText[i + k]) & 0xC0) != 0x80)
            return 1;
    return nLength;
}

}  // namespace

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
    size_t nEnd = 0;
    for (size_t nCharacters = 0; nEnd < strName.size() && nCharacters < kMaxNameCharacters; ++nCharacters)
        nEnd += SequenceLength(strName, nEnd);
    return strName.substr(0, nEnd);
}

bool C_Message::LoadFromFile(const std::string& strPath)
{
    if (!Open(strPath, modeRead))
        return false;
    try {
        const uint64_t nLength = GetLength();
        if (nLength > UINT32_MAX)
            throw C_FileException(C_FileException::fileTooLarge, GetFilePath());
        const auto nSize = static_cast<uint32_t>(nLength);
        // new[] of 0 gives a valid empty buffer, so an empty file has data like any other.
        std::unique_ptr<uint8_t[]> pData(new uint8_t[nSize]);
        const uint32_t nRead = Read(pData.get(), nSize);
        // A file that shrank since its length was taken: what it no longer holds reads as 0.
        std::memset(pData.get() + nRead, 0, nSize - nRead);

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
