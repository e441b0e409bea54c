#include "commands/C_ScanResultsModel.h"

#include "commands/C_DetectionCheckDlg.h"
#include "commands/vmk_command_texts.h"

#include <QBrush>
#include <QColor>
#include <QDir>
#include <QLocale>

namespace {

QString Text(const char* psz)
{
    return QString::fromUtf8(psz);
}

// An error's lines on one line, for a cell.
QString OneLine(const std::string& str)
{
    QStringList lines = QString::fromStdString(str).split(u'\n', Qt::SkipEmptyParts);
    for (QString& strLine : lines)
        strLine = strLine.trimmed();
    return lines.join(QStringLiteral(" "));
}

}  // namespace

C_ScanResultsModel::C_ScanResultsModel(QObject* pParent)
    : QAbstractTableModel(pParent)
{ }

void C_ScanResultsModel::Clear()
{
    beginResetModel();
    m_aItems.clear();
    m_aShownPaths.clear();
    m_anVerdicts = {};
    m_nFailed = 0;
    endResetModel();
}

void C_ScanResultsModel::Append(std::vector<S_ScanItem> aItems)
{
    if (aItems.empty())
        return;
    const QDir base(m_strBase);
    const int nFirst = int(m_aItems.size());
    beginInsertRows(QModelIndex(), nFirst, nFirst + int(aItems.size()) - 1);
    for (S_ScanItem& item : aItems) {
        const QString strPath = QString::fromStdString(item.strPath);
        QString strShown = m_strBase.isEmpty() ? strPath : base.relativeFilePath(strPath);
        // Outside the folder, or the folder itself (one that could not be listed): the full path.
        if (strShown.startsWith(QStringLiteral("../")) || strShown == QStringLiteral("."))
            strShown = strPath;
        m_aShownPaths.push_back(QDir::toNativeSeparators(strShown));
        if (item.Failed())
            ++m_nFailed;
        else
            ++m_anVerdicts[size_t(item.eVerdict)];
        m_aItems.push_back(std::move(item));
    }
    endInsertRows();
}

int C_ScanResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_aItems.size());
}

int C_ScanResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColCount;
}

QVariant C_ScanResultsModel::Display(const S_ScanItem& item, int nColumn) const
{
    const bool bRead = !item.Failed();
    switch (nColumn) {
    case ColFormat: return QString::fromStdString(item.strFormat);
    case ColSize: return QLocale().formattedDataSize(qint64(item.nFileBytes), 1, QLocale::DataSizeTraditionalFormat);
    case ColDimensions:
        if (item.nWidth == 0 || item.nHeight == 0)
            return QString();
        return Text(vmk::kStrScanDimensions).arg(item.nWidth).arg(item.nHeight);
    case ColEstimate: return bRead ? QString::number(item.dLargest, 'f', 3) : QString();
    case ColVerdict: return bRead ? Text(C_DetectionCheck::VerdictText(item.eVerdict)) : QString();
    case ColError: return OneLine(item.strError);
    default: return {};
    }
}

QVariant C_ScanResultsModel::SortValue(const S_ScanItem& item, int nColumn, const QString& strShown)
{
    // Files not read have no figures: they sort before every picture that was read.
    const bool bRead = !item.Failed();
    switch (nColumn) {
    case ColFile: return strShown;
    case ColFormat: return QString::fromStdString(item.strFormat);
    case ColSize: return qulonglong(item.nFileBytes);
    case ColDimensions: return qulonglong(item.nWidth) * item.nHeight;
    case ColEstimate: return bRead ? item.dLargest : -1.0;
    case ColVerdict: return bRead ? int(item.eVerdict) : -1;
    case ColError: return QString::fromStdString(item.strError);
    default: return {};
    }
}

QVariant C_ScanResultsModel::data(const QModelIndex& index, int nRole) const
{
    if (!index.isValid() || index.row() >= int(m_aItems.size()) || index.column() >= ColCount)
        return {};
    const S_ScanItem& item = m_aItems[size_t(index.row())];
    const int nColumn = index.column();
    switch (nRole) {
    case Qt::DisplayRole: return nColumn == ColFile ? m_aShownPaths[size_t(index.row())] : Display(item, nColumn);
    case SortRole: return SortValue(item, nColumn, m_aShownPaths[size_t(index.row())]);
    case PathRole: return QString::fromStdString(item.strPath);
    case Qt::ToolTipRole:
        if (nColumn == ColFile)
            return QDir::toNativeSeparators(QString::fromStdString(item.strPath));
        if (nColumn == ColError && item.Failed())
            return QString::fromStdString(item.strError);
        return {};
    case Qt::TextAlignmentRole:
        if (nColumn == ColSize || nColumn == ColDimensions || nColumn == ColEstimate)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::ForegroundRole:
        if (nColumn == ColVerdict && !item.Failed())
            return QBrush(C_DetectionCheckDlg::VerdictColour(item.eVerdict));
        if (nColumn == ColError)
            return QBrush(C_DetectionCheckDlg::VerdictColour(E_Verdict::Likely));
        return {};
    default: return {};
    }
}

QVariant C_ScanResultsModel::headerData(int nSection, Qt::Orientation eOrientation, int nRole) const
{
    if (eOrientation != Qt::Horizontal || nSection < 0 || nSection >= ColCount)
        return QAbstractTableModel::headerData(nSection, eOrientation, nRole);
    if (nRole == Qt::DisplayRole)
        return Text(vmk::kStrScanColumns[nSection]);
    if (nRole == Qt::TextAlignmentRole && (nSection == ColSize || nSection == ColDimensions || nSection == ColEstimate))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return QAbstractTableModel::headerData(nSection, eOrientation, nRole);
}
