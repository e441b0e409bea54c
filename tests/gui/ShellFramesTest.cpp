// Start-up, command line, menus, keys, tool bar, status bar, recent files, window handling.

#include "commands/C_ScanFolderDlg.h"
#include "res/vmk_ids.h"
#include "shell/C_ChildFrame.h"
#include "shell/C_CommandLineInfo.h"
#include "shell/C_MainFrame.h"
#include "shell/C_SplashWnd.h"
#include "shell/C_vmkApp.h"
#include "shell/C_vmkDoc.h"
#include "tests/gui/C_GuiTestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {

struct S_Item {
    QString strText;
    unsigned nId;
};

// The items of a menu as (text, id); separators as ("", 0).
QList<S_Item> Items(const QMenu* pMenu)
{
    QList<S_Item> items;
    for (const QAction* a : pMenu->actions())
        items.append({a->isSeparator() ? QString() : a->text(), a->isSeparator() ? 0u : a->data().toUInt()});
    return items;
}

QStringList Titles(const QList<QMenu*>& menus)
{
    QStringList titles;
    for (const QMenu* m : menus)
        titles << m->title();
    return titles;
}

QColor Solid(int, int)
{
    return QColor(10, 120, 200);
}

}  // namespace

class ShellFramesTest : public QObject {
    Q_OBJECT

    C_ScriptedPrompts m_prompts;
    QTemporaryDir m_dir;

    C_vmkApp* App() { return C_vmkApp::Instance(); }
    C_MainFrame* Frame() { return App()->GetMainFrame(); }

    QString Picture(const QString& strName, int w = 40, int h = 30)
    {
        const QString strPath = m_dir.filePath(strName);
        if (!QFile::exists(strPath))
            WriteBmp24(strPath, w, h, Solid);
        return strPath;
    }

    bool Start(const QStringList& args = {QStringLiteral("-Embedding")})
    {
        m_prompts = C_ScriptedPrompts();
        App()->SetPrompts(&m_prompts);
        return App()->InitInstance(args);
    }

private slots:
    void init()
    {
        QSettings(QStringLiteral("Veilmark"), QStringLiteral("Veilmark")).clear();
        App()->GetRecentFiles() = C_RecentFileList();
    }
    void cleanup()
    {
        const std::string strFaults = CloseEverything(m_prompts);
        QVERIFY2(strFaults.empty(), strFaults.c_str());
    }

    // ---- menus, keys, tool bar, status bar ----

    void menu128WithoutPicture()
    {
        QVERIFY(Start());
        QCOMPARE(Frame()->GetMenuId(), IDR_MAINFRAME);
        QCOMPARE(Titles(Frame()->GetMenus()), QStringList({"&File", "&Actions", "&Tools", "&View", "&Help"}));
        QCOMPARE(Frame()->menuBar()->actions().size(), 5);
        const QList<S_Item> file = Items(Frame()->GetMenus()[0]);
        QCOMPARE(file.size(), 5);
        QCOMPARE(file[0].strText, QString("&Open Picture...\tF3"));
        QCOMPARE(file[0].nId, ID_FILE_OPEN);
        QCOMPARE(file[1].nId, 0u);
        QCOMPARE(file[2].strText, QString("Recent File"));
        QCOMPARE(file[2].nId, ID_FILE_MRU_FILE1);
        QVERIFY(!Frame()->GetMenus()[0]->actions()[2]->isEnabled());  // greyed place holder
        QCOMPARE(file[4].strText, QString("E&xit"));
        QCOMPARE(file[4].nId, ID_APP_EXIT);
        // The commands on picture files need no open picture.
        const QList<S_Item> actions = Items(Frame()->GetMenus()[1]);
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions[0].nId, ID_ACTIONS_HIDE_ACROSS);
        QCOMPARE(actions[1].nId, ID_ACTIONS_REVEAL_ACROSS);
        QVERIFY(Frame()->GetAction(ID_ACTIONS_HIDE_ACROSS)->isEnabled());
        QVERIFY(Frame()->GetAction(ID_ACTIONS_REVEAL_ACROSS)->isEnabled());
        // Scanning a folder needs no picture.
        const QList<S_Item> tools = Items(Frame()->GetMenus()[2]);
        QCOMPARE(tools.size(), 1);
        QCOMPARE(tools[0].strText, QString("Scan &Folder..."));
        QCOMPARE(tools[0].nId, ID_TOOLS_SCAN_FOLDER);
        QVERIFY(Frame()->GetAction(ID_TOOLS_SCAN_FOLDER)->isEnabled());
        const QList<S_Item> view = Items(Frame()->GetMenus()[3]);
        QCOMPARE(view[0].strText, QString("&Toolbar"));
        QCOMPARE(view[0].nId, ID_VIEW_TOOLBAR);
        QCOMPARE(view[1].strText, QString("&Status Bar"));
        QCOMPARE(view[1].nId, ID_VIEW_STATUS_BAR);
        QCOMPARE(Items(Frame()->GetMenus()[4])[0].strText, QString("&About Veilmark..."));
        QCOMPARE(Items(Frame()->GetMenus()[4])[0].nId, ID_APP_ABOUT);
        // Without a picture the picture commands are off, their keys with them.
        QVERIFY(!Frame()->GetAction(ID_FILE_SAVE_AS)->isEnabled());
        QVERIFY(!Frame()->GetAction(ID_ACTIONS_HIDE)->isEnabled());
        QVERIFY(!Frame()->GetAction(ID_ACTIONS_REVEAL_SEALED)->isEnabled());
        QVERIFY(Frame()->GetAction(ID_FILE_OPEN)->isEnabled());
        QCOMPARE(Frame()->windowTitle(), QString("Veilmark"));
    }

    void menu129WithPicture()
    {
        QVERIFY(Start());
        QVERIFY(App()->OpenDocumentFile(Picture("a.bmp")));
        QCOMPARE(Frame()->GetMenuId(), IDR_VMKTYPE);
        QCOMPARE(
            Titles(Frame()->GetMenus()), QStringList({"&File", "&Actions", "&Tools", "&View", "&Window", "&Help"}));
        QCOMPARE(Frame()->menuBar()->actions().size(), 6);
        const QList<QMenu*> menus = Frame()->GetMenus();
        const QList<S_Item> file = Items(menus[0]);
        QCOMPARE(file[1].strText, QString("&Close"));
        QCOMPARE(file[1].nId, ID_FILE_CLOSE);
        QCOMPARE(file[2].strText, QString("Save Picture &As...\tF2"));
        QCOMPARE(file[2].nId, ID_FILE_SAVE_AS);
        // The one recent file stands where "Recent File" stood.
        QCOMPARE(file[4].nId, ID_FILE_MRU_FILE1);
        QCOMPARE(file[4].strText, QString("&1 a.bmp"));
        const QList<S_Item> actions = Items(menus[1]);
        QCOMPARE(actions[0].strText, QString("&Hide Message\tF4"));
        QCOMPARE(actions[0].nId, ID_ACTIONS_HIDE);
        QCOMPARE(actions[1].strText, QString("&Reveal Message\tF5"));
        QCOMPARE(actions[1].nId, ID_ACTIONS_REVEAL);
        // The sealed record's commands follow the plain ones, apart; then how to hide.
        QCOMPARE(actions.size(), 11);
        QCOMPARE(actions[2].nId, 0u);
        QCOMPARE(actions[3].strText, QString("Hide &Sealed Message...\tShift+F4"));
        QCOMPARE(actions[3].nId, ID_ACTIONS_HIDE_SEALED);
        QCOMPARE(actions[4].strText, QString("R&eveal Sealed Message...\tShift+F5"));
        QCOMPARE(actions[4].nId, ID_ACTIONS_REVEAL_SEALED);
        QCOMPARE(actions[5].nId, 0u);
        QCOMPARE(actions[6].strText, QString("Hide A&cross Pictures..."));
        QCOMPARE(actions[6].nId, ID_ACTIONS_HIDE_ACROSS);
        QCOMPARE(actions[7].strText, QString("Reveal &from Pictures..."));
        QCOMPARE(actions[7].nId, ID_ACTIONS_REVEAL_ACROSS);
        QCOMPARE(actions[8].nId, 0u);
        QCOMPARE(actions[9].strText, QString("Hide by Adding or Subtracting &1"));
        QCOMPARE(actions[9].nId, ID_ACTIONS_MATCH_EMBEDDING);
        QCOMPARE(actions[10].strText, QString("&Pair the Palette Before Hiding"));
        QCOMPARE(actions[10].nId, ID_ACTIONS_PAIR_PALETTE);
        const QList<S_Item> tools = Items(menus[2]);
        QCOMPARE(tools.size(), 9);
        QCOMPARE(tools[0].strText, QString("Carrier &Properties"));
        QCOMPARE(tools[0].nId, ID_TOOLS_PROPERTIES);
        QCOMPARE(tools[1].nId, 0u);
        QCOMPARE(tools[2].strText, QString("&Compose a Message"));
        QCOMPARE(tools[2].nId, ID_TOOLS_COMPOSE);
        QCOMPARE(tools[3].strText, QString("Compose a &Sealed Message..."));
        QCOMPARE(tools[3].nId, ID_TOOLS_COMPOSE_SEALED);
        QCOMPARE(tools[4].strText, QString("Convert to &Gray Scale"));
        QCOMPARE(tools[4].nId, ID_TOOLS_GRAYSCALE);
        QCOMPARE(tools[5].strText, QString("Compare &Images..."));
        QCOMPARE(tools[5].nId, ID_TOOLS_COMPARE);
        QCOMPARE(tools[6].strText, QString("&Detection Check..."));
        QCOMPARE(tools[6].nId, ID_TOOLS_DETECTION_CHECK);
        QCOMPARE(tools[7].nId, 0u);
        QCOMPARE(tools[8].strText, QString("Scan &Folder..."));
        QCOMPARE(tools[8].nId, ID_TOOLS_SCAN_FOLDER);
        const QList<S_Item> window = Items(menus[4]);
        QCOMPARE(window[0].strText, QString("&Cascade"));
        QCOMPARE(window[0].nId, ID_WINDOW_CASCADE);
        QCOMPARE(window[1].strText, QString("&Tile"));
        QCOMPARE(window[1].nId, ID_WINDOW_TILE_HORZ);
        QCOMPARE(window[2].strText, QString("&Arrange Icons"));
        QCOMPARE(window[2].nId, ID_WINDOW_ARRANGE);
        QCOMPARE(window[3].strText, QString("Close All &Windows"));
        QCOMPARE(window[3].nId, ID_WINDOW_CLOSEALL);
        // Every picture command is enabled while a picture window is active.
        for (unsigned nId : {ID_FILE_SAVE_AS, ID_FILE_CLOSE, ID_ACTIONS_HIDE, ID_ACTIONS_REVEAL, ID_ACTIONS_HIDE_SEALED,
                 ID_ACTIONS_REVEAL_SEALED, ID_TOOLS_PROPERTIES, ID_TOOLS_COMPOSE, ID_TOOLS_COMPOSE_SEALED,
                 ID_TOOLS_GRAYSCALE, ID_TOOLS_COMPARE, ID_TOOLS_DETECTION_CHECK, ID_TOOLS_SCAN_FOLDER,
                 ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_WINDOW_ARRANGE, ID_WINDOW_CLOSEALL})
            QVERIFY2(Frame()->GetAction(nId)->isEnabled(), qPrintable(QString::number(nId)));
    }

    // The hide choices are check marks that apply where the active picture allows them, and
    // they outlast the run.
    void hideChoicesAreKeptAndApplyWhereThePictureAllows()
    {
        QVERIFY(Start());
        QVERIFY(App()->OpenDocumentFile(Picture("true.bmp")));
        QAction* pMatch = Frame()->GetAction(ID_ACTIONS_MATCH_EMBEDDING);
        QAction* pPair = Frame()->GetAction(ID_ACTIONS_PAIR_PALETTE);
        QVERIFY(pMatch->isCheckable() && pPair->isCheckable());
        QVERIFY(pMatch->isEnabled());
        QVERIFY(!pPair->isEnabled());  // a true-colour picture has no palette
        QVERIFY(!pMatch->isChecked());
        pMatch->trigger();
        QVERIFY(pMatch->isChecked());
        QVERIFY(App()->GetHideChoices().GetOptions().m_bMatchEmbedding);
        QVERIFY(QSettings("Veilmark", "Veilmark").value("Hide Options/AddOrSubtractOne").toBool());

        const QString strPalette = m_dir.filePath("palette.bmp");
        QVERIFY(WriteBmp8(
            strPalette, 16, 16, {Qt::red, Qt::green, Qt::blue, Qt::white}, [](int x, int y) { return (x + y) % 4; }));
        QVERIFY(App()->OpenDocumentFile(strPalette));
        QVERIFY(!pMatch->isEnabled());  // indices: plus or minus one would change the colour
        QVERIFY(pPair->isEnabled());
        pPair->trigger();
        QVERIFY(App()->GetHideChoices().GetOptions().m_bPairPalette);

        // The next run starts with both marks as they were left.
        Frame()->CloseAllDocuments();
        QVERIFY(Start());
        QVERIFY(App()->OpenDocumentFile(Picture("true.bmp")));
        QVERIFY(Frame()->GetAction(ID_ACTIONS_MATCH_EMBEDDING)->isChecked());
        QVERIFY(Frame()->GetAction(ID_ACTIONS_PAIR_PALETTE)->isChecked());
    }

    void windowListInWindowMenu()
    {
        QVERIFY(Start());
        QVERIFY(App()->OpenDocumentFile(Picture("a.bmp")));
        QVERIFY(App()->OpenDocumentFile(Picture("b.bmp")));
        QMenu* pWindow = Frame()->GetMenus()[4];
        emit pWindow->aboutToShow();
        const QList<QAction*> acts = pWindow->actions();
        QCOMPARE(acts.size(), 4 + 1 + 2);
        QVERIFY(acts[5]->text().startsWith("&1 Carrier - a.bmp"));
        QVERIFY(acts[6]->text().startsWith("&2 Carrier - b.bmp"));
        QVERIFY(!acts[5]->isChecked());
        QVERIFY(acts[6]->isChecked());  // the active one
        // Titles as the windows show them: no placeholder, a "*" on a changed picture only.
        Frame()->GetActiveChild()->GetDocument()->SetModifiedFlag(true);
        emit pWindow->aboutToShow();
        const QList<QAction*> marked = pWindow->actions();
        QCOMPARE(marked[5]->text(), "&1 Carrier - a.bmp [40x30x24 bits]");
        QCOMPARE(marked[6]->text(), "&2 Carrier - b.bmp [40x30x24 bits]*");
        Frame()->GetActiveChild()->GetDocument()->SetModifiedFlag(false);
        marked[5]->trigger();
        QCOMPARE(Frame()->GetActiveChild()->GetDocument()->GetPathName(), QDir(m_dir.path()).filePath("a.bmp"));
    }

    void acceleratorKeys()
    {
        QVERIFY(Start());
        const QList<QPair<unsigned, QString>> keys = {{ID_FILE_SAVE_AS, "F2"}, {ID_FILE_OPEN, "F3"},
            {ID_ACTIONS_HIDE, "F4"}, {ID_ACTIONS_REVEAL, "F5"}, {ID_ACTIONS_HIDE_SEALED, "Shift+F4"},
            {ID_ACTIONS_REVEAL_SEALED, "Shift+F5"}, {ID_NEXT_PANE, "F6"}, {ID_PREV_PANE, "Shift+F6"}};
        for (const auto& [nId, strKey] : keys)
            QCOMPARE(Frame()->GetAction(nId)->shortcut(), QKeySequence::fromString(strKey));
        // F3 opens the open dialog even with no picture.
        m_prompts.m_openAnswers = {""};
        m_prompts.m_saveAnswers = {""};
        QVERIFY(QTest::qWaitForWindowExposed(Frame()));
        QTest::keyClick(Frame(), Qt::Key_F3);
        QCOMPARE(int(m_prompts.m_openArgs.size()), 1);
        // F2 acts only with a picture.
        QTest::keyClick(Frame(), Qt::Key_F2);
        QCOMPARE(int(m_prompts.m_saveArgs.size()), 0);
        QVERIFY(App()->OpenDocumentFile(Picture("a.bmp")));
        QVERIFY(App()->OpenDocumentFile(Picture("b.bmp")));
        QTest::keyClick(Frame(), Qt::Key_F2);
        QCOMPARE(int(m_prompts.m_saveArgs.size()), 1);
        // F6 and Shift+F6: no pane to switch to, nothing changes.
        C_ChildFrame* pActive = Frame()->GetActiveChild();
        QTest::keyClick(Frame(), Qt::Key_F6);
        QTest::keyClick(Frame(), Qt::Key_F6, Qt::ShiftModifier);
        QCOMPARE(Frame()->GetActiveChild(), pActive);
        QCOMPARE(Frame()->GetChildFrames().size(), 2);
        QVERIFY(m_prompts.m_messages.empty());
    }

    void toolBarOrderAndPrompts()
    {
        QVERIFY(Start());
        const QList<unsigned> want = {ID_FILE_OPEN, ID_FILE_SAVE_AS, 0, ID_ACTIONS_HIDE, ID_ACTIONS_REVEAL, 0,
            ID_TOOLS_PROPERTIES, ID_TOOLS_GRAYSCALE, ID_TOOLS_COMPOSE, ID_TOOLS_COMPARE, 0, ID_APP_ABOUT};
        QList<unsigned> got;
        QList<QImage> images;
        for (QAction* a : Frame()->GetToolBar()->actions()) {
            got << (a->isSeparator() ? 0u : a->data().toUInt());
            if (!a->isSeparator())
                images << a->icon().pixmap(32, 32).toImage();
        }
        QCOMPARE(got, want);
        QCOMPARE(Frame()->GetToolBar()->iconSize(), QSize(32, 32));
        // Nine images, cut from the strip in order: no two alike, none empty.
        QCOMPARE(images.size(), 9);
        for (int i = 0; i < images.size(); ++i) {
            QCOMPARE(images[i].size(), QSize(32, 32));
            for (int j = i + 1; j < images.size(); ++j)
                QVERIFY(images[i] != images[j]);
        }
        // Status prompt and tool tip from the string table.
        QCOMPARE(
            Frame()->GetAction(ID_ACTIONS_HIDE)->statusTip(), QString("Hide a Message(i.e data) into this Picture."));
        QCOMPARE(Frame()->GetAction(ID_ACTIONS_HIDE)->toolTip(), QString("Hide a File into this Picture"));
        QCOMPARE(Frame()->GetAction(ID_FILE_SAVE_AS)->toolTip(), QString("Save this Pictue as.."));
        QCOMPARE(Frame()->GetAction(ID_TOOLS_GRAYSCALE)->statusTip(), QString("Convert this Image to Black & White."));
        QCOMPARE(Frame()->GetAction(ID_WINDOW_CLOSEALL)->statusTip(), QString("Close all currently open windows."));

        // Pointing at a button puts its prompt in the message pane; leaving brings "Ready" back.
        auto* pButton =
            qobject_cast<QToolButton*>(Frame()->GetToolBar()->widgetForAction(Frame()->GetAction(ID_FILE_OPEN)));
        QVERIFY(pButton);
        QLabel* pReady = nullptr;
        for (QLabel* l : Frame()->statusBar()->findChildren<QLabel*>())
            if (l->text() == "Ready")
                pReady = l;
        QVERIFY(pReady);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(pButton, &enter);
        QCOMPARE(Frame()->statusBar()->currentMessage(), QString("Open a Picture file"));
        QVERIFY(pReady->isHidden());
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(pButton, &leave);
        QCOMPARE(Frame()->statusBar()->currentMessage(), QString());
        QVERIFY(!pReady->isHidden());
    }

    void lockIndicatorsOffWithoutLights()
    {
        QVERIFY(Start());
        // Panes for CAP, NUM and SCRL exist; the offscreen platform reports no lights.
        for (unsigned nId : {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL}) {
            auto* pLabel = Frame()->statusBar()->findChild<QLabel*>(QStringLiteral("Indicator%1").arg(nId));
            QVERIFY(pLabel);
            QCOMPARE(pLabel->text(), QString());
        }
    }

    void viewTogglesCheckMarks()
    {
        QVERIFY(Start());
        QAction* pTool = Frame()->GetAction(ID_VIEW_TOOLBAR);
        QAction* pStatus = Frame()->GetAction(ID_VIEW_STATUS_BAR);
        QVERIFY(pTool->isChecked());
        QVERIFY(pStatus->isChecked());
        pTool->trigger();
        QVERIFY(Frame()->GetToolBar()->isHidden());
        QVERIFY(!pTool->isChecked());
        pStatus->trigger();
        QVERIFY(Frame()->statusBar()->isHidden());
        QVERIFY(!pStatus->isChecked());
        pTool->trigger();
        pStatus->trigger();
        QVERIFY(!Frame()->GetToolBar()->isHidden());
        QVERIFY(!Frame()->statusBar()->isHidden());
        QVERIFY(pTool->isChecked());
        QVERIFY(pStatus->isChecked());
    }

    // ---- command line ----

    void commandLineParsing()
    {
        using C = C_CommandLineInfo;
        QVERIFY(C::Parse({}).m_bShowSplash);
        QCOMPARE(C::Parse({}).m_nShellCommand, C::FileNew);
        QVERIFY(!C::Parse({"/Embedding"}).m_bShowSplash);
        QVERIFY(!C::Parse({"-automation"}).m_bShowSplash);
        QVERIFY(!C::Parse({"-EMBEDDING"}).m_bShowSplash);
        const C open = C::Parse({"/tmp/x/photo.bmp"});  // an absolute path, not a switch
        QCOMPARE(open.m_nShellCommand, C::FileOpen);
        QCOMPARE(open.m_strFileName, QString("/tmp/x/photo.bmp"));
        QVERIFY(open.m_bShowSplash);
        QCOMPARE(C::Parse({"-p", "a.bmp"}).m_nShellCommand, C::FilePrint);
        QCOMPARE(C::Parse({"-pt", "a.bmp", "printer"}).m_nShellCommand, C::FilePrintTo);
        QCOMPARE(C::Parse({"-P", "a.bmp"}).m_nShellCommand, C::FileOpen);  // "p" keeps its case
        QCOMPARE(C::Parse({"-dde"}).m_nShellCommand, C::FileDDE);
        QCOMPARE(C::Parse({"-unREGister"}).m_nShellCommand, C::AppUnregister);
        QCOMPARE(C::Parse({"/Unregserver"}).m_nShellCommand, C::AppUnregister);
        // Names are absolute against the current folder as they are read; unknown switches are
        // kept as given, for the program to refuse.
        const C two = C::Parse({"a.bmp", "-bogus", "img/b.bmp", "--colour", "/Embedding"});
        QCOMPARE(two.m_strFileName, QDir::current().absoluteFilePath("a.bmp"));
        QCOMPARE(two.m_fileNames, QStringList({two.m_strFileName, QDir::current().absoluteFilePath("img/b.bmp")}));
        QCOMPARE(two.m_unknownFlags, QStringList({"-bogus", "--colour"}));
        QVERIFY(C::Parse({"-Embedding", "-p", "a.bmp"}).m_unknownFlags.isEmpty());
    }

    void startWithoutArgumentsShowsSplashAndMenu128()
    {
        QVERIFY(Start({}));
        QVERIFY(C_SplashWnd::GetCurrent());
        QVERIFY(Frame()->isMaximized());
        QCOMPARE(Frame()->GetMenuId(), IDR_MAINFRAME);
        QVERIFY(Frame()->GetChildFrames().isEmpty());
    }

    void startWithEmbeddingHasNoSplash()
    {
        QVERIFY(Start({"/Embedding"}));
        QVERIFY(!C_SplashWnd::GetCurrent());
        QVERIFY(Start({"-automation"}));
        QVERIFY(!C_SplashWnd::GetCurrent());
        QVERIFY(Frame()->isMaximized());
    }

    void startWithPictureOpensIt()
    {
        QVERIFY(Start({"-Embedding", Picture("start.bmp")}));
        QCOMPARE(Frame()->GetChildFrames().size(), 1);
        QCOMPARE(Frame()->GetMenuId(), IDR_VMKTYPE);
        QVERIFY(Frame()->isMaximized());
    }

    void startWithMissingPictureEnds()
    {
        QVERIFY(!Start({"-Embedding", m_dir.filePath("missing.bmp")}));
        QCOMPARE(FirstLines(m_prompts.m_messages), QStringList({"Error Opening Image!"}));
        QVERIFY(Frame()->GetChildFrames().isEmpty());
        QVERIFY(!Frame()->isVisible());
    }

    // The box about a bad picture comes after the splash, over the shown main window.
    void startWithBadPictureAsksWithoutSplash()
    {
        const QString strBad = m_dir.filePath("bad.bmp");
        QFile f(strBad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("BM this is not a picture");
        f.close();
        m_prompts = C_ScriptedPrompts();
        bool bSplashUp = true, bFrameShown = false;
        m_prompts.m_fnOnBox = [&] {
            bSplashUp = C_SplashWnd::GetCurrent() != nullptr;
            bFrameShown = Frame()->isVisible();
        };
        App()->SetPrompts(&m_prompts);
        QVERIFY(!App()->InitInstance({strBad}));
        QCOMPARE(FirstLines(m_prompts.m_messages), QStringList({"Error Opening Image!"}));
        QVERIFY(!bSplashUp);
        QVERIFY(bFrameShown);
        QVERIFY(!Frame()->isVisible());  // the program then ends
    }

    void startWithLargePictureKeepsItsWindowInside()
    {
        QVERIFY(Start({"-Embedding", Picture("wide.bmp", 2400, 1800)}));
        QVERIFY(QTest::qWaitForWindowExposed(Frame()));
        C_ChildFrame* pChild = Frame()->GetChildFrames().value(0);
        QVERIFY(pChild);
        QVERIFY(QRect(QPoint(0, 0), Frame()->GetMdiArea()->viewport()->size()).contains(pChild->geometry()));
    }

    void startWithPrintOpensAndEnds()
    {
        QVERIFY(!Start({"-Embedding", "-p", Picture("print.bmp")}));
        QVERIFY(m_prompts.m_messages.empty());
    }

    void unregisterClearsSettings()
    {
        App()->AddToRecentFileList(Picture("kept.bmp"));
        QVERIFY(QSettings("Veilmark", "Veilmark").contains("Recent File List/File1"));
        QVERIFY(!Start({"-Unregister"}));
        QCOMPARE(Texts(m_prompts.m_messages),
            QStringList({"System registry entries have been removed and the INI file (if any) was deleted."}));
        QVERIFY(!QSettings("Veilmark", "Veilmark").contains("Recent File List/File1"));
        QVERIFY(App()->WasUnregistered());
        // Nothing is written back at the end.
        App()->ExitInstance();
        QVERIFY(QSettings("Veilmark", "Veilmark").allKeys().isEmpty());
    }

    void unregisterWithEmbeddingIsQuiet()
    {
        QVERIFY(!Start({"-Embedding", "/Unregserver"}));
        QVERIFY(m_prompts.m_messages.empty());
    }

    // ---- documents across windows ----

    void recentFilesKeepSixMostRecentFirst()
    {
        QVERIFY(Start());
        QStringList paths;
        for (int i = 1; i <= 7; ++i) {
            paths << QDir(m_dir.path()).filePath(QStringLiteral("r%1.bmp").arg(i));
            WriteBmp24(paths.last(), 8, 8, Solid);
            QVERIFY(App()->OpenDocumentFile(paths.last()));
        }
        QStringList want;
        for (int i = 7; i >= 2; --i)
            want << paths[i - 1];
        QCOMPARE(App()->GetRecentFiles().GetEntries(), want);
        QSettings settings("Veilmark", "Veilmark");
        for (int i = 1; i <= 6; ++i)
            QCOMPARE(settings.value(QStringLiteral("Recent File List/File%1").arg(i)).toString(), want[i - 1]);
        QVERIFY(!settings.contains("Recent File List/File7"));
        // In the menu: six entries with their ids, in the same order.
        const QList<QAction*> acts = Frame()->GetMenus()[0]->actions();
        QStringList shown;
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(acts[4 + i]->data().toUInt(), ID_FILE_MRU_FILE1 + unsigned(i));
            shown << acts[4 + i]->text();
        }
        QCOMPARE(shown.first(), QString("&1 r7.bmp"));  // in the current directory: name only
        QCOMPARE(shown.last(), QString("&6 r2.bmp"));
        QVERIFY(acts[10]->isSeparator());
        // Choosing an entry opens (here: activates) that picture.
        Frame()->CloseAllDocuments();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(Frame()->GetMenuId(), IDR_MAINFRAME);
        const QList<QAction*> acts128 = Frame()->GetMenus()[0]->actions();
        QCOMPARE(acts128[2 + 2]->data().toUInt(), ID_FILE_MRU_FILE1 + 2);
        acts128[2 + 2]->trigger();
        QCOMPARE(Frame()->GetActiveChild()->GetDocument()->GetPathName(), want[2]);
    }

    void recentEntryThatFailsIsRemoved()
    {
        QVERIFY(Start());
        const QString strGone = Picture("gone.bmp");
        QVERIFY(App()->OpenDocumentFile(strGone));
        Frame()->CloseAllDocuments();
        QVERIFY(QFile::remove(strGone));
        QVERIFY(App()->OnCmdMsg(ID_FILE_MRU_FILE1, true));
        QCOMPARE(FirstLines(m_prompts.m_messages), QStringList({"Error Opening Image!"}));
        QVERIFY(App()->GetRecentFiles().GetEntries().isEmpty());
    }

    void samePictureTwiceActivatesFirst()
    {
        QVERIFY(Start());
        const QString strA = Picture("same.bmp");
        QVERIFY(QDir(m_dir.path()).mkpath("sub"));
        C_vmkDoc* pA = App()->OpenDocumentFile(strA);
        QVERIFY(pA);
        QVERIFY(App()->OpenDocumentFile(Picture("other.bmp")));
        QCOMPARE(App()->OpenDocumentFile(m_dir.path() + "/sub/../same.bmp"), pA);
        QCOMPARE(Frame()->GetActiveChild()->GetDocument(), pA);
        QVERIFY(App()->OpenDocumentFile(Picture("other.bmp")));
        QCOMPARE(App()->OpenDocumentFile(m_dir.path() + "/./same.bmp"), pA);
        // A link to the picture names the same file.
        QVERIFY(QFile::link(strA, m_dir.filePath("link.bmp")));
        QCOMPARE(App()->OpenDocumentFile(m_dir.filePath("link.bmp")), pA);
        QCOMPARE(Frame()->GetChildFrames().size(), 2);
    }

    void letterCaseTellsFilesApart()
    {
#ifdef Q_OS_WIN
        QSKIP("file names ignore letter case on Windows");
#else
        QVERIFY(Start());
        const QString strLower = Picture("photo.bmp");
        const QString strUpper = Picture("Photo.bmp");
        C_vmkDoc* pLower = App()->OpenDocumentFile(strLower);
        C_vmkDoc* pUpper = App()->OpenDocumentFile(strUpper);
        QVERIFY(pLower && pUpper);
        QVERIFY(pLower != pUpper);
        QCOMPARE(Frame()->GetChildFrames().size(), 2);
#endif
    }

    void openFromDialogAndCancel()
    {
        QVERIFY(Start());
        m_prompts.m_openAnswers = {"", Picture("dlg.bmp").toStdString()};
        Frame()->GetAction(ID_FILE_OPEN)->trigger();  // Cancel
        QVERIFY(Frame()->GetChildFrames().isEmpty());
        Frame()->GetAction(ID_FILE_OPEN)->trigger();
        QCOMPARE(Frame()->GetChildFrames().size(), 1);
        QCOMPARE(int(m_prompts.m_openArgs.size()), 2);
    }

    void currentDirectoryFollowsOpenedPicture()
    {
        QVERIFY(Start());
        QVERIFY(QDir(m_dir.path()).mkpath("one"));
        QVERIFY(QDir(m_dir.path()).mkpath("two"));
        QVERIFY(App()->OpenDocumentFile(Picture("one/p.bmp")));
        QCOMPARE(QDir::currentPath(), QDir(m_dir.filePath("one")).canonicalPath());
        QVERIFY(App()->OpenDocumentFile(Picture("two/q.bmp")));
        QCOMPARE(QDir::currentPath(), QDir(m_dir.filePath("two")).canonicalPath());
        Frame()->CloseAllDocuments();
        QCOMPARE(QDir::currentPath(), QDir(m_dir.filePath("two")).canonicalPath());
    }

    // Tools > Scan Folder without a picture: one scan window however often it is chosen, and a
    // double click on a row opens that picture as Open Picture does.
    void scanFolderOpensItsRowsAsPictures()
    {
        QVERIFY(Start());
        QVERIFY(QDir(m_dir.path()).mkpath("scan"));
        const QString strPicture = Picture("scan/s1.bmp");
        Picture("scan/s2.bmp", 30, 20);
        QAction* pScan = Frame()->GetAction(ID_TOOLS_SCAN_FOLDER);
        pScan->trigger();
        pScan->trigger();
        const QList<C_ScanFolderDlg*> dialogs = Frame()->findChildren<C_ScanFolderDlg*>();
        QCOMPARE(dialogs.size(), 1);
        QPointer<C_ScanFolderDlg> pDlg = dialogs[0];
        QVERIFY(pDlg->isVisible());
        QVERIFY(!pDlg->isModal());
        m_prompts.m_folderAnswers = {m_dir.filePath("scan").toStdString()};
        QTest::mouseClick(pDlg->GetBrowseButton(), Qt::LeftButton);
        QSignalSpy finished(pDlg.data(), &C_ScanFolderDlg::ScanFinished);
        QTest::mouseClick(pDlg->GetStartButton(), Qt::LeftButton);
        QVERIFY(finished.wait(60000));
        QTableView* pTable = pDlg->GetTable();
        QCOMPARE(pTable->model()->rowCount(), 2);
        pTable->sortByColumn(0, Qt::AscendingOrder);
        const QPoint at = pTable->visualRect(pTable->model()->index(0, 1)).center();
        QTest::mouseClick(pTable->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(pTable->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(Frame()->GetChildFrames().size(), 1);
        QCOMPARE(Frame()->GetChildFrames()[0]->GetDocument()->GetPathName(), App()->CanonicalPath(strPicture));
        // Closing the window deletes it; the picture stays. The next one offers the same folder.
        QTest::mouseClick(
            pDlg->GetSubfoldersBox(), Qt::LeftButton, {}, QPoint(5, pDlg->GetSubfoldersBox()->height() / 2));
        QTest::mouseClick(pDlg->GetStartButton(), Qt::LeftButton);
        pDlg->close();
        QTRY_VERIFY(pDlg.isNull());
        QCOMPARE(Frame()->GetChildFrames().size(), 1);
        pScan->trigger();
        pDlg = Frame()->findChild<C_ScanFolderDlg*>();
        QVERIFY(pDlg);
        QCOMPARE(pDlg->GetFolderEdit()->text(), QDir::toNativeSeparators(m_dir.filePath("scan")));
        QVERIFY(pDlg->GetSubfoldersBox()->isChecked());
        pDlg->close();
    }

    void closeAllWindowsWithThree()
    {
        QVERIFY(Start());
        for (const char* name : {"c1.bmp", "c2.bmp", "c3.bmp"})
            QVERIFY(App()->OpenDocumentFile(Picture(name)));
        QCOMPARE(Frame()->GetChildFrames().size(), 3);
        QPointer<C_vmkDoc> pDoc = Frame()->GetActiveChild()->GetDocument();
        Frame()->GetAction(ID_WINDOW_CLOSEALL)->trigger();
        QVERIFY(Frame()->GetChildFrames().isEmpty());
        QCOMPARE(Frame()->GetMenuId(), IDR_MAINFRAME);
        QCOMPARE(Frame()->windowTitle(), QString("Veilmark"));
        QVERIFY(m_prompts.m_messages.empty());  // nobody asked to save
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(pDoc.isNull());  // the documents went with their windows
    }

    // A changed picture is marked and asks Save / Discard / Cancel before it closes, whether
    // closed alone, with Close All Windows or with Exit; Cancel stops the whole operation.
    void changedPictureAsksBeforeClosing()
    {
        QVERIFY(Start());
        C_vmkDoc* pA = App()->OpenDocumentFile(Picture("ch1.bmp"));
        QVERIFY(pA);
        QVERIFY(!FrameOf(pA)->isWindowModified());
        Frame()->GetAction(ID_TOOLS_GRAYSCALE)->trigger();
        QVERIFY(FrameOf(pA)->isWindowModified());
        QVERIFY(Frame()->isWindowModified());
        using E = C_Prompts::E_SaveChoice;
        m_prompts.m_saveChoices = {E::Cancel, E::Save};
        Frame()->GetAction(ID_FILE_CLOSE)->trigger();
        QCOMPARE(Texts(m_prompts.m_questions), QStringList({"Save the changes to ch1.bmp before closing?"}));
        QCOMPARE(Frame()->GetChildFrames().size(), 1);
        // Save runs Save Picture As; cancelling that keeps the window too.
        m_prompts.m_saveChoices = {E::Save, E::Save};
        m_prompts.m_saveAnswers = {"", m_dir.filePath("ch1-gray.bmp").toStdString()};
        Frame()->GetAction(ID_FILE_CLOSE)->trigger();
        QCOMPARE(Frame()->GetChildFrames().size(), 1);
        Frame()->GetAction(ID_FILE_CLOSE)->trigger();
        QVERIFY(QFile::exists(m_dir.filePath("ch1-gray.bmp")));
        QVERIFY(Frame()->GetChildFrames().isEmpty());

        // Close All: the unchanged picture is not asked about; Discard the first changed one,
        // Cancel the second: the third is not asked about and no window closes.
        QVERIFY(App()->OpenDocumentFile(Picture("same.bmp")));
        for (const char* name : {"ch2.bmp", "ch3.bmp", "ch4.bmp"}) {
            QVERIFY(App()->OpenDocumentFile(Picture(name)));
            Frame()->GetAction(ID_TOOLS_GRAYSCALE)->trigger();
        }
        m_prompts.m_questions.clear();
        m_prompts.m_saveChoices = {E::Discard, E::Cancel};
        Frame()->GetAction(ID_WINDOW_CLOSEALL)->trigger();
        QCOMPARE(int(m_prompts.m_questions.size()), 2);
        QCOMPARE(Frame()->GetChildFrames().size(), 4);
        // Exit: Cancel keeps the program; Discard for all three ends it.
        m_prompts.m_saveChoices = {E::Cancel};
        Frame()->GetAction(ID_APP_EXIT)->trigger();
        QVERIFY(Frame()->isVisible());
        QCOMPARE(Frame()->GetChildFrames().size(), 4);
        QVERIFY(Frame()->isWindowModified());
        m_prompts.m_saveChoices = {E::Discard, E::Discard, E::Discard};
        Frame()->GetAction(ID_APP_EXIT)->trigger();
        QVERIFY(!Frame()->isVisible());
        QVERIFY(Frame()->GetChildFrames().isEmpty());
    }

    void mainTitleFollowsActivePicture()
    {
        QVERIFY(Start());
        QVERIFY(App()->OpenDocumentFile(Picture("t1.bmp", 40, 30)));
        QCOMPARE(Frame()->windowTitle(), QString("Veilmark - Carrier - t1.bmp [40x30x24 bits][*]"));
        QVERIFY(App()->OpenDocumentFile(Picture("t2.bmp", 20, 10)));
        QCOMPARE(Frame()->windowTitle(), QString("Veilmark - Carrier - t2.bmp [20x10x24 bits][*]"));
        Frame()->GetActiveChild()->close();
        QCOMPARE(Frame()->windowTitle(), QString("Veilmark - Carrier - t1.bmp [40x30x24 bits][*]"));
        QVERIFY(!Frame()->isWindowModified());
    }

    void cascadeTileAndArrangeIcons()
    {
        QVERIFY(Start());
        for (const char* name : {"w1.bmp", "w2.bmp", "w3.bmp"})
            QVERIFY(App()->OpenDocumentFile(Picture(name, 300, 200)));
        const QList<C_ChildFrame*> frames = Frame()->GetChildFrames();
        Frame()->GetAction(ID_WINDOW_TILE_HORZ)->trigger();
        // Tiled windows do not overlap.
        for (int i = 0; i < frames.size(); ++i)
            for (int j = i + 1; j < frames.size(); ++j)
                QVERIFY(!frames[i]->geometry().intersects(frames[j]->geometry()));
        Frame()->GetAction(ID_WINDOW_CASCADE)->trigger();
        QVERIFY(frames[0]->geometry().intersects(frames[1]->geometry()));
        // Minimised windows line up along the bottom.
        frames[0]->showMinimized();
        frames[2]->showMinimized();
        Frame()->GetAction(ID_WINDOW_ARRANGE)->trigger();
        const int nBottom = Frame()->GetMdiArea()->viewport()->height();
        QCOMPARE(frames[0]->geometry().bottom() + 1, nBottom);
        QCOMPARE(frames[2]->geometry().bottom() + 1, nBottom);
        QCOMPARE(frames[0]->x(), 0);
        QCOMPARE(frames[2]->x(), frames[0]->width());
    }

    void exitClosesMainWindowAndWritesList()
    {
        QVERIFY(Start());
        QVERIFY(App()->OpenDocumentFile(Picture("exit.bmp")));
        QSettings("Veilmark", "Veilmark").clear();
        Frame()->GetAction(ID_APP_EXIT)->trigger();
        QVERIFY(!Frame()->isVisible());
        QVERIFY(Frame()->GetChildFrames().isEmpty());
        QCOMPARE(App()->ExitInstance(), 0);
        QCOMPARE(QSettings("Veilmark", "Veilmark").value("Recent File List/File1").toString(),
            QDir(m_dir.path()).filePath("exit.bmp"));
    }
};

VMK_GUI_TEST_MAIN(ShellFramesTest)
#include "ShellFramesTest.moc"
