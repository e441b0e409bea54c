#pragma once
// The outcome of one decode or encode: a code from E_ImageError and, where a lower layer gave
// one, its own words (giflib's text, the system's errno text).

#include "model/pictures/E_ImageError.h"

#include <string>

class C_ImageError {
public:
    // Records the failure and returns false, so a codec can write `return err.Set(...)`.
    bool Set(E_ImageError eCode, std::string strDetail = {});
    // The same for a failure of one format's, whose name ("PNG") the text then carries.
    bool Set(E_ImageError eCode, const char* pszFormat, std::string strDetail = {});

    E_ImageError GetCode() const { return m_eCode; }
    // "<code text>" or "<code text>: <detail>", the format's name first where the code needs it.
    std::string Text() const;

private:
    E_ImageError m_eCode = E_ImageError::None;
    const char* m_pszFormat = nullptr;
    std::string m_strDetail;
};
