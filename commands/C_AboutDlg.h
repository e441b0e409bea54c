#pragma once
// The about box: version, slogan and credits; nothing to exchange.

#include "commands/C_TemplateDialog.h"

class C_AboutDlg : public C_TemplateDialog {
    Q_OBJECT
public:
    explicit C_AboutDlg(QWidget* pParent = nullptr);
    ~C_AboutDlg() override;

protected:
    bool DoDataExchange(bool bSave) override;
};
