#pragma once
// The open and save dialog of both the shell and the commands, built from a "description|pattern|"
// filter list. Each pattern shows once (the descriptions already name theirs). In save mode a
// name typed without an extension gets the chosen filter's extension, as platform dialogs do,
// and the fallback suffix only where that filter has no single extension.

#include <QFileDialog>
#include <QStringList>

class C_FileDialog : public QFileDialog {
    Q_OBJECT
public:
    C_FileDialog(QWidget* pParent, const QString& strTitle, AcceptMode eMode, const QString& strFilter,
        const QString& strFallbackSuffix = QString());
    ~C_FileDialog() override;

    // "Desc|*.a;*.b|Desc2|*.c|" as Qt's name filters: "Desc (*.a *.b)", "Desc2 (*.c)".
    static QStringList ToNameFilters(const QString& strFilter);
    // The extension of a filter's only pattern ("*.bmp" gives "bmp"); empty when the filter has
    // several patterns or one with a wildcard after the dot ("*", "*.*", "*.").
    static QString SingleExtension(const QString& strNameFilter);

    void accept() override;

private:
    // The full name filter the user has chosen, or an empty string.
    QString ChosenFilter() const;

    QString m_strFallbackSuffix;
};
