#include "shell/C_vmkView.h"

#include "commands/C_BusyScope.h"
#include "commands/C_CompareCommand.h"
#include "commands/C_ComposeCommand.h"
#include "commands/C_ComposeSealedCommand.h"
#include "commands/C_DetectionCheckCommand.h"
#include "commands/C_HideCommand.h"
#include "commands/C_HideSealedCommand.h"
#include "commands/C_LsbPlaneCommand.h"
#include "commands/C_PropertiesCommand.h"
#include "commands/C_RevealCommand.h"
#include "model/C_Carrier.h"
#include "model/pictures/BTCImageData.h"
#include "res/vmk_ids.h"
#include "res/vmk_strings.h"
#include "shell/C_HideChoices.h"
#include "shell/C_PictureImage.h"
#include "shell/C_vmkDoc.h"

#include <QStyle>

#include <algorithm>

C_vmkView::C_vmkView(C_vmkDoc* pDoc, C_Prompts& prompts, QWidget* pParent, const C_HideChoices* pChoices)
    : C_PictureView(pParent)
    , m_pDoc(pDoc)
    , m_prompts(prompts)
    , m_pChoices(pChoices)
{ }

C_vmkView::~C_vmkView() = default;

void C_vmkView::showEvent(QShowEvent* pEvent)
{
    C_PictureView::showEvent(pEvent);
    // Qt lays out a window only when it is shown, so the first update waits for that.
    if (!m_bInitialUpdateDone)
        OnInitialUpdate();
}

void C_vmkView::OnInitialUpdate()
{
    m_bInitialUpdateDone = true;
    viewport()->update();
    if (!m_pDoc || !m_pDoc->HasPicture())
        return;
    const BTCImageData* pData = m_pDoc->GetCarrier()->GetObjectDataPtr();
    const int nPictureWidth = pData->GetWidth();
    const int nPictureHeight = pData->GetHeight();

    // The client area before any scroll bar shows (the ranges are still empty).
    const QSize client = contentsRect().size();
    const int cw = client.width(), ch = client.height();
    SetPictureSize(QSize(nPictureWidth, nPictureHeight));

    if (nPictureWidth < cw || nPictureHeight < ch) {
        // Shrink only: each dimension becomes the picture's if that is smaller, plus room for
        // the scroll bar the other dimension still needs, and never more than it was.
        const int nBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        int nWantW = std::min(nPictureWidth, cw);
        int nWantH = std::min(nPictureHeight, ch);
        if (nPictureHeight > nWantH)
            nWantW = std::min(cw, nWantW + nBar);
        if (nPictureWidth > nWantW)
            nWantH = std::min(ch, nWantH + nBar);
        emit ShrinkWanted(QSize(cw - nWantW, ch - nWantH));
    }

    m_pDoc->SetTitle(QString::asprintf(vmk::kStrTitleFormat, m_pDoc->GetTitle().toUtf8().constData(), pData->GetWidth(),
        pData->GetHeight(), pData->GetBitsPerPixel()));
}

QImage C_vmkView::WrapPicture(const BTCImageData& data, bool& bFlip)
{
    return C_PictureImage::Wrap(data, bFlip);
}

QImage C_vmkView::CurrentPicture(bool& bFlip) const
{
    bFlip = false;
    if (!m_pDoc || !m_pDoc->HasPicture())
        return {};
    return WrapPicture(*m_pDoc->GetCarrier()->GetObjectDataPtr(), bFlip);
}

bool C_vmkView::OnCmdMsg(unsigned nId, bool bRun)
{
    void (C_vmkView::*pHandler)() = nullptr;
    switch (nId) {
    case ID_ACTIONS_HIDE: pHandler = &C_vmkView::OnActionsHide; break;
    case ID_ACTIONS_REVEAL: pHandler = &C_vmkView::OnActionsReveal; break;
    case ID_TOOLS_PROPERTIES: pHandler = &C_vmkView::OnToolsProperties; break;
    case ID_TOOLS_COMPARE: pHandler = &C_vmkView::OnToolsCompare; break;
    case ID_TOOLS_COMPOSE: pHandler = &C_vmkView::OnToolsCompose; break;
    case ID_TOOLS_GRAYSCALE: pHandler = &C_vmkView::OnToolsGrayscale; break;
    case ID_ACTIONS_HIDE_SEALED: pHandler = &C_vmkView::OnActionsHideSealed; break;
    case ID_ACTIONS_REVEAL_SEALED: pHandler = &C_vmkView::OnActionsRevealSealed; break;
    case ID_TOOLS_COMPOSE_SEALED: pHandler = &C_vmkView::OnToolsComposeSealed; break;
    case ID_TOOLS_DETECTION_CHECK: pHandler = &C_vmkView::OnToolsDetectionCheck; break;
    case ID_VIEW_ZOOM_IN: pHandler = &C_vmkView::ZoomIn; break;
    case ID_VIEW_ZOOM_OUT: pHandler = &C_vmkView::ZoomOut; break;
    case ID_VIEW_ZOOM_ACTUAL: pHandler = &C_vmkView::ActualSize; break;
    case ID_VIEW_ZOOM_FIT: pHandler = &C_vmkView::FitToWindow; break;
    case ID_VIEW_LSB_PLANE: pHandler = &C_vmkView::OnViewLsbPlane; break;
    default: return false;
    }
    if (bRun)
        (this->*pHandler)();
    return true;
}

void C_vmkView::OnToolsGrayscale()
{
    if (m_pDoc && m_pDoc->HasPicture()) {
        bool bConverted = false;
        {
            C_BusyScope busy(m_prompts);
            bConverted = m_pDoc->GetCarrier()->ConvertToGrayscale();
        }
        const BTCImageData* pData = m_pDoc->GetCarrier()->GetObjectDataPtr();
        if (bConverted)
            m_pDoc->SetModifiedFlag(true);
        else if (pData && pData->Layout().bFurtherFrames)
            m_prompts.ShowMessage(vmk::kStrGrayAnimated);  // say why nothing changed
    }
    // Redrawn whatever the conversion reported; the title keeps the depth it was opened with.
    viewport()->update();
}

// Each command gets the document's carrier, the prompts and (when it changes pixels) a redraw;
// a hide also tells the document what it hid, which marks it as changed.
void C_vmkView::OnActionsHide()
{
    if (C_Carrier* p = m_pDoc->GetCarrier())
        C_HideCommand::Run(*p, m_prompts, Redraw(), Hidden(), HideOptions());
}
void C_vmkView::HideFile(const QString& strPath)
{
    if (C_Carrier* p = m_pDoc->GetCarrier())
        C_HideCommand::Run(*p, m_prompts, Redraw(), Hidden(), HideOptions(), strPath.toStdString());
}
void C_vmkView::OnActionsReveal()
{
    if (C_Carrier* p = m_pDoc->GetCarrier())
        C_RevealCommand::Run(*p, m_prompts);
}
void C_vmkView::OnToolsProperties()
{
    if (C_Carrier* p = m_pDoc->GetCarrier())
        C_PropertiesCommand::Run(*p, m_prompts);
}
void C_vmkView::OnToolsCompose()
{
    if (C_Carrier* p = m_pDoc->GetCarrier())
        C_ComposeCommand::Run(*p, m_prompts, Redraw(), Hidden(), HideOptions());
}
void C_vmkView::OnActionsHideSealed()
{
    if (C_Carrier* p = m_pDoc->GetCarrier())
        C_HideSealedCommand::Run(*p, m_prompts, Redraw(), Hidden(), HideOptions());
}
void C_vmkView::OnActionsRevealSealed()
{
    if (C_Carrier* p = m_pDoc->GetCarrier())
        C_RevealCommand::RunSealed(*p, m_prompts);
}
void C_vmkView::OnToolsComposeSealed()
{
    if (C_Carrier* p = m_pDoc->GetCarrier())
        C_ComposeSealedCommand::Run(*p, m_prompts, Redraw(), Hidden(), HideOptions());
}
void C_vmkView::OnToolsDetectionCheck()
{
    if (C_Carrier* p = m_pDoc->GetCarrier())
        C_DetectionCheckCommand::Run(*p, m_prompts);
}
C_HideOptions C_vmkView::HideOptions() const
{
    return m_pChoices ? m_pChoices->GetOptions() : C_HideOptions{};
}
std::function<void()> C_vmkView::Redraw()
{
    return [this] { viewport()->update(); };
}
C_HideCommand::HiddenFn C_vmkView::Hidden()
{
    return [this](const C_HiddenRecord& record) { m_pDoc->OnMessageHidden(record); };
}
void C_vmkView::OnViewLsbPlane()
{
    if (C_Carrier* p = m_pDoc->GetCarrier())
        C_LsbPlaneCommand::Run(*p, m_prompts);
}
void C_vmkView::OnToolsCompare()
{
    if (C_Carrier* p = m_pDoc->GetCarrier())
        C_CompareCommand::Run(*p, m_prompts);
}
