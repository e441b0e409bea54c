#include "shell/C_ShellPrompts.h"

#include "res/vmk_ids.h"
#include "res/vmk_strings.h"

#include <QFileDialog>
#include <QMessageBox>

QString C_ShellPrompts::ChooseOpenFile(QWidget* pParent, const QString& strTitle,
                                       const QString& strFilter) {
    QFileDialog dlg(pParent, strTitle);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilters(ToNameFilters(strFilter));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    return dlg.selectedFiles().constFirst();
}

QString C_ShellPrompts::ChooseSaveFile(QWidget* pParent, const QString& strFilter) {
    QFileDialog dlg(pParent);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setNameFilters(ToNameFilters(strFilter));
    // Asking before an existing file is replaced is the dialog's default in save mode.
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    return dlg.selectedFiles().constFirst();
}

void C_ShellPrompts::ShowMessage(QWidget* pParent, const QString& strText) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(vmk::LoadString(IDS_APP_TITLE)),
                    strText, QMessageBox::Ok, pParent);
    box.exec();
}

QStringList C_ShellPrompts::ToNameFilters(const QString& strFilter) {
    const QStringList parts = strFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;  // the final "|" ends the list
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        // Qt reads the patterns from the last parenthesised group of each filter.
        filters << parts[i] + QStringLiteral(" (") + patterns + u')';
    }
    return filters;
}
