#include "commands/C_ByteLimitValidator.h"

C_ByteLimitValidator::C_ByteLimitValidator(int nMaxBytes, QObject* pParent)
    : QValidator(pParent)
    , m_nMaxBytes(nMaxBytes)
{ }

QValidator::State C_ByteLimitValidator::validate(QString& strInput, int&) const
{
    // A NUL would cut the pass phrase short in any program that reads it as C text.
    if (strInput.contains(QChar(0)))
        return Invalid;
    if (strInput.toUtf8().size() <= m_nMaxBytes)
        return Acceptable;
    if (m_fnTooLong)
        m_fnTooLong();
    return Invalid;
}
