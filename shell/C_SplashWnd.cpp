#include "shell/C_SplashWnd.h"

#include "res/vmk_ids.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

bool C_SplashWnd::s_bSplashEnabled = false;
C_SplashWnd* C_SplashWnd::s_pCurrent = nullptr;

C_SplashWnd::C_SplashWnd(QWidget* pParent)
    // Owned by the main frame so it stays above it; a frameless splash-type window.
    : QWidget(pParent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    m_timer.setSingleShot(true);
    // A coarse timer may fire up to 5% early; the splash stays its full time.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &C_SplashWnd::CloseSplash);
}

C_SplashWnd::~C_SplashWnd()
{
    if (s_pCurrent == this)
        s_pCurrent = nullptr;
}

void C_SplashWnd::SetSplashEnabled(bool bEnabled)
{
    s_bSplashEnabled = bEnabled;
}

void C_SplashWnd::ShowSplash(QWidget* pParent)
{
    if (!s_bSplashEnabled || s_pCurrent)
        return;
    s_pCurrent = new C_SplashWnd(pParent);
    if (!s_pCurrent->Create()) {
        delete s_pCurrent;  // its destructor clears the current splash
        return;
    }
    s_pCurrent->show();
    s_pCurrent->repaint();
}

bool C_SplashWnd::Create()
{
    if (!m_bitmap.load(QStringLiteral(":/res/splash%1").arg(IDB_SPLASH)))
        return false;
    setFixedSize(m_bitmap.size());
    // The owner is still hidden during start-up, so the splash goes to the middle of the
    // primary screen's work area.
    if (const QScreen* pScreen = QGuiApplication::primaryScreen()) {
        QRect rc(QPoint(0, 0), m_bitmap.size());
        rc.moveCenter(pScreen->availableGeometry().center());
        move(rc.topLeft());
    }
    m_timer.start(kTimeoutMs);
    return true;
}

void C_SplashWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bitmap);
}

void C_SplashWnd::CloseSplash()
{
    // Cleared at once, not when the deferred deletion runs, so only one press is swallowed.
    if (s_pCurrent == this)
        s_pCurrent = nullptr;
    m_timer.stop();
    QWidget* pMain = parentWidget();
    close();
    if (pMain && pMain->isVisible())
        pMain->repaint();
}

bool C_SplashWnd::FilterSplashInput(QEvent* pEvent)
{
    if (!s_pCurrent)
        return false;
    switch (pEvent->type()) {
    case QEvent::ShortcutOverride:
        // Qt offers a key to the shortcuts before it sends the key press; accepting the
        // override keeps F3 and the like from acting, and the key press that follows then
        // closes the splash and is dropped.
        pEvent->accept();
        return true;
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress: s_pCurrent->CloseSplash(); return true;
    default: return false;
    }
}
