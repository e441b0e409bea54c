#pragma once
// The rows of a folder scan: one per file, in the order the results came. Each cell has its text
// for display and a value to sort by (SortRole: numbers as numbers, so 9.6 KB comes before
// 117 KB), and each row the file's full path (PathRole).

#include "model/analysis/C_FolderScan.h"

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <vector>

class C_ScanResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum E_Column { ColFile, ColFormat, ColSize, ColDimensions, ColEstimate, ColVerdict, ColError, ColCount };
    static constexpr int SortRole = Qt::UserRole;
    static constexpr int PathRole = Qt::UserRole + 1;

    explicit C_ScanResultsModel(QObject* pParent = nullptr);

    // Files under strFolder show by their path from it; others by their full path.
    void SetBaseFolder(const QString& strFolder) { m_strBase = strFolder; }
    void Clear();
    void Append(std::vector<S_ScanItem> aItems);

    const S_ScanItem& Item(int nRow) const { return m_aItems[size_t(nRow)]; }
    // How many rows have each verdict, and how many files were not read.
    int CountOf(E_Verdict eVerdict) const { return m_anVerdicts[size_t(eVerdict)]; }
    int FailedCount() const { return m_nFailed; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation eOrientation, int nRole = Qt::DisplayRole) const override;

private:
    QVariant Display(const S_ScanItem& item, int nColumn) const;
    static QVariant SortValue(const S_ScanItem& item, int nColumn, const QString& strShown);

    std::vector<S_ScanItem> m_aItems;
    std::vector<QString> m_aShownPaths;  // ColFile's text, worked out once
    std::array<int, 3> m_anVerdicts{};   // by E_Verdict, of the files read
    int m_nFailed = 0;
    QString m_strBase;
};
