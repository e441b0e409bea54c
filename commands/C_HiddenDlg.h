#pragma once
// The success dialog ("Success!"): the name and size of the payload just hidden.

#include "commands/C_TemplateDialog.h"

#include <cstdint>
#include <string>

class C_HiddenDlg : public C_TemplateDialog {
    Q_OBJECT
public:
    explicit C_HiddenDlg(QWidget* pParent = nullptr);
    ~C_HiddenDlg() override;

    std::string m_strName;  // IDC_HIDDEN_NAME
    uint32_t m_nSize = 0;   // IDC_HIDDEN_SIZE, bytes
protected:
    bool DoDataExchange(bool bSave) override;
};
