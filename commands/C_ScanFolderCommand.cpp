#include "commands/C_ScanFolderCommand.h"

#include "commands/C_AppSettings.h"
#include "commands/C_ScanFolderDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {
// The folder last scanned and whether its subfolders were, for the next window.
const QString kFolderKey = QStringLiteral("Scan Folder/Folder");
const QString kSubfoldersKey = QStringLiteral("Scan Folder/Subfolders");
}  // namespace

C_ScanFolderDlg* C_ScanFolderCommand::Run(
    QWidget* pOwner, C_Prompts& prompts, const std::function<void(const QString& strPath)>& fnOpen)
{
    // One scan window: a second Scan Folder finds the first, scan and results as they are.
    C_ScanFolderDlg* pDlg =
        pOwner ? pOwner->findChild<C_ScanFolderDlg*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!pDlg) {
        pDlg = new C_ScanFolderDlg(prompts, fnOpen, pOwner);
        pDlg->setAttribute(Qt::WA_DeleteOnClose);
        QSettings settings = C_AppSettings::Open();
        pDlg->GetFolderEdit()->setText(settings.value(kFolderKey).toString());
        pDlg->GetSubfoldersBox()->setChecked(settings.value(kSubfoldersKey, false).toBool());
        if (!pDlg->GetFolderEdit()->text().isEmpty())
            pDlg->GetStartButton()->setFocus();  // Enter scans it again
        QObject::connect(pDlg, &C_ScanFolderDlg::ScanStarted, pDlg, [pDlg] {
            QSettings s = C_AppSettings::Open();
            s.setValue(kFolderKey, pDlg->GetFolderEdit()->text().trimmed());
            s.setValue(kSubfoldersKey, pDlg->GetSubfoldersBox()->isChecked());
        });
    }
    pDlg->show();
    pDlg->raise();
    pDlg->activateWindow();
    return pDlg;
}
