#include "shell/C_MainFrame.h"

#include "views/C_ZoomLevels.h"
#include "res/vmk_ids.h"
#include "res/vmk_menus.h"
#include "res/vmk_strings.h"
#include "shell/C_ChildFrame.h"
#include "shell/C_HideChoices.h"
#include "shell/C_RecentFileList.h"
#include "shell/C_SplashWnd.h"
#include "shell/C_vmkDoc.h"
#include "shell/C_vmkView.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QGuiApplication>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

#ifdef VMK_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <cstdlib>
#endif

namespace {

QString Text(unsigned nId)
{
    const char* p = vmk::LoadString(nId);
    return p ? QString::fromUtf8(p) : QString();
}

// A command prompt string is "status bar prompt\ntool tip".
QString PromptPart(unsigned nId, int nPart)
{
    const QStringList parts = Text(nId).split(u'\n');
    return nPart < parts.size() ? parts[nPart] : QString();
}

// The lock keys' lights as the X server reports them: bit 0 caps, 1 num, 2 scroll lock.
// Elsewhere, or without an X connection, all are reported off.
unsigned QueryLockLights()
{
#ifdef VMK_HAVE_XCB
    auto* pX11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    // Other platform plugins (offscreen) may offer the interface without a connection.
    xcb_connection_t* pConn =
        pX11 && QGuiApplication::platformName() == QLatin1String("xcb") ? pX11->connection() : nullptr;
    if (pConn) {
        xcb_get_keyboard_control_reply_t* pReply =
            xcb_get_keyboard_control_reply(pConn, xcb_get_keyboard_control(pConn), nullptr);
        if (pReply) {
            const unsigned nMask = pReply->led_mask;
            std::free(pReply);
            return nMask;
        }
    }
#endif
    return 0;
}

}  // namespace

C_MainFrame::C_MainFrame(C_Prompts& prompts, const C_RecentFileList& recentFiles, const C_HideChoices& hideChoices,
    T_CommandHandler fnAppCommands)
    : m_prompts(prompts)
    , m_recentFiles(recentFiles)
    , m_hideChoices(hideChoices)
    , m_fnAppCommands(std::move(fnAppCommands))
{
    setObjectName(QStringLiteral("C_MainFrame"));
    m_pMdiArea = new QMdiArea(this);
    setCentralWidget(m_pMdiArea);
    setWindowTitle(Text(IDR_MAINFRAME));
    QIcon icon;
    icon.addFile(QStringLiteral(":/res/icon%1_32").arg(IDR_MAINFRAME));
    icon.addFile(QStringLiteral(":/res/icon%1_16").arg(IDR_MAINFRAME));
    setWindowIcon(icon);
    CreateActions();
    CreateMenus();
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &C_MainFrame::UpdateMenus);
}

C_MainFrame::~C_MainFrame()
{
    qDeleteAll(m_apMenus128);
    qDeleteAll(m_apMenus129);
}

bool C_MainFrame::LoadFrame()
{
    if (!CreateToolBar())
        return false;
    CreateStatusBar();
    UpdateMenus();
    C_SplashWnd::ShowSplash(this);
    return true;
}

QAction* C_MainFrame::NewCommandAction(unsigned nId, const QString& strText)
{
    auto* pAction = new QAction(strText, this);
    pAction->setData(nId);
    pAction->setStatusTip(PromptPart(nId, 0));
    pAction->setToolTip(PromptPart(nId, 1));
    connect(pAction, &QAction::triggered, this, [this, nId] { RouteCommand(nId); });
    m_mapActions.insert(nId, pAction);
    return pAction;
}

void C_MainFrame::CreateActions()
{
    // Every command of both menus, with the text the menu shows.
    for (unsigned nMenu : {IDR_MAINFRAME, IDR_VMKTYPE}) {
        for (const vmk::S_Popup& popup : vmk::LoadMenu(nMenu)) {
            for (const vmk::S_MenuItem& item : popup.items) {
                if (item.eKind == vmk::E_MenuItemKind::Separator || item.nId == ID_FILE_MRU_FILE1)
                    continue;
                if (!m_mapActions.contains(item.nId))
                    NewCommandAction(item.nId, QString::fromUtf8(item.pText))
                        ->setCheckable(item.eKind == vmk::E_MenuItemKind::Check);
            }
        }
    }
    // Pane switching has no menu item, only keys.
    NewCommandAction(ID_NEXT_PANE, QString());
    NewCommandAction(ID_PREV_PANE, QString());
    m_mapActions[ID_VIEW_TOOLBAR]->setCheckable(true);
    m_mapActions[ID_VIEW_STATUS_BAR]->setCheckable(true);
    // Accelerator table 128. The actions join this window so their keys work whichever menu
    // is shown; a key whose command is disabled does nothing. A command's first key is the one
    // its menu item shows; further keys work as well.
    for (const vmk::S_Accelerator& accel : vmk::LoadAccelerators()) {
        QAction* pAction = m_mapActions.value(accel.nId);
        if (!pAction)
            continue;
        pAction->setShortcuts(pAction->shortcuts() << QKeySequence::fromString(QString::fromLatin1(accel.pKey)));
        pAction->setShortcutContext(Qt::WindowShortcut);
        if (!actions().contains(pAction))
            addAction(pAction);
    }
}

void C_MainFrame::CreateMenus()
{
    for (unsigned nMenu : {IDR_MAINFRAME, IDR_VMKTYPE}) {
        QList<QMenu*>& menus = nMenu == IDR_MAINFRAME ? m_apMenus128 : m_apMenus129;
        for (const vmk::S_Popup& popup : vmk::LoadMenu(nMenu)) {
            auto* pMenu = new QMenu(QString::fromUtf8(popup.pText));
            pMenu->setProperty("vmkMenu", nMenu);
            BuildPopup(pMenu, popup.items);
            const auto items = popup.items;
            const bool bWindow = std::any_of(
                items.begin(), items.end(), [](const vmk::S_MenuItem& i) { return i.nId == ID_WINDOW_CASCADE; });
            connect(pMenu, &QMenu::aboutToShow, this, [this, pMenu, items, bWindow] {
                if (bWindow)
                    RebuildWindowList(pMenu, items);
                UpdateMenus();
            });
            menus << pMenu;
        }
    }
}

void C_MainFrame::BuildPopup(QMenu* pMenu, std::span<const vmk::S_MenuItem> items)
{
    pMenu->clear();
    for (const vmk::S_MenuItem& item : items) {
        if (item.eKind == vmk::E_MenuItemKind::Separator) {
            pMenu->addSeparator();
        } else if (item.nId == ID_FILE_MRU_FILE1) {
            // The recent-file entries stand in place of the greyed "Recent File".
            const QStringList& entries = m_recentFiles.GetEntries();
            if (entries.isEmpty()) {
                QAction* pPlace = pMenu->addAction(QString::fromUtf8(item.pText));
                pPlace->setData(item.nId);
                pPlace->setEnabled(!item.bGrayed);
            }
            for (int i = 0; i < entries.size(); ++i) {
                const unsigned nId = ID_FILE_MRU_FILE1 + unsigned(i);
                QAction* pEntry = pMenu->addAction(m_recentFiles.GetMenuText(i, QDir::currentPath()));
                pEntry->setData(nId);
                pEntry->setStatusTip(PromptPart(nId, 0));
                connect(pEntry, &QAction::triggered, this, [this, nId] { RouteCommand(nId); });
            }
        } else if (QAction* pAction = m_mapActions.value(item.nId)) {
            pMenu->addAction(pAction);
        }
    }
}

void C_MainFrame::RebuildWindowList(QMenu* pMenu, std::span<const vmk::S_MenuItem> items)
{
    BuildPopup(pMenu, items);
    const QList<C_ChildFrame*> frames = GetChildFrames();
    if (frames.isEmpty())
        return;
    pMenu->addSeparator();
    C_ChildFrame* pActive = GetActiveChild();
    // Nine entries at most, as the classic window list shows.
    for (int i = 0; i < frames.size() && i < 9; ++i) {
        C_ChildFrame* pFrame = frames[i];
        QString strTitle = pFrame->ShownTitle();
        strTitle.replace(u'&', QStringLiteral("&&"));
        QAction* pEntry = pMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(strTitle));
        pEntry->setData(ID_WINDOW_CHILD_FIRST + unsigned(i));
        pEntry->setCheckable(true);
        pEntry->setChecked(pFrame == pActive);
        connect(pEntry, &QAction::triggered, this, [this, pFrame] {
            if (GetChildFrames().contains(pFrame))
                m_pMdiArea->setActiveSubWindow(pFrame);
        });
    }
}

bool C_MainFrame::CreateToolBar()
{
    QPixmap strip;
    if (!strip.load(QStringLiteral(":/res/toolbar%1").arg(IDR_MAINFRAME)))
        return false;
    const int s = vmk::kToolBarImageSize;
    m_pToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_pToolBar->setObjectName(QStringLiteral("ToolBar%1").arg(ID_VIEW_TOOLBAR));
    m_pToolBar->setIconSize(QSize(s, s));
    m_pToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    int nImage = 0;
    for (unsigned nId : vmk::LoadToolBar()) {
        if (nId == ID_SEPARATOR) {
            m_pToolBar->addSeparator();
            continue;
        }
        QAction* pAction = m_mapActions.value(nId);
        if (!pAction || (nImage + 1) * s > strip.width())
            return false;
        pAction->setIcon(QIcon(strip.copy(nImage * s, 0, s, s)));
        ++nImage;
        m_pToolBar->addAction(pAction);
    }
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    QAction* pToggle = m_mapActions.value(ID_VIEW_TOOLBAR);
    connect(m_pToolBar, &QToolBar::visibilityChanged, this, [this] { UpdateMenus(); });
    pToggle->setChecked(true);
    return true;
}

void C_MainFrame::CreateStatusBar()
{
    QStatusBar* pBar = statusBar();
    pBar->setObjectName(QStringLiteral("StatusBar%1").arg(ID_VIEW_STATUS_BAR));
    // The message pane: "Ready" while idle; a prompt replaces it while an item is pointed at.
    m_pMessagePane = new QLabel(Text(IDS_IDLE_MESSAGE));
    pBar->addWidget(m_pMessagePane, 1);
    m_pZoomPane = new QLabel;
    m_pZoomPane->setObjectName(QStringLiteral("ZoomPane"));
    m_pZoomPane->setAlignment(Qt::AlignCenter);
    m_pZoomPane->setMinimumWidth(m_pZoomPane->fontMetrics().horizontalAdvance(QStringLiteral("Zoom 6.25%")) + 8);
    pBar->addPermanentWidget(m_pZoomPane);
    const unsigned aIds[3] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
    for (int i = 0; i < 3; ++i) {
        auto* pLabel = new QLabel;
        pLabel->setObjectName(QStringLiteral("Indicator%1").arg(aIds[i]));
        pLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pLabel->setAlignment(Qt::AlignCenter);
        pLabel->setMinimumWidth(pLabel->fontMetrics().horizontalAdvance(Text(ID_INDICATOR_SCRL)) + 8);
        pBar->addPermanentWidget(pLabel);
        m_apIndicators[i] = pLabel;
    }
    m_mapActions.value(ID_VIEW_STATUS_BAR)->setChecked(true);
    // The lock lights have no change notification; look four times a second.
    connect(&m_indicatorTimer, &QTimer::timeout, this, &C_MainFrame::UpdateIndicators);
    m_indicatorTimer.start(250);
    UpdateIndicators();
}

void C_MainFrame::UpdateIndicators()
{
    const unsigned nLights = QueryLockLights();
    const unsigned aIds[3] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
    for (int i = 0; i < 3; ++i) {
        if (!m_apIndicators[i])
            continue;
        const QString strText = (nLights >> i) & 1u ? Text(aIds[i]) : QString();
        if (m_apIndicators[i]->text() != strText)
            m_apIndicators[i]->setText(strText);
    }
}

C_ChildFrame* C_MainFrame::GetActiveChild() const
{
    auto* pFrame = qobject_cast<C_ChildFrame*>(m_pMdiArea->activeSubWindow());
    return pFrame && !pFrame->IsClosing() ? pFrame : nullptr;
}

QList<C_ChildFrame*> C_MainFrame::GetChildFrames() const
{
    QList<C_ChildFrame*> frames;
    for (QMdiSubWindow* pSub : m_pMdiArea->subWindowList(QMdiArea::CreationOrder)) {
        auto* pFrame = qobject_cast<C_ChildFrame*>(pSub);
        if (pFrame && !pFrame->IsClosing())
            frames << pFrame;
    }
    return frames;
}

C_ChildFrame* C_MainFrame::CreateChildFrame()
{
    auto* pFrame = new C_ChildFrame;
    pFrame->CreateDocumentAndView(m_prompts, &m_hideChoices);
    connect(pFrame, &C_ChildFrame::Closing, this, [this] { UpdateMenus(); });
    connect(pFrame->GetView(), &C_PictureView::ZoomChanged, this, &C_MainFrame::UpdateZoomPane);
    connect(pFrame, &QWidget::windowTitleChanged, this, [this] { UpdateTitle(); });
    connect(pFrame->GetDocument(), &C_vmkDoc::ModifiedChanged, this, [this] { UpdateTitle(); });
    // Qt clears the main window's changed mark while it destroys a picture window that was
    // once maximised; the active picture's mark is put back afterwards.
    connect(
        pFrame, &QObject::destroyed, this, [this] { UpdateTitle(); }, Qt::QueuedConnection);
    return pFrame;
}

bool C_MainFrame::CloseAllDocuments()
{
    const QList<C_ChildFrame*> frames = GetChildFrames();
    // Every changed picture is asked about before any window closes, so Cancel leaves them all.
    for (C_ChildFrame* pFrame : frames) {
        if (!pFrame->SaveModified()) {
            UpdateMenus();
            return false;
        }
    }
    for (C_ChildFrame* pFrame : frames)
        pFrame->CloseAsked();
    UpdateMenus();
    return true;
}

void C_MainFrame::ShowChildFrame(C_ChildFrame* pFrame)
{
    m_pMdiArea->addSubWindow(pFrame);
    if (m_sizeNewChildClient.isValid()) {
        // Size the frame so that its view's client area is exactly the size asked for.
        pFrame->resize(m_sizeNewChildClient + QSize(200, 200));
        if (pFrame->layout())
            pFrame->layout()->activate();
        const QSize client = pFrame->GetView()->contentsRect().size();
        pFrame->resize(pFrame->size() + (m_sizeNewChildClient - client));
        if (pFrame->layout())
            pFrame->layout()->activate();
    } else {
        // Three quarters of the MDI area.
        pFrame->resize(WorkspaceSize() * 3 / 4);
    }
    pFrame->show();
    KeepInside(pFrame);
    m_pMdiArea->setActiveSubWindow(pFrame);
    UpdateMenus();
}

QSize C_MainFrame::WorkspaceSize() const
{
    // Before the main window is first shown its area has no size yet; the window will come up
    // maximised, so the screen's work area stands in.
    if (!isVisible()) {
        if (const QScreen* pScreen = QGuiApplication::primaryScreen())
            return pScreen->availableSize() - QSize(0, 120);  // less menu, tool and status bars
    }
    return m_pMdiArea->viewport()->size();
}

void C_MainFrame::KeepInside(C_ChildFrame* pFrame) const
{
    if (pFrame->isMaximized() || pFrame->isMinimized())
        return;
    const QSize area = WorkspaceSize();
    QRect rect = pFrame->geometry();
    rect.setSize(rect.size().boundedTo(area));
    rect.moveLeft(std::clamp(rect.left(), 0, std::max(0, area.width() - rect.width())));
    rect.moveTop(std::clamp(rect.top(), 0, std::max(0, area.height() - rect.height())));
    if (rect != pFrame->geometry())
        pFrame->setGeometry(rect);
}

void C_MainFrame::CascadeWindows()
{
    // Qt's cascade gives each window its size hint, the picture's size; what does not fit from
    // the window's place to the workspace's edge is cut, with room for the scroll bar that the
    // cut then needs.
    m_pMdiArea->cascadeSubWindows();
    const QSize area = m_pMdiArea->viewport()->size();
    const int nBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    for (C_ChildFrame* pFrame : GetChildFrames()) {
        if (pFrame->isMaximized() || pFrame->isMinimized())
            continue;
        const QSize room(std::max(0, area.width() - pFrame->x()), std::max(0, area.height() - pFrame->y()));
        QSize size = pFrame->size();
        const bool bCutWidth = size.width() > room.width();
        const bool bCutHeight = size.height() > room.height();
        if (bCutWidth && !bCutHeight)
            size.rheight() += nBar;
        if (bCutHeight && !bCutWidth)
            size.rwidth() += nBar;
        pFrame->resize(size.boundedTo(room));
        KeepInside(pFrame);
    }
}

QList<QMenu*> C_MainFrame::GetMenus() const
{
    return m_nMenuId == IDR_VMKTYPE ? m_apMenus129 : m_apMenus128;
}

void C_MainFrame::RebuildRecentFileMenus()
{
    for (unsigned nMenu : {IDR_MAINFRAME, IDR_VMKTYPE}) {
        const QList<QMenu*>& menus = nMenu == IDR_MAINFRAME ? m_apMenus128 : m_apMenus129;
        const auto popups = vmk::LoadMenu(nMenu);
        for (size_t i = 0; i < popups.size() && i < size_t(menus.size()); ++i) {
            const auto items = popups[i].items;
            if (std::any_of(
                    items.begin(), items.end(), [](const vmk::S_MenuItem& m) { return m.nId == ID_FILE_MRU_FILE1; }))
                BuildPopup(menus[qsizetype(i)], items);
        }
    }
}

void C_MainFrame::UpdateMenus()
{
    const unsigned nWant = GetChildFrames().isEmpty() ? IDR_MAINFRAME : IDR_VMKTYPE;
    if (nWant != m_nMenuId) {
        m_nMenuId = nWant;
        menuBar()->clear();  // the menus belong to this frame, not to the bar
        for (QMenu* pMenu : GetMenus())
            menuBar()->addMenu(pMenu);
    }
    for (auto it = m_mapActions.cbegin(); it != m_mapActions.cend(); ++it)
        it.value()->setEnabled(IsCommandEnabled(it.key()));
    if (m_pToolBar)
        m_mapActions.value(ID_VIEW_TOOLBAR)->setChecked(!m_pToolBar->isHidden());
    m_mapActions.value(ID_VIEW_STATUS_BAR)->setChecked(!statusBar()->isHidden());
    // A checkable action flips its own mark when triggered; the choice it stands for decides.
    m_mapActions.value(ID_ACTIONS_MATCH_EMBEDDING)->setChecked(m_hideChoices.GetOptions().m_bMatchEmbedding);
    m_mapActions.value(ID_ACTIONS_PAIR_PALETTE)->setChecked(m_hideChoices.GetOptions().m_bPairPalette);
    UpdateZoomPane();
    UpdateTitle();
}

void C_MainFrame::UpdateZoomPane()
{
    if (!m_pZoomPane)
        return;
    const C_ChildFrame* pActive = GetActiveChild();
    m_pZoomPane->setText(pActive ? C_ZoomLevels::Text(pActive->GetView()->Zoom()) : QString());
}

void C_MainFrame::UpdateTitle()
{
    QString strTitle = Text(IDR_MAINFRAME);
    bool bModified = false;
    if (C_ChildFrame* pActive = GetActiveChild()) {
        if (!pActive->GetDocument()->GetTitle().isEmpty()) {
            strTitle += QStringLiteral(" - ") + C_ChildFrame::FrameTitle(pActive->GetDocument()->GetTitle());
            bModified = pActive->GetDocument()->IsModified();
        }
    }
    // The title first: a changed mark needs its place in the title.
    setWindowTitle(strTitle);
    setWindowModified(bModified);
}

bool C_MainFrame::RouteCommand(unsigned nId)
{
    if (!IsCommandEnabled(nId))
        return false;
    if (C_ChildFrame* pFrame = GetActiveChild()) {
        if (pFrame->GetView()->OnCmdMsg(nId, true))
            return true;
        if (pFrame->GetDocument()->OnCmdMsg(nId, true))
            return true;
        if (pFrame->OnCmdMsg(nId, true))
            return true;
    }
    if (OnCmdMsg(nId, true))
        return true;
    return m_fnAppCommands && m_fnAppCommands(nId, true);
}

bool C_MainFrame::IsCommandEnabled(unsigned nId)
{
    if (C_ChildFrame* pFrame = GetActiveChild()) {
        if (pFrame->GetView()->OnCmdMsg(nId, false) || pFrame->GetDocument()->OnCmdMsg(nId, false)
            || pFrame->OnCmdMsg(nId, false))
            return true;
    }
    if (OnCmdMsg(nId, false))
        return true;
    return m_fnAppCommands && m_fnAppCommands(nId, false);
}

bool C_MainFrame::OnCmdMsg(unsigned nId, bool bRun)
{
    switch (nId) {
    case ID_VIEW_TOOLBAR:
        if (bRun && m_pToolBar) {
            m_pToolBar->setVisible(m_pToolBar->isHidden());
            UpdateMenus();
        }
        return m_pToolBar != nullptr;
    case ID_VIEW_STATUS_BAR:
        if (bRun) {
            statusBar()->setVisible(statusBar()->isHidden());
            UpdateMenus();
        }
        return true;
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE_HORZ:
    case ID_WINDOW_ARRANGE:
    case ID_WINDOW_CLOSEALL:
        // The Window menu's commands need a window to act on.
        if (!GetActiveChild())
            return false;
        if (bRun) {
            if (nId == ID_WINDOW_CASCADE)
                CascadeWindows();
            else if (nId == ID_WINDOW_TILE_HORZ)
                m_pMdiArea->tileSubWindows();
            else if (nId == ID_WINDOW_ARRANGE)
                ArrangeIcons();
            else
                CloseAllDocuments();
        }
        return true;
    default:
        // Next and previous pane (F6, Shift+F6) act only inside a split window; there is none,
        // so no handler takes them and their keys do nothing.
        return false;
    }
}

void C_MainFrame::ArrangeIcons()
{
    // Minimised windows in a row along the bottom edge, left to right.
    const QSize area = m_pMdiArea->viewport()->size();
    int x = 0;
    for (C_ChildFrame* pFrame : GetChildFrames()) {
        if (!pFrame->isMinimized())
            continue;
        const QSize s = pFrame->size();
        if (x > 0 && x + s.width() > area.width())
            x = 0;
        pFrame->move(x, area.height() - s.height());
        x += s.width();
    }
}

void C_MainFrame::closeEvent(QCloseEvent* pEvent)
{
    // Each changed picture is asked about; Cancel on any of them keeps the program running.
    if (!CloseAllDocuments()) {
        pEvent->ignore();
        return;
    }
    C_SplashWnd* pSplash = C_SplashWnd::GetCurrent();
    if (pSplash)
        pSplash->CloseSplash();
    pEvent->accept();
}
