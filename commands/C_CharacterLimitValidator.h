#pragma once
// Refuses any edit of a line edit that would leave more than n characters (C_TextCount), so a
// character beyond the limit can be neither typed nor pasted.

#include <QValidator>

class C_CharacterLimitValidator : public QValidator {
    Q_OBJECT
public:
    C_CharacterLimitValidator(int nMax, QObject* pParent);
    State validate(QString& strInput, int& nPos) const override;

private:
    int m_nMax;
};
