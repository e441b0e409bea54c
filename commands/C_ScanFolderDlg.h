#pragma once
// Tools > Scan Folder: the detection check on every picture of a folder (and its subfolders when
// asked), in a window beside the picture windows. The table fills as the pictures are read, on
// worker threads, and sorts by any column; a row opens its picture with a double click or Enter.
// Stop keeps what was read; closing the window stops the scan and waits for the pictures being
// read, so no result outlives the window.

#include "model/analysis/C_FolderScan.h"

#include <QDialog>
#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class C_Prompts;
class C_ScanResultsModel;
class C_ScanSortModel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

class C_ScanFolderDlg : public QDialog {
    Q_OBJECT
public:
    using T_OpenFn = std::function<void(const QString& strPath)>;

    // `prompts` (outliving this window) chooses the folder; `fnOpen` opens a picture as Open
    // Picture does.
    C_ScanFolderDlg(C_Prompts& prompts, T_OpenFn fnOpen, QWidget* pParent = nullptr);
    ~C_ScanFolderDlg() override;

    // Scans the folder in the field, with or without its subfolders as the check box says; what
    // Start does. False, with the reason in the status line, when there is no such folder.
    bool StartScan();
    // Stop: the pictures being read are finished and shown; no other is started.
    void StopScan();
    bool IsScanning() const { return m_worker.joinable(); }
    // Threads the next scan reads pictures on; 0 (the default) is one per core.
    void SetWorkerCount(unsigned nWorkers) { m_nWorkers = nWorkers; }

    QLineEdit* GetFolderEdit() const { return m_pFolder; }
    QPushButton* GetBrowseButton() const { return m_pBrowse; }
    QCheckBox* GetSubfoldersBox() const { return m_pSubfolders; }
    QPushButton* GetStartButton() const { return m_pStart; }
    QPushButton* GetStopButton() const { return m_pStop; }
    QPushButton* GetCloseButton() const { return m_pClose; }
    QTableView* GetTable() const { return m_pTable; }
    C_ScanResultsModel* GetResults() const { return m_pResults; }
    QProgressBar* GetProgress() const { return m_pProgress; }
    QLabel* GetStatusLabel() const { return m_pStatus; }

signals:
    // A scan of the folder in the field began.
    void ScanStarted();
    // A scan ended, done or stopped; the summary is in the status line.
    void ScanFinished();

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void done(int nResult) override;
    // Enter on a row opens it rather than pressing Start.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void OnBrowse();
    void OpenRow(const QModelIndex& index);
    void UpdateButtons();
    // On the worker thread: finds the files, reads them, hands each result over.
    void Work(std::vector<std::string> aPaths);
    // On the worker thread, with m_mutex held: has the window drain what was handed over, unless
    // a drain is already on its way.
    void PostDrain();
    // On the window's thread: takes what the worker handed over into the table.
    void Drain();
    void ShowProgress();
    void ShowSummary();
    // Stops and waits for the worker; nothing is handed over after it.
    void Join();

    C_Prompts& m_prompts;
    T_OpenFn m_fnOpen;
    QLineEdit* m_pFolder = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QCheckBox* m_pSubfolders = nullptr;
    QPushButton* m_pStart = nullptr;
    QPushButton* m_pStop = nullptr;
    QTableView* m_pTable = nullptr;
    C_ScanResultsModel* m_pResults = nullptr;
    C_ScanSortModel* m_pSorted = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QLabel* m_pStatus = nullptr;
    QPushButton* m_pClose = nullptr;
    unsigned m_nWorkers = 0;
    QElapsedTimer m_clock;  // since Start
    size_t m_nTotal = 0;    // files the scan visits, once they are found
    bool m_bTotalKnown = false;

    // What the worker hands over; m_mutex guards it.
    std::mutex m_mutex;
    std::vector<S_ScanItem> m_aInbox;
    std::optional<size_t> m_nInboxTotal;
    bool m_bInboxDone = false;
    bool m_bDrainPosted = false;

    // The scan lives until the worker that runs it is joined.
    std::unique_ptr<C_FolderScan> m_pScan;
    std::thread m_worker;
};
