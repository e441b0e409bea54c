#pragma once
// The found dialog ("Hidden Message Found!"): name and size of the payload revealed; OK is "Save...".

#include "commands/C_TemplateDialog.h"

#include <cstdint>
#include <string>

class C_FoundDlg : public C_TemplateDialog {
    Q_OBJECT
public:
    explicit C_FoundDlg(QWidget* pParent = nullptr);
    ~C_FoundDlg() override;

    uint32_t m_nSize = 0;   // IDC_FOUND_SIZE, bytes
    std::string m_strName;  // IDC_FOUND_NAME
protected:
    bool DoDataExchange(bool bSave) override;
};
