#pragma once
// Refuses any edit of a line edit that would leave more than n bytes of UTF-8 or a NUL, so a
// pass phrase past the sealed record's limit can be neither typed nor pasted.

#include <QValidator>

#include <functional>

class C_ByteLimitValidator : public QValidator {
    Q_OBJECT
public:
    C_ByteLimitValidator(int nMaxBytes, QObject* pParent);
    State validate(QString& strInput, int& nPos) const override;
    // Called when an edit is refused for its length, so the field can say why nothing happened.
    void SetOnTooLong(std::function<void()> fnTooLong) { m_fnTooLong = std::move(fnTooLong); }

private:
    int m_nMaxBytes;
    std::function<void()> m_fnTooLong;
};
