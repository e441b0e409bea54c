// Hide or compose, then reveal, through the binary, for every picture kind; and the cases in
// which hide must refuse or fail without writing anything.

#include "tests/cli/C_CliTest.h"

namespace {

const std::string kNoFitFile =
    "This Message will not fit into the selected Picture!\nChoose a smaller Message or a Larger Picture.\n";
const std::string kNoFitText =
    "This Message will not fit into the selected Picture!\nCut the Message or use a Larger Picture.\n";

std::string KindName(const ::testing::TestParamInfo<E_TestPicture>& info)
{
    switch (info.param) {
    case E_TestPicture::Bmp24: return "Bmp24";
    case E_TestPicture::Bmp8: return "Bmp8";
    case E_TestPicture::Gif: return "Gif";
    case E_TestPicture::Pcx8: return "Pcx8";
    case E_TestPicture::Pcx24: return "Pcx24";
    }
    return "Unknown";
}

class CliRoundTrip : public C_CliTest, public ::testing::WithParamInterface<E_TestPicture> { };

TEST_P(CliRoundTrip, HideThenRevealGivesNameAndBytesBack)
{
    const std::string strPicture = Picture(GetParam());
    const T_Bytes payload = C_TestBytes::Random(150, 7);
    const std::string strPayload = File("notes.v1.dat", payload);
    const std::string strOutput = Path(std::string("hidden.") + C_TestPictures::Extension(GetParam()));

    const S_RunResult hide = m_cli.Run({"hide", strPicture, strPayload, "-o", strOutput});
    ASSERT_EQ(hide.nStatus, 0) << hide.strErr;
    EXPECT_EQ(hide.strOut, "Hidden: notes.v1.dat (150 bytes)\n");

    const S_RunResult toFile = m_cli.Run({"reveal", strOutput, "-o", Path("out.bin")});
    ASSERT_EQ(toFile.nStatus, 0) << toFile.strErr;
    EXPECT_EQ(toFile.strOut, "Hidden message found: notes.v1.dat (150 bytes)\nSaved to: " + Path("out.bin") + "\n");
    EXPECT_EQ(C_TestBytes::Read(Path("out.bin")), payload);

    std::filesystem::create_directory(Path("got"));
    ASSERT_EQ(m_cli.Run({"reveal", strOutput, "-d", Path("got")}).nStatus, 0);
    EXPECT_EQ(C_TestBytes::Read(Path("got/notes.v1.dat")), payload);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, CliRoundTrip,
    ::testing::Values(
        E_TestPicture::Bmp24, E_TestPicture::Bmp8, E_TestPicture::Gif, E_TestPicture::Pcx8, E_TestPicture::Pcx24),
    KindName);

using CliHide = C_CliTest;

TEST_F(CliHide, OutputMayBeThePictureItself)
{
    const std::string strPicture = Picture(E_TestPicture::Gif);
    ASSERT_EQ(m_cli.Run({"hide", strPicture, File("a.txt", {'h', 'i'}), "-o", strPicture}).nStatus, 0);
    EXPECT_EQ(m_cli.Run({"reveal", strPicture, "-o", Path("b.txt")}).nStatus, 0);
    EXPECT_EQ(C_TestBytes::Read(Path("b.txt")), T_Bytes({'h', 'i'}));
    EXPECT_EQ(Files(), (std::vector<std::string>{"a.txt", "b.txt", "carrier.gif"}));  // no temporary left
}

TEST_F(CliHide, ComposeHidesTheTextAsSubjectDotTxt)
{
    const std::string strPicture = Picture(E_TestPicture::Pcx8);
    const S_RunResult inline_ =
        m_cli.Run({"compose", strPicture, "--subject", "Plan B", "--text", "go\r\nnow", "-o", Path("a.pcx")});
    ASSERT_EQ(inline_.nStatus, 0) << inline_.strErr;
    EXPECT_EQ(inline_.strOut, "Hidden: Plan B.txt (7 bytes)\n");
    std::filesystem::create_directory(Path("got"));
    ASSERT_EQ(m_cli.Run({"reveal", Path("a.pcx"), "-d", Path("got")}).nStatus, 0);
    EXPECT_EQ(C_TestBytes::Read(Path("got/Plan B.txt")), T_Bytes({'g', 'o', '\r', '\n', 'n', 'o', 'w'}));

    // A text file's line breaks stay as they are.
    const T_Bytes text = {'a', '\n', 'b', '\n'};
    ASSERT_EQ(m_cli.Run({"compose", strPicture, "--subject", "x", "--text-file", File("t", text), "-o", Path("b.pcx")})
                  .nStatus,
        0);
    ASSERT_EQ(m_cli.Run({"reveal", Path("b.pcx"), "-o", Path("x.out")}).nStatus, 0);
    EXPECT_EQ(C_TestBytes::Read(Path("x.out")), text);
}

TEST_F(CliHide, ComposeNeedsSubjectAndText)
{
    const std::string strPicture = Picture(E_TestPicture::Bmp24);
    for (const auto& args : std::vector<std::vector<std::string>>{{"--subject", "s", "--text", ""},
             {"--subject", "", "--text", "t"}, {"--subject", "s", "--text-file", File("empty", {})}}) {
        std::vector<std::string> command = {"compose", strPicture, "-o", Path("out.bmp")};
        command.insert(command.end(), args.begin(), args.end());
        const S_RunResult result = m_cli.Run(command);
        EXPECT_EQ(result.nStatus, 2);
        EXPECT_EQ(result.strErr, "You must Enter both the Subject\nand the Message!\n");
    }
    EXPECT_FALSE(std::filesystem::exists(Path("out.bmp")));
}

TEST_F(CliHide, RefusesWhatDoesNotFit)
{
    // 64 x 48 x 3 bytes: N = 9215, so name and data may be at most 912 bytes together.
    const std::string strPicture = Picture(E_TestPicture::Bmp24);
    EXPECT_EQ(m_cli.Run({"hide", strPicture, File("f", T_Bytes(911)), "-o", Path("ok.bmp")}).nStatus, 0);
    const S_RunResult file = m_cli.Run({"hide", strPicture, File("g", T_Bytes(912)), "-o", Path("no.bmp")});
    EXPECT_EQ(file.nStatus, 2);
    EXPECT_EQ(file.strErr, kNoFitFile);
    const S_RunResult text =
        m_cli.Run({"compose", strPicture, "--subject", "s", "--text", std::string(908, 'x'), "-o", Path("no.bmp")});
    EXPECT_EQ(text.nStatus, 2);
    EXPECT_EQ(text.strErr, kNoFitText);
    EXPECT_FALSE(std::filesystem::exists(Path("no.bmp")));
}

TEST_F(CliHide, AnotherFormatNeedsForceAndMustStillReveal)
{
    const std::string strPicture = Picture(E_TestPicture::Bmp24);
    const std::string strPayload = File("p", {1, 2, 3});
    const T_Bytes before = {'o', 'l', 'd'};
    const std::string strOutput = File("out.gif", before);

    const S_RunResult refused = m_cli.Run({"hide", strPicture, strPayload, "-o", strOutput});
    EXPECT_EQ(refused.nStatus, 2);
    EXPECT_NE(refused.strErr.find("Warning: "), std::string::npos) << refused.strErr;
    EXPECT_NE(refused.strErr.find("--force"), std::string::npos) << refused.strErr;

    // 24-bit colour reduced to a GIF's palette loses the record: the check stops the write.
    const S_RunResult forced = m_cli.Run({"hide", strPicture, strPayload, "-o", strOutput, "--force"});
    EXPECT_EQ(forced.nStatus, 3);
    EXPECT_NE(forced.strErr.find("was not written"), std::string::npos) << forced.strErr;
    EXPECT_EQ(C_TestBytes::Read(strOutput), before);
    EXPECT_EQ(Files(), (std::vector<std::string>{"carrier.bmp", "out.gif", "p"}));
}

}  // namespace
