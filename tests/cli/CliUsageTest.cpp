// Bad usage ends with 2 before any work; unreadable input ends with 3 and a reason; help and
// version end with 0.

#include "tests/cli/C_CliTest.h"

namespace {

using CliUsage = C_CliTest;

TEST_F(CliUsage, BadUsageIsTwo)
{
    const std::string strPicture = Picture(E_TestPicture::Bmp24);
    const std::string strFile = File("f", {'x'});
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"unknown"},
        {"info"},
        {"info", strPicture, "--bogus"},
        {"hide", strPicture, strFile},
        {"hide", strPicture, "-o", Path("o.bmp")},
        {"reveal", strPicture},
        {"reveal", strPicture, "-o", Path("a"), "-d", m_root.string()},
        {"compose", strPicture, "--subject", "s", "-o", Path("o.bmp")},
        {"compose", strPicture, "--subject", "s", "--text", "t", "--text-file", strFile, "-o", Path("o.bmp")},
        {"compare", strPicture},
        {"convert", strPicture, strPicture, "-o", Path("o.bmp")},
        // An empty argument, then an unknown option: once an endless loop in the parser.
        {"reveal", strPicture, "", "-q", "x"},
        {"compose", strPicture, "", "--zz", "x"},
    };
    for (const auto& args : cases) {
        const S_RunResult result = m_cli.Run(args);
        EXPECT_EQ(result.nStatus, 2) << ::testing::PrintToString(args) << "\n" << result.strErr;
        EXPECT_FALSE(result.strErr.empty());
    }
    EXPECT_EQ(Files(), (std::vector<std::string>{"carrier.bmp", "f"}));
}

TEST_F(CliUsage, OutputNameIsCheckedBeforeAnyWork)
{
    // The picture does not even exist: the name alone decides.
    const std::vector<std::pair<std::string, std::string>> outputs = {{"bm", "bmp, gif, pcx, png, jpg or jpeg"},
        {"out.bmp.tmp", "bmp, gif, pcx, png, jpg or jpeg"}, {"out.jpe", "bmp, gif, pcx, png, jpg or jpeg"}};
    for (const std::string strCommand : {"hide", "compose", "grayscale", "convert"}) {
        std::vector<std::string> args = {strCommand, Path("missing.bmp")};
        if (strCommand == "hide")
            args.push_back(File("f", {'x'}));
        if (strCommand == "compose")
            args.insert(args.end(), {"--subject", "s", "--text", "t"});
        for (const auto& [strOutput, strReason] : outputs) {
            args.insert(args.end(), {"-o", Path(strOutput)});
            const S_RunResult result = m_cli.Run(args);
            EXPECT_EQ(result.nStatus, 2) << strCommand << " " << strOutput;
            EXPECT_NE(result.strErr.find(strReason), std::string::npos) << result.strErr;
            args.resize(args.size() - 2);
        }
    }
    EXPECT_EQ(Files(), std::vector<std::string>{"f"});
}

TEST_F(CliUsage, HelpShowsEveryCommandAndVersionIsOnePointZero)
{
    const S_RunResult help = m_cli.Run({"--help"});
    EXPECT_EQ(help.nStatus, 0);
    for (const char* pCommand : {"info", "hide", "compose", "reveal", "compare", "grayscale", "convert"})
        EXPECT_NE(help.strOut.find(std::string("veilmark-cli ") + pCommand + " "), std::string::npos) << pCommand;
    const S_RunResult version = m_cli.Run({"--version"});
    EXPECT_EQ(version.nStatus, 0);
    EXPECT_EQ(version.strOut, "veilmark-cli 1.0\n");
}

TEST_F(CliUsage, UnreadablePicturesAreThreeWithAReason)
{
    const T_Bytes good = C_TestPictures::Make(E_TestPicture::Bmp24, 64, 48);
    const std::vector<std::string> pictures = {
        File("truncated.bmp", T_Bytes(good.begin(), good.begin() + 1000)),
        File("text.bmp", {'h', 'e', 'l', 'l', 'o'}),
        File("empty.gif", {}),
        Path("missing.pcx"),
    };
    for (const std::string& strPicture : pictures) {
        for (const auto& args : std::vector<std::vector<std::string>>{{"info", strPicture},
                 {"reveal", strPicture, "-o", Path("r")}, {"convert", strPicture, "-o", Path("c.gif")}}) {
            const S_RunResult result = m_cli.Run(args);
            EXPECT_EQ(result.nStatus, 3) << args[0] << " " << strPicture;
            EXPECT_TRUE(result.strErr.starts_with("Error Opening Image!\n" + strPicture + ": ")) << result.strErr;
            EXPECT_GT(result.strErr.size(), ("Error Opening Image!\n" + strPicture + ": \n").size()) << result.strErr;
        }
    }
    const S_RunResult second = m_cli.Run({"compare", File("good.bmp", good), pictures[0]});
    EXPECT_EQ(second.nStatus, 3);
    EXPECT_TRUE(second.strErr.starts_with("Error Opening Second Image!\n")) << second.strErr;
    EXPECT_FALSE(std::filesystem::exists(Path("r")));
    EXPECT_FALSE(std::filesystem::exists(Path("c.gif")));
}

TEST_F(CliUsage, UnreadablePayloadIsThreeWithTheFileErrorText)
{
    const S_RunResult result =
        m_cli.Run({"hide", Picture(E_TestPicture::Bmp24), Path("nothing.txt"), "-o", Path("o.bmp")});
    EXPECT_EQ(result.nStatus, 3);
    EXPECT_NE(result.strErr.find("was not found."), std::string::npos) << result.strErr;
    EXPECT_FALSE(std::filesystem::exists(Path("o.bmp")));
}

}  // namespace
