#pragma once
// The multi-line edit of the templates. Enter is left to the dialog (it presses the default
// button); Ctrl+Enter types a line break. With a limit set, no edit (typing, pasting, dropping,
// line breaks counted as two) leaves more than that many characters: a paste is cut to fit.

#include <QPlainTextEdit>

class C_LimitedTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit C_LimitedTextEdit(QWidget* pParent = nullptr);

    void SetMaxCharacters(int nMax) { m_nMax = nMax; }  // 0: no limit
    // The text with each line break as CR LF, and back.
    QString GetText() const;
    void SetText(const QString& strText);

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;
    void inputMethodEvent(QInputMethodEvent* pEvent) override;
    void insertFromMimeData(const QMimeData* pSource) override;

private:
    QString PlainText() const;
    // Inserts at the cursor as much of strText as the limit leaves room for.
    void InsertLimited(QString strText);
    // Runs fn; when the result is over the limit, puts text and cursor back.
    template <typename F> void Guarded(F fn);

    int m_nMax = 0;
};
