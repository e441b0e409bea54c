#pragma once
// The sealed record's pass phrase dialog: up to 1,024 bytes of UTF-8 without NUL. To hide it asks
// twice and shows, as the first entry changes, an estimate of its strength (C_PassphraseStrength);
// to reveal it asks once. Its fields and entries are wiped when it goes.

#include "commands/C_TemplateDialog.h"

#include <string>

class QLabel;

class C_SealedPassphraseDlg : public C_TemplateDialog {
    Q_OBJECT
public:
    // bTwice: the hide dialog (IDD_SEALED_HIDE); otherwise the reveal one (IDD_SEALED_REVEAL).
    explicit C_SealedPassphraseDlg(bool bTwice, QWidget* pParent = nullptr);
    ~C_SealedPassphraseDlg() override;

    std::string m_strFirst;   // IDC_SEALED_PASSPHRASE, UTF-8
    std::string m_strSecond;  // IDC_SEALED_AGAIN, UTF-8; untouched by the reveal dialog

protected:
    bool DoDataExchange(bool bSave) override;

private:
    bool ExchangePassphrase(unsigned nId, std::string& str, bool bSave);
    void ShowStrength();

    bool m_bTwice;
};
