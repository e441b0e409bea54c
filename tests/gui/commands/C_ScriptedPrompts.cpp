#include "C_ScriptedPrompts.h"

#include <gtest/gtest.h>

namespace {

template <typename Q>
bool Take(Q& queue, typename Q::value_type& value, const char* pszWhat)
{
    if (queue.empty()) {
        ADD_FAILURE() << "unexpected " << pszWhat;
        return false;
    }
    value = std::move(queue.front());
    queue.pop_front();
    return true;
}

}  // namespace

std::string C_ScriptedPrompts::ChooseOpenFile(const C_FileDialogArgs& args)
{
    EXPECT_EQ(m_nBusy, 0) << "a dialog shown during a long step";
    m_openArgs.push_back(args);
    std::string str;
    return Take(m_openAnswers, str, "open-file dialog") ? str : std::string();
}

std::string C_ScriptedPrompts::ChooseSaveFile(const C_FileDialogArgs& args)
{
    EXPECT_EQ(m_nBusy, 0) << "a dialog shown during a long step";
    m_saveArgs.push_back(args);
    std::string str;
    return Take(m_saveAnswers, str, "save-file dialog") ? str : std::string();
}

bool C_ScriptedPrompts::ShowPasswordDialog(std::string& strFirst, std::string& strSecond)
{
    EXPECT_EQ(m_nBusy, 0) << "a dialog shown during a long step";
    m_passwordShownWith.emplace_back(strFirst, strSecond);
    std::optional<Pair> answer;
    if (!Take(m_passwordAnswers, answer, "pass phrase dialog") || !answer)
        return false;
    strFirst = answer->first;
    strSecond = answer->second;
    return true;
}

void C_ScriptedPrompts::ShowMessage(const std::string& strText)
{
    EXPECT_EQ(m_nBusy, 0) << "a dialog shown during a long step";
    m_messages.push_back(strText);
}

void C_ScriptedPrompts::ShowHidden(const std::string& strName, uint32_t nSize)
{
    EXPECT_EQ(m_nBusy, 0) << "a dialog shown during a long step";
    m_hidden.emplace_back(strName, nSize);
}

bool C_ScriptedPrompts::ShowFound(const std::string& strName, uint32_t nSize)
{
    EXPECT_EQ(m_nBusy, 0) << "a dialog shown during a long step";
    m_found.emplace_back(strName, nSize);
    bool bSave = false;
    return Take(m_foundAnswers, bSave, "found dialog") && bSave;
}

bool C_ScriptedPrompts::ShowCompose(std::string& strText, std::string& strSubject)
{
    EXPECT_EQ(m_nBusy, 0) << "a dialog shown during a long step";
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
    EXPECT_EQ(m_nBusy, 0) << "a dialog shown during a long step";
    m_properties.push_back(info);
}

void C_ScriptedPrompts::ShowAbout()
{
    EXPECT_EQ(m_nBusy, 0) << "a dialog shown during a long step";
    ++m_nAbout;
}

bool C_ScriptedPrompts::AllUsed() const
{
    return m_openAnswers.empty() && m_saveAnswers.empty() && m_passwordAnswers.empty() && m_foundAnswers.empty()
           && m_composeAnswers.empty();
}

void C_ScriptedPrompts::SetBusy(bool bBusy)
{
    if (bBusy)
        ++m_nBusySteps;
    m_nBusy += bBusy ? 1 : -1;
    EXPECT_GE(m_nBusy, 0) << "a long step ended twice";
}
