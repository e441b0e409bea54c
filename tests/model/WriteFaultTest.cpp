// Every way a save can fail on the way to the disk, for both writers: the picture save and the
// payload save. After each the old file is byte for byte what it was, no temporary file is left
// beside it, and the caller gets the text that names the file and the reason.
//
// The full disk and the folder without write permission for the payload are in MessageTest.
#include "model/C_Carrier.h"
#include "model/records/C_Message.h"
#include "tests/model/C_ScratchFolder.h"
#include "tests/support/C_TestPictures.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The smooth 24-bit BMP as text, the form in which the old-file checks compare it.
std::string MakeBmp24(uint32_t nWidth, uint32_t nHeight, uint32_t nSeed)
{
    const T_Bytes bytes = C_TestPictures::Bmp24Ramp(nWidth, nHeight, nSeed);
    return {bytes.begin(), bytes.end()};
}

// Characters the process has written so far, as the kernel counts them; -1 when not shown.
long long WrittenBy(pid_t nPid)
{
    std::ifstream in("/proc/" + std::to_string(nPid) + "/io");
    std::string strKey;
    long long nValue = -1;
    while (in >> strKey >> nValue)
        if (strKey == "wchar:")
            return nValue;
    return -1;
}

// One of the two writers the program has, driven the way its callers drive it. Save() returns
// the empty text on success, the text the caller would show otherwise.
struct S_Writer {
    const char* pName;
    const char* pExtension;
    std::function<std::string(const std::string&)> Save;
};

class WriteFault : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = m_scratch.Path();
        ASSERT_FALSE(m_dir.empty());
        C_TestBytes::WriteText(m_dir / "source.bmp", MakeBmp24(120, 80, 1));
        ASSERT_TRUE(m_carrier.OpenImage((m_dir / "source.bmp").string())) << m_carrier.GetLastError();
        std::string strPayload(70000, '\0');
        for (size_t i = 0; i < strPayload.size(); ++i)
            strPayload[i] = static_cast<char>(i * 13 + 5);
        m_message.SetFromText(static_cast<uint32_t>(strPayload.size()), strPayload.data());
        m_writers = {
            {"picture", ".bmp",
                [this](const std::string& strPath) {
                    return m_carrier.SaveImage(strPath) ? std::string() : m_carrier.GetLastError();
                }},
            {"payload", ".bin",
                [this](const std::string& strPath) {
                    try {
                        m_message.SaveToFile(strPath);
                        return std::string();
                    } catch (const C_FileException& e) {
                        return e.GetErrorMessage();
                    }
                }},
        };
    }

    // Old content for a target of the writer's kind: a picture for pictures, bytes otherwise.
    static std::string OldContent(const S_Writer& writer)
    {
        return writer.pExtension == std::string(".bmp") ? MakeBmp24(33, 21, 9) : std::string("old bytes\n\0\xff", 12);
    }

    C_ScratchFolder m_scratch;
    fs::path m_dir;
    C_Carrier m_carrier;
    C_Message m_message;
    std::vector<S_Writer> m_writers;
};

TEST_F(WriteFault, ATargetThatIsAFolderIsRefusedAndKeptEmpty)
{
    for (const S_Writer& writer : m_writers) {
        SCOPED_TRACE(writer.pName);
        const fs::path target = m_dir / (std::string("folder") + writer.pExtension);
        fs::create_directory(target);
        const auto before = C_ScratchFolder::Entries(m_dir);
        const std::string strText = writer.Save(target.string());
        if (writer.pExtension == std::string(".bmp"))
            EXPECT_EQ(strText, target.string() + ": Is a directory");
        else
            EXPECT_EQ(strText, "Access to " + target.string() + " was denied.");
        EXPECT_TRUE(fs::is_directory(target));
        EXPECT_TRUE(fs::is_empty(target));
        EXPECT_EQ(C_ScratchFolder::Entries(m_dir), before);
    }
}

TEST_F(WriteFault, APathThroughAMissingFolderCreatesNothing)
{
    for (const S_Writer& writer : m_writers) {
        SCOPED_TRACE(writer.pName);
        const fs::path target = m_dir / "missing" / (std::string("out") + writer.pExtension);
        const auto before = C_ScratchFolder::Entries(m_dir);
        const std::string strText = writer.Save(target.string());
        if (writer.pExtension == std::string(".bmp"))
            EXPECT_EQ(strText, target.string() + ": No such file or directory");
        else
            EXPECT_EQ(strText, target.string() + " contains an invalid path.");
        EXPECT_FALSE(fs::exists(m_dir / "missing"));
        EXPECT_EQ(C_ScratchFolder::Entries(m_dir), before);
    }
}

TEST_F(WriteFault, AReadOnlyFileSystemKeepsTheOldFile)
{
    const fs::path dir = m_scratch.Mount("tmpfs", nullptr, 0, "size=1m");
    if (dir.empty())
        GTEST_SKIP() << "mounting a small tmpfs is not permitted here";
    for (const S_Writer& writer : m_writers)
        C_TestBytes::WriteText(dir / (std::string("old") + writer.pExtension), OldContent(writer));
    ASSERT_TRUE(m_scratch.RemountReadOnly(false));
    const auto before = C_ScratchFolder::Entries(dir);
    for (const S_Writer& writer : m_writers) {
        SCOPED_TRACE(writer.pName);
        const fs::path target = dir / (std::string("old") + writer.pExtension);
        const std::string strText = writer.Save(target.string());
        if (writer.pExtension == std::string(".bmp"))
            EXPECT_EQ(strText, target.string() + ": Read-only file system");
        else
            EXPECT_EQ(strText, "Access to " + target.string() + " was denied.");
        EXPECT_EQ(C_TestBytes::ReadText(target), OldContent(writer));
        // A new file fails the same way and leaves nothing.
        EXPECT_FALSE(writer.Save((dir / (std::string("new") + writer.pExtension)).string()).empty());
    }
    EXPECT_EQ(C_ScratchFolder::Entries(dir), before);
}

TEST_F(WriteFault, APictureOnAFullDiskKeepsTheOldFile)
{
    const fs::path dir = m_scratch.Mount("tmpfs", nullptr, 0, "size=16k");
    if (dir.empty())
        GTEST_SKIP() << "mounting a small tmpfs is not permitted here";
    const fs::path target = dir / "old.bmp";
    const std::string strOld = MakeBmp24(20, 20, 3);
    C_TestBytes::WriteText(target, strOld);
    ASSERT_EQ(C_TestBytes::ReadText(target), strOld);
    const std::string strText = m_writers[0].Save(target.string());  // 28 KiB into 16 KiB
    EXPECT_EQ(strText, target.string() + ": No space left on device");
    EXPECT_EQ(C_TestBytes::ReadText(target), strOld);
    EXPECT_EQ(C_ScratchFolder::Entries(dir), std::vector<std::string>{"old.bmp"});
    // Once there is room the same save succeeds.
    ASSERT_EQ(::mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT, "size=1m"), 0);
    EXPECT_EQ(m_writers[0].Save(target.string()), "");
    EXPECT_EQ(C_ScratchFolder::Entries(dir), std::vector<std::string>{"old.bmp"});
    C_Carrier reloaded;
    ASSERT_TRUE(reloaded.OpenImage(target.string())) << reloaded.GetLastError();
    EXPECT_EQ(reloaded.CompareImage(m_carrier), 0);
}

TEST_F(WriteFault, APictureInAFolderWithoutWritePermissionKeepsTheOldFile)
{
    fs::path dir = m_dir / "locked";
    fs::create_directory(dir);
    C_TestBytes::WriteText(dir / "old.bmp", MakeBmp24(10, 10, 4));
    if (::geteuid() != 0) {
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    } else {
        // Root writes anywhere, except on a read-only mount: bind the folder read-only.
        dir = m_scratch.Mount(nullptr, dir.c_str(), MS_BIND, nullptr);
        if (dir.empty() || !m_scratch.RemountReadOnly(true))
            GTEST_SKIP() << "running as root, and a read-only bind mount is not permitted here";
    }
    const fs::path target = dir / "old.bmp";
    const std::string strText = m_writers[0].Save(target.string());
    EXPECT_EQ(strText, target.string() + (::geteuid() == 0 ? ": Read-only file system" : ": Permission denied"));
    EXPECT_EQ(C_TestBytes::ReadText(target), MakeBmp24(10, 10, 4));
    EXPECT_EQ(C_ScratchFolder::Entries(dir), std::vector<std::string>{"old.bmp"});
}

// A process killed while it saves cannot clean up after itself: what it was writing must never
// have had a name. A large save is started in a child, which is killed once several megabytes
// have gone out; then the old file is checked, the folder listed, and the same save repeated.
class KilledSave : public WriteFault {
protected:
    // True when the child was killed during its save; false when it finished first.
    static bool KillDuringSave(const std::function<void()>& save)
    {
        int aPipe[2];
        if (::pipe(aPipe) != 0)
            return false;
        const pid_t nPid = ::fork();
        if (nPid == 0) {
            ::close(aPipe[0]);
            char c = 'g';
            [[maybe_unused]] const ssize_t n = ::write(aPipe[1], &c, 1);
            save();
            ::_exit(0);
        }
        ::close(aPipe[1]);
        char c = 0;
        [[maybe_unused]] const ssize_t n = ::read(aPipe[0], &c, 1);
        ::close(aPipe[0]);
        const long long nStart = WrittenBy(nPid);
        int nStatus = 0;
        for (;;) {
            if (::waitpid(nPid, &nStatus, WNOHANG) == nPid)
                return false;
            const long long nNow = WrittenBy(nPid);
            if (nStart >= 0 && nNow >= nStart + (4 << 20))
                break;
        }
        ::kill(nPid, SIGKILL);
        ::waitpid(nPid, &nStatus, 0);
        return WIFSIGNALED(nStatus) && WTERMSIG(nStatus) == SIGKILL;
    }

    void SetUp() override
    {
        WriteFault::SetUp();
        if (WrittenBy(::getpid()) < 0)
            GTEST_SKIP() << "/proc/<pid>/io is not available, so the write cannot be timed";
    }

    void Check(const S_Writer& writer, const std::function<void()>& save, const fs::path& target)
    {
        const std::string strOld = OldContent(writer);
        C_TestBytes::WriteText(target, strOld);
        const auto before = C_ScratchFolder::Entries(m_dir);
        bool bKilled = false;
        for (int nAttempt = 0; nAttempt < 5 && !bKilled; ++nAttempt) {
            bKilled = KillDuringSave(save);
            if (!bKilled)
                C_TestBytes::WriteText(target, strOld);  // it finished: put the old file back and try again
        }
        if (!bKilled)
            GTEST_SKIP() << "the save always finished before it could be killed";
        EXPECT_EQ(C_TestBytes::ReadText(target), strOld);
        EXPECT_EQ(C_ScratchFolder::Entries(m_dir), before);
        // A save after the killed one replaces the file and leaves nothing else either.
        EXPECT_EQ(writer.Save(target.string()), "");
        EXPECT_NE(C_TestBytes::ReadText(target), strOld);
        EXPECT_EQ(C_ScratchFolder::Entries(m_dir), before);
    }
};

TEST_F(KilledSave, ALargePictureKeepsTheOldFileAndLeavesNoTemporary)
{
    C_TestBytes::WriteText(m_dir / "large.bmp", MakeBmp24(4000, 3000, 7));
    ASSERT_TRUE(m_carrier.OpenImage((m_dir / "large.bmp").string())) << m_carrier.GetLastError();
    const fs::path target = m_dir / "old.bmp";
    Check(
        m_writers[0], [&] { m_carrier.SaveImage(target.string()); }, target);
}

TEST_F(KilledSave, ALargePayloadKeepsTheOldFileAndLeavesNoTemporary)
{
    const uint32_t nSize = 48u << 20;
    uint8_t* p = m_message.Allocate(nSize);
    for (uint32_t i = 0; i < nSize; ++i)
        p[i] = static_cast<uint8_t>(i ^ (i >> 11));
    const fs::path target = m_dir / "old.bin";
    Check(
        m_writers[1],
        [&] {
            try {
                m_message.SaveToFile(target.string());
            } catch (const C_FileException&) { }
        },
        target);
}

}  // namespace
