#pragma once
// The command line as the classic framework reads it: arguments starting with "-" (or "/", see
// Parse) are switches, the first other argument is the file name.

#include <QString>
#include <QStringList>

class C_CommandLineInfo {
public:
    enum E_ShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister, FileNothing };

    bool m_bShowSplash = true;  // false with "Embedding" or "Automation"
    bool m_bRunEmbedded = false;
    E_ShellCommand m_nShellCommand = FileNew;
    // File names are made absolute against the current folder as they are read.
    QString m_strFileName;       // the first argument that is not a switch
    QStringList m_fileNames;     // every argument that is not a switch, in order; each opens
    QStringList m_unknownFlags;  // switches this program does not know, as given

    // `args` without the program's own name.
    static C_CommandLineInfo Parse(const QStringList& args);
    // What `veilmark --help` prints: the switches above and the files the program opens.
    static const char* Usage();

private:
    // True when `strFlag` (its "/" or "-" dropped) is a switch this program knows.
    static bool IsKnownFlag(const QString& strFlag);
    // False when `strFlag` is no switch of this program.
    bool ParseFlag(const QString& strFlag);
};
