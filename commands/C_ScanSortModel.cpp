#include "commands/C_ScanSortModel.h"

namespace {

// The run of digits or of other characters starting at i.
QStringView Run(const QString& str, qsizetype i)
{
    const bool bDigits = str[i].isDigit();
    qsizetype j = i;
    while (j < str.size() && str[j].isDigit() == bDigits)
        ++j;
    return QStringView(str).mid(i, j - i);
}

int CompareNumbers(QStringView a, QStringView b)
{
    // Leading zeros aside, the longer number is the larger; equal lengths compare digit by digit.
    while (a.size() > 1 && a.front() == u'0')
        a = a.mid(1);
    while (b.size() > 1 && b.front() == u'0')
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

}  // namespace

C_ScanSortModel::C_ScanSortModel(QObject* pParent)
    : QSortFilterProxyModel(pParent)
{ }

int C_ScanSortModel::CompareNames(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const QStringView ra = Run(a, i), rb = Run(b, j);
        const bool bNumbers = ra.front().isDigit() && rb.front().isDigit();
        const int n = bNumbers ? CompareNumbers(ra, rb) : ra.compare(rb, Qt::CaseInsensitive);
        if (n != 0)
            return n;
        i += ra.size();
        j += rb.size();
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return QString::localeAwareCompare(a, b);
}

bool C_ScanSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const QVariant a = left.data(sortRole()), b = right.data(sortRole());
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return CompareNames(a.toString(), b.toString()) < 0;
    return QSortFilterProxyModel::lessThan(left, right);
}
