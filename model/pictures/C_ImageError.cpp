#include "model/pictures/C_ImageError.h"

#include "model/vmk_texts.h"

#include <utility>

const char* ImageErrorText(E_ImageError eError)
{
    switch (eError) {
    case E_ImageError::None: return "no error";
    case E_ImageError::CannotRead: return "cannot read file";
    case E_ImageError::CannotWrite: return "cannot write file";
    case E_ImageError::FileTooLarge: return "file of 4 GiB or more";
    case E_ImageError::UnknownFormat: return "not a picture of a format this program reads";
    case E_ImageError::Lossy: return vmk::kStrJpegLossy;
    case E_ImageError::BadHeader: return "malformed header";
    case E_ImageError::BadDepth: return "unsupported bit depth";
    case E_ImageError::BadCompression: return "unsupported compression";
    case E_ImageError::BadPalette: return "missing or malformed palette";
    case E_ImageError::Truncated: return "truncated data";
    case E_ImageError::BadRle: return "malformed RLE data";
    case E_ImageError::Decode: return "decoding failed";
    case E_ImageError::Encode: return "encoding failed";
    case E_ImageError::Animated: return vmk::kStrFramesCannotBeKept;
    case E_ImageError::NoFrame: return "has no usable first image";
    case E_ImageError::TooLarge: return "picture too large";
    case E_ImageError::NeedsConsent: return "picture expands far beyond its file size";
    case E_ImageError::NoPicture: return "no picture loaded";
    case E_ImageError::BadLayout: return "picture fields do not match its pixel buffer";
    case E_ImageError::CannotEncode: return "picture does not fit the target format";
    }
    return "unknown error";
}

bool C_ImageError::Set(E_ImageError eCode, std::string strDetail)
{
    return Set(eCode, nullptr, std::move(strDetail));
}

bool C_ImageError::Set(E_ImageError eCode, const char* pszFormat, std::string strDetail)
{
    m_eCode = eCode;
    m_pszFormat = pszFormat;
    m_strDetail = std::move(strDetail);
    return false;
}

std::string C_ImageError::Text() const
{
    std::string strText;
    if (m_eCode == E_ImageError::Decode || m_eCode == E_ImageError::Encode || m_eCode == E_ImageError::NoFrame) {
        strText = std::string(m_pszFormat ? m_pszFormat : "picture") + " ";
    }
    strText += ImageErrorText(m_eCode);
    if (!m_strDetail.empty())
        strText += ": " + m_strDetail;
    return strText;
}
