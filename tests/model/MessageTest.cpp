#include "model/records/C_Message.h"
#include "tests/model/C_ScratchFolder.h"
#include "tests/support/C_TestBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Repeat(const std::string& strPiece, size_t nTimes)
{
    std::string str;
    for (size_t i = 0; i < nTimes; ++i)
        str += strPiece;
    return str;
}

// The raised exception's cause and text, or a failure when nothing was raised.
template <typename F> C_FileException Raised(F f)
{
    try {
        f();
    } catch (const C_FileException& e) {
        return e;
    }
    ADD_FAILURE() << "no C_FileException raised";
    return {};
}

class MessageFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_scratch.Path().empty());
        m_dir = m_scratch.Path();
    }
    fs::path Mount(const char* pType, const char* pSource, unsigned long nFlags, const char* pOptions)
    {
        return m_scratch.Mount(pType, pSource, nFlags, pOptions);
    }
    std::vector<std::string> Entries(const fs::path& dir) const { return C_ScratchFolder::Entries(dir); }

    C_ScratchFolder m_scratch;
    fs::path m_dir;
};

// ---- loading ----

using MessageLoad = MessageFiles;

TEST_F(MessageLoad, EmptyFileIsAMessageOfSizeZeroWithItsName)
{
    C_TestBytes::WriteText(m_dir / "empty.dat", "");
    C_Message message;
    ASSERT_TRUE(message.LoadFromFile((m_dir / "empty.dat").string()));
    EXPECT_EQ(message.m_nSize, 0u);
    EXPECT_EQ(message.m_strName, "empty.dat");
    EXPECT_TRUE(message.m_bOpened);
}

TEST_F(MessageLoad, ReadsTheWholeFileAndKeepsItsFullPathAndWholeName)
{
    fs::create_directory(m_dir / "sub");
    const std::string strBytes = std::string("\0\x01\xff payload", 11) + Repeat("x", 100000);
    C_TestBytes::WriteText(m_dir / "report.final.doc", strBytes);
    C_Message message;
    ASSERT_TRUE(message.LoadFromFile((m_dir / "sub" / ".." / "report.final.doc").string()));
    EXPECT_EQ(message.m_strPath, (m_dir / "report.final.doc").string());
    EXPECT_EQ(message.m_strName, "report.final.doc");
    ASSERT_EQ(message.m_nSize, strBytes.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(message.GetData()), message.m_nSize), strBytes);
}

TEST_F(MessageLoad, BackslashAndColonInAFileNameSeparateTheName)
{
    C_TestBytes::WriteText(m_dir / "c:notes\\part.one.txt", "abc");
    C_Message message;
    ASSERT_TRUE(message.LoadFromFile((m_dir / "c:notes\\part.one.txt").string()));
    EXPECT_EQ(message.m_strName, "part.one.txt");
}

TEST_F(MessageLoad, WhatCannotBeOpenedReturnsFalseAndChangesNothing)
{
    fs::create_directory(m_dir / "folder");
    for (const fs::path& path : {m_dir / "missing.bin", m_dir / "nofolder" / "x.bin", m_dir / "folder"}) {
        C_Message message;
        EXPECT_FALSE(message.LoadFromFile(path.string())) << path;
        EXPECT_FALSE(message.m_bOpened);
        EXPECT_EQ(message.m_pData, nullptr);
        EXPECT_TRUE(message.m_strPath.empty());
        EXPECT_TRUE(message.m_strName.empty());
    }
}

TEST_F(MessageLoad, HoldsItsFileUntilDestroyedAndRefusesToSave)
{
    const fs::path path = m_dir / "held.txt";
    C_TestBytes::WriteText(path, "held");
    {
        C_Message message;
        ASSERT_TRUE(message.LoadFromFile(path.string()));
        EXPECT_FALSE(message.SaveToFile((m_dir / "copy.txt").string()));
        EXPECT_FALSE(fs::exists(m_dir / "copy.txt"));
        EXPECT_FALSE(message.SaveToFile(path.string()));

        C_File writer;  // a cooperating writer meets the reader's lock
        C_FileException error;
        EXPECT_FALSE(writer.Open(path.string(), C_File::modeCreate | C_File::modeWrite, &error));
        EXPECT_EQ(error.GetErrorMessage(), "A sharing violation occurred while accessing " + path.string() + ".");
    }
    C_File writer;
    EXPECT_TRUE(writer.Open(path.string(), C_File::modeCreate | C_File::modeWrite));
    EXPECT_EQ(C_TestBytes::ReadText(path), "held");
}

TEST_F(MessageLoad, RefusesAFileOf4GiBBeforeReadingIt)
{
    const fs::path path = m_dir / "huge.bin";
    C_TestBytes::WriteText(path, "");
    fs::resize_file(path, uint64_t{1} << 32);  // sparse: costs no disk
    C_Message message;
    const C_FileException e = Raised([&] { message.LoadFromFile(path.string()); });
    EXPECT_EQ(e.GetCause(), C_FileException::fileTooLarge);
    EXPECT_EQ(e.GetErrorMessage(), path.string() + " is too large: files of 4 GB or more cannot be read.");
    EXPECT_FALSE(message.m_bOpened);
    EXPECT_EQ(message.m_nSize, 0u);
    EXPECT_EQ(message.m_pData, nullptr);
    // The refused file is not held: a writer may replace it at once.
    C_File writer;
    EXPECT_TRUE(writer.Open(path.string(), C_File::modeCreate | C_File::modeWrite));
}

TEST_F(MessageLoad, AFileIsReadToItsEndNotByTheLengthItReports)
{
    // sysfs reports a page as the length of a file that holds a few bytes; a pipe reports 0.
    const char* pPath = "/sys/kernel/mm/transparent_hugepage/enabled";
    struct stat st { };
    if (::stat(pPath, &st) != 0 || st.st_size <= 0)
        GTEST_SKIP() << pPath << " is not available here";
    const std::string strContent = C_TestBytes::ReadText(pPath);
    C_Message message;
    ASSERT_TRUE(message.LoadFromFile(pPath));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(message.GetData()), message.m_nSize), strContent);
}

// ---- the name ----

TEST(MessageName, IsThePartAfterTheLastBackslashSlashOrColon)
{
    EXPECT_EQ(C_Message::NameFromPath("C:\\Documents\\report.final.doc"), "report.final.doc");
    EXPECT_EQ(C_Message::NameFromPath("C:report.doc"), "report.doc");
    EXPECT_EQ(C_Message::NameFromPath("/home/u/dir.d/a\\b:c.txt"), "c.txt");
    EXPECT_EQ(C_Message::NameFromPath("plain.txt"), "plain.txt");
    EXPECT_EQ(C_Message::NameFromPath("/home/u/"), "");
}

TEST(MessageName, KeepsAtMost255Characters)
{
    EXPECT_EQ(C_Message::NameFromPath("/d/" + Repeat("a", 255)), Repeat("a", 255));
    EXPECT_EQ(C_Message::NameFromPath("/d/" + Repeat("a", 300)), Repeat("a", 255));
}

TEST(MessageName, CountsUtf8CharactersAndNeverSplitsOne)
{
    const std::string e = "\xC3\xA9", euro = "\xE2\x82\xAC", note = "\xF0\x9D\x84\x9E";
    EXPECT_EQ(C_Message::NameFromPath("/d/" + Repeat(e, 300)), Repeat(e, 255));
    EXPECT_EQ(C_Message::NameFromPath("/d/" + Repeat(note, 256)), Repeat(note, 255));
    // The 255th character starts at byte 254: cutting at 255 bytes would halve it.
    EXPECT_EQ(C_Message::NameFromPath("/d/" + Repeat("a", 254) + euro + "tail"), Repeat("a", 254) + euro);
    // Bytes that start no valid sequence count one each, so nothing grows past the limit.
    EXPECT_EQ(C_Message::NameFromPath("/d/" + Repeat("\x80", 300)), Repeat("\x80", 255));
    EXPECT_EQ(C_Message::NameFromPath("/d/a\xE2\x82"), "a\xE2\x82");
}

// ---- saving ----

using MessageSave = MessageFiles;

TEST_F(MessageSave, TextOfLengthZeroSavesAsAnEmptyFile)
{
    C_Message message;
    EXPECT_EQ(message.SetFromText(0, ""), 0u);
    EXPECT_EQ(message.m_nSize, 0u);
    ASSERT_NE(message.GetData(), nullptr);
    const fs::path path = m_dir / "empty.txt";
    EXPECT_TRUE(message.SaveToFile(path.string()));
    EXPECT_EQ(message.m_strPath, path.string());
    ASSERT_TRUE(fs::is_regular_file(path));
    EXPECT_EQ(fs::file_size(path), 0u);
}

TEST_F(MessageSave, ReplacesTheWholeOfAnExistingFile)
{
    const fs::path path = m_dir / "out.txt";
    C_TestBytes::WriteText(path, Repeat("old content ", 1000));
    C_Message message;
    EXPECT_EQ(message.SetFromText(7, "new\0txt"), 7u);  // bytes, not a C string
    EXPECT_TRUE(message.SaveToFile(path.string()));
    EXPECT_EQ(C_TestBytes::ReadText(path), std::string("new\0txt", 7));
    EXPECT_EQ(Entries(m_dir), std::vector<std::string>{"out.txt"});
}

TEST_F(MessageSave, ThroughASymbolicLinkReplacesTheFileAndKeepsTheLink)
{
    C_TestBytes::WriteText(m_dir / "real.txt", "old");
    fs::create_symlink("real.txt", m_dir / "link.txt");
    C_Message message;
    message.SetFromText(3, "new");
    EXPECT_TRUE(message.SaveToFile((m_dir / "link.txt").string()));
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.txt"));
    EXPECT_EQ(C_TestBytes::ReadText(m_dir / "real.txt"), "new");
}

TEST_F(MessageSave, WithoutDataReturnsFalseAndWritesNothing)
{
    C_Message message;
    EXPECT_FALSE(message.SaveToFile((m_dir / "none.txt").string()));
    EXPECT_FALSE(fs::exists(m_dir / "none.txt"));
}

// ---- saving that fails: the error names the path, and the old file stays ----

using MessageSaveFailure = MessageFiles;

TEST_F(MessageSaveFailure, AFileThatCannotBeCreatedRaisesAlsoForZeroBytes)
{
    C_TestBytes::WriteText(m_dir / "plain.txt", "x");
    fs::create_directory(m_dir / "folder");
    const struct {
        fs::path target;
        C_FileException::E_Cause eCause;
        std::string strText;
    } cases[] = {
        {m_dir / "missing" / "out.bin", C_FileException::badPath, "%1 contains an invalid path."},
        {m_dir / "plain.txt" / "out.bin", C_FileException::badPath, "%1 contains an invalid path."},
        {m_dir / "folder", C_FileException::accessDenied, "Access to %1 was denied."},
    };
    for (const auto& c : cases) {
        for (uint32_t nSize : {0u, 5u}) {
            C_Message message;
            message.SetFromText(nSize, "bytes");
            const C_FileException e = Raised([&] { message.SaveToFile(c.target.string()); });
            EXPECT_EQ(e.GetCause(), c.eCause) << c.target;
            std::string strExpected = c.strText;
            strExpected.replace(strExpected.find("%1"), 2, c.target.string());
            EXPECT_EQ(e.GetErrorMessage(), strExpected);
        }
    }
    EXPECT_TRUE(fs::is_directory(m_dir / "folder"));
    EXPECT_TRUE(fs::is_empty(m_dir / "folder"));
    EXPECT_EQ(C_TestBytes::ReadText(m_dir / "plain.txt"), "x");
    EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"folder", "plain.txt"}));
}

TEST_F(MessageSaveFailure, AnUnwritableFolderIsDeniedAndKeepsTheOldFile)
{
    fs::path dir = m_dir / "locked";
    fs::create_directory(dir);
    C_TestBytes::WriteText(dir / "old.txt", "old bytes");
    if (::geteuid() != 0) {
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    } else {
        // Root writes anywhere, except on a read-only mount: bind the folder read-only.
        dir = Mount(nullptr, dir.c_str(), MS_BIND, nullptr);
        if (dir.empty() || !m_scratch.RemountReadOnly(true))
            GTEST_SKIP() << "running as root, and a read-only bind mount is not permitted here";
    }
    C_Message message;
    message.SetFromText(3, "new");
    const C_FileException e = Raised([&] { message.SaveToFile((dir / "old.txt").string()); });
    EXPECT_EQ(e.GetErrorMessage(), "Access to " + (dir / "old.txt").string() + " was denied.");
    EXPECT_EQ(C_TestBytes::ReadText(dir / "old.txt"), "old bytes");
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"old.txt"});
    fs::permissions(m_dir / "locked", fs::perms::owner_all);
}

TEST_F(MessageSaveFailure, AFullDiskIsReportedAndKeepsTheOldFile)
{
    const fs::path dir = Mount("tmpfs", nullptr, 0, "size=64k");
    if (dir.empty())
        GTEST_SKIP() << "mounting a small tmpfs is not permitted here";
    C_TestBytes::WriteText(dir / "old.bin", "old bytes");
    C_Message message;
    std::fill_n(message.Allocate(1 << 20), 1 << 20, uint8_t{0x5A});
    const C_FileException e = Raised([&] { message.SaveToFile((dir / "old.bin").string()); });
    EXPECT_EQ(e.GetCause(), C_FileException::diskFull);
    EXPECT_EQ(e.GetErrorMessage(), "Disk full while accessing " + (dir / "old.bin").string() + ".");
    EXPECT_EQ(C_TestBytes::ReadText(dir / "old.bin"), "old bytes");
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"old.bin"});
}

TEST_F(MessageSaveFailure, AFileSizeLimitIsReportedAsAFullDisk)
{
    // Works without privileges: the kernel refuses writes past RLIMIT_FSIZE with EFBIG.
    const fs::path path = m_dir / "old.bin";
    C_TestBytes::WriteText(path, "old bytes");
    C_Message message;
    std::fill_n(message.Allocate(1 << 16), 1 << 16, uint8_t{0xA5});
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit tiny = old;
    tiny.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const C_FileException e = Raised([&] { message.SaveToFile(path.string()); });
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(e.GetOsError(), EFBIG);
    EXPECT_EQ(e.GetErrorMessage(), "Disk full while accessing " + path.string() + ".");
    EXPECT_EQ(C_TestBytes::ReadText(path), "old bytes");
    EXPECT_EQ(Entries(m_dir), std::vector<std::string>{"old.bin"});
}

// ---- the data buffer ----

TEST(MessageAllocate, ASecondAllocationReplacesTheFirst)
{
    C_Message message;
    ASSERT_NE(message.Allocate(10), nullptr);
    uint8_t* p = message.Allocate(20);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(message.m_nSize, 20u);
    EXPECT_EQ(message.GetData(), p);
    p[20] = 0;  // size + 1 bytes: the sanitizer build catches a buffer one byte short
}

TEST(MessageAllocate, RefusesTheLargestSizeAndChangesNothing)
{
    C_Message message;
    EXPECT_EQ(message.SetFromText(4, "keep"), 4u);
    const uint8_t* pBefore = message.GetData();
    EXPECT_EQ(message.Allocate(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(message.SetFromText(0xFFFFFFFFu, "x"), 0u);  // must not copy from the short text
    EXPECT_EQ(message.m_nSize, 4u);
    ASSERT_EQ(message.GetData(), pBefore);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(pBefore), 4), "keep");
}

// ---- the file layer and its errors ----

using FileLayer = MessageFiles;

TEST_F(FileLayer, AWriteIsCommittedOnlyByClose)
{
    const fs::path path = m_dir / "target.bin";
    C_TestBytes::WriteText(path, "old");
    {
        C_File file;
        ASSERT_TRUE(file.Open(path.string(), C_File::modeCreate | C_File::modeWrite));
        file.Write("new bytes", 9);
        EXPECT_EQ(file.GetLength(), 9u);
        EXPECT_EQ(C_TestBytes::ReadText(path), "old");
    }  // destroyed without Close
    EXPECT_EQ(C_TestBytes::ReadText(path), "old");
    EXPECT_EQ(Entries(m_dir), std::vector<std::string>{"target.bin"});

    C_File file;
    ASSERT_TRUE(file.Open(path.string(), C_File::modeCreate | C_File::modeWrite));
    file.Write("new bytes", 9);
    file.Close();
    EXPECT_EQ(C_TestBytes::ReadText(path), "new bytes");
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(FileLayer, ReadingStopsAtTheEndAndRefusesToWrite)
{
    const fs::path path = m_dir / "ten.bin";
    C_TestBytes::WriteText(path, "0123456789");
    C_File file;
    ASSERT_TRUE(file.Open(path.string(), C_File::modeRead));
    EXPECT_EQ(file.GetLength(), 10u);
    char buffer[32] = {};
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 10u);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(Raised([&] { file.Write("x", 1); }).GetCause(), C_FileException::accessDenied);
    EXPECT_FALSE(file.Open(path.string(), C_File::modeRead));  // already open
    file.Close();
    EXPECT_EQ(Raised([&] { file.Read(buffer, 1); }).GetCause(), C_FileException::invalidFile);
}

TEST_F(FileLayer, OpenReportsWhyItFailed)
{
    C_File file;
    C_FileException error;
    EXPECT_FALSE(file.Open((m_dir / "gone.bin").string(), C_File::modeRead, &error));
    EXPECT_EQ(error.GetErrorMessage(), (m_dir / "gone.bin").string() + " was not found.");
    EXPECT_EQ(error.GetOsError(), ENOENT);
    EXPECT_FALSE(file.Open((m_dir / "no" / "gone.bin").string(), C_File::modeRead, &error));
    EXPECT_EQ(error.GetCause(), C_FileException::badPath);
    // Writing without creating would not be atomic, so it is not offered.
    EXPECT_FALSE(file.Open((m_dir / "w.bin").string(), C_File::modeWrite, &error));
    EXPECT_EQ(error.GetCause(), C_FileException::genericException);
    EXPECT_FALSE(fs::exists(m_dir / "w.bin"));
}

TEST(FileException, MapsErrnoOntoCausesAndTexts)
{
    const struct {
        int nErrno;
        const char* pText;
    } cases[] = {
        {ENOENT, "/d/f.bin was not found."},
        {EACCES, "Access to /d/f.bin was denied."},
        {EPERM, "Access to /d/f.bin was denied."},
        {EROFS, "Access to /d/f.bin was denied."},
        {EISDIR, "Access to /d/f.bin was denied."},
        {ENOSPC, "Disk full while accessing /d/f.bin."},
        {EDQUOT, "Disk full while accessing /d/f.bin."},
        {EFBIG, "Disk full while accessing /d/f.bin."},
        {EMFILE, "/d/f.bin could not be opened because there are too many open files."},
        {ENFILE, "/d/f.bin could not be opened because there are too many open files."},
        {ENAMETOOLONG, "/d/f.bin contains an invalid path."},
        {ENOTDIR, "/d/f.bin contains an invalid path."},
        {EIO, "A hardware I/O error was reported while accessing /d/f.bin."},
        {EWOULDBLOCK, "A sharing violation occurred while accessing /d/f.bin."},
        {EINVAL, "An unexpected error occurred while accessing /d/f.bin."},
        {EXDEV, "An unexpected error occurred while accessing /d/f.bin."},
    };
    for (const auto& c : cases) {
        const C_FileException e = Raised([&] { C_FileException::ThrowOsError(c.nErrno, "/d/f.bin"); });
        EXPECT_EQ(e.GetErrorMessage(), c.pText) << "errno " << c.nErrno;
        EXPECT_STREQ(e.what(), c.pText);
        EXPECT_EQ(e.GetOsError(), c.nErrno);
        EXPECT_EQ(e.GetFileName(), "/d/f.bin");
    }
}

TEST(FileException, EveryCauseNamesTheFileOnce)
{
    for (int n = C_FileException::genericException; n <= C_FileException::fileTooLarge; ++n) {
        const std::string strText = C_FileException(static_cast<C_FileException::E_Cause>(n), "<F>").GetErrorMessage();
        EXPECT_EQ(strText.find("<F>"), strText.rfind("<F>")) << strText;
        EXPECT_NE(strText.find("<F>"), std::string::npos) << strText;
        EXPECT_EQ(strText.find("%1"), std::string::npos) << strText;
    }
    EXPECT_EQ(C_FileException(C_FileException::endOfFile, "a.bin").GetErrorMessage(),
        "An attempt was made to access a.bin past its end.");
}

}  // namespace
