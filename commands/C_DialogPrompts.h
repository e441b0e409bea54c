#pragma once
// The prompts of the running application: the platform's file dialogs, boxes captioned
// "Veilmark", and the dialogs of commands/, all modal to the owner window.

#include "commands/C_Prompts.h"

class QWidget;

class C_DialogPrompts : public C_Prompts {
public:
    explicit C_DialogPrompts(QWidget* pOwner = nullptr)
        : m_pOwner(pOwner)
    { }

    // The window every dialog is modal to; the application sets its main window.
    void SetOwner(QWidget* pOwner) { m_pOwner = pOwner; }

    std::string ChooseOpenFile(const C_FileDialogArgs& args) override;
    std::string ChooseSaveFile(const C_FileDialogArgs& args) override;
    std::string ChooseFolder(const std::string& strTitle, const std::string& strStart) override;
    std::vector<std::string> ChooseOpenFiles(const C_FileDialogArgs& args) override;
    bool ShowPasswordDialog(std::string& strFirst, std::string& strSecond) override;
    bool ShowSealedPassphraseDialog(std::string& strFirst, std::string& strSecond, bool bTwice) override;
    void ShowMessage(const std::string& strText) override;
    bool AskYesNo(const std::string& strText) override;
    E_SaveChoice AskSaveChanges(const std::string& strText) override;
    void ShowHidden(const std::string& strName, uint32_t nSize, const std::string& strHow) override;
    bool ShowFound(const std::string& strName, uint32_t nSize) override;
    bool ShowCompose(std::string& strText, std::string& strSubject) override;
    void ShowProperties(const C_CarrierInfo& info) override;
    void ShowDetectionCheck(const S_DetectionResult& result, uint32_t nRecommended, uint32_t nCapacity) override;
    void ShowAbout() override;
    bool ShowMessageOffering(const std::string& strText, const std::string& strChoice) override;
    void ShowPicture(const std::string& strTitle, const std::string& strText, const std::vector<uint8_t>& aRgb,
        uint32_t nWidth, uint32_t nHeight) override;
    void SetBusy(bool bBusy) override;
    bool ShowHideAcross(C_AcrossChoice& choice, const C_AcrossChoice::T_Weigh& fnWeigh) override;
    bool RunSteps(const std::string& strText, size_t nSteps, const std::function<void(const T_Step&)>& fnWork) override;

private:
    // The files chosen; bMany lets the user choose several existing ones.
    std::vector<std::string> RunFileDialog(bool bSave, const C_FileDialogArgs& args, bool bMany = false);

    QWidget* m_pOwner;  // not owned
};
