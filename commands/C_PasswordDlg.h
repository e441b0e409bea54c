#pragma once
// The pass phrase dialog ("Enter Password"): the pass phrase twice, at most 15 characters each.
// Its fields and entries are wiped when it goes.

#include "commands/C_TemplateDialog.h"

#include <cstdint>
#include <string>

class C_PasswordDlg : public C_TemplateDialog {
    Q_OBJECT
public:
    explicit C_PasswordDlg(QWidget* pParent = nullptr);
    ~C_PasswordDlg() override;

    std::string m_strFirst;   // IDC_PASSWORD, UTF-8
    std::string m_strSecond;  // IDC_PASSWORD_AGAIN, UTF-8
protected:
    bool DoDataExchange(bool bSave) override;
};
