#pragma once
// A bounded view of a byte buffer that it does not own. Reads past the end give 0 and writes
// past the end are dropped, so a bad position can never touch memory outside the buffer.

#include <cstdint>

class C_ByteView {
public:
    C_ByteView() = default;
    C_ByteView(uint8_t* pData, uint32_t nSize)
        : m_pData(nSize ? pData : nullptr)
        , m_nSize(pData ? nSize : 0)
    { }

    uint8_t Read(uint32_t nPosition) const { return nPosition < m_nSize ? m_pData[nPosition] : 0; }
    void Write(uint32_t nPosition, uint8_t nValue)
    {
        if (nPosition < m_nSize)
            m_pData[nPosition] = nValue;
    }

    uint8_t* GetData() const { return m_pData; }
    uint32_t GetSize() const { return m_nSize; }
    bool IsEmpty() const { return m_nSize == 0; }

private:
    uint8_t* m_pData = nullptr;  // first byte; not owned
    uint32_t m_nSize = 0;        // addressable bytes
};
