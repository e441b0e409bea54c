#include "shell/C_CommandLineInfo.h"

#include "model/pictures/C_FormatRegistry.h"

#include <QFileInfo>

#include <string>

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

bool C_CommandLineInfo::ParseFlag(const QString& strFlag)
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
    } else {
        return false;
    }
    return true;
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
            if (!info.ParseFlag(arg.mid(1)))
                info.m_unknownFlags << arg;
        } else {
            // Against the folder the program was started in: opening a picture makes its folder
            // current, which would move the names that follow.
            const QString strName = QFileInfo(arg).absoluteFilePath();
            if (info.m_strFileName.isEmpty())
                info.m_strFileName = strName;
            info.m_fileNames << strName;
        }
        // After "pt" the further names are the printer, driver and port, and are not used.
    }
    if (info.m_nShellCommand == FileNew && !info.m_strFileName.isEmpty())
        info.m_nShellCommand = FileOpen;
    return info;
}

const char* C_CommandLineInfo::Usage()
{
    // The formats come from the format table: "Opens each BMP, GIF, PCX or PNG picture named".
    static const std::string strUsage = "Usage: veilmark [SWITCH...] [PICTURE...]\n"
                                        "\n"
                                        "Opens each "
        + C_FormatRegistry::NameList()
        + " picture named, each in its own window, to hide a file\n"
          "or a text in it or to reveal one. With no picture named it starts empty.\n"
          "\n"
          "Switches (\"-\" or \"/\" in front):\n"
          "  -h, --help           print this text and exit\n"
          "      --version        print the version and exit\n"
          "  -Embedding, -Automation\n"
          "                       start without the splash picture\n"
          "  -p PICTURE           open the picture, then exit (there is nothing to print)\n"
          "  -pt PICTURE PRINTER DRIVER PORT\n"
          "                       the same; the printer names are not used\n"
          "  -Unregister, -Unregserver\n"
          "                       delete the settings (recent files, choices, window places)\n"
          "  -dde                 start without opening a picture\n"
          "Any other switch is refused (exit status 2).\n"
          "\n"
          "Qt's own switches (-platform, -display, -style ...) work as in any Qt program.\n"
          "See veilmark(1); for scripts, veilmark-cli(1).\n";
    return strUsage.c_str();
}
