#pragma once
// The success dialog ("Success!"): the name and size of the payload just hidden, and below them,
// when a hide wrote its bits otherwise than by replacing them, how it did.

#include "commands/C_TemplateDialog.h"

#include <cstdint>
#include <string>

class C_HiddenDlg : public C_TemplateDialog {
    Q_OBJECT
public:
    explicit C_HiddenDlg(QWidget* pParent = nullptr);
    ~C_HiddenDlg() override;

    // Lines below the fields (plus or minus one, palette pairing); the dialog grows to hold them,
    // and keeps its classic size without.
    void SetHow(const std::string& strHow);

    std::string m_strName;  // IDC_HIDDEN_NAME
    uint32_t m_nSize = 0;   // IDC_HIDDEN_SIZE, bytes
protected:
    bool DoDataExchange(bool bSave) override;
};
