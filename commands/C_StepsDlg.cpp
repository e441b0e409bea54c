#include "commands/C_StepsDlg.h"

#include "commands/vmk_command_texts.h"
#include "res/vmk_ids.h"
#include "res/vmk_strings.h"

#include <QEventLoop>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <climits>
#include <exception>
#include <memory>

C_StepsDlg::C_StepsDlg(const QString& strText, size_t nSteps, QWidget* pParent)
    : QProgressDialog(
        strText, QString::fromUtf8(vmk::kStrAcrossCancel), 0, int(std::min<size_t>(nSteps, INT_MAX)), pParent)
{
    setWindowTitle(QString::fromUtf8(vmk::LoadString(IDS_APP_TITLE)));
    setWindowModality(Qt::ApplicationModal);
    setMinimumDuration(0);
    setAutoClose(false);
    setAutoReset(false);
    setMinimumWidth(fontMetrics().averageCharWidth() * 60);
    // Cancel must not hide the window while the work still runs: it only asks the work to stop.
    disconnect(this, SIGNAL(canceled()), this, SLOT(cancel()));
    connect(this, &QProgressDialog::canceled, this, &C_StepsDlg::Stopping);
}

C_StepsDlg::~C_StepsDlg() = default;

void C_StepsDlg::reject()
{
    emit canceled();
}

void C_StepsDlg::Stopping()
{
    setLabelText(QString::fromUtf8(vmk::kStrAcrossStopping));
    if (auto* pButton = findChild<QPushButton*>())
        pButton->setEnabled(false);
}

bool C_StepsDlg::Run(QWidget* pParent, const std::string& strText, size_t nSteps,
    const std::function<void(const C_Prompts::T_Step&)>& fnWork)
{
    C_StepsDlg dlg(QString::fromStdString(strText), nSteps, pParent);
    std::atomic<size_t> nDone{0};
    std::atomic<bool> bCancelled{false};
    std::exception_ptr pThrown;
    std::unique_ptr<QThread> pThread(QThread::create([&] {
        try {
            fnWork([&](size_t n) {
                nDone = n;
                return !bCancelled.load();
            });
        } catch (...) {
            pThrown = std::current_exception();
        }
    }));
    connect(&dlg, &QProgressDialog::canceled, &dlg, [&bCancelled] { bCancelled = true; });
    QEventLoop loop;
    connect(pThread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer timer;
    connect(&timer, &QTimer::timeout, &dlg, [&] { dlg.setValue(int(std::min<size_t>(nDone.load(), INT_MAX))); });
    timer.start(50);
    dlg.setValue(0);
    dlg.show();
    pThread->start();
    loop.exec();
    pThread->wait();
    timer.stop();
    dlg.hide();
    if (pThrown)
        std::rethrow_exception(pThrown);
    return !bCancelled.load();
}
