#include "commands/C_ComposeDlg.h"

#include "res/vmk_ids.h"

C_ComposeDlg::C_ComposeDlg(QWidget* pParent) : C_TemplateDialog(IDD_COMPOSE, pParent) {}

C_ComposeDlg::~C_ComposeDlg() = default;

bool C_ComposeDlg::DoDataExchange(bool bSave)
{
    return ExchangeText(1004, m_strText, bSave) && ExchangeMaxChars(1004, m_strText, 250, bSave)
           && ExchangeText(1002, m_strSubject, bSave) && ExchangeMaxChars(1002, m_strSubject, 30, bSave);
}
