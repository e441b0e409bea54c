#include "shell/C_vmkApp.h"

#include "commands/C_AboutCommand.h"
#include "commands/C_AcrossCommand.h"
#include "commands/C_AppSettings.h"
#include "commands/C_DialogPrompts.h"
#include "commands/C_ScanFolderCommand.h"
#include "model/C_Carrier.h"
#include "model/pictures/BTCImageData.h"
#include "res/vmk_ids.h"
#include "res/vmk_resources.h"
#include "res/vmk_strings.h"
#include "shell/C_ChildFrame.h"
#include "shell/C_CommandLineInfo.h"
#include "shell/C_FileDrop.h"
#include "shell/C_MainFrame.h"
#include "shell/C_SplashWnd.h"
#include "shell/C_vmkDoc.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QSettings>
#include <QStatusBar>
#include <QThread>
#include <QWindow>

namespace {
// The window system maps and maximises a window after show() returns; a box centred on the
// window before that would be centred on its old, small geometry. Waits a second at most.
void WaitUntilExposed(QWidget* pWindow)
{
    QElapsedTimer timer;
    timer.start();
    while (pWindow->windowHandle() && !pWindow->windowHandle()->isExposed() && timer.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    QCoreApplication::processEvents();
}
}  // namespace

C_vmkApp::C_vmkApp(int& argc, char** argv)
    : QApplication(argc, argv)
    , m_pDefaultPrompts(std::make_unique<C_DialogPrompts>())
{
    m_pPrompts = m_pDefaultPrompts.get();
    vmk::InitResources();
    setOrganizationName(QStringLiteral("Veilmark"));
    setApplicationName(QString::fromUtf8(vmk::LoadString(IDS_APP_TITLE)));
    QIcon icon;
    icon.addFile(QStringLiteral(":/res/icon%1_32").arg(IDR_MAINFRAME));
    icon.addFile(QStringLiteral(":/res/icon%1_16").arg(IDR_MAINFRAME));
    setWindowIcon(icon);
}

C_vmkApp::~C_vmkApp()
{
    // Windows go before the application object they refer to.
    m_pMainFrame.reset();
}

C_vmkApp* C_vmkApp::Instance()
{
    return qobject_cast<C_vmkApp*>(QCoreApplication::instance());
}

void C_vmkApp::SetPrompts(C_Prompts* pPrompts)
{
    m_pPrompts = pPrompts ? pPrompts : m_pDefaultPrompts.get();
}

bool C_vmkApp::InitInstance(const QStringList& args)
{
    m_nExitCode = 0;
    m_bUnregistered = false;
    m_bFrameShown = false;
    const C_CommandLineInfo cmdLine = C_CommandLineInfo::Parse(args);
    // "Embedding" and "Automation" start without the splash.
    C_SplashWnd::SetSplashEnabled(cmdLine.m_bShowSplash);

    // The recent-file list and the hide choices as the last run left them.
    {
        QSettings settings = C_AppSettings::Open();
        m_recentFiles.ReadList(settings);
        m_hideChoices.ReadFrom(settings);
    }

    // The main window with its menus, tool bar and status bar, hidden for now; loading it shows
    // the splash. Dialogs are modal to it.
    m_pMainFrame.reset();
    m_pMainFrame = std::make_unique<C_MainFrame>(
        *m_pPrompts, m_recentFiles, m_hideChoices, [this](unsigned nId, bool bRun) { return OnCmdMsg(nId, bRun); });
    m_pDefaultPrompts->SetOwner(m_pMainFrame.get());
    if (!m_pMainFrame->LoadFrame()) {
        m_nExitCode = 1;
        return false;
    }
    new C_FileDrop(m_pMainFrame.get(), *m_pPrompts, [this](const QString& strPath) { OpenDocumentFile(strPath); });
    m_bPlacementRestored = ReadWindowPlacement();

    // What the command line asks for; with no file named the program starts without a picture,
    // never with an empty one of its own.
    C_CommandLineInfo info = cmdLine;
    if (info.m_nShellCommand == C_CommandLineInfo::FileNew)
        info.m_nShellCommand = C_CommandLineInfo::FileNothing;
    switch (info.m_nShellCommand) {
    case C_CommandLineInfo::FileOpen: {
        // The main window first, so that a box about the picture comes up centred over it
        // (the box closes the splash before it shows).
        ShowMainFrame();
        WaitUntilExposed(m_pMainFrame.get());
        // Each picture named opens; the program ends only when none of them does.
        bool bOpened = false;
        for (const QString& strName : info.m_fileNames) {
            if (OpenDocumentFile(strName))
                bOpened = true;
        }
        if (!bOpened) {
            m_pMainFrame->hide();
            m_nExitCode = 1;
            return false;
        }
        break;
    }
    case C_CommandLineInfo::FilePrint:
    case C_CommandLineInfo::FilePrintTo:
        // Opened, nothing printed (there is no print command), then the program ends.
        if (!info.m_strFileName.isEmpty())
            OpenDocumentFile(info.m_strFileName);
        return false;
    case C_CommandLineInfo::AppUnregister: Unregister(info.m_bRunEmbedded); return false;
    case C_CommandLineInfo::FileDDE:
    case C_CommandLineInfo::FileNothing:
    case C_CommandLineInfo::FileNew: break;
    }

    ShowMainFrame();
    m_pMainFrame->repaint();
    m_bFrameShown = true;
    return true;
}

void C_vmkApp::ShowMainFrame()
{
    // Where and as the last run left it; maximised the first time, whatever show state the
    // program was started with.
    if (m_bPlacementRestored)
        m_pMainFrame->show();
    else
        m_pMainFrame->showMaximized();
}

bool C_vmkApp::ReadWindowPlacement()
{
    QSettings settings = C_AppSettings::Open();
    const QByteArray geometry = settings.value(QStringLiteral("Window/Geometry")).toByteArray();
    if (geometry.isEmpty() || !m_pMainFrame->restoreGeometry(geometry))
        return false;
    m_pMainFrame->restoreState(settings.value(QStringLiteral("Window/State")).toByteArray());
    m_pMainFrame->statusBar()->setVisible(settings.value(QStringLiteral("Window/Status Bar"), true).toBool());
    m_pMainFrame->UpdateMenus();
    return true;
}

void C_vmkApp::WriteWindowPlacement()
{
    QSettings settings = C_AppSettings::Open();
    settings.setValue(QStringLiteral("Window/Geometry"), m_pMainFrame->saveGeometry());
    settings.setValue(QStringLiteral("Window/State"), m_pMainFrame->saveState());
    settings.setValue(QStringLiteral("Window/Status Bar"), !m_pMainFrame->statusBar()->isHidden());
}

void C_vmkApp::Unregister(bool bQuiet)
{
    m_bUnregistered = true;
    {
        QSettings settings = C_AppSettings::Open();
        settings.clear();
        settings.sync();
        // The settings file itself goes too, like the INI file of old.
        if (settings.format() != QSettings::NativeFormat || QFileInfo(settings.fileName()).isFile())
            QFile::remove(settings.fileName());
    }
    m_recentFiles = C_RecentFileList();
    m_hideChoices = C_HideChoices();
    if (!bQuiet)
        m_pPrompts->ShowMessage(vmk::kStrUnregDone);
}

void C_vmkApp::WriteSettings()
{
    QSettings settings = C_AppSettings::Open();
    m_recentFiles.WriteList(settings);
}

int C_vmkApp::ExitInstance()
{
    if (!m_bUnregistered)
        WriteSettings();
    // Only a window the user has had: not one that a failed start never showed.
    if (!m_bUnregistered && m_bFrameShown && m_pMainFrame)
        WriteWindowPlacement();
    return m_nExitCode;
}

bool C_vmkApp::notify(QObject* pReceiver, QEvent* pEvent)
{
    if (C_SplashWnd::FilterSplashInput(pEvent))
        return true;
    return QApplication::notify(pReceiver, pEvent);
}

bool C_vmkApp::OnCmdMsg(unsigned nId, bool bRun)
{
    if (nId >= ID_FILE_MRU_FILE1 && nId <= ID_FILE_MRU_LAST) {
        const int nIndex = int(nId - ID_FILE_MRU_FILE1);
        if (nIndex >= m_recentFiles.GetEntries().size())
            return false;
        if (bRun)
            OnOpenRecentFile(nIndex);
        return true;
    }
    switch (nId) {
    case ID_FILE_OPEN:
        if (bRun)
            OnFileOpen();
        return true;
    case ID_APP_ABOUT:
        if (bRun)
            OnAppAbout();
        return true;
    case ID_TOOLS_SCAN_FOLDER:
        // A window of its own beside the pictures; its rows open as Open Picture does.
        if (!m_pMainFrame)
            return false;
        if (bRun)
            C_ScanFolderCommand::Run(
                m_pMainFrame.get(), *m_pPrompts, [this](const QString& strPath) { OpenDocumentFile(strPath); });
        return true;
    // On picture files, whether or not any picture is open.
    case ID_ACTIONS_HIDE_ACROSS:
        if (bRun)
            C_AcrossCommand::RunHide(*m_pPrompts);
        return true;
    case ID_ACTIONS_REVEAL_ACROSS:
        if (bRun)
            C_AcrossCommand::RunReveal(*m_pPrompts);
        return true;
    case ID_APP_EXIT:
        if (bRun)
            OnAppExit();
        return true;
    case ID_ACTIONS_MATCH_EMBEDDING:
    case ID_ACTIONS_PAIR_PALETTE:
        if (!HideChoiceApplies(nId))
            return false;
        if (bRun)
            ToggleHideChoice(nId);
        return true;
    default: return false;
    }
}

bool C_vmkApp::HideChoiceApplies(unsigned nId) const
{
    C_ChildFrame* pFrame = m_pMainFrame ? m_pMainFrame->GetActiveChild() : nullptr;
    const C_Carrier* pCarrier = pFrame ? pFrame->GetDocument()->GetCarrier() : nullptr;
    const BTCImageData* pData = pCarrier ? pCarrier->GetObjectDataPtr() : nullptr;
    if (!pData)
        return false;
    if (nId == ID_ACTIONS_MATCH_EMBEDDING)
        return pCarrier->CanEmbedMatch();
    // Palette pictures: indices of up to 8 bits with their colour table (gray levels are
    // samples, not indices).
    const S_PixelLayout layout = pData->Layout();
    return layout.bKnown && layout.IsIndexed() && !pData->GetPalette().empty();
}

void C_vmkApp::ToggleHideChoice(unsigned nId)
{
    const C_HideOptions& options = m_hideChoices.GetOptions();
    if (nId == ID_ACTIONS_MATCH_EMBEDDING)
        m_hideChoices.SetMatchEmbedding(!options.m_bMatchEmbedding);
    else
        m_hideChoices.SetPairPalette(!options.m_bPairPalette);
    QSettings settings = C_AppSettings::Open();
    m_hideChoices.WriteTo(settings);
    if (m_pMainFrame)
        m_pMainFrame->UpdateMenus();
}

QString C_vmkApp::CanonicalPath(const QString& strPath)
{
    const QFileInfo fi(strPath);
    const QString strCanonical = fi.canonicalFilePath();  // empty when the file does not exist
    return strCanonical.isEmpty() ? QDir::cleanPath(fi.absoluteFilePath()) : strCanonical;
}

C_vmkDoc* C_vmkApp::OpenDocumentFile(const QString& strPath)
{
    if (!m_pMainFrame || strPath.isEmpty())
        return nullptr;
    const QString strFull = CanonicalPath(strPath);
    for (C_ChildFrame* pFrame : m_pMainFrame->GetChildFrames()) {
        if (C_RecentFileList::SamePath(pFrame->GetDocument()->GetPathName(), strFull)) {
            m_pMainFrame->GetMdiArea()->setActiveSubWindow(pFrame);
            return pFrame->GetDocument();
        }
    }
    C_ChildFrame* pFrame = m_pMainFrame->CreateChildFrame();
    if (!pFrame->GetDocument()->OnOpenDocument(strFull)) {
        delete pFrame;  // never shown: the window and the document go at once
        return nullptr;
    }
    AddToRecentFileList(strFull);
    m_pMainFrame->ShowChildFrame(pFrame);
    // The entries name files in the current folder by name alone, and the open just moved it.
    m_pMainFrame->RebuildRecentFileMenus();
    return pFrame->GetDocument();
}

void C_vmkApp::AddToRecentFileList(const QString& strPath)
{
    m_recentFiles.Add(strPath);
    // Written at once as well as at exit, so a crash does not lose the list.
    WriteSettings();
    if (m_pMainFrame)
        m_pMainFrame->RebuildRecentFileMenus();
}

void C_vmkApp::OnFileOpen()
{
    // Only an existing file; the dialog starts where the last file dialog was left.
    C_FileDialogArgs args;
    args.m_strTitle = vmk::kStrOpenTitle;
    args.m_strFilter = vmk::kStrOpenFilter;
    args.m_bMustExist = true;
    args.m_bStartInCurrentDir = false;
    const std::string strPath = m_pPrompts->ChooseOpenFile(args);
    if (!strPath.empty())
        OpenDocumentFile(QString::fromStdString(strPath));
}

void C_vmkApp::OnOpenRecentFile(int nIndex)
{
    if (nIndex < 0 || nIndex >= m_recentFiles.GetEntries().size())
        return;
    // An entry that no longer opens leaves the list.
    if (!OpenDocumentFile(m_recentFiles.GetEntries().at(nIndex))) {
        m_recentFiles.Remove(nIndex);
        WriteSettings();
        if (m_pMainFrame)
            m_pMainFrame->RebuildRecentFileMenus();
    }
}

void C_vmkApp::OnAppAbout()
{
    C_AboutCommand::Run(*m_pPrompts);
}

void C_vmkApp::OnAppExit()
{
    if (m_pMainFrame)
        m_pMainFrame->close();
}
