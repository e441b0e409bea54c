#include "tests/cli/C_CliRunner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// *pPeakKiB (when given): the child's peak resident memory.
int StatusOf(pid_t pid, long* pPeakKiB = nullptr)
{
    int nStatus = 0;
    rusage usage{};
    while (wait4(pid, &nStatus, 0, &usage) < 0 && errno == EINTR) { }
    if (pPeakKiB)
        *pPeakKiB = usage.ru_maxrss;
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
}

// Appends what fd has to strInto; false at its end.
bool Drain(int fd, std::string& strInto)
{
    char aBuffer[4096];
    const ssize_t n = read(fd, aBuffer, sizeof aBuffer);
    if (n < 0 && errno == EINTR)
        return true;
    if (n <= 0)
        return false;  // EOF, or EIO once a pseudo-terminal's other side has closed
    strInto.append(aBuffer, static_cast<size_t>(n));
    return true;
}

}  // namespace

C_CliRunner::C_CliRunner()
{
    m_env["VEILMARK_PASSPHRASE"] = std::nullopt;
}

void C_CliRunner::SetEnv(const std::string& strName, std::optional<std::string> value)
{
    m_env[strName] = std::move(value);
}

std::vector<std::string> C_CliRunner::Environment() const
{
    std::vector<std::string> env;
    for (char** p = environ; *p != nullptr; ++p) {
        const std::string strEntry = *p;
        if (!m_env.contains(strEntry.substr(0, strEntry.find('='))))
            env.push_back(strEntry);
    }
    for (const auto& [strName, value] : m_env)
        if (value)
            env.push_back(strName + "=" + *value);
    return env;
}

void C_CliRunner::Exec(const std::vector<std::string>& args) const
{
    std::vector<std::string> env = Environment();
    std::vector<std::string> argv = args;
    argv.insert(argv.begin(), VEILMARK_CLI_PATH);
    std::vector<char*> aArgv;
    for (auto& s : argv)
        aArgv.push_back(s.data());
    aArgv.push_back(nullptr);
    std::vector<char*> aEnv;
    for (auto& s : env)
        aEnv.push_back(s.data());
    aEnv.push_back(nullptr);
    if (m_nAddressSpace) {
        const rlimit limit{*m_nAddressSpace, *m_nAddressSpace};
        setrlimit(RLIMIT_AS, &limit);
    }
    execve(VEILMARK_CLI_PATH, aArgv.data(), aEnv.data());
    _exit(127);
}

S_RunResult C_CliRunner::Run(const std::vector<std::string>& args) const
{
    int aOut[2];
    int aErr[2];
    int aIn[2];
    if (pipe(aOut) != 0 || pipe(aErr) != 0 || pipe(aIn) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();  // no controlling terminal: the binary cannot ask for a pass phrase
        dup2(aOut[1], 1);
        dup2(aErr[1], 2);
        dup2(m_stdin ? aIn[0] : open("/dev/null", O_RDONLY), 0);
        close(aOut[0]);
        close(aErr[0]);
        close(aIn[1]);
        Exec(args);
    }
    close(aOut[1]);
    close(aErr[1]);
    close(aIn[0]);
    // Fed from its own thread, so a binary that stops reading cannot block this one.
    std::thread feeder([nFd = aIn[1], input = m_stdin.value_or(std::string())] {
        signal(SIGPIPE, SIG_IGN);
        for (size_t nDone = 0; nDone < input.size();) {
            const ssize_t n = write(nFd, input.data() + nDone, input.size() - nDone);
            if (n <= 0 && errno != EINTR)
                break;
            nDone += n > 0 ? static_cast<size_t>(n) : 0;
        }
        close(nFd);
    });
    struct S_Join {
        std::thread& t;
        ~S_Join() { t.join(); }
    } join{feeder};
    S_RunResult result;
    pollfd aFds[2] = {{aOut[0], POLLIN, 0}, {aErr[0], POLLIN, 0}};
    int nOpen = 2;
    // A run that hangs is a failure of its own, not a test that never ends.
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (nOpen > 0) {
        if (std::chrono::steady_clock::now() > tEnd) {
            kill(pid, SIGKILL);
            for (pollfd& fd : aFds)
                if (fd.fd >= 0)
                    close(fd.fd);
            StatusOf(pid);
            result.nStatus = -1;
            return result;
        }
        if (poll(aFds, 2, 100) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (aFds[i].fd >= 0 && aFds[i].revents != 0 && !Drain(aFds[i].fd, i == 0 ? result.strOut : result.strErr)) {
                close(aFds[i].fd);
                aFds[i].fd = -1;
                --nOpen;
            }
        }
    }
    result.nStatus = StatusOf(pid, &result.nPeakKiB);
    return result;
}

S_RunResult C_CliRunner::RunOnTerminal(
    const std::vector<std::string>& args, const std::vector<std::pair<std::string, std::string>>& script) const
{
    int nMaster = -1;
    const pid_t pid = forkpty(&nMaster, nullptr, nullptr, nullptr);
    if (pid < 0)
        return {};
    if (pid == 0)
        Exec(args);

    S_RunResult result;
    size_t nMatchedUpTo = 0;
    bool bOpen = true;
    const auto ReadFor = [&](int nMilliseconds) {
        pollfd fd = {nMaster, POLLIN, 0};
        if (poll(&fd, 1, nMilliseconds) > 0)
            bOpen = Drain(nMaster, result.strOut);
    };
    for (const auto& [strExpect, strType] : script) {
        const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        size_t nAt;
        while ((nAt = result.strOut.find(strExpect, nMatchedUpTo)) == std::string::npos && bOpen
            && std::chrono::steady_clock::now() < tEnd)
            ReadFor(100);
        if (nAt == std::string::npos) {
            kill(pid, SIGKILL);
            StatusOf(pid);
            close(nMaster);
            result.nStatus = -1;
            return result;
        }
        nMatchedUpTo = nAt + strExpect.size();
        if (write(nMaster, strType.data(), strType.size()) < 0)
            break;
    }
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (bOpen && std::chrono::steady_clock::now() < tEnd)
        ReadFor(100);
    if (bOpen)
        kill(pid, SIGKILL);
    result.nStatus = StatusOf(pid);
    close(nMaster);
    return result;
}
