#pragma once
// Shared pieces of the widget tests: prompts answered from a script, pictures written by hand,
// and a main() that isolates the settings and runs one QtTest class under a C_vmkApp.

#include "shell/C_ShellPrompts.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class C_ScriptedPrompts : public C_ShellPrompts {
public:
    QStringList m_aOpenAnswers;   // taken from the front; empty answer = Cancel
    QStringList m_aSaveAnswers;
    QStringList m_aMessages;      // every message box text, in order
    int m_nOpenAsked = 0;
    int m_nSaveAsked = 0;
    QString m_strLastSaveFilter;
    QString m_strLastSaveFallback;
    QList<bool> m_aYesNoAnswers;  // taken from the front; none left = No
    QStringList m_aQuestions;     // every Yes/No and save-changes text, in order
    QList<E_SaveChoice> m_aSaveChoices;  // taken from the front; none left = Discard
    // Called as each box of any kind shows, to look at the windows around it.
    std::function<void()> m_fnOnBox;

    QString ChooseOpenFile(QWidget*, const QString&, const QString&) override;
    QString ChooseSaveFile(QWidget*, const QString& strFilter, const QString& strFallbackExt) override;
    void ShowMessage(QWidget*, const QString& strText) override;
    bool AskYesNo(QWidget*, const QString& strText) override;
    E_SaveChoice AskSaveChanges(QWidget*, const QString& strText) override;
};

using PixelFn = std::function<QColor(int x, int y)>;  // y = 0 is the top row as seen

// An uncompressed 24-bit BMP; rows bottom-up unless `bTopDown` (negative height).
bool WriteBmp24(const QString& strPath, int w, int h, const PixelFn& pixel, bool bTopDown = false);
// An 8-bit palette BMP, bottom-up; `index` gives each pixel's palette entry.
bool WriteBmp8(const QString& strPath, int w, int h, const QList<QColor>& palette,
               const std::function<int(int x, int y)>& index);

// Runs `TestClass` with a fresh settings folder, the offscreen platform and a C_vmkApp.
int RunGuiTest(int argc, char** argv, const std::function<int(int, char**)>& run);

#define VMK_GUI_TEST_MAIN(TestClass)                                                      \
    int main(int argc, char** argv) {                                                     \
        return RunGuiTest(argc, argv, [](int c, char** v) {                               \
            TestClass tc;                                                                 \
            return QTest::qExec(&tc, c, v);                                               \
        });                                                                               \
    }
