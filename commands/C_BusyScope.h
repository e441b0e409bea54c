#pragma once
// Marks a long step of a command as busy for as long as it lasts, even when it throws.

#include "commands/C_Prompts.h"

class C_BusyScope {
public:
    explicit C_BusyScope(C_Prompts& prompts)
        : m_prompts(prompts)
    {
        m_prompts.SetBusy(true);
    }
    ~C_BusyScope() { m_prompts.SetBusy(false); }
    C_BusyScope(const C_BusyScope&) = delete;
    C_BusyScope& operator=(const C_BusyScope&) = delete;

private:
    C_Prompts& m_prompts;
};
