#include "commands/C_FileDialog.h"

#include <QRegularExpression>

C_FileDialog::C_FileDialog(QWidget* pParent, const QString& strTitle, AcceptMode eMode, const QString& strFilter,
    const QString& strFallbackSuffix)
    : QFileDialog(pParent, strTitle)
    , m_strFallbackSuffix(strFallbackSuffix)
{
    setAcceptMode(eMode);
    setNameFilters(ToNameFilters(strFilter));
    // Qt would show the pattern group after a description that already lists its patterns.
    setOption(QFileDialog::HideNameFilterDetails);
    // A wildcard suffix (".*", "*") adds nothing to a typed name.
    if (m_strFallbackSuffix.startsWith(u'.'))
        m_strFallbackSuffix.remove(0, 1);
    if (m_strFallbackSuffix.contains(u'*'))
        m_strFallbackSuffix.clear();
}

C_FileDialog::~C_FileDialog() = default;

QStringList C_FileDialog::ToNameFilters(const QString& strFilter)
{
    const QStringList parts = strFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() && parts[i + 1].isEmpty())
            break;  // the final "|" ends the list
        QString strPatterns = parts[i + 1];
        strPatterns.replace(u';', u' ');
        // Qt reads the patterns from the last parenthesised group of each filter.
        filters << parts[i] + QStringLiteral(" (") + strPatterns + u')';
    }
    return filters;
}

QString C_FileDialog::SingleExtension(const QString& strNameFilter)
{
    static const QRegularExpression kLastGroup(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch match = kLastGroup.match(strNameFilter);
    if (!match.hasMatch())
        return {};
    const QStringList patterns = match.captured(1).split(u' ', Qt::SkipEmptyParts);
    if (patterns.size() != 1 || !patterns[0].startsWith(QStringLiteral("*.")))
        return {};
    const QString strExt = patterns[0].mid(2);
    if (strExt.isEmpty() || strExt.contains(u'*') || strExt.contains(u'?') || strExt.contains(u'['))
        return {};
    return strExt;
}

QString C_FileDialog::ChosenFilter() const
{
    // With the details hidden, some Qt versions report the shown text rather than the filter.
    const QString strChosen = selectedNameFilter();
    const QStringList filters = nameFilters();
    for (const QString& strFilter : filters) {
        const qsizetype nOpen = strFilter.lastIndexOf(u'(');
        if (strFilter == strChosen || (nOpen > 0 && strFilter.left(nOpen).trimmed() == strChosen.trimmed()))
            return strFilter;
    }
    return {};
}

void C_FileDialog::accept()
{
    // Set before the dialog reads the typed name, so the overwrite question names the real file.
    if (acceptMode() == AcceptSave) {
        const QString strExt = SingleExtension(ChosenFilter());
        setDefaultSuffix(strExt.isEmpty() ? m_strFallbackSuffix : strExt);
    }
    QFileDialog::accept();
}
