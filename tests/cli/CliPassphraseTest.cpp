// Where the pass phrase comes from (file, environment, terminal) and the rules it must meet.

#include "tests/cli/C_CliTest.h"

namespace {

class CliPassphrase : public C_CliTest {
protected:
    // Hides a small payload with the runner as configured; returns the exit status.
    int Hide(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = {"hide", m_strPicture, m_strPayload, "-o", Path("out.bmp")};
        args.insert(args.end(), extra.begin(), extra.end());
        const S_RunResult result = m_cli.Run(args);
        m_strLastErr = result.strErr;
        return result.nStatus;
    }
    // Reveals out.bmp with the pass phrase from the environment; returns the exit status.
    int RevealWith(const std::string& strPassphrase)
    {
        C_CliRunner cli;
        cli.SetPassphrase(strPassphrase);
        return cli.Run({"reveal", Path("out.bmp"), "-o", Path("got"), "--force"}).nStatus;
    }

    void SetUp() override
    {
        C_CliTest::SetUp();
        m_strPicture = Picture(E_TestPicture::Bmp24);
        m_strPayload = File("payload", {'x'});
    }

    std::string m_strPicture;
    std::string m_strPayload;
    std::string m_strLastErr;
};

TEST_F(CliPassphrase, FileLosesOneLineBreakAndWinsOverTheEnvironment)
{
    m_cli.SetPassphrase("from-env");
    ASSERT_EQ(Hide({"--passphrase-file", File("pw", {'p', 'w', '\r', '\n'})}), 0) << m_strLastErr;
    EXPECT_EQ(RevealWith("pw"), 0);
    EXPECT_EQ(RevealWith("from-env"), 1);

    ASSERT_EQ(Hide({"--passphrase-file", File("pw2", {'p', 'w', '\n', '\n'})}), 0) << m_strLastErr;
    EXPECT_EQ(RevealWith("pw\n"), 0);
    EXPECT_EQ(RevealWith("pw"), 1);

    // Reveal reads the file the same way.
    C_CliRunner cli;
    EXPECT_EQ(
        cli.Run({"reveal", Path("out.bmp"), "-o", Path("g2"), "--passphrase-file", File("pw3", {'p', 'w', '\n', '\n'})})
            .nStatus,
        0);
}

TEST_F(CliPassphrase, AtMostFifteenCharactersAndEmptyIsValid)
{
    const std::string strE = "\xC3\xA9";  // é: one character, two bytes
    std::string strFifteen;
    for (int i = 0; i < 15; ++i)
        strFifteen += strE;
    m_cli.SetPassphrase(strFifteen);
    ASSERT_EQ(Hide(), 0) << m_strLastErr;
    EXPECT_EQ(RevealWith(strFifteen), 0);

    m_cli.SetPassphrase(strFifteen + "a");
    EXPECT_EQ(Hide(), 2);
    m_cli.SetPassphrase(std::string(16, 'a'));
    EXPECT_EQ(Hide(), 2);
    EXPECT_EQ(Hide({"--passphrase-file", File("long", T_Bytes(16, 'a'))}), 2);

    m_cli.SetPassphrase("");
    ASSERT_EQ(Hide(), 0) << m_strLastErr;
    EXPECT_EQ(RevealWith(""), 0);
    EXPECT_EQ(RevealWith(" "), 1);

    // Characters as the dialogs count them: "e" with a combining accent is one.
    std::string strCombined;
    for (int i = 0; i < 15; ++i)
        strCombined += "e\xCC\x81";
    m_cli.SetPassphrase(strCombined);
    EXPECT_EQ(Hide(), 0) << m_strLastErr;
    m_cli.SetPassphrase(strCombined + "e");
    EXPECT_EQ(Hide(), 2);
}

TEST_F(CliPassphrase, NulBytesAndInvalidUtf8AreRefused)
{
    // No typed pass phrase could give the keys these would: 33 continuation bytes once counted
    // as no characters at all.
    for (const T_Bytes& bytes : {T_Bytes{'a', 0, 'b'}, T_Bytes(4, 0), T_Bytes(33, 0x80), T_Bytes{'a', 0xFF}}) {
        EXPECT_EQ(Hide({"--passphrase-file", File("pw", bytes)}), 2);
        EXPECT_TRUE(m_strLastErr.find("NUL") != std::string::npos || m_strLastErr.find("UTF-8") != std::string::npos)
            << m_strLastErr;
    }
    EXPECT_FALSE(std::filesystem::exists(Path("out.bmp")));
}

TEST_F(CliPassphrase, NoPassphraseAndNoTerminalIsBadUsage)
{
    m_cli.SetEnv("VEILMARK_PASSPHRASE", std::nullopt);
    EXPECT_EQ(Hide(), 2);
    EXPECT_NE(m_strLastErr.find("VEILMARK_PASSPHRASE"), std::string::npos) << m_strLastErr;
    EXPECT_EQ(Hide({"--passphrase-file", Path("missing")}), 3);
    EXPECT_NE(m_strLastErr.find("was not found."), std::string::npos) << m_strLastErr;
    EXPECT_EQ(Hide({"--passphrase-file", m_root.string()}), 3);
    EXPECT_FALSE(std::filesystem::exists(Path("out.bmp")));
}

TEST_F(CliPassphrase, TerminalAsksTwiceWithoutEchoForHideAndOnceForReveal)
{
    m_cli.SetEnv("VEILMARK_PASSPHRASE", std::nullopt);
    const S_RunResult hide = m_cli.RunOnTerminal({"hide", m_strPicture, m_strPayload, "-o", Path("out.bmp")},
        {{"Password: ", "tty-one\n"}, {"Password Again: ", "tty-two\n"}, {"Passwords Didn't Match!", ""},
            {"Password: ", "tty-pw\n"}, {"Password Again: ", "tty-pw\n"}});
    ASSERT_EQ(hide.nStatus, 0) << hide.strOut;
    EXPECT_NE(hide.strOut.find("Hidden: payload (1 bytes)"), std::string::npos) << hide.strOut;
    EXPECT_EQ(hide.strOut.find("tty-"), std::string::npos) << "the pass phrase was echoed:\n" << hide.strOut;
    EXPECT_EQ(RevealWith("tty-pw"), 0);

    const S_RunResult reveal =
        m_cli.RunOnTerminal({"reveal", Path("out.bmp"), "-o", Path("r")}, {{"Password: ", "tty-pw\n"}});
    ASSERT_EQ(reveal.nStatus, 0) << reveal.strOut;
    EXPECT_EQ(reveal.strOut.find("Password Again"), std::string::npos);
    EXPECT_EQ(C_TestBytes::Read(Path("r")), T_Bytes({'x'}));

    // A pass phrase too long for the application is refused on the terminal as anywhere else.
    const S_RunResult tooLong = m_cli.RunOnTerminal(
        {"hide", m_strPicture, m_strPayload, "-o", Path("long.bmp")}, {{"Password: ", std::string(16, 'k') + "\n"}});
    EXPECT_EQ(tooLong.nStatus, 2) << tooLong.strOut;
    EXPECT_NE(tooLong.strOut.find("no more than 15 characters"), std::string::npos) << tooLong.strOut;
    EXPECT_FALSE(std::filesystem::exists(Path("long.bmp")));

    // End of input at the prompt gives up without writing.
    const S_RunResult eof =
        m_cli.RunOnTerminal({"reveal", Path("out.bmp"), "-o", Path("r2")}, {{"Password: ", "\x04"}});
    EXPECT_EQ(eof.nStatus, 2) << eof.strOut;
    EXPECT_FALSE(std::filesystem::exists(Path("r2")));
}

}  // namespace
