#pragma once
// Refuses any edit of a line edit that would leave more than n bytes of UTF-8 or a NUL, so a
// pass phrase past the sealed record's limit can be neither typed nor pasted.

#include <QValidator>

class C_ByteLimitValidator : public QValidator {
    Q_OBJECT
public:
    C_ByteLimitValidator(int nMaxBytes, QObject* pParent);
    State validate(QString& strInput, int& nPos) const override;

private:
    int m_nMaxBytes;
};
