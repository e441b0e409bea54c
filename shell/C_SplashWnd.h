#pragma once
// The splash picture shown while the program starts: centred on the primary screen's work
// area, closed by its 2.5 s timer or by the first key or mouse-button press anywhere in the
// application, which it swallows.

#include <QPixmap>
#include <QTimer>
#include <QWidget>

class QEvent;

class C_SplashWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 2500;

    ~C_SplashWnd() override;

    // Set once at start-up from the command line ("Embedding"/"Automation" turn it off).
    static void SetSplashEnabled(bool bEnabled);
    // Shows the splash over `pParent` when enabled and none exists; otherwise does nothing.
    static void ShowSplash(QWidget* pParent);
    // True, after closing the splash, when one exists and `pEvent` is a key or mouse-button
    // press; the caller then drops the event. Every other event returns false.
    static bool FilterSplashInput(QEvent* pEvent);
    // The one splash window that exists, or nullptr.
    static C_SplashWnd* GetCurrent() { return s_pCurrent; }

    void CloseSplash();

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    explicit C_SplashWnd(QWidget* pParent);
    bool Create();

    QPixmap m_bitmap;  // bitmap 102
    QTimer m_timer;

    static bool s_bSplashEnabled;
    static C_SplashWnd* s_pCurrent;
};
