// Reveal treats the hidden name as data from the picture: with -d nothing lands outside the
// folder, and no existing file is replaced without --force.

#include "tests/cli/C_CliTest.h"

#include <unistd.h>

namespace {

using CliRevealSafety = C_CliTest;

const T_Bytes kPayload = {'d', 'a', 't', 'a'};

TEST_F(CliRevealSafety, HostileNamesStayInsideTheFolder)
{
    struct S_Case {
        std::string strHidden;
        std::string strSaved;  // in the folder
        std::string strShown;  // in "Hidden message found: ..."
    };
    const std::vector<S_Case> cases = {
        {"../x", "x", "../x"},
        {"/etc/x", "x", "/etc/x"},
        {"a\\b", "b", "a\\b"},
        {"C:x", "x", "C:x"},
        {"sub/../../y", "y", "sub/../../y"},
        {"", "message.bin", ""},
        {"..", "message.bin", ".."},
        {"dir/", "message.bin", "dir/"},
        {std::string(300, 'n'), "message.bin", std::string(300, 'n')},
        {"bell\a\x1b[2Jz", "bell__[2Jz", "bell\\x07\\x1B[2Jz"},
    };
    for (const S_Case& c : cases) {
        SCOPED_TRACE(c.strShown);
        std::filesystem::create_directories(Path("out/in"));
        const std::string strPicture =
            File("hostile.bmp", C_TestPictures::BmpWithRecord(64, 48, "secret", c.strHidden, kPayload));
        const S_RunResult result = m_cli.Run({"reveal", strPicture, "-d", Path("out/in")});
        ASSERT_EQ(result.nStatus, 0) << result.strErr;
        EXPECT_EQ(result.strOut,
            "Hidden message found: " + c.strShown + " (4 bytes)\nSaved to: " + Path("out/in/" + c.strSaved) + "\n");
        EXPECT_EQ(Files(), (std::vector<std::string>{"hostile.bmp", "out/in/" + c.strSaved}));
        std::filesystem::remove_all(Path("out"));
    }
}

TEST_F(CliRevealSafety, ExistingFilesNeedForce)
{
    const std::string strPicture = File("p.bmp", C_TestPictures::BmpWithRecord(64, 48, "secret", "name.txt", kPayload));
    std::filesystem::create_directory(Path("dir"));
    const T_Bytes old = {'o', 'l', 'd'};
    File("dir/name.txt", old);
    File("file", old);

    const S_RunResult toDir = m_cli.Run({"reveal", strPicture, "-d", Path("dir")});
    EXPECT_EQ(toDir.nStatus, 2);
    EXPECT_NE(toDir.strErr.find("--force"), std::string::npos) << toDir.strErr;
    // -o is checked before any pass phrase is asked for: none is available here.
    m_cli.SetEnv("VEILMARK_PASSPHRASE", std::nullopt);
    const S_RunResult toFile = m_cli.Run({"reveal", strPicture, "-o", Path("file")});
    EXPECT_EQ(toFile.nStatus, 2);
    EXPECT_NE(toFile.strErr.find("--force"), std::string::npos) << toFile.strErr;
    EXPECT_EQ(C_TestBytes::Read(Path("dir/name.txt")), old);
    EXPECT_EQ(C_TestBytes::Read(Path("file")), old);

    m_cli.SetPassphrase("secret");
    EXPECT_EQ(m_cli.Run({"reveal", strPicture, "-d", Path("dir"), "--force"}).nStatus, 0);
    EXPECT_EQ(m_cli.Run({"reveal", strPicture, "-o", Path("file"), "--force"}).nStatus, 0);
    EXPECT_EQ(C_TestBytes::Read(Path("dir/name.txt")), kPayload);
    EXPECT_EQ(C_TestBytes::Read(Path("file")), kPayload);
}

TEST_F(CliRevealSafety, ALinkInTheFolderIsReplacedNotFollowed)
{
    const std::string strPicture = File("p.bmp", C_TestPictures::BmpWithRecord(64, 48, "secret", "victim", kPayload));
    std::filesystem::create_directory(Path("dir"));
    const T_Bytes old = {'k', 'e', 'e', 'p'};
    File("victim", old);
    std::filesystem::create_symlink(Path("victim"), Path("dir/victim"));

    EXPECT_EQ(m_cli.Run({"reveal", strPicture, "-d", Path("dir")}).nStatus, 2);
    ASSERT_EQ(m_cli.Run({"reveal", strPicture, "-d", Path("dir"), "--force"}).nStatus, 0);
    EXPECT_EQ(C_TestBytes::Read(Path("victim")), old);
    EXPECT_FALSE(std::filesystem::is_symlink(Path("dir/victim")));
    EXPECT_EQ(C_TestBytes::Read(Path("dir/victim")), kPayload);
}

TEST_F(CliRevealSafety, NothingFoundWritesNothing)
{
    const std::string strPicture = File("p.bmp", C_TestPictures::BmpWithRecord(64, 48, "secret", "n", kPayload));
    std::filesystem::create_directory(Path("dir"));
    m_cli.SetPassphrase("Secret");  // letter case counts
    for (const auto& target : std::vector<std::vector<std::string>>{{"-o", Path("out")}, {"-d", Path("dir")}}) {
        std::vector<std::string> args = {"reveal", strPicture};
        args.insert(args.end(), target.begin(), target.end());
        const S_RunResult result = m_cli.Run(args);
        EXPECT_EQ(result.nStatus, 1);
        EXPECT_EQ(result.strErr, "No Hidden Message is Detected in this Picture!\n");
        EXPECT_EQ(result.strOut, "");
    }
    // A picture that never held a record.
    EXPECT_EQ(m_cli.Run({"reveal", Picture(E_TestPicture::Gif), "-d", Path("dir")}).nStatus, 1);
    EXPECT_EQ(Files(), (std::vector<std::string>{"carrier.gif", "p.bmp"}));
}

TEST_F(CliRevealSafety, TheFolderMustExist)
{
    const std::string strPicture = File("p.bmp", C_TestPictures::BmpWithRecord(64, 48, "secret", "n", kPayload));
    EXPECT_EQ(m_cli.Run({"reveal", strPicture, "-d", Path("missing")}).nStatus, 2);
    EXPECT_EQ(m_cli.Run({"reveal", strPicture, "-d", strPicture}).nStatus, 2);
    EXPECT_EQ(Files(), (std::vector<std::string>{"p.bmp"}));
}

}  // namespace
