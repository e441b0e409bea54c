#include "commands/C_ScanFolderCommand.h"

#include "commands/C_ScanFolderDlg.h"

C_ScanFolderDlg* C_ScanFolderCommand::Run(
    QWidget* pOwner, C_Prompts& prompts, const std::function<void(const QString& strPath)>& fnOpen)
{
    // One scan window: a second Scan Folder finds the first, scan and results as they are.
    C_ScanFolderDlg* pDlg =
        pOwner ? pOwner->findChild<C_ScanFolderDlg*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!pDlg) {
        pDlg = new C_ScanFolderDlg(prompts, fnOpen, pOwner);
        pDlg->setAttribute(Qt::WA_DeleteOnClose);
    }
    pDlg->show();
    pDlg->raise();
    pDlg->activateWindow();
    return pDlg;
}
