// Zooming a picture window: the steps, Fit to Window, the status bar's pane, sharp pixels when
// enlarged, and the point under the mouse staying put.

#include "views/C_ZoomLevels.h"
#include "res/vmk_ids.h"
#include "shell/C_ChildFrame.h"
#include "shell/C_MainFrame.h"
#include "shell/C_vmkApp.h"
#include "shell/C_vmkDoc.h"
#include "shell/C_vmkView.h"
#include "tests/gui/C_GuiTestSupport.h"

#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

namespace {

QColor Coded(int x, int y)
{
    return QColor((x * 7) % 256, (y * 13) % 256, 77);
}

}  // namespace

class ZoomTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    C_ScriptedPrompts m_prompts;

    C_vmkApp* App() { return static_cast<C_vmkApp*>(qApp); }
    C_MainFrame* Frame() { return App()->GetMainFrame(); }
    QString ZoomPane() { return Frame()->statusBar()->findChild<QLabel*>(QStringLiteral("ZoomPane"))->text(); }

    C_vmkView* Open(const QString& strName, int w, int h, QSize client)
    {
        const QString strPath = m_dir.filePath(strName);
        if (!WriteBmp24(strPath, w, h, Coded))
            return nullptr;
        Frame()->SetNewChildClientSize(client);
        C_vmkDoc* pDoc = App()->OpenDocumentFile(strPath);
        if (!pDoc || !QTest::qWaitForWindowExposed(FrameOf(pDoc)))
            return nullptr;
        QCoreApplication::processEvents();
        return FrameOf(pDoc)->GetView();
    }

private slots:
    void init() { QVERIFY(StartWithLargeFrame(m_prompts)); }
    void cleanup()
    {
        const std::string strFaults = CloseEverything(m_prompts);
        QVERIFY2(strFaults.empty(), strFaults.c_str());
    }

    void stepsKeysAndStatusPane()
    {
        C_vmkView* pView = Open("steps.bmp", 200, 100, QSize(600, 400));
        QVERIFY(pView);
        QCOMPARE(ZoomPane(), QStringLiteral("Zoom 100%"));
        // Up from 1 by the menu, then by both keys of Zoom In.
        QVERIFY(Frame()->RouteCommand(ID_VIEW_ZOOM_IN));
        QCOMPARE(pView->Zoom(), 1.5);
        QTest::keyClick(Frame(), Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(pView->Zoom(), 2.0);
        QCOMPARE(ZoomPane(), QStringLiteral("Zoom 200%"));
        QTest::keyClick(Frame(), Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(pView->Zoom(), 1.0);
        QTest::keyClick(Frame(), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(pView->Zoom(), 2.0 / 3);
        QVERIFY(Frame()->RouteCommand(ID_VIEW_ZOOM_OUT));
        QCOMPARE(pView->Zoom(), 0.5);
        QCOMPARE(ZoomPane(), QStringLiteral("Zoom 50%"));
        // Down to 1/16 and no further; then up through every step, each larger than the last, to 32.
        for (int i = 0; i < 30; ++i)
            Frame()->RouteCommand(ID_VIEW_ZOOM_OUT);
        QCOMPARE(pView->Zoom(), 1.0 / 16);
        QCOMPARE(ZoomPane(), QStringLiteral("Zoom 6.25%"));
        QList<double> seen{pView->Zoom()};
        for (int i = 0; i < 30; ++i) {
            Frame()->RouteCommand(ID_VIEW_ZOOM_IN);
            seen.append(pView->Zoom());
        }
        QCOMPARE(pView->Zoom(), 32.0);
        seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
        QCOMPARE(qsizetype(seen.size()), qsizetype(C_ZoomLevels::Steps().size()));
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
        // The picture scrolls as far as its zoomed size reaches.
        QCOMPARE(pView->horizontalScrollBar()->maximum() + pView->viewport()->width(), 200 * 32);
    }

    void fitToWindowShowsTheWholePicture()
    {
        C_vmkView* pView = Open("fit.bmp", 1000, 500, QSize(400, 300));
        QVERIFY(pView);
        QTest::keyClick(Frame(), Qt::Key_9, Qt::ControlModifier);
        QTRY_COMPARE(pView->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(pView->verticalScrollBar()->maximum(), 0);
        // The width decides: 400 / 1000.
        QCOMPARE(pView->Zoom(), 0.4);
        QCOMPARE(pView->PictureOrigin().x(), 0);
        QCOMPARE(ZoomPane(), QStringLiteral("Zoom 40%"));
    }

    void enlargedPixelsAreSharpSquares()
    {
        C_vmkView* pView = Open("sharp.bmp", 20, 10, QSize(300, 200));
        QVERIFY(pView);
        for (int i = 0; i < 4; ++i)  // 1.5, 2, 3, 4
            Frame()->RouteCommand(ID_VIEW_ZOOM_IN);
        QCOMPARE(pView->Zoom(), 4.0);
        // The small picture shrank its window; the user makes room for the enlarged one.
        C_ChildFrame* pFrame = FrameOf(pView->GetDocument());
        pFrame->resize(pFrame->size() + QSize(300, 200) - pView->viewport()->size());
        QTRY_COMPARE(pView->viewport()->size(), QSize(300, 200));
        const QImage img = pView->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QPoint o = pView->PictureOrigin();
        // Picture pixel (3, 2) covers exactly the 4 x 4 square from (12, 8); its neighbours keep theirs.
        for (int dy = 0; dy < 4; ++dy)
            for (int dx = 0; dx < 4; ++dx)
                QCOMPARE(QColor(img.pixel(o.x() + 12 + dx, o.y() + 8 + dy)), Coded(3, 2));
        QCOMPARE(QColor(img.pixel(o.x() + 11, o.y() + 8)), Coded(2, 2));
        QCOMPARE(QColor(img.pixel(o.x() + 16, o.y() + 11)), Coded(4, 2));
        QCOMPARE(QColor(img.pixel(o.x() + 12, o.y() + 12)), Coded(3, 3));
        QCOMPARE(QColor(img.pixel(o.x() + 79, o.y() + 39)), Coded(19, 9));
    }

    void wheelWithCtrlKeepsThePointUnderTheMouse()
    {
        C_vmkView* pView = Open("wheel.bmp", 800, 600, QSize(400, 300));
        QVERIFY(pView);
        pView->horizontalScrollBar()->setValue(150);
        pView->verticalScrollBar()->setValue(100);
        const QPointF at(123, 77);
        const auto under = [&] { return (at - QPointF(pView->PictureOrigin())) / pView->Zoom(); };
        const QPointF before = under();
        for (int i = 0; i < 3; ++i) {
            QWheelEvent wheel(at, pView->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                Qt::ControlModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(pView->viewport(), &wheel);
        }
        QCOMPARE(pView->Zoom(), 3.0);
        QVERIFY(std::abs(under().x() - before.x()) < 0.5);
        QVERIFY(std::abs(under().y() - before.y()) < 0.5);
        // Without Ctrl the wheel scrolls and the zoom stays.
        QWheelEvent plain(at, pView->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(pView->viewport(), &plain);
        QCOMPARE(pView->Zoom(), 3.0);
    }
};

VMK_GUI_TEST_MAIN(ZoomTest)
#include "ZoomTest.moc"
