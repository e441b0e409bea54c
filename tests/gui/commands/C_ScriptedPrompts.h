#pragma once
// Prompts that answer from a script and record what was shown; the one fake of the commands'
// tests and of the application's. A file, pass phrase, found or compose prompt with no answer
// left cancels and is a fault, so a command that asks more than expected is caught; so is a
// dialog during a long step. The test checks m_faults at its end.

#include "commands/C_Prompts.h"
#include "model/C_CarrierInfo.h"
#include "model/analysis/C_DetectionCheck.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class C_ScriptedPrompts : public C_Prompts {
public:
    using Pair = std::pair<std::string, std::string>;

    // Answers, used front first; std::nullopt (or "" for file dialogs) means Cancel.
    std::deque<std::string> m_openAnswers;
    std::deque<std::string> m_saveAnswers;
    std::deque<std::string> m_folderAnswers;
    std::deque<std::optional<Pair>> m_passwordAnswers;  // (first entry, second entry)
    std::deque<std::optional<Pair>> m_sealedAnswers;    // the sealed dialog's (first, second)
    std::deque<bool> m_foundAnswers;
    std::deque<std::optional<Pair>> m_composeAnswers;         // (text, subject)
    std::deque<std::vector<std::string>> m_openFilesAnswers;  // empty: Cancel
    std::deque<std::optional<C_AcrossChoice>> m_acrossAnswers;
    // Each progress window in turn: the step after which the user cancels; none left, or 0, lets
    // the work finish.
    std::deque<size_t> m_cancelAfter;
    // The shell's questions; none left means No and Discard, so a test may close changed
    // pictures without scripting each question.
    std::deque<bool> m_yesNoAnswers;
    std::deque<E_SaveChoice> m_saveChoices;

    // What was shown.
    std::vector<C_FileDialogArgs> m_openArgs;
    std::vector<C_FileDialogArgs> m_saveArgs;
    std::vector<std::pair<std::string, std::string>> m_folderShownWith;  // (title, start)
    std::vector<Pair> m_passwordShownWith;                               // the entries each showing opened with
    std::vector<std::pair<Pair, bool>> m_sealedShownWith;                // the entries, and whether it asked twice
    std::vector<Pair> m_composeShownWith;
    std::vector<std::string> m_messages;
    std::vector<std::string> m_questions;  // every Yes/No and save-changes text, in order
    std::vector<std::pair<std::string, uint32_t>> m_hidden;
    std::vector<std::string> m_hiddenHow;  // what each success dialog said below its fields
    std::vector<std::pair<std::string, uint32_t>> m_found;
    std::vector<C_CarrierInfo> m_properties;
    std::vector<C_FileDialogArgs> m_openFilesArgs;
    std::vector<C_AcrossChoice> m_acrossShownWith;
    std::vector<std::string> m_acrossWeighed;  // the line each across dialog showed as it opened
    std::vector<std::string> m_steps;          // each progress window's text
    struct S_DetectionShown {
        S_DetectionResult result;
        uint32_t nRecommended = 0;
        uint32_t nCapacity = 0;
    };
    std::vector<S_DetectionShown> m_detections;
    int m_nAbout = 0;
    int m_nBusySteps = 0;  // long steps begun
    int m_nBusy = 0;       // long steps not yet ended
    // Called as each message or question shows, to look at the windows around it.
    std::function<void()> m_fnOnBox;

    // What went against the script, in order; empty when all went as scripted.
    std::vector<std::string> m_faults;

    std::string ChooseOpenFile(const C_FileDialogArgs& args) override;
    std::string ChooseSaveFile(const C_FileDialogArgs& args) override;
    std::string ChooseFolder(const std::string& strTitle, const std::string& strStart) override;
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
    void SetBusy(bool bBusy) override;
    std::vector<std::string> ChooseOpenFiles(const C_FileDialogArgs& args) override;
    bool ShowHideAcross(C_AcrossChoice& choice, const C_AcrossChoice::T_Weigh& fnWeigh) override;
    bool RunSteps(const std::string& strText, size_t nSteps, const std::function<void(const T_Step&)>& fnWork) override;

    // Every scripted answer of the commands' prompts was used.
    bool AllUsed() const;
    // Shorthand: the pass phrase typed the same way twice.
    void Password(const std::string& str) { m_passwordAnswers.push_back(Pair{str, str}); }
    void Sealed(const std::string& str) { m_sealedAnswers.push_back(Pair{str, str}); }
    // The faults, one a line, for a failure message.
    std::string Faults() const;

private:
    // A dialog is showing: records a fault when a long step is under way.
    void Showing();
    template <typename Q> bool Take(Q& queue, typename Q::value_type& value, const char* pszWhat);
};
