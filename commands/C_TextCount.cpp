#include "commands/C_TextCount.h"

#include "model/C_TextRules.h"

#include <string_view>

namespace {

int Weight(std::string_view cluster)
{
    // A line break, however the edit stores it, is CR LF in the text that is hidden.
    return cluster == "\n" || cluster == "\r\n" || cluster == "\xE2\x80\xA9" ? 2 : 1;
}

// Calls fn(end in UTF-8 bytes, running count) for each character until it returns false.
template <typename F> void ForEachCharacter(const QByteArray& utf8, F fn)
{
    const std::string_view text(utf8.constData(), static_cast<size_t>(utf8.size()));
    size_t nStart = 0;
    int nCount = 0;
    for (const size_t nEnd : C_TextRules::CharacterEnds(text)) {
        nCount += Weight(text.substr(nStart, nEnd - nStart));
        if (!fn(nEnd, nCount))
            return;
        nStart = nEnd;
    }
}

}  // namespace

int C_TextCount::Count(const QString& strText)
{
    int nTotal = 0;
    ForEachCharacter(strText.toUtf8(), [&](size_t, int nCount) {
        nTotal = nCount;
        return true;
    });
    return nTotal;
}

QString C_TextCount::Truncate(const QString& strText, int nMax)
{
    const QByteArray utf8 = strText.toUtf8();
    size_t nKeep = 0;
    ForEachCharacter(utf8, [&](size_t nEnd, int nCount) {
        if (nCount > nMax)
            return false;
        nKeep = nEnd;
        return true;
    });
    // Characters end on code point boundaries, so the kept bytes decode to a start of strText.
    return strText.left(QString::fromUtf8(utf8.constData(), static_cast<qsizetype>(nKeep)).size());
}
