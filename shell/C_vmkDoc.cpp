#include "shell/C_vmkDoc.h"

#include "model/C_Carrier.h"
#include "model/C_Message.h"
#include "res/vmk_ids.h"
#include "res/vmk_strings.h"
#include "shell/C_ChildFrame.h"
#include "shell/C_MainFrame.h"
#include "shell/C_ShellPrompts.h"
#include "shell/C_SplashWnd.h"
#include "shell/C_vmkApp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>

#include <algorithm>

namespace {

// The owner of the shell's boxes. The splash goes first: a box under it would wait unseen,
// and the first key pressed for the box would only close the splash.
QWidget* PromptOwner(C_vmkApp* pApp) {
    if (C_SplashWnd* pSplash = C_SplashWnd::GetCurrent()) pSplash->CloseSplash();
    return pApp->GetMainFrame();
}

QString FormatName(E_ImageFormat eFormat) {
    switch (eFormat) {
    case E_ImageFormat::Bmp: return QStringLiteral("BMP");
    case E_ImageFormat::Gif: return QStringLiteral("GIF");
    case E_ImageFormat::Pcx: return QStringLiteral("PCX");
    case E_ImageFormat::None: break;
    }
    return {};
}

}  // namespace

C_vmkDoc::C_vmkDoc(QObject* pParent) : QObject(pParent) {}

C_vmkDoc::~C_vmkDoc() = default;

bool C_vmkDoc::HasPicture() const {
    if (!m_pCarrier) return false;
    const BTCImageData* pData = m_pCarrier->GetObjectDataPtr();
    return pData && !pData->IsEmpty();
}

void C_vmkDoc::SetTitle(const QString& strTitle) {
    m_strTitle = strTitle;
    emit TitleChanged(m_strTitle);
}

void C_vmkDoc::SetModifiedFlag(bool bModified) {
    if (m_bModified == bModified) return;
    m_bModified = bModified;
    emit ModifiedChanged(m_bModified);
}

void C_vmkDoc::OnMessageHidden(const C_HiddenRecord& record) {
    m_hidden = record;
    SetModifiedFlag(true);
}

bool C_vmkDoc::OnOpenDocument(const QString& strPath) {
    m_pCarrier = std::make_unique<C_Carrier>();
    const std::string strFile = QFile::encodeName(strPath).toStdString();
    bool bOpened = m_pCarrier->OpenImage(strFile);
    bool bDeclined = false;
    if (!bOpened && m_pCarrier->GetLastErrorCode() == E_ImageError::NeedsConsent) {
        // A small file that expands enormously may be an attack on memory; the user decides.
        C_vmkApp* pApp = C_vmkApp::Instance();
        const bool bBusy = QApplication::overrideCursor() != nullptr;  // no wait cursor over a question
        if (bBusy) QApplication::restoreOverrideCursor();
        bDeclined = !pApp || !pApp->Prompts().AskYesNo(PromptOwner(pApp), QString::fromUtf8(vmk::kStrLargePicture));
        if (bBusy) QApplication::setOverrideCursor(Qt::WaitCursor);
        if (!bDeclined) {
            m_pCarrier->SetAllowLarge(true);
            bOpened = m_pCarrier->OpenImage(strFile);
        }
    }
    if (!bOpened) {
        if (!bDeclined) ReportImageError(QString::fromUtf8(vmk::kStrOpenFailed));
        // The document is destroyed by the caller; release the picture now all the same.
        if (BTCImageData* pData = m_pCarrier->GetObjectDataPtr()) pData->DeleteObject();
        return false;
    }
    const QFileInfo fi(strPath);
    m_strPathName = strPath;
    SetTitle(fi.fileName());
    if (C_vmkApp* pApp = C_vmkApp::Instance()) pApp->AddToRecentFileList(strPath);
    // The picture's folder becomes the current directory; a failure is not reported.
    QDir::setCurrent(fi.absolutePath());
    return true;
}

bool C_vmkDoc::OnCmdMsg(unsigned nId, bool bRun) {
    switch (nId) {
    case ID_FILE_SAVE_AS:
        if (bRun) OnFileSaveAs();
        return true;
    case ID_FILE_CLOSE:
        if (bRun) OnFileClose();
        return true;
    default:
        return false;
    }
}

void C_vmkDoc::OnFileSaveAs() { DoSaveAs(); }

bool C_vmkDoc::DoSaveAs() {
    if (!HasPicture()) return false;
    C_vmkApp* pApp = C_vmkApp::Instance();
    if (!pApp) return false;
    // A name typed under "All Supported Types" keeps the format the picture was read in.
    const E_ImageFormat eSource = m_pCarrier->GetObjectDataPtr()->GetSourceFormat();
    const QString strPath = pApp->Prompts().ChooseSaveFile(pApp->GetMainFrame(), QString::fromUtf8(vmk::kStrSaveFilter),
                                                           FormatName(eSource).toLower());
    if (strPath.isEmpty()) return false;  // Cancel
    // The format comes from the name's last three characters. Path name, title and the
    // recent-file list stay as they were.
    const E_ImageFormat eTarget = C_Carrier::FormatForPath(QFile::encodeName(strPath).toStdString());
    if (m_hidden && eTarget != E_ImageFormat::None && eTarget != eSource &&
        !pApp->Prompts().AskYesNo(pApp->GetMainFrame(),
                                  QString::fromUtf8(vmk::kStrFormatLosesMessage).arg(FormatName(eTarget))))
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);  // a large picture takes a moment to write
    const bool bSaved = m_pCarrier->SaveImage(QFile::encodeName(strPath).toStdString());
    // Read back as a stranger would, so that a lossy format or a changed picture is caught.
    const bool bKept = !bSaved || !m_hidden || HiddenRecordSurvives(strPath);
    QApplication::restoreOverrideCursor();
    if (!bSaved) {
        // The picture is kept: a typo in a file name must not destroy a message hidden in it.
        ReportImageError(QString::fromUtf8(vmk::kStrSaveFailed));
        return false;
    }
    if (!bKept) {
        // Still marked as changed: no file holds what this window holds.
        pApp->Prompts().ShowMessage(pApp->GetMainFrame(), QString::fromUtf8(vmk::kStrMessageNotSaved));
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

bool C_vmkDoc::HiddenRecordSurvives(const QString& strPath) const {
    C_Carrier reread;
    reread.SetAllowLarge(true);  // the user already has this picture open
    if (!reread.OpenImage(QFile::encodeName(strPath).toStdString())) return false;
    reread.m_strPassword = m_hidden->m_strPassword;
    C_Message message;
    if (!reread.RevealMessage(message)) return false;
    const uint8_t* pData = message.GetData();
    return message.m_strName == m_hidden->m_strName && message.m_nSize == m_hidden->m_aData.size() &&
           (message.m_nSize == 0 || (pData && std::equal(m_hidden->m_aData.begin(), m_hidden->m_aData.end(), pData)));
}

bool C_vmkDoc::SaveModified() {
    if (!m_bModified) return true;
    C_vmkApp* pApp = C_vmkApp::Instance();
    if (!pApp) return true;
    // The picture asked about comes to the front.
    if (m_pFrame && pApp->GetMainFrame()) pApp->GetMainFrame()->GetMdiArea()->setActiveSubWindow(m_pFrame);
    const QString strName = QFileInfo(m_strPathName).fileName();
    switch (pApp->Prompts().AskSaveChanges(PromptOwner(pApp), QString::fromUtf8(vmk::kStrSaveChanges).arg(strName))) {
    case C_ShellPrompts::E_SaveChoice::Save: return DoSaveAs();
    case C_ShellPrompts::E_SaveChoice::Discard: return true;
    case C_ShellPrompts::E_SaveChoice::Cancel: break;
    }
    return false;
}

void C_vmkDoc::OnFileClose() {
    if (m_pFrame) m_pFrame->close();
}

void C_vmkDoc::ReportImageError(const QString& strText) {
    if (C_vmkApp* pApp = C_vmkApp::Instance()) pApp->Prompts().ShowMessage(PromptOwner(pApp), strText);
}
