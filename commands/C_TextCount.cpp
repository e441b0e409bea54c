#include "commands/C_TextCount.h"

#include <QTextBoundaryFinder>

namespace {

int Weight(QStringView cluster)
{
    return cluster == u"\n" || cluster == u"\r\n" || cluster == u"\u2029" ? 2 : 1;
}

// Calls fn(start, end, running count) for each cluster until it returns false.
template <typename F>
void ForEachCluster(const QString& strText, F fn)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, strText);
    qsizetype nStart = 0;
    int nCount = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype nEnd = finder.position();
        nCount += Weight(QStringView(strText).mid(nStart, nEnd - nStart));
        if (!fn(nEnd, nCount))
            return;
        nStart = nEnd;
    }
}

}  // namespace

int C_TextCount::Count(const QString& strText)
{
    int nTotal = 0;
    ForEachCluster(strText, [&](qsizetype, int nCount) {
        nTotal = nCount;
        return true;
    });
    return nTotal;
}

QString C_TextCount::Truncate(const QString& strText, int nMax)
{
    qsizetype nKeep = 0;
    ForEachCluster(strText, [&](qsizetype nEnd, int nCount) {
        if (nCount > nMax)
            return false;
        nKeep = nEnd;
        return true;
    });
    return strText.left(nKeep);
}
