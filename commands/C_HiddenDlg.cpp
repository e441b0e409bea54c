#include "commands/C_HiddenDlg.h"

#include "res/vmk_ids.h"

#include <QWidget>

C_HiddenDlg::C_HiddenDlg(QWidget* pParent)
    : C_TemplateDialog(IDD_HIDDEN, pParent)
{
    // The only field without a label of its own: the sentence above it introduces the name.
    if (QWidget* pName = Control(IDC_HIDDEN_NAME))
        pName->setAccessibleName(QStringLiteral("Message Name"));
}

C_HiddenDlg::~C_HiddenDlg() = default;

bool C_HiddenDlg::DoDataExchange(bool bSave)
{
    return ExchangeText(IDC_HIDDEN_NAME, m_strName, bSave) && ExchangeUInt(IDC_HIDDEN_SIZE, m_nSize, bSave);
}
