// The splash window: shown once at start-up unless embedded, closed by its timer or by the first
// key or mouse-button press, which nothing else receives.

#include "res/vmk_ids.h"
#include "shell/C_MainFrame.h"
#include "shell/C_SplashWnd.h"
#include "shell/C_vmkApp.h"
#include "tests/gui/C_GuiTestSupport.h"

#include <QAction>
#include <QElapsedTimer>
#include <QScreen>
#include <QtTest>

namespace {

// Counts the presses that reach it.
class C_PressCounter : public QWidget {
public:
    int m_nPresses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++m_nPresses; }
    void keyPressEvent(QKeyEvent*) override { ++m_nPresses; }
};

}  // namespace

class SplashTest : public QObject {
    Q_OBJECT

    C_ScriptedPrompts m_prompts;

    C_vmkApp* App() { return C_vmkApp::Instance(); }
    C_MainFrame* Frame() { return App()->GetMainFrame(); }

    bool Start(const QStringList& args = {})
    {
        m_prompts = C_ScriptedPrompts();
        App()->SetPrompts(&m_prompts);
        return App()->InitInstance(args);
    }

private slots:
    void cleanup()
    {
        if (C_SplashWnd::GetCurrent())
            C_SplashWnd::GetCurrent()->CloseSplash();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(m_prompts.m_faults.empty(), m_prompts.Faults().c_str());
    }

    void shownCentredWithItsPicture()
    {
        QVERIFY(Start());
        C_SplashWnd* pSplash = C_SplashWnd::GetCurrent();
        QVERIFY(pSplash);
        QVERIFY(pSplash->isVisible());
        QCOMPARE(pSplash->size(), QSize(328, 210));
        QCOMPARE(pSplash->geometry().center(), QGuiApplication::primaryScreen()->availableGeometry().center());
        // It paints the picture, not a blank window.
        const QImage img = pSplash->grab().toImage();
        QCOMPARE(img.size(), QSize(328, 210));
        QVERIFY(img.pixel(10, 10) != img.pixel(10, 200));
    }

    void notShownWhenEmbeddedOrAutomated_data()
    {
        QTest::addColumn<QString>("arg");
        QTest::newRow("slash Embedding") << "/Embedding";
        QTest::newRow("hyphen automation") << "-automation";
        QTest::newRow("hyphen EMBEDDING") << "-EMBEDDING";
    }
    void notShownWhenEmbeddedOrAutomated()
    {
        QFETCH(QString, arg);
        QVERIFY(Start({arg}));
        QVERIFY(!C_SplashWnd::GetCurrent());
        QVERIFY(Frame()->isVisible());
    }

    void secondShowDoesNothing()
    {
        QVERIFY(Start());
        C_SplashWnd* pFirst = C_SplashWnd::GetCurrent();
        QVERIFY(pFirst);
        C_SplashWnd::ShowSplash(Frame());
        QCOMPARE(C_SplashWnd::GetCurrent(), pFirst);
        QCOMPARE(Frame()->findChildren<C_SplashWnd*>().size(), 1);
    }

    void firstKeyPressSwallowed()
    {
        QVERIFY(Start());
        QVERIFY(QTest::qWaitForWindowExposed(Frame()));
        QVERIFY(C_SplashWnd::GetCurrent());
        m_prompts.m_openAnswers = {""};
        // F3 would open the open dialog; while the splash is up it only closes the splash.
        QTest::keyClick(Frame(), Qt::Key_F3);
        QVERIFY(!C_SplashWnd::GetCurrent());
        QCOMPARE(int(m_prompts.m_openArgs.size()), 0);
        QTest::keyClick(Frame(), Qt::Key_F3);
        QCOMPARE(int(m_prompts.m_openArgs.size()), 1);
    }

    void firstMousePressSwallowed()
    {
        QVERIFY(Start());
        C_PressCounter counter;
        counter.resize(50, 50);
        counter.show();
        QVERIFY(QTest::qWaitForWindowExposed(&counter));
        QVERIFY(C_SplashWnd::GetCurrent());
        QTest::mouseClick(&counter, Qt::LeftButton);
        QVERIFY(!C_SplashWnd::GetCurrent());
        QCOMPARE(counter.m_nPresses, 0);
        QTest::mouseClick(&counter, Qt::RightButton);
        QCOMPARE(counter.m_nPresses, 1);
    }

    void otherEventsPassWhileShown()
    {
        QVERIFY(Start());
        QVERIFY(C_SplashWnd::GetCurrent());
        QEvent release(QEvent::KeyRelease);
        QVERIFY(!C_SplashWnd::FilterSplashInput(&release));
        QMouseEvent move(QEvent::MouseMove, QPointF(1, 1), QPointF(1, 1), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QVERIFY(!C_SplashWnd::FilterSplashInput(&move));
        QVERIFY(C_SplashWnd::GetCurrent());
    }

    void closesOnItsTimer()
    {
        QElapsedTimer clock;
        clock.start();
        QVERIFY(Start());
        QVERIFY(C_SplashWnd::GetCurrent());
        QTest::qWait(1500);
        QVERIFY(C_SplashWnd::GetCurrent());  // not before its time
        QTRY_VERIFY_WITH_TIMEOUT(!C_SplashWnd::GetCurrent(), 4000);
        QVERIFY(clock.elapsed() >= C_SplashWnd::kTimeoutMs);
        // Afterwards a press reaches its window again.
        m_prompts.m_openAnswers = {""};
        QTest::keyClick(Frame(), Qt::Key_F3);
        QCOMPARE(int(m_prompts.m_openArgs.size()), 1);
    }
};

VMK_GUI_TEST_MAIN(SplashTest)
#include "SplashTest.moc"
