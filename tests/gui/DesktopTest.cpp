// What a desktop user expects beside the classic keys and menus: files dropped on the windows,
// the usual Ctrl keys and F1, several pictures on the command line, and the window and dialog
// places kept from one run to the next.

#include "commands/C_DialogPrompts.h"
#include "res/vmk_ids.h"
#include "res/vmk_strings.h"
#include "shell/C_ChildFrame.h"
#include "shell/C_MainFrame.h"
#include "shell/C_SplashWnd.h"
#include "shell/C_vmkApp.h"
#include "shell/C_vmkDoc.h"
#include "shell/C_vmkView.h"
#include "tests/gui/C_GuiTestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMdiArea>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QtTest>

namespace {

QColor Gradient(int x, int y)
{
    return QColor((x * 7) & 255, (y * 5) & 255, 90);
}

QSettings Settings()
{
    return QSettings(QStringLiteral("Veilmark"), QStringLiteral("Veilmark"));
}

// Answers the file dialog that comes up next: `fnLook` sees it, then it is accepted with
// `strChoose` or, when that is empty, cancelled.
void AnswerFileDialog(const std::function<void(QFileDialog*)>& fnLook, const QString& strChoose)
{
    auto* pTimer = new QTimer;
    QObject::connect(pTimer, &QTimer::timeout, pTimer, [pTimer, fnLook, strChoose] {
        auto* pDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!pDialog)
            return;
        pTimer->deleteLater();
        pTimer->stop();
        fnLook(pDialog);
        if (strChoose.isEmpty()) {
            pDialog->reject();
        } else {
            // Qt leaves the name field alone while it has the focus.
            if (QWidget* pFocus = pDialog->focusWidget())
                pFocus->clearFocus();
            pDialog->selectFile(strChoose);
            static_cast<QDialog*>(pDialog)->accept();  // the dialog's own accept, through QDialog
            if (pDialog->isVisible())
                pDialog->reject();  // the name was refused: the test fails instead of waiting
        }
    });
    pTimer->start(20);
}

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT

    C_ScriptedPrompts m_prompts;
    QTemporaryDir m_dir;

    C_vmkApp* App() { return C_vmkApp::Instance(); }
    C_MainFrame* Frame() { return App()->GetMainFrame(); }

    QString Picture(const QString& strName)
    {
        const QString strPath = m_dir.filePath(strName);
        if (!QFile::exists(strPath))
            WriteBmp24(strPath, 60, 40, Gradient);
        return strPath;
    }
    QString TextFile(const QString& strName)
    {
        const QString strPath = m_dir.filePath(strName);
        QFile file(strPath);
        if (file.open(QIODevice::WriteOnly))
            file.write("dropped on the picture\n");
        return strPath;
    }

    bool Start(const QStringList& args = {QStringLiteral("-Embedding")})
    {
        m_prompts = C_ScriptedPrompts();
        App()->SetPrompts(&m_prompts);
        const bool bStarted = App()->InitInstance(args);
        if (Frame() && Frame()->isVisible() && !QTest::qWaitForWindowExposed(Frame()))
            return false;
        return bStarted;
    }

    // Drags `paths` onto the main window at `pos` (its coordinates) and drops them there; false
    // when the window refuses the drag.
    bool Drop(const QStringList& paths, QPoint pos)
    {
        QList<QUrl> urls;
        for (const QString& strPath : paths)
            urls << QUrl::fromLocalFile(strPath);
        return DropUrls(urls, pos);
    }
    bool DropUrls(const QList<QUrl>& urls, QPoint pos)
    {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Frame(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Frame(), &drop);
        QCoreApplication::processEvents();  // the drop is handled once it has returned
        return drop.isAccepted();
    }
    // The middle of a picture window, in main window coordinates.
    QPoint Middle(C_ChildFrame* pFrame)
    {
        QWidget* pView = pFrame->GetView();
        return pView->mapTo(Frame(), pView->rect().center());
    }

private slots:
    void init()
    {
        Settings().clear();
        App()->GetRecentFiles() = C_RecentFileList();
    }
    void cleanup()
    {
        const std::string strFaults = CloseEverything(m_prompts);
        QVERIFY2(strFaults.empty(), strFaults.c_str());
    }

    void droppedFiles()
    {
        QVERIFY(Start());
        const QString strNote = TextFile("note.txt");
        const QPoint area = Frame()->GetMdiArea()->geometry().center();
        // A file to hide with no picture under it is refused with the reason.
        QVERIFY(Drop({strNote}, area));
        QCOMPARE(Texts(m_prompts.m_messages), QStringList({vmk::kStrDropOnPicture}));

        // Pictures open, each in its window; one named without an extension is known by its
        // bytes.
        const QString strCopy = m_dir.filePath("no-extension");
        QVERIFY(QFile::copy(Picture("b.bmp"), strCopy));
        QVERIFY(Drop({Picture("a.bmp"), strCopy}, area));
        QCOMPARE(Frame()->GetChildFrames().size(), 2);
        QCOMPARE(Frame()->GetChildFrames()[1]->GetDocument()->GetPathName(), C_vmkApp::CanonicalPath(strCopy));

        // Another file dropped on a picture's window is hidden there without the file dialog.
        C_ChildFrame* pTarget = Frame()->GetChildFrames()[0];
        Frame()->GetMdiArea()->setActiveSubWindow(pTarget);
        m_prompts.Password("drop");
        QVERIFY(Drop({strNote}, Middle(pTarget)));
        QVERIFY(m_prompts.m_openArgs.empty());
        QCOMPARE(m_prompts.m_hidden.size(), size_t(1));
        QCOMPARE(QString::fromStdString(m_prompts.m_hidden[0].first), QString("note.txt"));
        QCOMPARE(m_prompts.m_hidden[0].second, uint32_t(QFileInfo(strNote).size()));
        QVERIFY(pTarget->GetDocument()->IsModified());
        QVERIFY(!Frame()->GetChildFrames()[1]->GetDocument()->IsModified());

        // Several such files at once: one at a time, and nothing is hidden.
        QVERIFY(Drop({strNote, TextFile("other.txt")}, Middle(pTarget)));
        QCOMPARE(Texts(m_prompts.m_messages).last(), QString(vmk::kStrDropOneFile));
        QCOMPARE(m_prompts.m_hidden.size(), size_t(1));

        // A drag without local files (a web link) is not taken.
        QMimeData web;
        web.setUrls({QUrl("https://example.org/a.bmp")});
        QDragEnterEvent enter(area, Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Frame(), &enter);
        QVERIFY(!enter.isAccepted());
    }

    void severalPicturesOnTheCommandLine()
    {
        // Each opens; one that cannot be opened is reported and the others stay.
        QVERIFY(Start({"-Embedding", Picture("a.bmp"), m_dir.filePath("missing.bmp"), Picture("b.bmp")}));
        QCOMPARE(Frame()->GetChildFrames().size(), 2);
        QCOMPARE(FirstLines(m_prompts.m_messages), QStringList({vmk::kStrOpenFailed}));
    }

    // Names relative to the folder the program started in stay so, although opening the first
    // picture makes its folder current; the same for files dropped with relative names.
    void relativeNamesOpenWhatTheyNamed()
    {
        QVERIFY(QDir(m_dir.path()).mkpath("img"));
        const QString strA = Picture("img/a.bmp");
        const QString strImgB = Picture("img/b.bmp");
        const QString strB = Picture("b.bmp");
        const QString strOld = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        const bool bStarted = Start({"-Embedding", "img/a.bmp", "img/b.bmp", "b.bmp"});
        QDir::setCurrent(m_dir.path());
        const QList<C_ChildFrame*> started = Frame()->GetChildFrames();
        QStringList opened;
        for (C_ChildFrame* pFrame : started)
            opened << pFrame->GetDocument()->GetPathName();
        Frame()->CloseAllDocuments();
        QTRY_VERIFY(Frame()->GetChildFrames().isEmpty());
        QVERIFY(DropUrls({QUrl::fromLocalFile("img/a.bmp"), QUrl::fromLocalFile("img/b.bmp")},
            Frame()->GetMdiArea()->geometry().center()));
        for (C_ChildFrame* pFrame : Frame()->GetChildFrames())
            opened << pFrame->GetDocument()->GetPathName();
        QDir::setCurrent(strOld);
        QVERIFY(bStarted);
        QVERIFY(m_prompts.m_messages.empty());
        QCOMPARE(opened,
            QStringList({C_vmkApp::CanonicalPath(strA), C_vmkApp::CanonicalPath(strImgB), C_vmkApp::CanonicalPath(strB),
                C_vmkApp::CanonicalPath(strA), C_vmkApp::CanonicalPath(strImgB)}));
    }

    void ctrlKeysBesideFunctionKeys()
    {
        QVERIFY(Start({"-Embedding", Picture("a.bmp")}));
        // The F key stays first, the one the menu item shows.
        QCOMPARE(
            Frame()->GetAction(ID_FILE_OPEN)->shortcuts(), QList<QKeySequence>({Qt::Key_F3, Qt::CTRL | Qt::Key_O}));
        QCOMPARE(
            Frame()->GetAction(ID_FILE_SAVE_AS)->shortcuts(), QList<QKeySequence>({Qt::Key_F2, Qt::CTRL | Qt::Key_S}));

        m_prompts.m_openAnswers = {""};
        m_prompts.m_saveAnswers = {""};
        QTest::keyClick(Frame(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(m_prompts.m_openArgs.size(), size_t(1));
        QTest::keyClick(Frame(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(m_prompts.m_saveArgs.size(), size_t(1));
        QTest::keyClick(Frame(), Qt::Key_F1);
        QCOMPARE(m_prompts.m_nAbout, 1);
        QTest::keyClick(Frame(), Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(Frame()->GetChildFrames().isEmpty());
        // Ctrl+F4 closes too, and asks first when the picture is changed.
        C_vmkDoc* pDoc = App()->OpenDocumentFile(Picture("a.bmp"));
        QVERIFY(pDoc);
        pDoc->SetModifiedFlag(true);
        m_prompts.m_saveChoices = {C_Prompts::E_SaveChoice::Cancel, C_Prompts::E_SaveChoice::Discard};
        QTest::keyClick(Frame(), Qt::Key_F4, Qt::ControlModifier);
        QCOMPARE(Frame()->GetChildFrames().size(), 1);
        QTest::keyClick(Frame(), Qt::Key_F4, Qt::ControlModifier);
        QTRY_VERIFY(Frame()->GetChildFrames().isEmpty());
        QCOMPARE(int(m_prompts.m_questions.size()), 2);
        QTest::keyClick(Frame(), Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!Frame()->isVisible());
    }

    void placesKeptForTheNextRun()
    {
        // The main window as the user left it: size, place, tool bar and status bar.
        QVERIFY(Start());
        Frame()->showNormal();
        const QRect placed(40, 50, 640, 420);
        Frame()->setGeometry(placed);
        QTRY_COMPARE(Frame()->geometry().size(), placed.size());
        QVERIFY(Frame()->RouteCommand(ID_VIEW_TOOLBAR));
        QVERIFY(Frame()->RouteCommand(ID_VIEW_STATUS_BAR));
        QVERIFY(Frame()->close());
        QCOMPARE(App()->ExitInstance(), 0);
        QVERIFY(Start());
        QVERIFY(!Frame()->isMaximized());
        QCOMPARE(Frame()->geometry().size(), placed.size());
        QVERIFY(Frame()->GetToolBar()->isHidden());
        QVERIFY(Frame()->statusBar()->isHidden());
        QVERIFY(!Frame()->GetAction(ID_VIEW_TOOLBAR)->isChecked());
        QVERIFY(!Frame()->GetAction(ID_VIEW_STATUS_BAR)->isChecked());

        // Open and save dialogs start in the folder last chosen, also the one an earlier run
        // left, not where this run's dialogs were.
        QTemporaryDir first;
        QTemporaryDir earlier;
        const QString strChosen = QDir(first.path()).filePath("chosen.bmp");
        WriteBmp24(strChosen, 8, 8, Gradient);
        C_DialogPrompts prompts;
        C_FileDialogArgs args;
        args.m_strFilter = vmk::kStrOpenFilter;
        args.m_bMustExist = true;
        args.m_bStartInCurrentDir = false;
        AnswerFileDialog([](QFileDialog*) {}, strChosen);
        QCOMPARE(QString::fromStdString(prompts.ChooseOpenFile(args)), strChosen);
        QCOMPARE(Settings().value("File Dialog/Folder").toString(), first.path());
        Settings().setValue("File Dialog/Folder", earlier.path());
        QString strStart;
        AnswerFileDialog([&strStart](QFileDialog* p) { strStart = p->directory().absolutePath(); }, QString());
        QVERIFY(prompts.ChooseSaveFile(args).empty());
        QCOMPARE(strStart, QDir(earlier.path()).absolutePath());
    }
};

VMK_GUI_TEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
