#pragma once
// The scan table's order: numbers by value, texts as people read them, with the numbers inside
// names by value too (photo2 before photo10), as file managers sort.

#include <QSortFilterProxyModel>

class C_ScanSortModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit C_ScanSortModel(QObject* pParent = nullptr);

    // Negative, zero or positive: runs of digits compare by value, the text between them without
    // regard to letter case, then by the user's locale.
    static int CompareNames(const QString& a, const QString& b);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};
