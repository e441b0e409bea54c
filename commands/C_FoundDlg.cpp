#include "commands/C_FoundDlg.h"

#include "res/vmk_ids.h"

C_FoundDlg::C_FoundDlg(QWidget* pParent) : C_TemplateDialog(IDD_FOUND, pParent) {}

C_FoundDlg::~C_FoundDlg() = default;

bool C_FoundDlg::DoDataExchange(bool bSave)
{
    return ExchangeUInt(1030, m_nSize, bSave) && ExchangeText(1028, m_strName, bSave);
}
