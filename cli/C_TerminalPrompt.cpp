#include "cli/C_TerminalPrompt.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// What a signal handler needs to give the terminal its echo back before the program dies.
volatile sig_atomic_t g_nEchoOffFd = -1;
struct termios g_savedModes { };

constexpr std::array<int, 4> kFatalSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RestoreAndReraise(int nSignal)
{
    if (g_nEchoOffFd >= 0)
        tcsetattr(g_nEchoOffFd, TCSANOW, &g_savedModes);  // async-signal-safe
    std::signal(nSignal, SIG_DFL);
    std::raise(nSignal);
}

// Echo off for one read; everything restored on every path out.
class C_EchoOff {
public:
    explicit C_EchoOff(int nFd)
    {
        if (tcgetattr(nFd, &g_savedModes) != 0)
            return;
        struct sigaction action { };
        action.sa_handler = RestoreAndReraise;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < kFatalSignals.size(); ++i)
            sigaction(kFatalSignals[i], &action, &m_aOld[i]);
        g_nEchoOffFd = nFd;
        struct termios modes = g_savedModes;
        modes.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK);
        modes.c_lflag |= ECHONL;  // the Enter key still moves to the next line
        m_bActive = tcsetattr(nFd, TCSAFLUSH, &modes) == 0;
        if (!m_bActive)
            Restore();
    }
    ~C_EchoOff() { Restore(); }
    C_EchoOff(const C_EchoOff&) = delete;
    C_EchoOff& operator=(const C_EchoOff&) = delete;

private:
    void Restore()
    {
        if (g_nEchoOffFd < 0)
            return;
        tcsetattr(g_nEchoOffFd, TCSAFLUSH, &g_savedModes);
        g_nEchoOffFd = -1;
        for (size_t i = 0; i < kFatalSignals.size(); ++i)
            sigaction(kFatalSignals[i], &m_aOld[i], nullptr);
    }

    bool m_bActive = false;
    std::array<struct sigaction, kFatalSignals.size()> m_aOld{};
};

}  // namespace

C_TerminalPrompt::C_TerminalPrompt()
    : m_nFd(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC))
{ }

C_TerminalPrompt::~C_TerminalPrompt()
{
    if (m_nFd >= 0)
        ::close(m_nFd);
}

void C_TerminalPrompt::WriteAll(std::string_view strText) const
{
    while (!strText.empty()) {
        const ssize_t n = ::write(m_nFd, strText.data(), strText.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        strText.remove_prefix(static_cast<size_t>(n));
    }
}

void C_TerminalPrompt::Say(std::string_view strLine) const
{
    if (m_nFd < 0)
        return;
    WriteAll(strLine);
    WriteAll("\n");
}

bool C_TerminalPrompt::ReadHidden(std::string_view strPrompt, std::string& strLine) const
{
    strLine.clear();
    if (m_nFd < 0)
        return false;
    // A line longer than this is no pass phrase; the rest is read and dropped.
    constexpr size_t kMaxLine = 4096;
    C_EchoOff echoOff(m_nFd);
    WriteAll(strPrompt);
    for (;;) {
        char c;
        const ssize_t n = ::read(m_nFd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        if (c == '\n')
            break;
        if (strLine.size() < kMaxLine)
            strLine += c;
    }
    if (!strLine.empty() && strLine.back() == '\r')
        strLine.pop_back();
    return true;
}
