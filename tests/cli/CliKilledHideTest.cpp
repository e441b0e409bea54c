// A hide killed while it writes its picture: OUTPUT keeps its old bytes and no temporary file is
// left beside it, because the new picture has no name until it is complete and checked.

#include "tests/cli/C_CliTest.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using CliKilledHide = C_CliTest;

// Bytes the process has handed to write(2) so far, or -1 without /proc/<pid>/io.
long long WrittenBy(pid_t nPid)
{
    std::ifstream in("/proc/" + std::to_string(nPid) + "/io");
    std::string strKey;
    long long nValue = 0;
    while (in >> strKey >> nValue)
        if (strKey == "wchar:")
            return nValue;
    return -1;
}

// Starts the hide and kills it once 4 MiB of the picture are written. False when it ended first.
bool KillDuringHide(const std::string& strCover, const std::string& strPayload, const std::string& strOutput)
{
    const pid_t nPid = ::fork();
    if (nPid == 0) {
        ::setenv("VEILMARK_PASSPHRASE", "killed", 1);
        ::execl(VEILMARK_CLI_PATH, VEILMARK_CLI_PATH, "hide", strCover.c_str(), strPayload.c_str(), "-o",
            strOutput.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int nStatus = 0;
    for (;;) {
        if (::waitpid(nPid, &nStatus, WNOHANG) == nPid)
            return false;
        if (WrittenBy(nPid) >= (4 << 20))
            break;
    }
    ::kill(nPid, SIGKILL);
    ::waitpid(nPid, &nStatus, 0);
    return WIFSIGNALED(nStatus) && WTERMSIG(nStatus) == SIGKILL;
}

TEST_F(CliKilledHide, KeepsTheOldOutputAndLeavesNoTemporary)
{
    if (WrittenBy(::getpid()) < 0)
        GTEST_SKIP() << "/proc/<pid>/io is not available, so the write cannot be timed";
    const std::string strCover = Picture(E_TestPicture::Bmp24, "cover", 4000, 3000);
    const std::string strPayload = File("payload.bin", C_TestBytes::Random(100000, 5));
    const T_Bytes old = C_TestBytes::Random(1000, 9);
    const std::string strOutput = File("out.bmp", old);
    const std::vector<std::string> before = Files();

    bool bKilled = false;
    for (int nAttempt = 0; nAttempt < 5 && !bKilled; ++nAttempt) {
        bKilled = KillDuringHide(strCover, strPayload, strOutput);
        if (!bKilled)
            C_TestBytes::Write(strOutput, old);  // it finished: put the old file back
    }
    if (!bKilled)
        GTEST_SKIP() << "the hide always finished before it could be killed";
    EXPECT_EQ(C_TestBytes::Read(strOutput), old);
    EXPECT_EQ(Files(), before);

    // The next hide replaces OUTPUT and leaves nothing else either.
    m_cli.SetPassphrase("killed");
    EXPECT_EQ(m_cli.Run({"hide", strCover, strPayload, "-o", strOutput}).nStatus, 0);
    EXPECT_NE(C_TestBytes::Read(strOutput), old);
    EXPECT_EQ(Files(), before);
}

}  // namespace
