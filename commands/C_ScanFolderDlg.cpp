#include "commands/C_ScanFolderDlg.h"

#include "commands/C_Prompts.h"
#include "commands/C_ScanResultsModel.h"
#include "commands/C_ScanSortModel.h"
#include "commands/vmk_command_texts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <system_error>

namespace {

QString Text(const char* psz)
{
    return QString::fromUtf8(psz);
}

// "0.4 s", "12 s", "3 min 5 s", "2 h 10 min".
QString Duration(double dSeconds)
{
    if (dSeconds < 9.95)
        return Text(vmk::kStrScanSeconds).arg(QString::number(std::max(0.0, dSeconds), 'f', 1));
    const qint64 n = std::llround(dSeconds);
    if (n < 60)
        return Text(vmk::kStrScanSeconds).arg(n);
    if (n < 3600)
        return Text(vmk::kStrScanMinutes).arg(n / 60).arg(n % 60);
    return Text(vmk::kStrScanHours).arg(n / 3600).arg(n % 3600 / 60);
}

}  // namespace

C_ScanFolderDlg::C_ScanFolderDlg(C_Prompts& prompts, T_OpenFn fnOpen, QWidget* pParent)
    : QDialog(pParent)
    , m_prompts(prompts)
    , m_fnOpen(std::move(fnOpen))
{
    setWindowTitle(Text(vmk::kStrScanTitle));
    setSizeGripEnabled(true);
    auto* pLayout = new QVBoxLayout(this);

    auto* pIntro = new QLabel(Text(vmk::kStrScanIntro), this);
    pIntro->setWordWrap(true);
    pLayout->addWidget(pIntro);

    // What to scan, and Start and Stop beside it.
    auto* pGrid = new QGridLayout;
    auto* pFolderLabel = new QLabel(Text(vmk::kStrScanFolderLabel), this);
    m_pFolder = new QLineEdit(this);
    m_pFolder->setAccessibleName(QString(Text(vmk::kStrScanFolderLabel)).remove(u'&').remove(u':'));
    pFolderLabel->setBuddy(m_pFolder);
    m_pBrowse = new QPushButton(Text(vmk::kStrScanBrowse), this);
    m_pSubfolders = new QCheckBox(Text(vmk::kStrScanSubfolders), this);
    m_pStart = new QPushButton(Text(vmk::kStrScanStart), this);
    m_pStop = new QPushButton(Text(vmk::kStrScanStop), this);
    m_pStart->setDefault(true);
    pGrid->addWidget(pFolderLabel, 0, 0);
    pGrid->addWidget(m_pFolder, 0, 1);
    pGrid->addWidget(m_pBrowse, 0, 2);
    pGrid->addWidget(m_pSubfolders, 1, 1);
    auto* pRun = new QHBoxLayout;
    pRun->addWidget(m_pStart);
    pRun->addWidget(m_pStop);
    pGrid->addLayout(pRun, 1, 2);
    pGrid->setColumnStretch(1, 1);
    pLayout->addLayout(pGrid);

    // The findings, sortable by any column; numbers sort as numbers.
    m_pResults = new C_ScanResultsModel(this);
    m_pSorted = new C_ScanSortModel(this);
    m_pSorted->setSourceModel(m_pResults);
    m_pSorted->setSortRole(C_ScanResultsModel::SortRole);
    m_pTable = new QTableView(this);
    m_pTable->setModel(m_pSorted);
    m_pTable->setAccessibleName(Text(vmk::kStrScanTitle));
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pTable->setTextElideMode(Qt::ElideMiddle);  // a long path keeps its file name in view
    m_pTable->setAlternatingRowColors(true);
    m_pTable->setShowGrid(false);
    m_pTable->setWordWrap(false);
    m_pTable->verticalHeader()->hide();
    m_pTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_pTable->verticalHeader()->setDefaultSectionSize(m_pTable->fontMetrics().height() + 6);
    m_pTable->setSortingEnabled(true);
    m_pTable->sortByColumn(C_ScanResultsModel::ColFile, Qt::AscendingOrder);
    // Room for what each column holds; the file column takes what is left.
    QHeaderView* pHeader = m_pTable->horizontalHeader();
    const QFontMetrics fm = m_pTable->fontMetrics();
    const QFontMetrics fmHeader = pHeader->fontMetrics();
    const int nPad = 2 * fm.horizontalAdvance(u'M');
    auto widthFor = [&](int nColumn, std::initializer_list<const char*> samples) {
        int n = fmHeader.horizontalAdvance(Text(vmk::kStrScanColumns[nColumn])) + nPad;  // the sort arrow too
        for (const char* psz : samples)
            n = std::max(n, fm.horizontalAdvance(Text(psz)) + nPad);
        pHeader->resizeSection(nColumn, n);
    };
    widthFor(C_ScanResultsModel::ColFormat, {"JPEG"});
    widthFor(C_ScanResultsModel::ColSize, {"999.9 KB"});
    widthFor(C_ScanResultsModel::ColDimensions, {"10000 x 10000"});
    widthFor(C_ScanResultsModel::ColEstimate, {"0.000"});
    widthFor(C_ScanResultsModel::ColVerdict, {vmk::kStrVerdictClean, vmk::kStrVerdictPossible, vmk::kStrVerdictLikely});
    widthFor(C_ScanResultsModel::ColError, {"not a BMP, GIF, PCX, PNG or JPEG picture"});
    pHeader->resizeSection(C_ScanResultsModel::ColFile, fm.horizontalAdvance(QString(28, u'n')));
    pHeader->setStretchLastSection(true);
    pHeader->setSectionsMovable(true);
    pLayout->addWidget(m_pTable, 1);

    m_pProgress = new QProgressBar(this);
    m_pProgress->setRange(0, 1);
    m_pProgress->setValue(0);
    m_pProgress->setFormat(QStringLiteral("%v / %m"));
    m_pProgress->setTextVisible(false);  // no count before the first scan
    pLayout->addWidget(m_pProgress);
    m_pStatus = new QLabel(this);
    m_pStatus->setWordWrap(true);
    m_pStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pLayout->addWidget(m_pStatus);

    auto* pBottom = new QHBoxLayout;
    pBottom->addStretch();
    m_pClose = new QPushButton(Text(vmk::kStrScanClose), this);
    m_pClose->setAutoDefault(false);
    pBottom->addWidget(m_pClose);
    pLayout->addLayout(pBottom);

    // Reading order: what to scan, how, the results, then Close.
    setTabOrder(m_pFolder, m_pBrowse);
    setTabOrder(m_pBrowse, m_pSubfolders);
    setTabOrder(m_pSubfolders, m_pStart);
    setTabOrder(m_pStart, m_pStop);
    setTabOrder(m_pStop, m_pTable);
    setTabOrder(m_pTable, m_pClose);

    connect(m_pBrowse, &QPushButton::clicked, this, &C_ScanFolderDlg::OnBrowse);
    connect(m_pStart, &QPushButton::clicked, this, [this] { StartScan(); });
    connect(m_pStop, &QPushButton::clicked, this, &C_ScanFolderDlg::StopScan);
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::close);
    connect(m_pFolder, &QLineEdit::textChanged, this, &C_ScanFolderDlg::UpdateButtons);
    connect(m_pTable, &QTableView::doubleClicked, this, &C_ScanFolderDlg::OpenRow);
    m_pTable->installEventFilter(this);

    UpdateButtons();
    m_pBrowse->setFocus();
    // Wide enough for every column but the file's, with the file's at its start width.
    int nWidth = 2 * m_pTable->frameWidth() + m_pTable->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < C_ScanResultsModel::ColCount; ++c)
        nWidth += pHeader->sectionSize(c);
    resize(nWidth + pLayout->contentsMargins().left() + pLayout->contentsMargins().right(), 520);
}

C_ScanFolderDlg::~C_ScanFolderDlg()
{
    // Before anything of this window goes: the worker hands results to it until it is joined.
    Join();
}

void C_ScanFolderDlg::Join()
{
    if (!m_worker.joinable())
        return;
    m_pScan->Cancel();
    m_worker.join();
}

void C_ScanFolderDlg::UpdateButtons()
{
    const bool bScanning = IsScanning();
    m_pFolder->setEnabled(!bScanning);
    m_pBrowse->setEnabled(!bScanning);
    m_pSubfolders->setEnabled(!bScanning);
    m_pStart->setEnabled(!bScanning && !m_pFolder->text().trimmed().isEmpty());
    m_pStop->setEnabled(bScanning && !(m_pScan && m_pScan->Cancelled()));
}

void C_ScanFolderDlg::OnBrowse()
{
    const std::string strFolder =
        m_prompts.ChooseFolder(vmk::kStrScanBrowseTitle, m_pFolder->text().trimmed().toStdString());
    if (strFolder.empty())
        return;
    m_pFolder->setText(QDir::toNativeSeparators(QString::fromStdString(strFolder)));
    m_pStart->setFocus();
}

bool C_ScanFolderDlg::StartScan()
{
    if (IsScanning())
        return false;
    const QString strFolder = m_pFolder->text().trimmed();
    if (strFolder.isEmpty()) {
        m_pStatus->setText(Text(vmk::kStrScanNoFolder));
        return false;
    }
    const QFileInfo info(strFolder);
    if (!info.isDir()) {
        m_pStatus->setText(Text(vmk::kStrScanNotAFolder).arg(QDir::toNativeSeparators(strFolder)));
        return false;
    }
    const QString strPath = QDir::cleanPath(info.absoluteFilePath());
    m_pResults->Clear();
    m_pResults->SetBaseFolder(strPath);
    m_nTotal = 0;
    m_bTotalKnown = false;
    {
        std::lock_guard lock(m_mutex);
        m_aInbox.clear();
        m_nInboxTotal.reset();
        m_bInboxDone = false;
        m_bDrainPosted = false;
    }
    m_pProgress->setRange(0, 0);  // busy until the files are counted
    m_pProgress->setTextVisible(true);
    m_pStatus->setText(Text(vmk::kStrScanCollecting));
    S_ScanOptions options;
    options.bRecurse = m_pSubfolders->isChecked();
    options.nWorkers = m_nWorkers;
    m_pScan = std::make_unique<C_FolderScan>(options);
    m_clock.start();
    try {
        m_worker = std::thread(&C_ScanFolderDlg::Work, this, std::vector<std::string>{strPath.toStdString()});
    } catch (const std::system_error& e) {
        // No thread to be had: said in the status line, nothing started.
        m_pProgress->setRange(0, 1);
        m_pStatus->setText(QString::fromLocal8Bit(e.what()));
        return false;
    }
    UpdateButtons();
    m_pStop->setFocus();
    emit ScanStarted();
    return true;
}

void C_ScanFolderDlg::StopScan()
{
    if (!IsScanning() || m_pScan->Cancelled())
        return;
    m_pScan->Cancel();
    m_pStatus->setText(Text(vmk::kStrScanStopping));
    UpdateButtons();
    m_pTable->setFocus();
}

void C_ScanFolderDlg::Work(std::vector<std::string> aPaths)
{
    try {
        std::vector<S_ScanItem> aErrors;
        const std::vector<std::string> aFiles = m_pScan->Collect(aPaths, aErrors);
        {
            std::lock_guard lock(m_mutex);
            m_nInboxTotal = aFiles.size() + aErrors.size();
            for (S_ScanItem& item : aErrors)
                m_aInbox.push_back(std::move(item));
            PostDrain();
        }
        if (!m_pScan->Cancelled()) {
            m_pScan->Run(aFiles, [this](const S_ScanItem& item) {
                std::lock_guard lock(m_mutex);
                m_aInbox.push_back(item);
                PostDrain();
            });
        }
    } catch (const std::exception&) {
        // Out of memory for the results: the scan ends with what was shown, as after Stop.
        m_pScan->Cancel();
    }
    std::lock_guard lock(m_mutex);
    m_bInboxDone = true;
    PostDrain();
}

void C_ScanFolderDlg::PostDrain()
{
    if (m_bDrainPosted)
        return;
    m_bDrainPosted = true;
    // Queued to this window's thread. This window joins the worker before it goes, and Qt drops
    // the posted calls of an object that is deleted, so none reaches a window that is gone.
    QMetaObject::invokeMethod(this, &C_ScanFolderDlg::Drain, Qt::QueuedConnection);
}

void C_ScanFolderDlg::Drain()
{
    std::vector<S_ScanItem> aItems;
    bool bDone = false;
    {
        std::lock_guard lock(m_mutex);
        aItems.swap(m_aInbox);
        if (m_nInboxTotal) {
            m_nTotal = *m_nInboxTotal;
            m_bTotalKnown = true;
        }
        bDone = m_bInboxDone;
        m_bDrainPosted = false;
    }
    m_pResults->Append(std::move(aItems));
    if (!bDone) {
        ShowProgress();
        return;
    }
    // The worker has handed over its last result and is returning.
    if (m_worker.joinable())
        m_worker.join();
    ShowProgress();
    ShowSummary();
    UpdateButtons();
    emit ScanFinished();
}

void C_ScanFolderDlg::ShowProgress()
{
    if (!m_bTotalKnown)
        return;
    const int nDone = m_pResults->rowCount();
    m_pProgress->setRange(0, int(std::max<size_t>(m_nTotal, 1)));
    m_pProgress->setValue(nDone);
    m_pProgress->setTextVisible(m_nTotal > 0);  // not "0 / 1" for an empty folder
    if (!IsScanning() || m_pScan->Cancelled())
        return;
    const double dSeconds = double(m_clock.elapsed()) / 1000.0;
    const QString strDone = QString::number(nDone), strTotal = QString::number(m_nTotal);
    // A rate from less than half a second of work says little.
    if (nDone == 0 || dSeconds < 0.5) {
        m_pStatus->setText(Text(vmk::kStrScanProgressStart).arg(strDone, strTotal));
        return;
    }
    const double dRate = nDone / dSeconds;
    const double dLeft = double(m_nTotal - std::min<size_t>(m_nTotal, size_t(nDone))) / dRate;
    m_pStatus->setText(Text(vmk::kStrScanProgress)
                           .arg(strDone, strTotal, QString::number(dRate, 'f', dRate < 10 ? 1 : 0), Duration(dLeft)));
}

void C_ScanFolderDlg::ShowSummary()
{
    const int nDone = m_pResults->rowCount();
    const QString strTime = Duration(double(m_clock.elapsed()) / 1000.0);
    const bool bStopped = m_pScan && m_pScan->Cancelled() && size_t(nDone) < m_nTotal;
    if (!bStopped && nDone == 0) {
        m_pStatus->setText(Text(vmk::kStrScanNothing));
        return;
    }
    QString strText = bStopped
        ? Text(vmk::kStrScanStopped).arg(QString::number(nDone), QString::number(m_nTotal), strTime)
        : Text(vmk::kStrScanFinished).arg(QString::number(nDone), strTime);
    QStringList counts;
    for (E_Verdict e : {E_Verdict::Clean, E_Verdict::Possible, E_Verdict::Likely})
        counts << Text(vmk::kStrScanCount)
                      .arg(Text(C_DetectionCheck::VerdictText(e)), QString::number(m_pResults->CountOf(e)));
    counts << Text(vmk::kStrScanCount).arg(Text(vmk::kStrScanNotRead), QString::number(m_pResults->FailedCount()));
    m_pStatus->setText(strText + u' ' + counts.join(QStringLiteral(", ")) + u'.');
}

void C_ScanFolderDlg::OpenRow(const QModelIndex& index)
{
    if (!index.isValid() || !m_fnOpen)
        return;
    const QString strPath = index.data(C_ScanResultsModel::PathRole).toString();
    if (!strPath.isEmpty())
        m_fnOpen(strPath);
}

bool C_ScanFolderDlg::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_pTable && pEvent->type() == QEvent::KeyPress) {
        const auto* pKey = static_cast<QKeyEvent*>(pEvent);
        if ((pKey->key() == Qt::Key_Return || pKey->key() == Qt::Key_Enter) && pKey->modifiers() == Qt::NoModifier) {
            OpenRow(m_pTable->currentIndex());
            return true;
        }
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

void C_ScanFolderDlg::closeEvent(QCloseEvent* pEvent)
{
    // The pictures being read are finished off when the window goes, or in the background when
    // it is only hidden.
    if (IsScanning())
        m_pScan->Cancel();
    QDialog::closeEvent(pEvent);
}

void C_ScanFolderDlg::done(int nResult)
{
    // Escape as well as the close box.
    if (IsScanning())
        m_pScan->Cancel();
    QDialog::done(nResult);
}
