#include "cli/C_CliContext.h"

C_CliContext::C_CliContext(std::ostream& out, std::ostream& err, const T_Environment& env, bool bTerminal)
    : m_out(out)
    , m_err(err)
    , m_env(env)
    , m_bTerminal(bTerminal)
{
}

std::optional<std::string> C_CliContext::GetEnv(const std::string& strName) const
{
    const auto it = m_env.find(strName);
    if (it == m_env.end())
        return std::nullopt;
    return it->second;
}
