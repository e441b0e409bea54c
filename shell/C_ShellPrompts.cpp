#include "shell/C_ShellPrompts.h"

#include "commands/C_FileDialog.h"
#include "res/vmk_ids.h"
#include "res/vmk_strings.h"

#include <QMessageBox>

namespace {

QString Caption() { return QString::fromUtf8(vmk::LoadString(IDS_APP_TITLE)); }

}  // namespace

QString C_ShellPrompts::ChooseOpenFile(QWidget* pParent, const QString& strTitle,
                                       const QString& strFilter) {
    C_FileDialog dlg(pParent, strTitle, QFileDialog::AcceptOpen, strFilter);
    dlg.setFileMode(QFileDialog::ExistingFile);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    return dlg.selectedFiles().constFirst();
}

QString C_ShellPrompts::ChooseSaveFile(QWidget* pParent, const QString& strFilter,
                                       const QString& strFallbackExt) {
    C_FileDialog dlg(pParent, QString(), QFileDialog::AcceptSave, strFilter, strFallbackExt);
    dlg.setFileMode(QFileDialog::AnyFile);
    // Asking before an existing file is replaced is the dialog's default in save mode.
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    return dlg.selectedFiles().constFirst();
}

void C_ShellPrompts::ShowMessage(QWidget* pParent, const QString& strText) {
    QMessageBox box(QMessageBox::Warning, Caption(), strText, QMessageBox::Ok, pParent);
    box.exec();
}

bool C_ShellPrompts::AskYesNo(QWidget* pParent, const QString& strText) {
    QMessageBox box(QMessageBox::Warning, Caption(), strText, QMessageBox::Yes | QMessageBox::No, pParent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

C_ShellPrompts::E_SaveChoice C_ShellPrompts::AskSaveChanges(QWidget* pParent, const QString& strText) {
    QMessageBox box(QMessageBox::Question, Caption(), strText,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, pParent);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save: return E_SaveChoice::Save;
    case QMessageBox::Discard: return E_SaveChoice::Discard;
    default: return E_SaveChoice::Cancel;
    }
}
