#include "shell/C_ChildFrame.h"

#include "res/vmk_ids.h"
#include "shell/C_vmkDoc.h"
#include "shell/C_vmkView.h"

#include <QCloseEvent>
#include <QIcon>
#include <QMdiArea>
#include <QMenu>

C_ChildFrame::C_ChildFrame(QWidget* pParent)
    : QMdiSubWindow(pParent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    QIcon icon;
    icon.addFile(QStringLiteral(":/res/icon%1_32").arg(IDR_VMKTYPE));
    icon.addFile(QStringLiteral(":/res/icon%1_16").arg(IDR_VMKTYPE));
    setWindowIcon(icon);
    // Qt gives the window menu's Close the platform's close keys, Ctrl+W or Ctrl+F4; File >
    // Close owns both, and two owners would leave a key doing nothing.
    if (QMenu* pMenu = systemMenu()) {
        for (QAction* pAction : pMenu->actions()) {
            QList<QKeySequence> keys = pAction->shortcuts();
            const qsizetype nRemoved = keys.removeAll(QKeySequence(Qt::CTRL | Qt::Key_W))
                + keys.removeAll(QKeySequence(Qt::CTRL | Qt::Key_F4));
            if (nRemoved > 0)
                pAction->setShortcuts(keys);
        }
    }
}

C_ChildFrame::~C_ChildFrame() = default;

void C_ChildFrame::CreateDocumentAndView(C_Prompts& prompts, const C_HideChoices* pChoices)
{
    m_pDoc = new C_vmkDoc(prompts, this);
    m_pView = new C_vmkView(m_pDoc, prompts, nullptr, pChoices);
    setWidget(m_pView);
    connect(m_pDoc, &C_vmkDoc::TitleChanged, this,
        [this](const QString& strTitle) { setWindowTitle(FrameTitle(strTitle)); });
    connect(m_pDoc, &C_vmkDoc::ModifiedChanged, this, &QWidget::setWindowModified);
    connect(m_pView, &C_vmkView::ShrinkWanted, this, [this](QSize shrink) {
        // A maximised window keeps the size of the workspace.
        if (!isMaximized())
            resize(size() - shrink);
    });
}

bool C_ChildFrame::OnCmdMsg(unsigned nId, bool bRun)
{
    if (nId != ID_FILE_CLOSE)
        return false;
    if (bRun)
        close();
    return true;
}

bool C_ChildFrame::SaveModified()
{
    if (!m_pDoc || !m_pDoc->IsModified())
        return true;
    // The picture asked about comes to the front.
    if (QMdiArea* pArea = mdiArea())
        pArea->setActiveSubWindow(this);
    return m_pDoc->SaveModified();
}

QString C_ChildFrame::ShownTitle() const
{
    // Qt's rule for the placeholder: "[*][*]" shows "[*]", "[*]" shows "*" when changed.
    const QString strTitle = windowTitle();
    const QLatin1String kMark("[*]");
    QString strShown;
    for (qsizetype i = 0; i < strTitle.size();) {
        if (!strTitle.mid(i).startsWith(kMark)) {
            strShown += strTitle[i++];
        } else if (strTitle.mid(i + kMark.size()).startsWith(kMark)) {
            strShown += kMark;
            i += 2 * kMark.size();
        } else {
            if (isWindowModified())
                strShown += u'*';
            i += kMark.size();
        }
    }
    return strShown;
}

QString C_ChildFrame::FrameTitle(const QString& strDocTitle)
{
    QString strTitle = strDocTitle;
    strTitle.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));  // Qt shows "[*][*]" as "[*]"
    return strTitle + QStringLiteral("[*]");
}

bool C_ChildFrame::CloseAsked()
{
    m_bSaveAsked = true;
    return close();
}

void C_ChildFrame::closeEvent(QCloseEvent* pEvent)
{
    // A changed picture closes only when saved or discarded.
    if (!m_bClosing && !m_bSaveAsked && !SaveModified()) {
        pEvent->ignore();
        return;
    }
    m_bClosing = true;
    QMdiSubWindow::closeEvent(pEvent);
    emit Closing(this);
}
