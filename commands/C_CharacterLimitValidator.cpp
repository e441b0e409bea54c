#include "commands/C_CharacterLimitValidator.h"

#include "commands/C_TextCount.h"

C_CharacterLimitValidator::C_CharacterLimitValidator(int nMax, QObject* pParent)
    : QValidator(pParent)
    , m_nMax(nMax)
{ }

QValidator::State C_CharacterLimitValidator::validate(QString& strInput, int&) const
{
    return C_TextCount::Count(strInput) <= m_nMax ? Acceptable : Invalid;
}
