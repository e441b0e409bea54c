#include "shell/C_vmkDoc.h"

#include "model/C_Carrier.h"
#include "res/vmk_ids.h"
#include "res/vmk_strings.h"
#include "shell/C_ChildFrame.h"
#include "shell/C_MainFrame.h"
#include "shell/C_ShellPrompts.h"
#include "shell/C_vmkApp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

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

bool C_vmkDoc::OnOpenDocument(const QString& strPath) {
    m_pCarrier = std::make_unique<C_Carrier>();
    if (!m_pCarrier->OpenImage(QFile::encodeName(strPath).toStdString())) {
        ReportImageError(QString::fromUtf8(vmk::kStrOpenFailed));
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

void C_vmkDoc::OnFileSaveAs() {
    if (!HasPicture()) return;
    C_vmkApp* pApp = C_vmkApp::Instance();
    if (!pApp) return;
    const QString strPath =
        pApp->Prompts().ChooseSaveFile(pApp->GetMainFrame(), QString::fromUtf8(vmk::kStrSaveFilter));
    if (strPath.isEmpty()) return;  // Cancel
    // The format comes from the name's last three characters. Path name, title and the
    // recent-file list stay as they were.
    QApplication::setOverrideCursor(Qt::WaitCursor);  // a large picture takes a moment to write
    const bool bSaved = m_pCarrier->SaveImage(QFile::encodeName(strPath).toStdString());
    QApplication::restoreOverrideCursor();
    if (!bSaved) {
        // The picture is kept: a typo in a file name must not destroy a message hidden in it.
        ReportImageError(QString::fromUtf8(vmk::kStrSaveFailed));
    }
}

void C_vmkDoc::OnFileClose() {
    if (m_pFrame) m_pFrame->close();
}

void C_vmkDoc::ReportImageError(const QString& strText) {
    if (C_vmkApp* pApp = C_vmkApp::Instance())
        pApp->Prompts().ShowMessage(pApp->GetMainFrame(), strText);
}
