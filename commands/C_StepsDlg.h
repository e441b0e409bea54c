#pragma once
// The progress window of work done in steps (C_Prompts::RunSteps): the work runs on a thread
// of its own while this window counts its steps, so the program keeps drawing; Cancel (or
// Escape, or the close box) asks the work to stop after the step under way and says so.

#include "commands/C_Prompts.h"

#include <QProgressDialog>

#include <functional>
#include <string>

class C_StepsDlg : public QProgressDialog {
    Q_OBJECT
public:
    C_StepsDlg(const QString& strText, size_t nSteps, QWidget* pParent);
    ~C_StepsDlg() override;

    // Runs fnWork behind the window, modal to pParent; true when the user did not cancel.
    // What fnWork throws is thrown here, once the thread is done.
    static bool Run(QWidget* pParent, const std::string& strText, size_t nSteps,
        const std::function<void(const C_Prompts::T_Step&)>& fnWork);

    void reject() override;

private:
    void Stopping();
};
