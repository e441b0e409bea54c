#include "commands/C_DialogPrompts.h"

#include "commands/C_AboutDlg.h"
#include "commands/C_AppSettings.h"
#include "commands/C_ComposeDlg.h"
#include "commands/C_DetectionCheckDlg.h"
#include "commands/C_FileDialog.h"
#include "commands/C_FoundDlg.h"
#include "commands/C_HiddenDlg.h"
#include "commands/C_HideAcrossDlg.h"
#include "commands/C_PasswordDlg.h"
#include "commands/C_PictureDlg.h"
#include "commands/C_PropertiesDlg.h"
#include "commands/C_SealedPassphraseDlg.h"
#include "commands/C_StepsDlg.h"
#include "res/vmk_ids.h"
#include "res/vmk_strings.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <climits>

namespace {

// Every box of the program carries the application's title.
QString Caption()
{
    return QString::fromUtf8(vmk::LoadString(IDS_APP_TITLE));
}

// Where the last file dialog was left, kept across runs in the application's settings.
const QString kLastFolderKey = QStringLiteral("File Dialog/Folder");

}  // namespace

std::vector<std::string> C_DialogPrompts::RunFileDialog(bool bSave, const C_FileDialogArgs& args, bool bMany)
{
    C_FileDialog dialog(m_pOwner, QString::fromStdString(args.m_strTitle),
        bSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen, QString::fromStdString(args.m_strFilter),
        QString::fromStdString(args.m_strDefaultExt));
    // Unless the caller requires an existing file, any name typed is accepted; save asks
    // before replacing.
    dialog.setFileMode(bMany    ? QFileDialog::ExistingFiles
            : args.m_bMustExist ? QFileDialog::ExistingFile
                                : QFileDialog::AnyFile);
    if (args.m_bStartInCurrentDir) {
        dialog.setDirectory(QDir::currentPath());
    } else {
        const QString strFolder = C_AppSettings::Open().value(kLastFolderKey).toString();
        if (!strFolder.isEmpty() && QFileInfo(strFolder).isDir())
            dialog.setDirectory(strFolder);
    }
    if (!args.m_strInitialName.empty())
        dialog.selectFile(QString::fromStdString(args.m_strInitialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QStringList chosen = dialog.selectedFiles();
    C_AppSettings::Open().setValue(kLastFolderKey, QFileInfo(chosen.first()).absolutePath());
    std::vector<std::string> files;
    for (const QString& strChosen : chosen)
        files.push_back(strChosen.toStdString());
    return files;
}

std::string C_DialogPrompts::ChooseOpenFile(const C_FileDialogArgs& args)
{
    const std::vector<std::string> files = RunFileDialog(false, args);
    return files.empty() ? std::string() : files.front();
}

std::string C_DialogPrompts::ChooseSaveFile(const C_FileDialogArgs& args)
{
    const std::vector<std::string> files = RunFileDialog(true, args);
    return files.empty() ? std::string() : files.front();
}

std::vector<std::string> C_DialogPrompts::ChooseOpenFiles(const C_FileDialogArgs& args)
{
    return RunFileDialog(false, args, true);
}

bool C_DialogPrompts::ShowHideAcross(C_AcrossChoice& choice, const C_AcrossChoice::T_Weigh& fnWeigh)
{
    C_HideAcrossDlg dlg(choice, fnWeigh, m_pOwner);
    return dlg.exec() == QDialog::Accepted;
}

bool C_DialogPrompts::RunSteps(
    const std::string& strText, size_t nSteps, const std::function<void(const T_Step&)>& fnWork)
{
    return C_StepsDlg::Run(m_pOwner, strText, nSteps, fnWork);
}

std::string C_DialogPrompts::ChooseFolder(const std::string& strTitle, const std::string& strStart)
{
    // Where asked, else where the last file dialog was left.
    QString strFolder = QString::fromStdString(strStart);
    if (strFolder.isEmpty() || !QFileInfo(strFolder).isDir())
        strFolder = C_AppSettings::Open().value(kLastFolderKey).toString();
    const QString strChosen = QFileDialog::getExistingDirectory(m_pOwner, QString::fromStdString(strTitle), strFolder);
    if (strChosen.isEmpty())
        return {};
    C_AppSettings::Open().setValue(kLastFolderKey, strChosen);
    return strChosen.toStdString();
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

bool C_DialogPrompts::ShowSealedPassphraseDialog(std::string& strFirst, std::string& strSecond, bool bTwice)
{
    C_SealedPassphraseDlg dlg(bTwice, m_pOwner);
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
    QMessageBox::warning(m_pOwner, Caption(), QString::fromStdString(strText));
}

bool C_DialogPrompts::ShowMessageOffering(const std::string& strText, const std::string& strChoice)
{
    QMessageBox box(QMessageBox::Warning, Caption(), QString::fromStdString(strText), QMessageBox::Ok, m_pOwner);
    QPushButton* pChoice = box.addButton(QString::fromStdString(strChoice), QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == pChoice;
}

void C_DialogPrompts::ShowPicture(const std::string& strTitle, const std::string& strText,
    const std::vector<uint8_t>& aRgb, uint32_t nWidth, uint32_t nHeight)
{
    // A QImage holds at most 2 GiB; the decoders refuse pictures that large long before.
    const uint64_t nBytes = uint64_t(nWidth) * nHeight * 3;
    if (nWidth == 0 || nHeight == 0 || nBytes > uint64_t(INT_MAX) || aRgb.size() < nBytes)
        return;
    // QImage only reads the buffer here; copy() gives the window its own.
    const QImage img = QImage(aRgb.data(), int(nWidth), int(nHeight), int(nWidth * 3), QImage::Format_RGB888).copy();
    auto* pDlg = new C_PictureDlg(QString::fromStdString(strTitle), QString::fromStdString(strText), img, m_pOwner);
    pDlg->show();
}

bool C_DialogPrompts::AskYesNo(const std::string& strText)
{
    QMessageBox box(
        QMessageBox::Warning, Caption(), QString::fromStdString(strText), QMessageBox::Yes | QMessageBox::No, m_pOwner);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

C_Prompts::E_SaveChoice C_DialogPrompts::AskSaveChanges(const std::string& strText)
{
    QMessageBox box(QMessageBox::Question, Caption(), QString::fromStdString(strText),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, m_pOwner);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save: return E_SaveChoice::Save;
    case QMessageBox::Discard: return E_SaveChoice::Discard;
    default: return E_SaveChoice::Cancel;
    }
}

void C_DialogPrompts::ShowHidden(const std::string& strName, uint32_t nSize, const std::string& strHow)
{
    C_HiddenDlg dlg(m_pOwner);
    dlg.m_strName = strName;
    dlg.m_nSize = nSize;
    dlg.SetHow(strHow);
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

void C_DialogPrompts::ShowDetectionCheck(const S_DetectionResult& result, uint32_t nRecommended, uint32_t nCapacity)
{
    C_DetectionCheckDlg dlg(result, nRecommended, nCapacity, m_pOwner);
    dlg.exec();
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
