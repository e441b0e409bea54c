#pragma once
// Tools > Scan Folder: shows the scan window beside the picture windows, or brings it forward
// when it is already open. Needs no picture.

#include <QString>

#include <functional>

class C_Prompts;
class C_ScanFolderDlg;
class QWidget;

class C_ScanFolderCommand {
public:
    // The window belongs to `pOwner` and deletes itself when closed; `prompts` (outliving it)
    // chooses the folder and `fnOpen` opens a picture as Open Picture does.
    static C_ScanFolderDlg* Run(
        QWidget* pOwner, C_Prompts& prompts, const std::function<void(const QString& strPath)>& fnOpen);
};
