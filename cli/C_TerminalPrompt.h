#pragma once
// The controlling terminal, for asking a pass phrase without echo. It talks to /dev/tty rather
// than stdin and stdout, so the pass phrase can be typed while the output is redirected.

#include <string>
#include <string_view>

class C_TerminalPrompt {
public:
    C_TerminalPrompt();  // opens the controlling terminal, if the process has one
    ~C_TerminalPrompt();
    C_TerminalPrompt(const C_TerminalPrompt&) = delete;
    C_TerminalPrompt& operator=(const C_TerminalPrompt&) = delete;

    bool IsOpen() const { return m_nFd >= 0; }
    // Writes one line to the terminal.
    void Say(std::string_view strLine) const;
    // Shows strPrompt, reads one line with echo off and restores the terminal, also when a
    // signal ends the program meanwhile. False at end of input (Ctrl+D) or on a read error.
    bool ReadHidden(std::string_view strPrompt, std::string& strLine) const;

private:
    void WriteAll(std::string_view strText) const;

    int m_nFd = -1;  // /dev/tty, owned
};
