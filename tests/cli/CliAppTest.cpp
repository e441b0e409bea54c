// The command line driven in-process, as the fuzzer drives it: environment and streams are
// the caller's, and a run that may not use the terminal never waits on one.

#include "cli/C_CliApp.h"
#include "tests/cli/C_CliTest.h"

#include <sstream>

namespace {

class CliApp : public C_CliTest {
protected:
    int Run(const std::vector<std::string>& args, const T_Environment& env = {})
    {
        m_out.str("");
        m_err.str("");
        C_CliApp app;
        app.SetTerminalAllowed(false);
        return app.Run(args, env, m_out, m_err);
    }

    std::ostringstream m_out;
    std::ostringstream m_err;
};

TEST_F(CliApp, UsesTheGivenEnvironmentAndStreamsOnly)
{
    const std::string strPicture = Picture(E_TestPicture::Bmp8);
    const std::string strPayload = File("payload.txt", {'h', 'i'});
    // The process's own environment has a pass phrase (the fixture's runner does not pass it
    // on, but the variable may be set where the tests run); an empty map must mean none.
    EXPECT_EQ(Run({"hide", strPicture, strPayload, "-o", Path("out.bmp")}), 2);
    EXPECT_NE(m_err.str().find("VEILMARK_PASSPHRASE"), std::string::npos) << m_err.str();
    EXPECT_FALSE(std::filesystem::exists(Path("out.bmp")));

    const T_Environment env = {{"VEILMARK_PASSPHRASE", "in-process"}};
    ASSERT_EQ(Run({"hide", strPicture, strPayload, "-o", Path("out.bmp")}, env), 0) << m_err.str();
    EXPECT_EQ(m_out.str(), "Hidden: payload.txt (2 bytes)\n");
    EXPECT_EQ(Run({"reveal", Path("out.bmp"), "-o", Path("a")}, {{"VEILMARK_PASSPHRASE", "in-process "}}), 1);
    EXPECT_EQ(m_err.str(), "No Hidden Message is Detected in this Picture!\n");
    ASSERT_EQ(Run({"reveal", Path("out.bmp"), "-o", Path("a")}, env), 0) << m_err.str();
    EXPECT_EQ(C_TestBytes::Read(Path("a")), T_Bytes({'h', 'i'}));
}

TEST_F(CliApp, HelpOfEveryCommandHasAnExampleOfItself)
{
    for (const char* pCommand : {"info", "hide", "compose", "reveal", "compare", "grayscale", "convert"}) {
        SCOPED_TRACE(pCommand);
        EXPECT_EQ(Run({pCommand, "--help"}), 0);
        const std::string strHelp = m_out.str();
        const size_t nExample = strHelp.find("Example:\n");
        ASSERT_NE(nExample, std::string::npos) << strHelp;
        EXPECT_NE(strHelp.find(std::string("veilmark-cli ") + pCommand + " ", nExample), std::string::npos) << strHelp;
    }
    EXPECT_EQ(Run({"--version"}), 0);
    EXPECT_EQ(m_out.str(), C_CliApp::VersionLine() + "\n");
    // Usage errors go to the given error stream, not the process's.
    EXPECT_EQ(Run({"info"}), 2);
    EXPECT_FALSE(m_err.str().empty());
    EXPECT_EQ(m_out.str(), "");
}

}  // namespace
