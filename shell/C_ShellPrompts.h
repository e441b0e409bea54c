#pragma once
// Everything the shell asks of the user: the open and save dialogs and the message boxes. The
// application uses the real dialogs; tests install a subclass that answers from a script.

#include <QString>

class QWidget;

class C_ShellPrompts {
public:
    enum class E_SaveChoice { Save, Discard, Cancel };

    virtual ~C_ShellPrompts() = default;

    // The full path of an existing file, or an empty string on Cancel.
    virtual QString ChooseOpenFile(QWidget* pParent, const QString& strTitle,
                                   const QString& strFilter);
    // The full path chosen to save to, or an empty string on Cancel. `strFilter` is the
    // "|"-separated list of description and pattern pairs; a name typed without an extension
    // gets the chosen filter's, or `strFallbackExt` where that filter has several.
    virtual QString ChooseSaveFile(QWidget* pParent, const QString& strFilter,
                                   const QString& strFallbackExt);
    // A modal box with the exclamation icon, the caption "Veilmark" and only an OK button.
    virtual void ShowMessage(QWidget* pParent, const QString& strText);
    // A warning with Yes and No, No the default. True for Yes.
    virtual bool AskYesNo(QWidget* pParent, const QString& strText);
    // Save, Discard or Cancel for a changed picture that is being closed; Save the default.
    virtual E_SaveChoice AskSaveChanges(QWidget* pParent, const QString& strText);
};
