// Payloads that are streams, outputs that are links, devices or protected files, and pictures
// that would expand far beyond their file: nothing is lost, nothing is reported as kept that
// was not, and nothing is replaced that should have been written through.

#include "tests/cli/C_CliTest.h"

#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using CliStreams = C_CliTest;

constexpr const char* kWillNotFit = "This Message will not fit into the selected Picture!";

std::string Text(const T_Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// The capacity `info` reports for a picture.
uint64_t Capacity(const C_CliRunner& cli, const std::string& strPicture)
{
    const S_RunResult info = cli.Run({"info", strPicture, "--json"});
    const size_t nAt = info.strOut.find("\"capacity\": ");
    return nAt == std::string::npos ? 0 : std::stoull(info.strOut.substr(nAt + 12));
}

TEST_F(CliStreams, StreamsAreReadToTheirEnd)
{
    const std::string strPicture = Picture(E_TestPicture::Bmp24);
    const std::string strText = "secret from a pipe\n";
    m_cli.SetStdin(strText);
    for (const char* pSource : {"-", "/dev/stdin"}) {
        SCOPED_TRACE(pSource);
        const S_RunResult hide = m_cli.Run({"hide", strPicture, pSource, "-o", Path("out.bmp")});
        ASSERT_EQ(hide.nStatus, 0) << hide.strErr;
        EXPECT_EQ(hide.strOut, "Hidden: stdin (19 bytes)\n");
        // "-o -": the payload alone on standard output, the report on standard error.
        const S_RunResult reveal = m_cli.Run({"reveal", Path("out.bmp"), "-o", "-"});
        ASSERT_EQ(reveal.nStatus, 0) << reveal.strErr;
        EXPECT_EQ(reveal.strOut, strText);
        EXPECT_EQ(reveal.strErr, "Hidden message found: stdin (19 bytes)\n");
    }

    // A named pipe, as <(cmd) gives one.
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(Path("fifo")) << "through a fifo"; });
    const S_RunResult hide = m_cli.Run({"hide", strPicture, Path("fifo"), "-o", Path("out.bmp")});
    writer.join();
    ASSERT_EQ(hide.nStatus, 0) << hide.strErr;
    EXPECT_EQ(hide.strOut, "Hidden: fifo (14 bytes)\n");

    m_cli.SetStdin("typed text");
    const S_RunResult compose =
        m_cli.Run({"compose", strPicture, "--subject", "S", "--text-file", "-", "-o", Path("c.bmp")});
    ASSERT_EQ(compose.nStatus, 0) << compose.strErr;
    m_cli.SetStdin(std::nullopt);
    ASSERT_EQ(m_cli.Run({"reveal", Path("c.bmp"), "-d", m_root.string()}).nStatus, 0);
    EXPECT_EQ(Text(C_TestBytes::Read(Path("S.txt"))), "typed text");
}

TEST_F(CliStreams, WhatCannotFitIsRefusedBeforeItIsRead)
{
    const std::string strPicture = Picture(E_TestPicture::Bmp24);
    // "stdin" takes 5 of the 20 bytes that the capacity keeps for header and name.
    const uint64_t nFits = Capacity(m_cli, strPicture) + 20 - 9 - 5;
    ASSERT_GT(nFits, 100u);
    m_cli.SetStdin(std::string(nFits, 'x'));
    EXPECT_EQ(m_cli.Run({"hide", strPicture, "-", "-o", Path("fits.bmp")}).nStatus, 0);
    m_cli.SetStdin(std::string(nFits + 1, 'x'));
    const S_RunResult over = m_cli.Run({"hide", strPicture, "-", "-o", Path("over.bmp")});
    EXPECT_EQ(over.nStatus, 2);
    EXPECT_NE(over.strErr.find(kWillNotFit), std::string::npos) << over.strErr;
    m_cli.SetStdin(std::nullopt);

    // An endless device, and a 5 GB file that has no blocks: refused at once, nothing read.
    {
        std::ofstream sparse(Path("sparse"));
    }
    ASSERT_EQ(truncate(Path("sparse").c_str(), 5'000'000'000), 0);
    for (const std::string& strPayload : {std::string("/dev/zero"), Path("sparse")}) {
        SCOPED_TRACE(strPayload);
        const S_RunResult result = m_cli.Run({"hide", strPicture, strPayload, "-o", Path("over.bmp")});
        EXPECT_EQ(result.nStatus, 2);
        EXPECT_NE(result.strErr.find(kWillNotFit), std::string::npos) << result.strErr;
    }
    std::filesystem::create_directory(Path("adir"));
    const S_RunResult folder = m_cli.Run({"hide", strPicture, Path("adir"), "-o", Path("over.bmp")});
    EXPECT_EQ(folder.nStatus, 3);
    EXPECT_EQ(folder.strErr, Path("adir") + " is a folder, not a file.\n");
    EXPECT_EQ(Files(), (std::vector<std::string>{"carrier.bmp", "fits.bmp", "sparse"}));
}

// One stream has one reader: a payload from standard input would take it all and leave the pass
// phrase empty, so the secret would be stored readable. Nor is a stream at its end "".
TEST_F(CliStreams, StandardInputIsNotBothPayloadAndPassPhrase)
{
    const std::string strPicture = Picture(E_TestPicture::Bmp24);
    const std::string strPayload = File("payload", {'h', 'i'});
    std::filesystem::create_symlink("/proc/self/fd/0", Path("key-link"));
    m_cli.SetStdin("payload or pass phrase\n");
    for (const std::string& strKey :
        std::vector<std::string>{"-", "/dev/stdin", "/dev/fd/0", "/proc/self/fd/0", Path("key-link")}) {
        SCOPED_TRACE(strKey);
        for (const std::vector<std::string>& args : {std::vector<std::string>{"hide", strPicture, "-"},
                 {"hide", strPicture, "/dev/stdin"}, {"compose", strPicture, "--subject", "S", "--text-file", "-"}}) {
            std::vector<std::string> command = args;
            command.insert(command.end(), {"-o", Path("out.bmp"), "--passphrase-file", strKey});
            const S_RunResult result = m_cli.Run(command);
            EXPECT_EQ(result.nStatus, 2);
            EXPECT_NE(result.strErr.find("cannot both be read from standard input"), std::string::npos)
                << result.strErr;
        }
    }
    m_cli.SetStdin("");
    for (const char* pKey : {"-", "/dev/stdin", "/dev/null"}) {
        const S_RunResult atEnd =
            m_cli.Run({"hide", strPicture, strPayload, "-o", Path("out.bmp"), "--passphrase-file", pKey});
        EXPECT_EQ(atEnd.nStatus, 2);
        EXPECT_NE(atEnd.strErr.find("already at its end"), std::string::npos) << atEnd.strErr;
    }
    EXPECT_EQ(Files(), (std::vector<std::string>{"carrier.bmp", "key-link", "payload"}));

    // The pass phrase alone on standard input is read, and an empty file is still "".
    m_cli.SetStdin("from stdin\n");
    ASSERT_EQ(m_cli.Run({"hide", strPicture, strPayload, "-o", Path("out.bmp"), "--passphrase-file", "-"}).nStatus, 0);
    m_cli.SetStdin(std::nullopt);
    m_cli.SetPassphrase("from stdin");
    EXPECT_EQ(m_cli.Run({"reveal", Path("out.bmp"), "-o", Path("got")}).nStatus, 0);
    EXPECT_EQ(m_cli.Run({"hide", strPicture, strPayload, "-o", Path("e.bmp"), "--passphrase-file", File("empty", {})})
                  .nStatus,
        0);
}

TEST_F(CliStreams, OutputsAreWrittenThroughLinksAndKeepOwnerAndMode)
{
    const std::string strPicture = Picture(E_TestPicture::Bmp24);
    const std::string strPayload = File(std::string(246, 'n') + ".txt", {'h', 'i'});  // a 250-byte name
    const std::string strOutput = Path(std::string(251, 'o') + ".bmp");               // a 255-byte name
    ASSERT_EQ(m_cli.Run({"hide", strPicture, strPayload, "-o", strOutput}).nStatus, 0);

    File("target.bmp", C_TestBytes::Read(strPicture));
    std::filesystem::create_symlink("target.bmp", Path("link.bmp"));
    ASSERT_EQ(chmod(Path("target.bmp").c_str(), 0640), 0);
    const bool bRoot = geteuid() == 0;
    if (bRoot) {
        ASSERT_EQ(chown(Path("target.bmp").c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(m_cli.Run({"hide", strPicture, strPayload, "-o", Path("link.bmp")}).nStatus, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(Path("link.bmp")));
    EXPECT_EQ(m_cli.Run({"reveal", Path("target.bmp"), "-o", Path("revealed")}).nStatus, 0);
    struct stat st { };
    ASSERT_EQ(stat(Path("target.bmp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (bRoot) {
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }

    // A file whose mode denies writing is replaced only with --force.
    const T_Bytes original = C_TestBytes::Read(strPicture);
    File("ro.bmp", original);
    ASSERT_EQ(chmod(Path("ro.bmp").c_str(), 0444), 0);
    const S_RunResult refused = m_cli.Run({"hide", strPicture, strPayload, "-o", Path("ro.bmp")});
    EXPECT_EQ(refused.nStatus, 3);
    EXPECT_NE(refused.strErr.find("read-only"), std::string::npos) << refused.strErr;
    EXPECT_EQ(C_TestBytes::Read(Path("ro.bmp")), original);
    EXPECT_EQ(m_cli.Run({"convert", strPicture, "-o", Path("ro.bmp")}).nStatus, 3);
    EXPECT_EQ(m_cli.Run({"hide", strPicture, strPayload, "-o", Path("ro.bmp"), "--force"}).nStatus, 0);
    EXPECT_NE(C_TestBytes::Read(Path("ro.bmp")), original);

    // The process's own standard output is written, never replaced (as root it could be).
    const S_RunResult toStdout = m_cli.Run({"reveal", strOutput, "-o", "/dev/stdout", "--force"});
    EXPECT_EQ(toStdout.nStatus, 0) << toStdout.strErr;
    EXPECT_EQ(toStdout.strOut, "hi");
    EXPECT_TRUE(std::filesystem::is_symlink("/dev/stdout"));
    // No temporary file stays behind.
    EXPECT_EQ(Files(),
        (std::vector<std::string>{"carrier.bmp", "link.bmp", std::string(246, 'n') + ".txt",
            std::string(251, 'o') + ".bmp", "revealed", "ro.bmp", "target.bmp"}));
}

TEST_F(CliStreams, PicturesThatExpandFarBeyondTheirFileNeedConsent)
{
    // 120 bytes of RLE4 that claim 70000 x 70000 pixels (2.45 GB) and end at once.
    T_Bytes bomb = {'B', 'M'};
    auto put = [&bomb](uint32_t v, int nBytes) {
        for (int i = 0; i < nBytes; ++i)
            bomb.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put(120, 4), put(0, 4), put(118, 4);
    put(40, 4), put(70000, 4), put(70000, 4), put(1, 2), put(4, 2), put(2, 4), put(2, 4);
    for (int i = 0; i < 4; ++i)
        put(0, 4);
    for (int i = 0; i < 16; ++i)
        put(0x010101u * static_cast<uint32_t>(i * 16), 4);
    bomb.push_back(0), bomb.push_back(1);
    const std::string strBomb = File("bomb.bmp", bomb);
    const S_RunResult refused = m_cli.Run({"info", strBomb});
    EXPECT_EQ(refused.nStatus, 2);
    EXPECT_NE(refused.strErr.find("--allow-large"), std::string::npos) << refused.strErr;
    // With consent it opens; its size passes 2 GiB and is shown as it is.
    const S_RunResult info = m_cli.Run({"info", strBomb, "--allow-large"});
    ASSERT_EQ(info.nStatus, 0) << info.strErr;
    EXPECT_NE(info.strOut.find("Size: 2392578 KB\n"), std::string::npos) << info.strOut;
}

}  // namespace
