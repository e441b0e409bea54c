#include "model/pictures/C_DecodeLimit.h"

#include "model/pictures/C_CheckedSize.h"

#include <algorithm>

C_DecodeLimit::C_DecodeLimit(uint64_t nMaxBytes, uint64_t nFileBytes, bool bAllowLarge)
    : m_nMaxBytes(std::min(nMaxBytes, C_CheckedSize::kMaxBufferBytes))
    , m_nFileBytes(nFileBytes)
    , m_bAllowLarge(bAllowLarge)
{ }

bool C_DecodeLimit::Admit(uint64_t nBytes, C_ImageError& err, const std::string& strDetail) const
{
    if (nBytes > m_nMaxBytes)
        return err.Set(E_ImageError::TooLarge, strDetail);
    const bool bExpands = nBytes > kConsentBytes && nBytes / kConsentRatio >= std::max<uint64_t>(m_nFileBytes, 1);
    if (bExpands && !m_bAllowLarge)
        return err.Set(E_ImageError::NeedsConsent,
            strDetail + (strDetail.empty() ? "" : ", ") + std::to_string(nBytes >> 20) + " MiB from a file of "
                + std::to_string(m_nFileBytes) + " bytes");
    return true;
}
