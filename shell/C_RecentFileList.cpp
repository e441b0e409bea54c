#include "shell/C_RecentFileList.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
const QString kGroup = QStringLiteral("Recent File List");
}

void C_RecentFileList::ReadList(QSettings& settings)
{
    m_aPaths.clear();
    settings.beginGroup(kGroup);
    for (int i = 1; i <= kMaxEntries; ++i) {
        const QString strPath = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!strPath.isEmpty())
            m_aPaths << strPath;
    }
    settings.endGroup();
}

void C_RecentFileList::WriteList(QSettings& settings) const
{
    settings.beginGroup(kGroup);
    for (int i = 1; i <= kMaxEntries; ++i) {
        const QString strKey = QStringLiteral("File%1").arg(i);
        if (i <= m_aPaths.size())
            settings.setValue(strKey, m_aPaths[i - 1]);
        else
            settings.remove(strKey);
    }
    settings.endGroup();
}

void C_RecentFileList::Add(const QString& strPath)
{
    for (qsizetype i = 0; i < m_aPaths.size(); ++i) {
        if (SamePath(m_aPaths[i], strPath)) {
            m_aPaths.removeAt(i);
            break;
        }
    }
    m_aPaths.prepend(strPath);
    while (m_aPaths.size() > kMaxEntries)
        m_aPaths.removeLast();
}

void C_RecentFileList::Remove(int nIndex)
{
    if (nIndex >= 0 && nIndex < m_aPaths.size())
        m_aPaths.removeAt(nIndex);
}

bool C_RecentFileList::SamePath(const QString& a, const QString& b)
{
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;  // letter case tells files apart here: Photo.bmp is not photo.bmp
#endif
}

QString C_RecentFileList::AbbreviatePath(const QString& strPath, int nMax)
{
    if (strPath.size() <= nMax)
        return strPath;
    const QString strNative = QDir::toNativeSeparators(strPath);
    const QChar sep = QDir::separator();
    QStringList parts = strNative.split(sep);
    const QString strName = parts.takeLast();
    if (parts.isEmpty())
        return strName;
    const QString strRoot = parts.takeFirst() + sep;  // "" + "/" or "C:" + "\"
    // Drop folders from the front of the remaining ones until the text fits.
    while (!parts.isEmpty()) {
        const QString strTry = strRoot + QStringLiteral("...") + sep + parts.join(sep) + sep + strName;
        if (strTry.size() <= nMax)
            return strTry;
        parts.removeFirst();
    }
    const QString strShort = strRoot + QStringLiteral("...") + sep + strName;
    return strShort.size() <= nMax ? strShort : strName;
}

QString C_RecentFileList::GetMenuText(int nIndex, const QString& strCurrentDir) const
{
    const QString& strPath = m_aPaths.at(nIndex);
    const QFileInfo fi(strPath);
    QString strShown;
    if (!strCurrentDir.isEmpty() && SamePath(fi.absolutePath(), QDir::cleanPath(strCurrentDir)))
        strShown = fi.fileName();
    else
        strShown = AbbreviatePath(QDir::toNativeSeparators(strPath), 30);
    strShown.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(nIndex + 1).arg(strShown);
}
