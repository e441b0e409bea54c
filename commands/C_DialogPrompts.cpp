#include "commands/C_DialogPrompts.h"

#include "commands/C_AboutDlg.h"
#include "commands/C_ComposeDlg.h"
#include "commands/C_FileDialog.h"
#include "commands/C_FoundDlg.h"
#include "commands/C_HiddenDlg.h"
#include "commands/C_PasswordDlg.h"
#include "commands/C_PropertiesDlg.h"
#include "commands/vmk_command_texts.h"

#include <QDir>
#include <QApplication>
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

std::string C_DialogPrompts::RunFileDialog(bool bSave, const C_FileDialogArgs& args)
{
    C_FileDialog dialog(m_pOwner, QString::fromStdString(args.m_strTitle),
                        bSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen,
                        QString::fromStdString(args.m_strFilter), QString::fromStdString(args.m_strDefaultExt));
    // Open accepts any name typed (nothing requires the file to exist); save asks before replacing.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(QDir::currentPath());
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
    C_PropertiesDlg dlg(m_pOwner);
    dlg.SetInfo(info);
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
