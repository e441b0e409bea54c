#include "model/pictures/C_ByteSink.h"

bool C_ByteSink::Write(const void* pData, size_t nCount)
{
    if (!m_bOk)
        return false;
    if (nCount == 0)
        return true;
    if (m_pVector) {
        const auto* p = static_cast<const uint8_t*>(pData);
        m_pVector->insert(m_pVector->end(), p, p + nCount);
    } else if (!m_pWriter->Write(pData, nCount)) {
        m_bOk = false;
        return false;
    }
    return true;
}
