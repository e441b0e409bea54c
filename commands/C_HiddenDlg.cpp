#include "commands/C_HiddenDlg.h"

#include "res/vmk_ids.h"

C_HiddenDlg::C_HiddenDlg(QWidget* pParent)
    : C_TemplateDialog(IDD_HIDDEN, pParent)
{ }

C_HiddenDlg::~C_HiddenDlg() = default;

bool C_HiddenDlg::DoDataExchange(bool bSave)
{
    return ExchangeText(IDC_HIDDEN_NAME, m_strName, bSave) && ExchangeUInt(IDC_HIDDEN_SIZE, m_nSize, bSave);
}
