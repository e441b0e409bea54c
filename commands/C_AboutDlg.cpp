#include "commands/C_AboutDlg.h"

#include "res/vmk_ids.h"

C_AboutDlg::C_AboutDlg(QWidget* pParent)
    : C_TemplateDialog(IDD_ABOUTBOX, pParent)
{ }

C_AboutDlg::~C_AboutDlg() = default;

bool C_AboutDlg::DoDataExchange(bool bSave)
{
    (void)bSave;
    return true;
}
