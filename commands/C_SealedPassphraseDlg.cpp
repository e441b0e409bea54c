#include "commands/C_SealedPassphraseDlg.h"

#include "commands/C_ByteLimitValidator.h"
#include "commands/C_PassphraseStrength.h"
#include "commands/vmk_command_texts.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SecretBytes.h"
#include "res/vmk_ids.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolTip>

C_SealedPassphraseDlg::C_SealedPassphraseDlg(bool bTwice, QWidget* pParent)
    : C_TemplateDialog(bTwice ? IDD_SEALED_HIDE : IDD_SEALED_REVEAL, pParent)
    , m_bTwice(bTwice)
{
    // Typing stops at the limit and a longer paste is refused whole, never cut: a word by the
    // field says why nothing was taken.
    const auto limit = [](QLineEdit* pEdit) {
        auto* pValidator = new C_ByteLimitValidator(int(C_SealedRecord::kMaxPassphraseBytes), pEdit);
        pValidator->SetOnTooLong([pEdit] {
            QToolTip::showText(pEdit->mapToGlobal(QPoint(0, pEdit->height())),
                QString::fromUtf8(vmk::kStrSealedPassphraseTooLong), pEdit);
        });
        pEdit->setValidator(pValidator);
    };
    if (auto* pEdit = qobject_cast<QLineEdit*>(Control(IDC_SEALED_PASSPHRASE))) {
        limit(pEdit);
        if (m_bTwice)
            connect(pEdit, &QLineEdit::textChanged, this, &C_SealedPassphraseDlg::ShowStrength);
    }
    if (auto* pEdit = qobject_cast<QLineEdit*>(Control(IDC_SEALED_AGAIN)))
        limit(pEdit);
}

C_SealedPassphraseDlg::~C_SealedPassphraseDlg()
{
    ClearSecret(IDC_SEALED_PASSPHRASE);
    ClearSecret(IDC_SEALED_AGAIN);
    C_SecretBytes::WipeString(m_strFirst);
    C_SecretBytes::WipeString(m_strSecond);
}

bool C_SealedPassphraseDlg::DoDataExchange(bool bSave)
{
    if (!ExchangePassphrase(IDC_SEALED_PASSPHRASE, m_strFirst, bSave))
        return false;
    if (m_bTwice && !ExchangePassphrase(IDC_SEALED_AGAIN, m_strSecond, bSave))
        return false;
    if (!bSave)
        ShowStrength();
    return true;
}

bool C_SealedPassphraseDlg::ExchangePassphrase(unsigned nId, std::string& str, bool bSave)
{
    ExchangeText(nId, str, bSave);
    if (!bSave)
        return true;
    // Typing cannot pass the limit; a program filling the field can.
    switch (C_SealedRecord::CheckPassphrase(str)) {
    case C_SealedRecord::E_Passphrase::Valid: return true;
    case C_SealedRecord::E_Passphrase::TooLong: return Fail(nId, QString::fromUtf8(vmk::kStrSealedPassphraseTooLong));
    case C_SealedRecord::E_Passphrase::HasNul:
    case C_SealedRecord::E_Passphrase::NotUtf8: break;
    }
    return Fail(nId, QString::fromUtf8(vmk::kStrSealedPassphraseNotText));
}

void C_SealedPassphraseDlg::ShowStrength()
{
    auto* pLabel = qobject_cast<QLabel*>(Control(IDC_SEALED_STRENGTH));
    auto* pEdit = qobject_cast<QLineEdit*>(Control(IDC_SEALED_PASSPHRASE));
    if (pLabel && pEdit)
        pLabel->setText(QString::fromStdString(C_PassphraseStrength::Describe(pEdit->text().toStdString())));
}
