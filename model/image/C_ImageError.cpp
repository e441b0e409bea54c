#include "model/image/C_ImageError.h"

#include <utility>

bool C_ImageError::Set(E_ImageError eCode, std::string strDetail)
{
    m_eCode = eCode;
    m_strDetail = std::move(strDetail);
    return false;
}

std::string C_ImageError::Text() const
{
    std::string strText = ImageErrorText(m_eCode);
    if (!m_strDetail.empty())
        strText += ": " + m_strDetail;
    return strText;
}
