#pragma once
// The main window: picture windows in an MDI area, menu 128 while none is open and menu 129
// while one is, tool bar 128, the status bar, and the routing of every command to the active
// view, its document, its window, this frame and the application, in that order. It knows the
// application only as the last handler of that route.

#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QSize>
#include <QTimer>

#include <functional>
#include <span>

namespace vmk {
struct S_MenuItem;
}
class C_ChildFrame;
class C_HideChoices;
class C_Prompts;
class C_RecentFileList;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;

class C_MainFrame : public QMainWindow {
    Q_OBJECT
public:
    // The last handler of the command route: true when it handles `nId`; runs it when `bRun`.
    using T_CommandHandler = std::function<bool(unsigned nId, bool bRun)>;

    // `prompts`, `recentFiles` and `hideChoices` belong to the application and must outlive this
    // window; `fnAppCommands` handles what no window handles.
    C_MainFrame(C_Prompts& prompts, const C_RecentFileList& recentFiles, const C_HideChoices& hideChoices,
        T_CommandHandler fnAppCommands);
    ~C_MainFrame() override;

    // Builds the tool bar and the status bar from resource 128 and shows the splash. False
    // when a resource is missing; the program then ends.
    bool LoadFrame();

    QMdiArea* GetMdiArea() const { return m_pMdiArea; }
    QToolBar* GetToolBar() const { return m_pToolBar; }
    C_ChildFrame* GetActiveChild() const;
    // The open picture windows in the order they were opened (closing ones left out).
    QList<C_ChildFrame*> GetChildFrames() const;
    // A new picture window with its document and view, not yet shown.
    C_ChildFrame* CreateChildFrame();
    // Closes every picture window after asking about each changed one. False, with every window
    // left open, when the user cancelled.
    bool CloseAllDocuments();
    // Shows a new picture window in the MDI area and activates it.
    void ShowChildFrame(C_ChildFrame* pFrame);
    // Size that the next picture window's view gets before its first update; an invalid size
    // means the default, three quarters of the MDI area.
    void SetNewChildClientSize(QSize size) { m_sizeNewChildClient = size; }

    // 128 while no picture window exists, 129 while one does.
    unsigned GetMenuId() const { return m_nMenuId; }
    // The action of command `nId` (menu item, button and key share it), or nullptr.
    QAction* GetAction(unsigned nId) const { return m_mapActions.value(nId); }
    // The top-level menus currently in the menu bar.
    QList<QMenu*> GetMenus() const;

    // Runs `nId` on the first handler along the route; false when none handles it.
    bool RouteCommand(unsigned nId);
    bool IsCommandEnabled(unsigned nId);
    bool OnCmdMsg(unsigned nId, bool bRun);

    void ArrangeIcons();
    // Cascades the picture windows, each at its picture's size where the workspace has room and
    // never past the workspace's edges.
    void CascadeWindows();
    // Rebuilds the File menus after the recent-file list changed.
    void RebuildRecentFileMenus();

public slots:
    // Menu, enabled commands, check marks and caption from the active picture window.
    void UpdateMenus();

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void CreateActions();
    void CreateMenus();
    bool CreateToolBar();
    void CreateStatusBar();
    void BuildPopup(QMenu* pMenu, std::span<const vmk::S_MenuItem> items);
    void RebuildWindowList(QMenu* pMenu, std::span<const vmk::S_MenuItem> items);
    void UpdateTitle();
    void UpdateIndicators();
    // The active picture's zoom in its status bar pane; empty without a picture.
    void UpdateZoomPane();
    // The size of the MDI workspace; before the main window is first shown (it comes up
    // maximised), an estimate from the screen's work area.
    QSize WorkspaceSize() const;
    // Moves, and shrinks where needed, a normal picture window into the workspace, so its title
    // bar buttons and scroll bars can be reached.
    void KeepInside(C_ChildFrame* pFrame) const;
    QAction* NewCommandAction(unsigned nId, const QString& strText);

    C_Prompts& m_prompts;                   // the application's; handed to each picture window
    const C_RecentFileList& m_recentFiles;  // the application's
    const C_HideChoices& m_hideChoices;     // the application's; the Actions menu's check marks
    T_CommandHandler m_fnAppCommands;
    QMdiArea* m_pMdiArea = nullptr;
    QToolBar* m_pToolBar = nullptr;    // window id 59392
    QLabel* m_pMessagePane = nullptr;  // "Ready"
    QLabel* m_pZoomPane = nullptr;     // "Zoom 100%"
    QLabel* m_apIndicators[3] = {};    // CAP, NUM, SCRL
    QTimer m_indicatorTimer;
    QMap<unsigned, QAction*> m_mapActions;  // one action per command id; owned by this frame
    QList<QMenu*> m_apMenus128;             // owned by this frame
    QList<QMenu*> m_apMenus129;
    unsigned m_nMenuId = 0;
    QSize m_sizeNewChildClient;
};
