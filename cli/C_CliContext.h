#pragma once
// What a command may use of the world outside its arguments: the two output streams, the
// environment, and whether it may ask on the terminal. main gives the process's own; tests and
// the fuzzer give strings and a closed terminal, so a run never blocks on a prompt.

#include <istream>
#include <map>
#include <optional>
#include <ostream>
#include <string>

using T_Environment = std::map<std::string, std::string>;

class C_CliContext {
public:
    C_CliContext(std::istream& in, std::ostream& out, std::ostream& err, const T_Environment& env, bool bTerminal,
        bool bAllowLarge = false);

    // Standard input, for a payload or text given as "-".
    std::istream& In() const { return m_in; }
    std::ostream& Out() const { return m_out; }
    std::ostream& Err() const { return m_err; }
    // The variable's value; nullopt when it is not set (set but empty is a value).
    std::optional<std::string> GetEnv(const std::string& strName) const;
    // False: a pass phrase must come from a file or the environment.
    bool MayUseTerminal() const { return m_bTerminal; }
    // --allow-large: open pictures that decode to far more than their file holds.
    bool AllowLarge() const { return m_bAllowLarge; }

private:
    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_err;
    const T_Environment& m_env;
    bool m_bTerminal;
    bool m_bAllowLarge;
};
