#include "C_ScriptedPrompts.h"

void C_ScriptedPrompts::Showing()
{
    if (m_nBusy != 0)
        m_faults.push_back("a dialog shown during a long step");
}

template <typename Q> bool C_ScriptedPrompts::Take(Q& queue, typename Q::value_type& value, const char* pszWhat)
{
    if (queue.empty()) {
        m_faults.push_back(std::string("unexpected ") + pszWhat);
        return false;
    }
    value = std::move(queue.front());
    queue.pop_front();
    return true;
}

std::string C_ScriptedPrompts::ChooseOpenFile(const C_FileDialogArgs& args)
{
    Showing();
    m_openArgs.push_back(args);
    std::string str;
    return Take(m_openAnswers, str, "open-file dialog") ? str : std::string();
}

std::string C_ScriptedPrompts::ChooseSaveFile(const C_FileDialogArgs& args)
{
    Showing();
    m_saveArgs.push_back(args);
    std::string str;
    return Take(m_saveAnswers, str, "save-file dialog") ? str : std::string();
}

std::string C_ScriptedPrompts::ChooseFolder(const std::string& strTitle, const std::string& strStart)
{
    Showing();
    m_folderShownWith.emplace_back(strTitle, strStart);
    std::string str;
    return Take(m_folderAnswers, str, "folder dialog") ? str : std::string();
}

bool C_ScriptedPrompts::ShowPasswordDialog(std::string& strFirst, std::string& strSecond)
{
    Showing();
    m_passwordShownWith.emplace_back(strFirst, strSecond);
    std::optional<Pair> answer;
    if (!Take(m_passwordAnswers, answer, "pass phrase dialog") || !answer)
        return false;
    strFirst = answer->first;
    strSecond = answer->second;
    return true;
}

bool C_ScriptedPrompts::ShowSealedPassphraseDialog(std::string& strFirst, std::string& strSecond, bool bTwice)
{
    Showing();
    m_sealedShownWith.emplace_back(Pair{strFirst, strSecond}, bTwice);
    std::optional<Pair> answer;
    if (!Take(m_sealedAnswers, answer, "sealed pass phrase dialog") || !answer)
        return false;
    strFirst = answer->first;
    if (bTwice)
        strSecond = answer->second;
    return true;
}

void C_ScriptedPrompts::ShowMessage(const std::string& strText)
{
    Showing();
    if (m_fnOnBox)
        m_fnOnBox();
    m_messages.push_back(strText);
}

bool C_ScriptedPrompts::AskYesNo(const std::string& strText)
{
    Showing();
    if (m_fnOnBox)
        m_fnOnBox();
    m_questions.push_back(strText);
    if (m_yesNoAnswers.empty())
        return false;
    const bool bYes = m_yesNoAnswers.front();
    m_yesNoAnswers.pop_front();
    return bYes;
}

C_Prompts::E_SaveChoice C_ScriptedPrompts::AskSaveChanges(const std::string& strText)
{
    Showing();
    if (m_fnOnBox)
        m_fnOnBox();
    m_questions.push_back(strText);
    if (m_saveChoices.empty())
        return E_SaveChoice::Discard;
    const E_SaveChoice eChoice = m_saveChoices.front();
    m_saveChoices.pop_front();
    return eChoice;
}

void C_ScriptedPrompts::ShowHidden(const std::string& strName, uint32_t nSize, const std::string& strHow)
{
    Showing();
    m_hidden.emplace_back(strName, nSize);
    m_hiddenHow.push_back(strHow);
}

bool C_ScriptedPrompts::ShowFound(const std::string& strName, uint32_t nSize)
{
    Showing();
    m_found.emplace_back(strName, nSize);
    bool bSave = false;
    return Take(m_foundAnswers, bSave, "found dialog") && bSave;
}

bool C_ScriptedPrompts::ShowCompose(std::string& strText, std::string& strSubject)
{
    Showing();
    m_composeShownWith.emplace_back(strText, strSubject);
    std::optional<Pair> answer;
    if (!Take(m_composeAnswers, answer, "compose dialog") || !answer)
        return false;
    strText = answer->first;
    strSubject = answer->second;
    return true;
}

void C_ScriptedPrompts::ShowProperties(const C_CarrierInfo& info)
{
    Showing();
    m_properties.push_back(info);
}

void C_ScriptedPrompts::ShowDetectionCheck(const S_DetectionResult& result, uint32_t nRecommended, uint32_t nCapacity)
{
    Showing();
    m_detections.push_back({result, nRecommended, nCapacity});
}

void C_ScriptedPrompts::ShowAbout()
{
    Showing();
    ++m_nAbout;
}

bool C_ScriptedPrompts::AllUsed() const
{
    return m_openAnswers.empty() && m_saveAnswers.empty() && m_folderAnswers.empty() && m_passwordAnswers.empty()
        && m_sealedAnswers.empty() && m_foundAnswers.empty() && m_composeAnswers.empty() && m_openFilesAnswers.empty()
        && m_acrossAnswers.empty();
}

void C_ScriptedPrompts::SetBusy(bool bBusy)
{
    if (bBusy)
        ++m_nBusySteps;
    m_nBusy += bBusy ? 1 : -1;
    if (m_nBusy < 0)
        m_faults.push_back("a long step ended twice");
}

std::string C_ScriptedPrompts::Faults() const
{
    std::string str;
    for (const std::string& strFault : m_faults)
        str += strFault + "\n";
    return str;
}

std::vector<std::string> C_ScriptedPrompts::ChooseOpenFiles(const C_FileDialogArgs& args)
{
    Showing();
    m_openFilesArgs.push_back(args);
    std::vector<std::string> files;
    return Take(m_openFilesAnswers, files, "open-files dialog") ? files : std::vector<std::string>();
}

bool C_ScriptedPrompts::ShowHideAcross(C_AcrossChoice& choice, const C_AcrossChoice::T_Weigh& fnWeigh)
{
    Showing();
    m_acrossShownWith.push_back(choice);
    // The line the real dialog would show as it opens.
    m_acrossWeighed.push_back(fnWeigh ? fnWeigh(choice.m_pictures, choice.m_nNeeded, choice.m_strFile) : "");
    std::optional<C_AcrossChoice> answer;
    if (!Take(m_acrossAnswers, answer, "across dialog") || !answer)
        return false;
    choice = *answer;
    return true;
}

bool C_ScriptedPrompts::RunSteps(
    const std::string& strText, size_t nSteps, const std::function<void(const T_Step&)>& fnWork)
{
    Showing();
    m_steps.push_back(strText);
    size_t nCancelAfter = 0;
    if (!m_cancelAfter.empty()) {
        nCancelAfter = m_cancelAfter.front();
        m_cancelAfter.pop_front();
    }
    bool bCancelled = false;
    size_t nLast = 0;
    fnWork([&](size_t nDone) {
        if (nDone <= nLast || nDone > nSteps)
            m_faults.push_back(
                "a progress step out of order: " + std::to_string(nDone) + " of " + std::to_string(nSteps));
        nLast = nDone;
        if (nCancelAfter != 0 && nDone >= nCancelAfter)
            bCancelled = true;
        return !bCancelled;
    });
    return !bCancelled;
}
