#include "tests/gui/C_GuiTestSupport.h"

#include "shell/C_ChildFrame.h"
#include "shell/C_MainFrame.h"
#include "shell/C_SplashWnd.h"
#include "shell/C_vmkApp.h"
#include "shell/C_vmkDoc.h"
#include "tests/support/C_ImageBytes.h"
#include "tests/support/C_TestBytes.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTest>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <exception>

QStringList Texts(const std::vector<std::string>& aTexts)
{
    QStringList list;
    for (const std::string& str : aTexts)
        list << QString::fromStdString(str);
    return list;
}

QStringList FirstLines(const std::vector<std::string>& aTexts)
{
    QStringList lines;
    for (const QString& strText : Texts(aTexts))
        lines << strText.section(u'\n', 0, 0);
    return lines;
}

C_ChildFrame* FrameOf(const C_vmkDoc* pDoc)
{
    return pDoc ? qobject_cast<C_ChildFrame*>(pDoc->parent()) : nullptr;
}

namespace {

// The header fields the shell's pictures have always had: 72 dpi, and every colour of a palette used.
S_BmpLayout Layout(int w, int h, int nBits, bool bTopDown)
{
    S_BmpLayout layout;
    layout.nWidth = w;
    layout.nHeight = bTopDown ? -h : h;
    layout.nBits = uint16_t(nBits);
    layout.nXPpm = layout.nYPpm = 2835;
    layout.nColoursUsed = nBits == 8 ? 256 : 0;
    return layout;
}

bool WriteAll(const QString& strPath, const S_BmpLayout& layout)
{
    try {
        C_TestBytes::Write(strPath.toStdString(), C_ImageBytes::Bmp(layout));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

bool WriteBmp24(const QString& strPath, int w, int h, const PixelFn& pixel, bool bTopDown)
{
    S_BmpLayout layout = Layout(w, h, 24, bTopDown);
    const size_t nRow = C_ImageBytes::BmpStride(uint32_t(w), 24);
    layout.aPixels.assign(nRow * size_t(h), 0);
    for (int r = 0; r < h; ++r) {
        const int y = bTopDown ? r : h - 1 - r;
        uint8_t* pRow = layout.aPixels.data() + nRow * size_t(r);
        for (int x = 0; x < w; ++x) {
            const QColor c = pixel(x, y);
            pRow[3 * x] = uint8_t(c.blue());
            pRow[3 * x + 1] = uint8_t(c.green());
            pRow[3 * x + 2] = uint8_t(c.red());
        }
    }
    return WriteAll(strPath, layout);
}

bool WriteBmp8(
    const QString& strPath, int w, int h, const QList<QColor>& palette, const std::function<int(int x, int y)>& index)
{
    S_BmpLayout layout = Layout(w, h, 8, false);
    for (int i = 0; i < 256; ++i) {
        const QColor c = i < palette.size() ? palette[i] : QColor(0, 0, 0);
        layout.aPalette.push_back(S_Rgb{uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue())});
    }
    const size_t nRow = C_ImageBytes::BmpStride(uint32_t(w), 8);
    layout.aPixels.assign(nRow * size_t(h), 0);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x)
            layout.aPixels[nRow * size_t(r) + size_t(x)] = uint8_t(index(x, h - 1 - r));
    return WriteAll(strPath, layout);
}

int RunGuiTest(int argc, char** argv, const std::function<int(int, char**)>& run)
{
    // Never touch the real user's settings: a fresh folder per run, set before any QSettings.
    QTemporaryDir settingsDir;
    if (!settingsDir.isValid())
        return 2;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QStandardPaths::setTestModeEnabled(true);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    C_vmkApp app(argc, argv);
    // Tests close main windows again and again; that must not end the application.
    QApplication::setQuitOnLastWindowClosed(false);
    return run(argc, argv);
}

bool StartWithLargeFrame(C_ScriptedPrompts& prompts)
{
    prompts = C_ScriptedPrompts();
    C_vmkApp* pApp = C_vmkApp::Instance();
    pApp->SetPrompts(&prompts);
    if (!pApp->InitInstance({QStringLiteral("-Embedding")}))
        return false;
    C_MainFrame* pFrame = pApp->GetMainFrame();
    pFrame->showNormal();
    pFrame->resize(1400, 1000);
    return QTest::qWaitForWindowExposed(pFrame);
}

std::string CloseEverything(const C_ScriptedPrompts& prompts)
{
    if (C_SplashWnd::GetCurrent())
        C_SplashWnd::GetCurrent()->CloseSplash();
    if (C_MainFrame* pFrame = C_vmkApp::Instance()->GetMainFrame())
        pFrame->CloseAllDocuments();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return prompts.m_faults.empty() ? std::string() : prompts.Faults();
}
