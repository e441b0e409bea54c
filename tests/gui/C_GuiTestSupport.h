#pragma once
// Shared pieces of the widget tests: pictures written from pixel functions (through the shared
// C_ImageBytes), and a main() that isolates the settings and runs one QtTest class under a
// C_vmkApp. Prompts are answered by the commands' C_ScriptedPrompts.

#include "tests/gui/commands/C_ScriptedPrompts.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

class C_ChildFrame;
class C_vmkDoc;

// Texts recorded by the prompts, as Qt lists so that a failed comparison shows them.
QStringList Texts(const std::vector<std::string>& aTexts);
// Their first lines: a failure's classic text without the file and reason below it.
QStringList FirstLines(const std::vector<std::string>& aTexts);
// The window of a document: the document's parent, which owns it.
C_ChildFrame* FrameOf(const C_vmkDoc* pDoc);

using PixelFn = std::function<QColor(int x, int y)>;  // y = 0 is the top row as seen

// An uncompressed 24-bit BMP; rows bottom-up unless `bTopDown` (negative height).
bool WriteBmp24(const QString& strPath, int w, int h, const PixelFn& pixel, bool bTopDown = false);
// An 8-bit palette BMP, bottom-up; `index` gives each pixel's palette entry.
bool WriteBmp8(
    const QString& strPath, int w, int h, const QList<QColor>& palette, const std::function<int(int x, int y)>& index);

// The start the view tests share: these prompts, the application without a picture, and a
// normal main window large enough for the picture windows they open. False when it fails.
bool StartWithLargeFrame(C_ScriptedPrompts& prompts);
// After each test: closes the splash and every document, deletes what they left behind, and
// gives the prompts' faults (empty when none).
std::string CloseEverything(const C_ScriptedPrompts& prompts);

// Runs `TestClass` with a fresh settings folder, the offscreen platform and a C_vmkApp.
int RunGuiTest(int argc, char** argv, const std::function<int(int, char**)>& run);

#define VMK_GUI_TEST_MAIN(TestClass)                                                                                   \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        return RunGuiTest(argc, argv, [](int c, char** v) {                                                            \
            TestClass tc;                                                                                              \
            return QTest::qExec(&tc, c, v);                                                                            \
        });                                                                                                            \
    }
