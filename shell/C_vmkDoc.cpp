#include "shell/C_vmkDoc.h"

#include "commands/C_BusyScope.h"
#include "commands/C_Prompts.h"
#include "model/C_Carrier.h"
#include "model/C_HideService.h"
#include "model/records/C_Message.h"
#include "model/pictures/C_ConversionLoss.h"
#include "model/pictures/C_FormatRegistry.h"
#include "res/vmk_ids.h"
#include "res/vmk_strings.h"
#include "shell/C_SplashWnd.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

QString FormatName(E_ImageFormat eFormat)
{
    const char* pszName = C_FormatRegistry::Name(eFormat);
    return pszName ? QString::fromLatin1(pszName) : QString();
}

// A failure's second line, as the command-line tool gives it: "path: reason".
QString Reason(const QString& strPath, const std::string& strReason)
{
    return QDir::toNativeSeparators(strPath) + QStringLiteral(": ")
        + (strReason.empty() ? QStringLiteral("unknown reason") : QString::fromStdString(strReason));
}

// Why a name chooses no format.
std::string NameReason(const QString& /*strPath*/)
{
    return vmk::kStrNameChoosesFormat;
}

void CloseSplash()
{
    if (C_SplashWnd* pSplash = C_SplashWnd::GetCurrent())
        pSplash->CloseSplash();
}

}  // namespace

C_vmkDoc::C_vmkDoc(C_Prompts& prompts, QObject* pParent)
    : QObject(pParent)
    , m_prompts(prompts)
{ }

C_vmkDoc::~C_vmkDoc() = default;

bool C_vmkDoc::HasPicture() const
{
    if (!m_pCarrier)
        return false;
    const BTCImageData* pData = m_pCarrier->GetObjectDataPtr();
    return pData && !pData->IsEmpty();
}

void C_vmkDoc::SetTitle(const QString& strTitle)
{
    m_strTitle = strTitle;
    emit TitleChanged(m_strTitle);
}

void C_vmkDoc::SetModifiedFlag(bool bModified)
{
    if (m_bModified == bModified)
        return;
    m_bModified = bModified;
    emit ModifiedChanged(m_bModified);
}

void C_vmkDoc::OnMessageHidden(const C_HiddenRecord& record)
{
    m_hidden = record;
    SetModifiedFlag(true);
}

bool C_vmkDoc::OnOpenDocument(const QString& strPath)
{
    m_pCarrier = std::make_unique<C_Carrier>();
    const std::string strFile = strPath.toStdString();
    bool bOpened = false;
    {
        C_BusyScope busy(m_prompts);  // a large picture takes a moment to read
        bOpened = m_pCarrier->OpenImage(strFile);
    }
    bool bDeclined = false;
    if (!bOpened && m_pCarrier->GetLastErrorCode() == E_ImageError::NeedsConsent) {
        // A small file that expands enormously may be an attack on memory; the user decides.
        bDeclined = !AskYesNo(QString::fromUtf8(vmk::kStrLargePicture));
        if (!bDeclined) {
            C_BusyScope busy(m_prompts);
            m_pCarrier->SetAllowLarge(true);
            bOpened = m_pCarrier->OpenImage(strFile);
        }
    }
    if (!bOpened) {
        if (!bDeclined)
            ShowMessage(QString::fromUtf8(vmk::kStrOpenFailed) + u'\n' + Reason(strPath, m_pCarrier->GetLastError()));
        // The document is destroyed by the caller; release the picture now all the same.
        m_pCarrier->ReleasePicture();
        return false;
    }
    const QFileInfo fi(strPath);
    m_strPathName = strPath;
    SetTitle(fi.fileName());
    // The picture's folder becomes the current directory; a failure is not reported.
    QDir::setCurrent(fi.absolutePath());
    return true;
}

bool C_vmkDoc::OnCmdMsg(unsigned nId, bool bRun)
{
    switch (nId) {
    case ID_FILE_SAVE_AS:
        if (bRun)
            DoSaveAs();
        return true;
    default: return false;
    }
}

bool C_vmkDoc::DoSaveAs()
{
    if (!HasPicture())
        return false;
    // A name typed under "All Supported Types" keeps the format the picture was read in. The
    // dialog starts where the last file dialog was left.
    const E_ImageFormat eSource = m_pCarrier->GetObjectDataPtr()->GetSourceFormat();
    C_FileDialogArgs args;
    args.m_strFilter = vmk::kStrSaveFilter;
    args.m_strDefaultExt = FormatName(eSource).toLower().toStdString();
    args.m_bStartInCurrentDir = false;
    const std::string strPath = m_prompts.ChooseSaveFile(args);
    if (strPath.empty())
        return false;  // Cancel
    // The format comes from the name's last three characters. Path name, title and the
    // recent-file list stay as they were.
    const E_ImageFormat eTarget = C_Carrier::FormatForPath(strPath);
    // A new JPEG compresses the pixels anew: a message hidden in them could never come along.
    if (m_hidden && eTarget == E_ImageFormat::Jpeg && !m_pCarrier->HidesInCoefficients()) {
        ShowMessage(QString::fromUtf8(vmk::kStrLosslessNotToJpeg));
        return false;
    }
    if (m_hidden && eTarget != E_ImageFormat::None && eTarget != eSource
        && !AskYesNo(QString::fromUtf8(vmk::kStrFormatLosesMessage).arg(FormatName(eTarget))))
        return false;
    // Asked as for the message: the user may not know what the format cannot hold.
    const C_ConversionLoss loss = C_ConversionLoss::Of(*m_pCarrier->GetObjectDataPtr(), eTarget);
    if (loss.Any()) {
        QStringList lines;
        for (const std::string& strLine : loss.Lines())
            lines << QString::fromStdString(strLine);
        if (!AskYesNo(QString::fromUtf8(vmk::kStrFormatLosesPicture).arg(FormatName(eTarget), lines.join(u'\n'))))
            return false;
    }
    bool bSaved = false;
    bool bKept = false;
    {
        C_BusyScope busy(m_prompts);  // a large picture takes a moment to write
        bSaved = m_pCarrier->SaveImage(strPath);
        // Read back as a stranger would, so that a lossy format or a changed picture is caught.
        bKept = !bSaved || !m_hidden || HiddenRecordSurvives(strPath);
    }
    if (!bSaved) {
        // The picture is kept: a typo in a file name must not destroy a message hidden in it.
        const QString strFile = QString::fromStdString(strPath);
        const std::string strReason = eTarget == E_ImageFormat::None ? NameReason(strFile) : m_pCarrier->GetLastError();
        ShowMessage(QString::fromUtf8(vmk::kStrSaveFailed) + u'\n' + Reason(strFile, strReason));
        return false;
    }
    if (!bKept) {
        // Still marked as changed: no file holds what this window holds.
        ShowMessage(QString::fromUtf8(vmk::kStrMessageNotSaved));
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

bool C_vmkDoc::HiddenRecordSurvives(const std::string& strPath) const
{
    // Found as a record of the kind that was hidden, not as another one the same pass phrase
    // happens to open.
    std::string strError;
    return C_HideService::For(m_hidden->m_bSealed)
               .ReadBack(strPath, m_hidden->m_strPassword, m_hidden->m_strName, m_hidden->m_aData, strError)
        == C_HideService::E_ReadBack::Same;
}

bool C_vmkDoc::SaveModified()
{
    if (!m_bModified)
        return true;
    const QString strName = QFileInfo(m_strPathName).fileName();
    CloseSplash();
    switch (m_prompts.AskSaveChanges(QString::fromUtf8(vmk::kStrSaveChanges).arg(strName).toStdString())) {
    case C_Prompts::E_SaveChoice::Save: return DoSaveAs();
    case C_Prompts::E_SaveChoice::Discard: return true;
    case C_Prompts::E_SaveChoice::Cancel: break;
    }
    return false;
}

void C_vmkDoc::ShowMessage(const QString& strText)
{
    CloseSplash();
    m_prompts.ShowMessage(strText.toStdString());
}

bool C_vmkDoc::AskYesNo(const QString& strText)
{
    CloseSplash();
    return m_prompts.AskYesNo(strText.toStdString());
}
