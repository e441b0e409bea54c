#include "cli/C_CliContext.h"

C_CliContext::C_CliContext(
    std::istream& in, std::ostream& out, std::ostream& err, const T_Environment& env, bool bTerminal, bool bAllowLarge)
    : m_in(in)
    , m_out(out)
    , m_err(err)
    , m_env(env)
    , m_bTerminal(bTerminal)
    , m_bAllowLarge(bAllowLarge)
{ }

std::optional<std::string> C_CliContext::GetEnv(const std::string& strName) const
{
    const auto it = m_env.find(strName);
    if (it == m_env.end())
        return std::nullopt;
    return it->second;
}
