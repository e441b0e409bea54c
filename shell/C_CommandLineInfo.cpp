#include "shell/C_CommandLineInfo.h"

bool C_CommandLineInfo::IsKnownFlag(const QString& strFlag)
{
    static const char* const kCaseSensitive[] = {"p", "pt", "dde"};
    static const char* const kCaseBlind[] = {"Embedding", "Automation", "Unregister", "Unregserver"};
    for (const char* p : kCaseSensitive)
        if (strFlag == QLatin1String(p))
            return true;
    for (const char* p : kCaseBlind)
        if (strFlag.compare(QLatin1String(p), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void C_CommandLineInfo::ParseFlag(const QString& strFlag)
{
    // "p", "pt" and "dde" are compared with letter case, the others without.
    if (strFlag == QLatin1String("pt")) {
        m_nShellCommand = FilePrintTo;
    } else if (strFlag == QLatin1String("p")) {
        m_nShellCommand = FilePrint;
    } else if (strFlag.compare(QLatin1String("Unregister"), Qt::CaseInsensitive) == 0
        || strFlag.compare(QLatin1String("Unregserver"), Qt::CaseInsensitive) == 0) {
        m_nShellCommand = AppUnregister;
    } else if (strFlag == QLatin1String("dde")) {
        m_nShellCommand = FileDDE;
    } else if (strFlag.compare(QLatin1String("Embedding"), Qt::CaseInsensitive) == 0) {
        m_bRunEmbedded = true;
        m_bShowSplash = false;
    } else if (strFlag.compare(QLatin1String("Automation"), Qt::CaseInsensitive) == 0) {
        m_bShowSplash = false;
    }
    // Any other switch is ignored.
}

C_CommandLineInfo C_CommandLineInfo::Parse(const QStringList& args)
{
    C_CommandLineInfo info;
    for (const QString& arg : args) {
        bool bFlag = arg.size() > 1 && arg.front() == u'-';
#ifndef Q_OS_WIN
        // Outside Windows an absolute path starts with "/", so "/" introduces only the switches
        // this program knows ("/Embedding"); "/home/me/photo.bmp" stays a file name.
        if (!bFlag && arg.size() > 1 && arg.front() == u'/')
            bFlag = IsKnownFlag(arg.mid(1));
#else
        if (!bFlag && arg.size() > 1 && arg.front() == u'/')
            bFlag = true;
#endif
        if (bFlag) {
            info.ParseFlag(arg.mid(1));
        } else if (info.m_strFileName.isEmpty()) {
            info.m_strFileName = arg;
        }
        // Further names (the printer, driver and port of "pt") are not used.
    }
    if (info.m_nShellCommand == FileNew && !info.m_strFileName.isEmpty())
        info.m_nShellCommand = FileOpen;
    return info;
}
