#pragma once
// The recent-file list: at most six full paths, most recent first, kept in the settings group
// "Recent File List" under the keys File1 .. File6.

#include <QString>
#include <QStringList>

class QSettings;

class C_RecentFileList {
public:
    static constexpr int kMaxEntries = 6;

    void ReadList(QSettings& settings);
    void WriteList(QSettings& settings) const;

    // Moves `strPath` to the front (an entry naming the same file is dropped first).
    void Add(const QString& strPath);
    void Remove(int nIndex);
    const QStringList& GetEntries() const { return m_aPaths; }

    // The menu text of entry `nIndex`: "&1 " and the path, shortened to 30 characters, or only
    // the file name when the file lies in `strCurrentDir`. "&" in names is doubled.
    QString GetMenuText(int nIndex, const QString& strCurrentDir) const;

    // Two paths name the same file when equal under the platform's file name rule.
    static bool SamePath(const QString& a, const QString& b);
    // Shortens a path to at most `nMax` characters by putting "..." in place of middle folders.
    static QString AbbreviatePath(const QString& strPath, int nMax);

private:
    QStringList m_aPaths;
};
