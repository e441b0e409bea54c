#include "commands/C_PasswordDlg.h"

#include "model/records/C_SecretBytes.h"
#include "res/vmk_ids.h"

C_PasswordDlg::C_PasswordDlg(QWidget* pParent)
    : C_TemplateDialog(IDD_PASSWORD, pParent)
{ }

C_PasswordDlg::~C_PasswordDlg()
{
    ClearSecret(IDC_PASSWORD);
    ClearSecret(IDC_PASSWORD_AGAIN);
    C_SecretBytes::WipeString(m_strFirst);
    C_SecretBytes::WipeString(m_strSecond);
}

bool C_PasswordDlg::DoDataExchange(bool bSave)
{
    return ExchangeText(IDC_PASSWORD, m_strFirst, bSave) && ExchangeMaxChars(IDC_PASSWORD, m_strFirst, 15, bSave)
        && ExchangeText(IDC_PASSWORD_AGAIN, m_strSecond, bSave)
        && ExchangeMaxChars(IDC_PASSWORD_AGAIN, m_strSecond, 15, bSave);
}
