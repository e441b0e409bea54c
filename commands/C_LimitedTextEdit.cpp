#include "commands/C_LimitedTextEdit.h"

#include "commands/C_TextCount.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>

C_LimitedTextEdit::C_LimitedTextEdit(QWidget* pParent)
    : QPlainTextEdit(pParent)
{
    setTabChangesFocus(true);  // Tab moves through the dialog, as in any dialog's edit
}

QString C_LimitedTextEdit::PlainText() const
{
    // toRawText keeps non-breaking spaces that toPlainText would turn into blanks.
    QString str = document()->toRawText();
    str.replace(QChar::ParagraphSeparator, u'\n');
    str.replace(QChar::LineSeparator, u'\n');
    return str;
}

QString C_LimitedTextEdit::GetText() const
{
    QString str = PlainText();
    str.replace(u'\n', QStringLiteral("\r\n"));
    return str;
}

void C_LimitedTextEdit::SetText(const QString& strText)
{
    QString str = strText;
    str.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    str.replace(u'\r', u'\n');
    setPlainText(str);
}

template <typename F> void C_LimitedTextEdit::Guarded(F fn)
{
    if (m_nMax <= 0) {
        fn();
        return;
    }
    const QString strBefore = PlainText();
    const int nPos = textCursor().position();
    const int nAnchor = textCursor().anchor();
    fn();
    if (C_TextCount::Count(PlainText()) <= m_nMax)
        return;
    setPlainText(strBefore);
    QTextCursor cursor = textCursor();
    cursor.setPosition(nAnchor);
    cursor.setPosition(nPos, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void C_LimitedTextEdit::InsertLimited(QString strText)
{
    strText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    strText.replace(u'\r', u'\n');
    if (m_nMax > 0) {
        QTextCursor cursor = textCursor();
        const QString strAll = PlainText();
        const QString strKept = strAll.left(cursor.selectionStart()) + strAll.mid(cursor.selectionEnd());
        const int nRoom = m_nMax - C_TextCount::Count(strKept);
        strText = nRoom > 0 ? C_TextCount::Truncate(strText, nRoom) : QString();
    }
    if (!strText.isEmpty() || textCursor().hasSelection())
        Guarded([&] { textCursor().insertText(strText); });
}

void C_LimitedTextEdit::keyPressEvent(QKeyEvent* pEvent)
{
    const int nKey = pEvent->key();
    if (nKey == Qt::Key_Return || nKey == Qt::Key_Enter) {
        const Qt::KeyboardModifiers mods = pEvent->modifiers() & ~Qt::KeypadModifier;
        if (mods == Qt::ControlModifier) {
            if (!isReadOnly())
                InsertLimited(QStringLiteral("\n"));
            pEvent->accept();
        } else if (mods == Qt::NoModifier) {
            pEvent->ignore();  // the dialog presses its default button
        } else {
            pEvent->accept();  // no other line break than Ctrl+Enter
        }
        return;
    }
    Guarded([&] { QPlainTextEdit::keyPressEvent(pEvent); });
}

void C_LimitedTextEdit::inputMethodEvent(QInputMethodEvent* pEvent)
{
    Guarded([&] { QPlainTextEdit::inputMethodEvent(pEvent); });
}

void C_LimitedTextEdit::insertFromMimeData(const QMimeData* pSource)
{
    if (pSource && pSource->hasText())
        InsertLimited(pSource->text());
}
