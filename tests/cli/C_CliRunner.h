#pragma once
// Runs the veilmark-cli binary as a script would: arguments, environment, stdin, and what it
// prints and returns. Every run starts a new session, so the binary has no controlling terminal
// unless RunOnTerminal gives it a pseudo-terminal.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct S_RunResult {
    int nStatus = -1;    // exit status; 128 + signal number when a signal ended it
    std::string strOut;  // stdout (on a terminal: everything the terminal showed)
    std::string strErr;  // stderr (empty on a terminal)
    long nPeakKiB = 0;   // the binary's peak resident memory (Run only)
};

class C_CliRunner {
public:
    C_CliRunner();

    // A variable for the binary's environment; nullopt removes it. VEILMARK_PASSPHRASE is
    // removed unless set here.
    void SetEnv(const std::string& strName, std::optional<std::string> value);
    void SetPassphrase(const std::string& strPassphrase) { SetEnv("VEILMARK_PASSPHRASE", strPassphrase); }
    // What the next runs read on standard input, through a pipe; nullopt gives /dev/null.
    void SetStdin(std::optional<std::string> input) { m_stdin = std::move(input); }
    // The address space the next runs may take (RLIMIT_AS); nullopt for no limit.
    void SetAddressSpaceLimit(std::optional<uint64_t> nBytes) { m_nAddressSpace = nBytes; }

    // nStatus is -1 when the binary has not ended within a minute (it is killed then).
    S_RunResult Run(const std::vector<std::string>& args) const;
    // Runs on a pseudo-terminal: for each step, waits until the terminal shows the first text
    // (after what earlier steps matched), then types the second. nStatus is -1 when a text
    // does not appear within ten seconds.
    S_RunResult RunOnTerminal(
        const std::vector<std::string>& args, const std::vector<std::pair<std::string, std::string>>& script) const;

private:
    std::vector<std::string> Environment() const;
    [[noreturn]] void Exec(const std::vector<std::string>& args) const;

    std::map<std::string, std::optional<std::string>> m_env;
    std::optional<std::string> m_stdin;
    std::optional<uint64_t> m_nAddressSpace;
};
