#pragma once
// Everything the shell asks of the user: the open and save dialogs and the message box. The
// application uses the real dialogs; tests install a subclass that answers from a script.

#include <QString>

class QWidget;

class C_ShellPrompts {
public:
    virtual ~C_ShellPrompts() = default;

    // The full path of an existing file, or an empty string on Cancel.
    virtual QString ChooseOpenFile(QWidget* pParent, const QString& strTitle,
                                   const QString& strFilter);
    // The full path chosen to save to, or an empty string on Cancel. `strFilter` is the
    // "|"-separated list of description and pattern pairs.
    virtual QString ChooseSaveFile(QWidget* pParent, const QString& strFilter);
    // A modal box with the exclamation icon, the caption "Veilmark" and only an OK button.
    virtual void ShowMessage(QWidget* pParent, const QString& strText);

    // "Desc|*.a;*.b|Desc2|*.c|" as Qt's name filters: "Desc (*.a *.b)", "Desc2 (*.c)".
    static QStringList ToNameFilters(const QString& strFilter);
};
