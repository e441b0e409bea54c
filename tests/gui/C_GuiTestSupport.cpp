#include "tests/gui/C_GuiTestSupport.h"

#include "shell/C_ChildFrame.h"
#include "shell/C_vmkApp.h"
#include "shell/C_vmkDoc.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

QStringList Texts(const std::vector<std::string>& aTexts) {
    QStringList list;
    for (const std::string& str : aTexts) list << QString::fromStdString(str);
    return list;
}

C_ChildFrame* FrameOf(const C_vmkDoc* pDoc) { return pDoc ? qobject_cast<C_ChildFrame*>(pDoc->parent()) : nullptr; }

namespace {

void Put16(QByteArray& b, uint16_t v) {
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
void Put32(QByteArray& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}

QByteArray Headers(int w, int h, int nBpp, uint32_t nPaletteBytes, uint32_t nPixelBytes, bool bTopDown) {
    QByteArray b;
    b.append("BM");
    Put32(b, 14 + 40 + nPaletteBytes + nPixelBytes);
    Put32(b, 0);
    Put32(b, 14 + 40 + nPaletteBytes);
    Put32(b, 40);
    Put32(b, uint32_t(w));
    Put32(b, uint32_t(bTopDown ? -h : h));
    Put16(b, 1);
    Put16(b, uint16_t(nBpp));
    Put32(b, 0);  // BI_RGB
    Put32(b, nPixelBytes);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, nBpp == 8 ? 256 : 0);
    Put32(b, 0);
    return b;
}

bool WriteAll(const QString& strPath, const QByteArray& bytes) {
    QFile f(strPath);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace

bool WriteBmp24(const QString& strPath, int w, int h, const PixelFn& pixel, bool bTopDown) {
    const int nRow = (w * 3 + 3) & ~3;
    QByteArray b = Headers(w, h, 24, 0, uint32_t(nRow * h), bTopDown);
    for (int r = 0; r < h; ++r) {
        const int y = bTopDown ? r : h - 1 - r;
        QByteArray row;
        for (int x = 0; x < w; ++x) {
            const QColor c = pixel(x, y);
            row.append(char(c.blue()));
            row.append(char(c.green()));
            row.append(char(c.red()));
        }
        row.append(QByteArray(nRow - w * 3, '\0'));
        b.append(row);
    }
    return WriteAll(strPath, b);
}

bool WriteBmp8(const QString& strPath, int w, int h, const QList<QColor>& palette,
               const std::function<int(int x, int y)>& index) {
    const int nRow = (w + 3) & ~3;
    QByteArray b = Headers(w, h, 8, 256 * 4, uint32_t(nRow * h), false);
    for (int i = 0; i < 256; ++i) {
        const QColor c = i < palette.size() ? palette[i] : QColor(0, 0, 0);
        b.append(char(c.blue()));
        b.append(char(c.green()));
        b.append(char(c.red()));
        b.append('\0');
    }
    for (int r = 0; r < h; ++r) {
        const int y = h - 1 - r;
        QByteArray row;
        for (int x = 0; x < w; ++x) row.append(char(index(x, y)));
        row.append(QByteArray(nRow - w, '\0'));
        b.append(row);
    }
    return WriteAll(strPath, b);
}

int RunGuiTest(int argc, char** argv, const std::function<int(int, char**)>& run) {
    // Never touch the real user's settings: a fresh folder per run, set before any QSettings.
    QTemporaryDir settingsDir;
    if (!settingsDir.isValid()) return 2;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QStandardPaths::setTestModeEnabled(true);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    C_vmkApp app(argc, argv);
    // Tests close main windows again and again; that must not end the application.
    QApplication::setQuitOnLastWindowClosed(false);
    return run(argc, argv);
}
