#pragma once
// Hide Across Pictures' one dialog: the pictures (add, remove), how many of them restore the
// file (k, 1 to their number), the file, the output folder and the pass phrase twice with its
// strength, as Hide Sealed Message shows it. Below them, the largest file that fits across the
// pictures for this k, weighed on a thread of its own as the choice changes. OK checks the
// entries; the pass phrase fields are wiped when the dialog goes.

#include "commands/C_AcrossChoice.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QThread;

class C_HideAcrossDlg : public QDialog {
    Q_OBJECT
public:
    // Opened with choice; on OK, choice holds what was chosen. fnWeigh may be empty.
    C_HideAcrossDlg(C_AcrossChoice& choice, C_AcrossChoice::T_Weigh fnWeigh, QWidget* pParent = nullptr);
    // Waits for a weighing under way: fnWeigh's pictures belong to the caller.
    ~C_HideAcrossDlg() override;

    void accept() override;
    // Where OK's refusals go; by default a warning box captioned "Veilmark".
    void SetMessageSink(std::function<void(const QString&)> fnSink) { m_fnMessage = std::move(fnSink); }

    // The pictures listed now, as UTF-8 paths.
    std::vector<std::string> Pictures() const;
    // True while a weighing runs or waits to start.
    bool IsWeighing() const;

private:
    void AddPictures(const std::vector<std::string>& paths);
    void ChooseMorePictures();
    void RemovePictures();
    void BrowseFile();
    void BrowseFolder();
    void PicturesChanged();
    // A weighing shortly after the last change, so that typing or spinning does not start many.
    void WeighSoon();
    void StartWeighing();
    void ShowStrength();
    void WaitForWeighing();
    // Shows strText, puts the focus on pField; returns false.
    bool Refuse(QWidget* pField, const char* pszText, const QString& strArgument = QString());

    C_AcrossChoice& m_choice;
    C_AcrossChoice::T_Weigh m_fnWeigh;
    QListWidget* m_pList = nullptr;
    QPushButton* m_pRemove = nullptr;
    QSpinBox* m_pNeeded = nullptr;
    QLabel* m_pOf = nullptr;
    QLineEdit* m_pFile = nullptr;
    QLineEdit* m_pFolder = nullptr;
    QLineEdit* m_pPassphrase = nullptr;
    QLineEdit* m_pAgain = nullptr;
    QLabel* m_pStrength = nullptr;
    QLabel* m_pLargest = nullptr;
    QTimer m_weighTimer;
    std::unique_ptr<QThread> m_pWeighing;  // the weighing under way, if any
    bool m_bWeighAgain = false;            // the choice changed while it ran
    std::function<void(const QString&)> m_fnMessage;
};
