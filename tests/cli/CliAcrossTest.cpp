// One file across a PNG, a BMP and a JPEG through the binary, any two restoring it: every pair
// reveals it, one picture alone says which share it holds and saves nothing, a palette picture
// and a file too large are refused before any work. Each hide or look into a picture costs a
// key derivation, so the cases share one hide.

#include "tests/cli/C_CliTest.h"

#include "tests/support/C_TestJpeg.h"

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class CliAcross : public C_CliTest {
protected:
    void MakePictures()
    {
        m_strPng = Png(Picture(E_TestPicture::Bmp24, "a", 96, 72), "a");
        ASSERT_FALSE(m_strPng.empty());
        m_strBmp = Picture(E_TestPicture::Bmp24, "b", 90, 70);
        C_TestJpeg::S_Options options;
        options.nWidth = 160;
        options.nHeight = 120;
        m_strJpeg = File("c.jpg", C_TestJpeg::Make(options));
        fs::create_directories(Path("out"));
        fs::remove(Path("a.bmp"));
    }

    std::string m_strPng, m_strBmp, m_strJpeg;
};

}  // namespace

TEST_F(CliAcross, AnyTwoOfThreeMixedPicturesRestoreTheFileAndOneAloneSavesNothing)
{
    MakePictures();
    const std::string strPayload = File("notes.bin", C_TestBytes::Random(300, 9));
    m_cli.SetPassphrase("kingfisher on the reeds");

    // Refused before any work: a palette picture among them, by name; a file too large, with the
    // largest that fits. Nothing is written.
    const std::string strGif = Picture(E_TestPicture::Gif, "d", 96, 72);
    const S_RunResult palette =
        m_cli.Run({"hide", "--seal", "--across", "2", m_strPng, strGif, m_strJpeg, strPayload, "-o", Path("out")});
    EXPECT_EQ(palette.nStatus, 2);
    EXPECT_NE(palette.strErr.find("d.gif cannot hold a share"), std::string::npos) << palette.strErr;
    const std::string strLarge = File("large.bin", C_TestBytes::Random(200000, 10));
    const S_RunResult large =
        m_cli.Run({"hide", "--seal", "--across", "2", m_strPng, m_strBmp, m_strJpeg, strLarge, "-o", Path("out")});
    EXPECT_EQ(large.nStatus, 2);
    const size_t nAt = large.strErr.find("at most ");
    ASSERT_NE(nAt, std::string::npos) << large.strErr;
    const unsigned long nLargest = std::stoul(large.strErr.substr(nAt + 8));
    EXPECT_GT(nLargest, 300u);
    EXPECT_LT(nLargest, 200000u);
    EXPECT_TRUE(fs::is_empty(Path("out")));

    const S_RunResult hide =
        m_cli.Run({"hide", "--seal", "--across", "2", m_strPng, m_strBmp, m_strJpeg, strPayload, "-o", Path("out")});
    ASSERT_EQ(hide.nStatus, 0) << hide.strErr;
    EXPECT_NE(hide.strOut.find("any 2 of them restore it"), std::string::npos) << hide.strOut;
    const std::vector<std::string> shares = {Path("out/a.png"), Path("out/b.bmp"), Path("out/c.jpg")};
    for (const std::string& strShare : shares)
        ASSERT_TRUE(fs::exists(strShare)) << strShare;

    for (const auto& pair : std::vector<std::pair<size_t, size_t>>{{0, 1}, {0, 2}, {2, 1}}) {
        const std::string strDir = Path("back" + std::to_string(pair.first) + std::to_string(pair.second));
        fs::create_directories(strDir);
        const S_RunResult reveal = m_cli.Run({"reveal", shares[pair.first], shares[pair.second], "-d", strDir});
        ASSERT_EQ(reveal.nStatus, 0) << reveal.strErr;
        EXPECT_NE(reveal.strOut.find("share " + std::to_string(pair.first + 1) + " of 3"), std::string::npos)
            << reveal.strOut;
        EXPECT_EQ(C_TestBytes::Read(strDir + "/notes.bin"), C_TestBytes::Read(strPayload));
    }

    // One share, alone or given twice, restores nothing and writes nothing.
    fs::create_directories(Path("none"));
    const S_RunResult alone = m_cli.Run({"reveal", shares[1], "-d", Path("none")});
    EXPECT_EQ(alone.nStatus, 1);
    EXPECT_NE(alone.strErr.find("share 2 of 3"), std::string::npos) << alone.strErr;
    EXPECT_NE(alone.strErr.find("any 2 of the 3"), std::string::npos) << alone.strErr;
    const S_RunResult twice = m_cli.Run({"reveal", shares[2], shares[2], "-d", Path("none")});
    EXPECT_EQ(twice.nStatus, 1);
    EXPECT_NE(twice.strErr.find("Found 1 of the 2 shares"), std::string::npos) << twice.strErr;
    EXPECT_TRUE(fs::is_empty(Path("none")));
}
