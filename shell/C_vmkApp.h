#pragma once
// The one application object: runs the start-up sequence, owns the main window, the prompts,
// the settings and the recent-file list, opens pictures, and lets the splash swallow the first
// key or mouse-button press before any widget sees it. Nothing in the shell calls up to it: the
// windows get the prompts and the recent-file list from it, and route to it what they do not
// handle.

#include "shell/C_HideChoices.h"
#include "shell/C_RecentFileList.h"

#include <QApplication>
#include <QStringList>

#include <memory>

class C_DialogPrompts;
class C_MainFrame;
class C_Prompts;
class C_vmkDoc;

class C_vmkApp : public QApplication {
    Q_OBJECT
public:
    C_vmkApp(int& argc, char** argv);
    ~C_vmkApp() override;

    static C_vmkApp* Instance();

    // The start-up sequence for `args` (the program's own name left out). False when the
    // program is to end at once (a picture that cannot be opened, print, unregister).
    bool InitInstance(const QStringList& args);
    // Writes the recent-file list back (not after an unregister) and returns the exit code.
    int ExitInstance();

    // Every event passes here first: while the splash is up, the first key or mouse-button
    // press closes it and goes no further.
    bool notify(QObject* pReceiver, QEvent* pEvent) override;
    // Command routing: true when the application handles `nId`; runs it when `bRun`.
    bool OnCmdMsg(unsigned nId, bool bRun);

    // Opens `strPath` as Open Picture does; activates the window when the file is already open.
    // nullptr when it cannot be opened (after "Error Opening Image!").
    C_vmkDoc* OpenDocumentFile(const QString& strPath);
    void OnFileOpen();
    void OnOpenRecentFile(int nIndex);
    void OnAppAbout();
    void OnAppExit();
    void AddToRecentFileList(const QString& strPath);

    C_MainFrame* GetMainFrame() const { return m_pMainFrame.get(); }
    C_RecentFileList& GetRecentFiles() { return m_recentFiles; }
    const C_HideChoices& GetHideChoices() const { return m_hideChoices; }
    // Replaces the dialogs (tests answer from a script) for the main window that the next
    // InitInstance makes and every window it opens. `pPrompts` stays the caller's and must
    // outlive that main window; nullptr restores the real dialogs.
    void SetPrompts(C_Prompts* pPrompts);
    bool WasUnregistered() const { return m_bUnregistered; }

    // The canonical form of a path: absolute, symbolic links resolved when the file exists.
    static QString CanonicalPath(const QString& strPath);

private:
    void Unregister(bool bQuiet);
    void WriteSettings();
    // The main window's size, place, tool bar and status bar as the last run left them; false
    // when none are kept (the first run).
    bool ReadWindowPlacement();
    void WriteWindowPlacement();
    void ShowMainFrame();
    // The Actions menu's check marks: flips one and keeps it in the settings at once.
    void ToggleHideChoice(unsigned nId);
    // Whether a check mark applies to the active picture: plus or minus one to pictures whose
    // bytes are samples, pairing to palette pictures.
    bool HideChoiceApplies(unsigned nId) const;

    C_RecentFileList m_recentFiles;
    C_HideChoices m_hideChoices;
    std::unique_ptr<C_DialogPrompts> m_pDefaultPrompts;  // the real dialogs, owned by the main window
    C_Prompts* m_pPrompts = nullptr;                     // m_pDefaultPrompts or the one set by SetPrompts
    // After the list and the prompts it refers to, so that it goes first.
    std::unique_ptr<C_MainFrame> m_pMainFrame;
    bool m_bUnregistered = false;
    bool m_bPlacementRestored = false;  // the main window is placed as the last run left it
    bool m_bFrameShown = false;         // the start-up showed the main window
    int m_nExitCode = 0;
};
