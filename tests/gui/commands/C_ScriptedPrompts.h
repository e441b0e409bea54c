#pragma once
// Prompts that answer from a script and record what the command showed. A prompt with no
// answer left fails the test and cancels, so a command that asks more than expected is caught.

#include "commands/C_Prompts.h"
#include "model/C_CarrierInfo.h"

#include <deque>
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
    std::deque<std::optional<Pair>> m_passwordAnswers;  // (first entry, second entry)
    std::deque<bool> m_foundAnswers;
    std::deque<std::optional<Pair>> m_composeAnswers;    // (text, subject)

    // What was shown.
    std::vector<C_FileDialogArgs> m_openArgs;
    std::vector<C_FileDialogArgs> m_saveArgs;
    std::vector<Pair> m_passwordShownWith;  // the entries each showing opened with
    std::vector<Pair> m_composeShownWith;
    std::vector<std::string> m_messages;
    std::vector<std::pair<std::string, uint32_t>> m_hidden;
    std::vector<std::pair<std::string, uint32_t>> m_found;
    std::vector<C_CarrierInfo> m_properties;
    int m_nAbout = 0;
    int m_nBusySteps = 0;  // long steps begun
    int m_nBusy = 0;       // long steps not yet ended; a dialog shown while above 0 fails the test

    std::string ChooseOpenFile(const C_FileDialogArgs& args) override;
    std::string ChooseSaveFile(const C_FileDialogArgs& args) override;
    bool ShowPasswordDialog(std::string& strFirst, std::string& strSecond) override;
    void ShowMessage(const std::string& strText) override;
    void ShowHidden(const std::string& strName, uint32_t nSize) override;
    bool ShowFound(const std::string& strName, uint32_t nSize) override;
    bool ShowCompose(std::string& strText, std::string& strSubject) override;
    void ShowProperties(const C_CarrierInfo& info) override;
    void ShowAbout() override;
    void SetBusy(bool bBusy) override;

    // Every scripted answer was used.
    bool AllUsed() const;
    // Shorthand: the pass phrase typed the same way twice.
    void Password(const std::string& str) { m_passwordAnswers.push_back(Pair{str, str}); }
};
