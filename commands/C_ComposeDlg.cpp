#include "commands/C_ComposeDlg.h"

#include "res/vmk_ids.h"

C_ComposeDlg::C_ComposeDlg(QWidget* pParent)
    : C_TemplateDialog(IDD_COMPOSE, pParent)
{ }

C_ComposeDlg::~C_ComposeDlg() = default;

bool C_ComposeDlg::DoDataExchange(bool bSave)
{
    return ExchangeText(IDC_COMPOSE_TEXT, m_strText, bSave) && ExchangeMaxChars(IDC_COMPOSE_TEXT, m_strText, 250, bSave)
        && ExchangeText(IDC_COMPOSE_SUBJECT, m_strSubject, bSave)
        && ExchangeMaxChars(IDC_COMPOSE_SUBJECT, m_strSubject, 30, bSave);
}
