#include "commands/C_HiddenDlg.h"

#include "res/vmk_ids.h"

#include <QLabel>
#include <QWidget>

C_HiddenDlg::C_HiddenDlg(QWidget* pParent)
    : C_TemplateDialog(IDD_HIDDEN, pParent)
{
    // The only field without a label of its own: the sentence above it introduces the name.
    if (QWidget* pName = Control(IDC_HIDDEN_NAME))
        pName->setAccessibleName(QStringLiteral("Message Name"));
}

C_HiddenDlg::~C_HiddenDlg() = default;

void C_HiddenDlg::SetHow(const std::string& strHow)
{
    QWidget* pOk = Control(IDOK);
    QWidget* pName = Control(IDC_HIDDEN_NAME);
    if (strHow.empty() || !pOk || !pName || findChild<QLabel*>(QStringLiteral("HiddenHow")))
        return;
    // Between the fields and OK, as wide as the dialog's margins allow; OK moves down by as much.
    auto* pHow = new QLabel(QString::fromStdString(strHow), this);
    pHow->setObjectName(QStringLiteral("HiddenHow"));
    pHow->setTextFormat(Qt::PlainText);
    pHow->setWordWrap(true);
    const int nLeft = pName->x();
    const int nWidth = width() - 2 * nLeft;
    const int nHeight = pHow->heightForWidth(nWidth);
    const int nGap = pOk->y() - pName->geometry().bottom();
    pHow->setGeometry(nLeft, pName->geometry().bottom() + nGap / 2, nWidth, nHeight);
    pOk->move(pOk->x(), pOk->y() + nHeight + nGap / 2);
    setFixedSize(width(), height() + nHeight + nGap / 2);
}

bool C_HiddenDlg::DoDataExchange(bool bSave)
{
    return ExchangeText(IDC_HIDDEN_NAME, m_strName, bSave) && ExchangeUInt(IDC_HIDDEN_SIZE, m_nSize, bSave);
}
