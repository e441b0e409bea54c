#include "commands/C_DialogPrompts.h"

#include "commands/C_AboutDlg.h"
#include "commands/C_ComposeDlg.h"
#include "commands/C_FoundDlg.h"
#include "commands/C_HiddenDlg.h"
#include "commands/C_PasswordDlg.h"
#include "commands/C_PropertiesDlg.h"
#include "commands/vmk_command_texts.h"
#include "model/C_CarrierInfo.h"

#include <QDir>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

C_Prompts*& InstalledPrompts()
{
    static C_Prompts* pInstalled = nullptr;
    return pInstalled;
}

}  // namespace

C_Prompts& C_DialogPrompts::ForWindow(QWidget* pOwner)
{
    if (C_Prompts* pInstalled = InstalledPrompts())
        return *pInstalled;
    static C_DialogPrompts prompts(nullptr);
    prompts.m_pOwner = pOwner ? pOwner->window() : nullptr;
    return prompts;
}

void C_DialogPrompts::Install(C_Prompts* pPrompts)
{
    InstalledPrompts() = pPrompts;
}

QStringList C_DialogPrompts::ToNameFilters(const std::string& strFilter)
{
    const QStringList parts = QString::fromStdString(strFilter).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString strPatterns = parts[i + 1];
        strPatterns.replace(u';', u' ');
        filters << parts[i] + QStringLiteral(" (") + strPatterns + u')';
    }
    return filters;
}

std::string C_DialogPrompts::RunFileDialog(bool bSave, const C_FileDialogArgs& args)
{
    QFileDialog dialog(m_pOwner, QString::fromStdString(args.m_strTitle));
    dialog.setAcceptMode(bSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Open accepts any name typed (nothing requires the file to exist); save asks before replacing.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(QDir::currentPath());
    dialog.setNameFilters(ToNameFilters(args.m_strFilter));
    // The descriptions already list their patterns; showing them twice reads as a fault.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    // A wildcard default extension (".*", "*") adds nothing to a typed name.
    QString strSuffix = QString::fromStdString(args.m_strDefaultExt);
    if (strSuffix.startsWith(u'.'))
        strSuffix.remove(0, 1);
    if (!strSuffix.contains(u'*'))
        dialog.setDefaultSuffix(strSuffix);
    if (!args.m_strInitialName.empty())
        dialog.selectFile(QString::fromStdString(args.m_strInitialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first().toStdString();
}

std::string C_DialogPrompts::ChooseOpenFile(const C_FileDialogArgs& args)
{
    return RunFileDialog(false, args);
}

std::string C_DialogPrompts::ChooseSaveFile(const C_FileDialogArgs& args)
{
    return RunFileDialog(true, args);
}

bool C_DialogPrompts::ShowPasswordDialog(std::string& strFirst, std::string& strSecond)
{
    C_PasswordDlg dlg(m_pOwner);
    dlg.m_strFirst = strFirst;
    dlg.m_strSecond = strSecond;
    if (dlg.DoModal() != QDialog::Accepted)
        return false;
    strFirst = dlg.m_strFirst;
    strSecond = dlg.m_strSecond;
    return true;
}

void C_DialogPrompts::ShowMessage(const std::string& strText)
{
    QMessageBox::warning(m_pOwner, QString::fromUtf8(vmk::kStrMessageCaption), QString::fromStdString(strText));
}

void C_DialogPrompts::ShowHidden(const std::string& strName, uint32_t nSize)
{
    C_HiddenDlg dlg(m_pOwner);
    dlg.m_strName = strName;
    dlg.m_nSize = nSize;
    dlg.DoModal();
}

bool C_DialogPrompts::ShowFound(const std::string& strName, uint32_t nSize)
{
    C_FoundDlg dlg(m_pOwner);
    dlg.m_strName = strName;
    dlg.m_nSize = nSize;
    return dlg.DoModal() == QDialog::Accepted;
}

bool C_DialogPrompts::ShowCompose(std::string& strText, std::string& strSubject)
{
    C_ComposeDlg dlg(m_pOwner);
    dlg.m_strText = strText;
    dlg.m_strSubject = strSubject;
    if (dlg.DoModal() != QDialog::Accepted)
        return false;
    strText = dlg.m_strText;
    strSubject = dlg.m_strSubject;
    return true;
}

void C_DialogPrompts::ShowProperties(const C_CarrierInfo& info)
{
    // The record's signed numbers go into the dialog as the same 32 bits, unsigned.
    C_PropertiesDlg dlg(m_pOwner);
    dlg.m_strPath = info.m_strPath;
    dlg.m_nBitsPerPixel = static_cast<uint32_t>(info.m_nBitsPerPixel);
    dlg.m_nSize = static_cast<uint32_t>(info.m_nSizeKB);
    dlg.m_nHeight = static_cast<uint32_t>(info.m_nHeight);
    dlg.m_nWidth = static_cast<uint32_t>(info.m_nWidth);
    dlg.m_strRemarks = info.m_strRemarks;
    dlg.DoModal();
}

void C_DialogPrompts::ShowAbout()
{
    C_AboutDlg dlg(m_pOwner);
    dlg.DoModal();
}

void C_DialogPrompts::SetBusy(bool bBusy)
{
    if (bBusy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
