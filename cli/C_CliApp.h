#pragma once
// veilmark-cli as a function: builds the command line, runs the one sub-command named, and
// turns every outcome into one of the documented exit codes (0 done, 1 nothing found or
// different, 2 bad usage or refused, 3 a picture or file could not be read or written, 4 a
// sealed record changed or damaged).
// main calls it with the process's arguments; tests and the fuzzer call it in-process.

#include "cli/C_CliContext.h"

#include <istream>
#include <ostream>
#include <string>
#include <vector>

class C_CliApp {
public:
    // False: never open the terminal to ask a pass phrase (as if the process had none).
    void SetTerminalAllowed(bool bAllowed) { m_bTerminal = bAllowed; }
    // Where "-" as a payload or text file reads from; standard input unless set.
    void SetInput(std::istream& in) { m_pIn = &in; }

    // args: the arguments after the program name. Returns the exit status; never throws.
    int Run(const std::vector<std::string>& args, const T_Environment& env, std::ostream& out, std::ostream& err) const;

    // "veilmark-cli 1.0": the version line of --version.
    static std::string VersionLine();

private:
    // Run without the final check of standard output.
    int RunCommand(
        const std::vector<std::string>& args, const T_Environment& env, std::ostream& out, std::ostream& err) const;

    bool m_bTerminal = true;
    std::istream* m_pIn = nullptr;  // null: std::cin
};
