#pragma once
// Where a command's pass phrase comes from, in this order: the --passphrase-file, the
// environment variable VEILMARK_PASSPHRASE, the terminal (without echo). The plain record's rules
// are the application's (C_TextRules): at most 15 characters as the user sees them; a sealed
// record's (C_SealedRecord) allow up to 1,024 bytes. Either way UTF-8 without NUL, and the empty
// pass phrase is valid.

#include "cli/C_CliContext.h"

#include <cstddef>
#include <string>

namespace CLI {
class App;
class Option;
}  // namespace CLI

class C_PassphraseSource {
public:
    static constexpr const char* kEnvironmentVariable = "VEILMARK_PASSPHRASE";

    // Which record the pass phrase is for: reveal looks for both kinds, so it takes whatever
    // either accepts.
    enum class E_Rules { Plain, Sealed, Either };

    // Adds --passphrase-file to the sub-command.
    void AddOption(CLI::App& command);

    // bConfirm: a terminal asks twice and again after "Passwords Didn't Match!" (hide, compose).
    // Throws C_CliError: Refused for a pass phrase too long or none to be had, Failed for a
    // file that cannot be read.
    std::string Get(const C_CliContext& context, bool bConfirm, E_Rules eRules = E_Rules::Plain) const;

    // With --seal: a warning on standard error when the pass phrase is empty or weak
    // (C_StrengthEstimate); the command goes on.
    static void WarnIfWeak(const C_CliContext& context, const std::string& strPassphrase);
    // Whether strPath reads standard input: "-", or a name of the file or pipe open as
    // descriptor 0 (/dev/stdin, /dev/fd/0, ...).
    static bool IsStandardInput(const std::string& strPath);
    // Whether --passphrase-file was given and reads standard input.
    bool ReadsStandardInput() const;

private:
    // Throws Refused when FILE is a pipe or device that gives nothing: it was read to its end.
    std::string ReadFile(const C_CliContext& context) const;
    [[noreturn]] void FailReading(int nErrno) const;
    static std::string AskTerminal(const C_CliContext& context, bool bConfirm, E_Rules eRules);
    static void Check(const std::string& strPassphrase, const std::string& strSource, E_Rules eRules);

    std::string m_strFile;                 // --passphrase-file
    CLI::Option* m_pFileOption = nullptr;  // owned by the sub-command; tells whether it was given
};
