#pragma once
// A command's failure as the CLI reports it: the exit code and the text for stderr. Commands
// throw it; main prints the text and exits with the code.

#include <stdexcept>
#include <string>

// The documented exit codes, all below CLI11's own (100 and up), which main maps to Refused, but
// for the shell's own code of a run that SIGINT ended.
enum class E_ExitCode : int {
    Done = 0,           // the command did what was asked
    NotFound = 1,       // reveal found no record; compare found the pictures different; analyze read
                        // "Hidden data likely"
    Refused = 2,        // bad usage or refused input; nothing has been written
    Failed = 3,         // a picture or file could not be read or written
    Damaged = 4,        // reveal found a sealed record that was changed or damaged; nothing written
    Interrupted = 130,  // analyze stopped by Ctrl+C, after printing what it had done (128 + SIGINT)
};

class C_CliError : public std::runtime_error {
public:
    // strMessage: one or more lines without a final line break; may be empty (nothing printed).
    C_CliError(E_ExitCode eCode, const std::string& strMessage);

    E_ExitCode GetCode() const { return m_eCode; }

private:
    E_ExitCode m_eCode;
};
