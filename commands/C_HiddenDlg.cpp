#include "commands/C_HiddenDlg.h"

#include "res/vmk_ids.h"

C_HiddenDlg::C_HiddenDlg(QWidget* pParent) : C_TemplateDialog(IDD_HIDDEN, pParent) {}

C_HiddenDlg::~C_HiddenDlg() = default;

bool C_HiddenDlg::DoDataExchange(bool bSave)
{
    return ExchangeText(1004, m_strName, bSave) && ExchangeUInt(1027, m_nSize, bSave);
}
