#include "commands/C_PasswordDlg.h"

#include "res/vmk_ids.h"

C_PasswordDlg::C_PasswordDlg(QWidget* pParent) : C_TemplateDialog(IDD_PASSWORD, pParent) {}

C_PasswordDlg::~C_PasswordDlg() = default;

bool C_PasswordDlg::DoDataExchange(bool bSave)
{
    return ExchangeText(1022, m_strFirst, bSave) && ExchangeMaxChars(1022, m_strFirst, 15, bSave)
           && ExchangeText(1023, m_strSecond, bSave) && ExchangeMaxChars(1023, m_strSecond, 15, bSave);
}
