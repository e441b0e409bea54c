#include "commands/C_FoundDlg.h"

#include "res/vmk_ids.h"

C_FoundDlg::C_FoundDlg(QWidget* pParent)
    : C_TemplateDialog(IDD_FOUND, pParent)
{ }

C_FoundDlg::~C_FoundDlg() = default;

bool C_FoundDlg::DoDataExchange(bool bSave)
{
    return ExchangeUInt(IDC_FOUND_SIZE, m_nSize, bSave) && ExchangeText(IDC_FOUND_NAME, m_strName, bSave);
}
