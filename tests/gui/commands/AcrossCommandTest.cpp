// Hide Across Pictures and Reveal from Pictures against scripted prompts: what reaches the
// output folder, and what a reveal from some of the pictures gives back or says.

#include "C_ScriptedPrompts.h"
#include "tests/support/C_TestPictures.h"

#include "commands/C_AcrossCommand.h"
#include "commands/C_AcrossPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kPassphrase = "seven cold lanterns over the harbour";

class AcrossCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path()
            / ("vmk_across_" + std::to_string(::getpid()) + "_"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir / "in");
        fs::create_directories(m_dir / "out");
        m_secret = C_TestBytes::Random(400, 7);  // does not compress: it must fit as it is
        C_TestBytes::Write(m_dir / "in" / "secret.bin", m_secret);
    }
    void TearDown() override
    {
        EXPECT_TRUE(m_prompts.AllUsed()) << "a scripted answer was never asked for";
        EXPECT_TRUE(m_prompts.m_faults.empty()) << m_prompts.Faults();
        fs::remove_all(m_dir);
    }

    // A true-colour picture (or a palette one) in the input folder.
    std::string Picture(const std::string& strName, uint32_t nSeed, bool bPalette = false)
    {
        const fs::path path = m_dir / "in" / strName;
        C_TestBytes::Write(
            path, C_TestPictures::Make(bPalette ? E_TestPicture::Bmp8 : E_TestPicture::Bmp24, 96, 96, nSeed));
        return path.string();
    }
    std::string Out(const std::string& strName) const { return (m_dir / "out" / strName).string(); }

    // The dialog answered with these pictures, k = 2, the secret, the output folder.
    void ScriptHide(const std::vector<std::string>& pictures)
    {
        m_prompts.m_openFilesAnswers.push_back(pictures);
        C_AcrossChoice choice;
        choice.m_pictures = pictures;
        choice.m_nNeeded = 2;
        choice.m_strFile = (m_dir / "in" / "secret.bin").string();
        choice.m_strFolder = (m_dir / "out").string();
        choice.m_strPassphrase = choice.m_strAgain = kPassphrase;
        m_prompts.m_acrossAnswers.push_back(choice);
    }

    // Every file of the output folder, hidden ones too, with its bytes.
    std::map<std::string, T_Bytes> OutputFolder() const
    {
        std::map<std::string, T_Bytes> files;
        for (const fs::directory_entry& entry : fs::directory_iterator(m_dir / "out"))
            files[entry.path().filename().string()] = C_TestBytes::Read(entry.path());
        return files;
    }

    fs::path m_dir;
    T_Bytes m_secret;
    C_ScriptedPrompts m_prompts;
};

TEST_F(AcrossCommandTest, AnyTwoOfThreeRestoreTheFileAndOneAloneSaysWhatIsMissing)
{
    const std::vector<std::string> pictures = {Picture("a.bmp", 1), Picture("b.bmp", 2), Picture("c.bmp", 3)};
    const T_Bytes original = C_TestBytes::Read(pictures[1]);
    ScriptHide(pictures);
    C_AcrossCommand::RunHide(m_prompts);

    // The dialog opened with all but one needed, and with room for the file.
    ASSERT_EQ(m_prompts.m_acrossShownWith.size(), 1u);
    EXPECT_EQ(m_prompts.m_acrossShownWith[0].m_nNeeded, 2u);
    EXPECT_NE(m_prompts.m_acrossWeighed[0].find("Largest file"), std::string::npos) << m_prompts.m_acrossWeighed[0];
    // Once a file is chosen, the line says whether it fits.
    C_AcrossPictures weighed;
    const std::string strLine = C_AcrossCommand::Weigh(weighed, pictures, 2, (m_dir / "in" / "secret.bin").string());
    EXPECT_NE(strLine.find("(400 bytes) fits"), std::string::npos) << strLine;
    ASSERT_EQ(m_prompts.m_hidden.size(), 1u) << (m_prompts.m_messages.empty() ? "" : m_prompts.m_messages[0]);
    EXPECT_EQ(m_prompts.m_hidden[0], (std::pair<std::string, uint32_t>("secret.bin", 400)));
    EXPECT_NE(m_prompts.m_hiddenHow[0].find((m_dir / "out").string()), std::string::npos) << m_prompts.m_hiddenHow[0];
    EXPECT_NE(m_prompts.m_hiddenHow[0].find("Any 2 of these 3 pictures"), std::string::npos);
    // Exactly the three pictures, under their own names; the originals untouched.
    std::vector<std::string> names;
    for (const auto& [strName, bytes] : OutputFolder())
        names.push_back(strName);
    EXPECT_EQ(names, (std::vector<std::string>{"a.bmp", "b.bmp", "c.bmp"}));
    EXPECT_EQ(C_TestBytes::Read(pictures[1]), original);
    EXPECT_NE(C_TestBytes::Read(Out("b.bmp")), original);

    // Each pair gives the file back, byte for byte, through the found and save dialogs.
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"a.bmp", "b.bmp"}, {"a.bmp", "c.bmp"}, {"c.bmp", "b.bmp"}};
    for (size_t i = 0; i < pairs.size(); ++i) {
        SCOPED_TRACE(pairs[i].first + " + " + pairs[i].second);
        const std::string strSaved = (m_dir / ("restored" + std::to_string(i) + ".bin")).string();
        m_prompts.m_openFilesAnswers.push_back({Out(pairs[i].first), Out(pairs[i].second)});
        m_prompts.Sealed(kPassphrase);
        m_prompts.m_foundAnswers.push_back(true);
        m_prompts.m_saveAnswers.push_back(strSaved);
        C_AcrossCommand::RunReveal(m_prompts);
        ASSERT_EQ(m_prompts.m_found.size(), i + 1) << (m_prompts.m_messages.empty() ? "" : m_prompts.m_messages.back());
        EXPECT_EQ(m_prompts.m_found.back(), (std::pair<std::string, uint32_t>("secret.bin", 400)));
        EXPECT_EQ(C_TestBytes::Read(strSaved), m_secret);
    }
    // The pass phrase was asked once for each reveal, not once for each picture.
    EXPECT_EQ(m_prompts.m_sealedShownWith.size(), pairs.size());

    // One picture alone: how many were found and how many are needed; nothing to save.
    m_prompts.m_openFilesAnswers.push_back({Out("c.bmp")});
    m_prompts.Sealed(kPassphrase);
    C_AcrossCommand::RunReveal(m_prompts);
    EXPECT_EQ(m_prompts.m_found.size(), pairs.size());
    ASSERT_EQ(m_prompts.m_messages.size(), 1u);
    EXPECT_NE(m_prompts.m_messages[0].find("Found 1 of the shares"), std::string::npos) << m_prompts.m_messages[0];
    EXPECT_NE(m_prompts.m_messages[0].find("2 are needed"), std::string::npos) << m_prompts.m_messages[0];
}

TEST_F(AcrossCommandTest, PicturesHoldingNoShareAreNamed)
{
    // An original holds nothing under the pass phrase; it is reported as no share at all.
    m_prompts.m_openFilesAnswers.push_back({Picture("a.bmp", 1), Picture("pal.bmp", 4, true)});
    m_prompts.Sealed(kPassphrase);
    C_AcrossCommand::RunReveal(m_prompts);
    ASSERT_EQ(m_prompts.m_messages.size(), 1u);
    EXPECT_NE(m_prompts.m_messages[0].find("No share"), std::string::npos) << m_prompts.m_messages[0];
    // The palette picture could never hold one, and is named for it.
    EXPECT_NE(m_prompts.m_messages[0].find("Cannot hold a share (a palette or low-depth picture): pal.bmp"),
        std::string::npos)
        << m_prompts.m_messages[0];
    EXPECT_TRUE(m_prompts.m_found.empty());
}

TEST_F(AcrossCommandTest, APalettePictureIsRefusedByNameBeforeAnyWork)
{
    const std::vector<std::string> pictures = {Picture("a.bmp", 1), Picture("pal.bmp", 4, true), Picture("c.bmp", 3)};
    ScriptHide(pictures);
    m_prompts.m_acrossAnswers.push_back(std::nullopt);  // the dialog shows again: Cancel
    C_AcrossCommand::RunHide(m_prompts);

    // Named as the dialog opens, and again when OK is pressed; the dialog then shows again with
    // the choice as it was.
    EXPECT_NE(m_prompts.m_acrossWeighed[0].find("pal.bmp cannot hold a share"), std::string::npos)
        << m_prompts.m_acrossWeighed[0];
    ASSERT_EQ(m_prompts.m_messages.size(), 1u);
    EXPECT_NE(m_prompts.m_messages[0].find("pal.bmp cannot hold a share"), std::string::npos)
        << m_prompts.m_messages[0];
    EXPECT_NE(m_prompts.m_messages[0].find("Nothing was written"), std::string::npos);
    ASSERT_EQ(m_prompts.m_acrossShownWith.size(), 2u);
    EXPECT_EQ(m_prompts.m_acrossShownWith[1].m_pictures, pictures);
    EXPECT_TRUE(m_prompts.m_steps.empty()) << "the hide began";
    EXPECT_TRUE(OutputFolder().empty());
    EXPECT_TRUE(m_prompts.m_hidden.empty());
}

TEST_F(AcrossCommandTest, CancelLeavesTheOutputFolderAsItWas)
{
    const std::vector<std::string> pictures = {Picture("a.bmp", 1), Picture("b.bmp", 2), Picture("c.bmp", 3)};
    // A picture of one of the names is there already, and the user agrees to replace it.
    C_TestBytes::Write(Out("b.bmp"), C_TestBytes::Random(100, 9));
    C_TestBytes::Write(Out("notes.txt"), C_TestBytes::Random(10, 10));
    const std::map<std::string, T_Bytes> before = OutputFolder();

    // Cancelled while hiding, after the first picture.
    ScriptHide(pictures);
    m_prompts.m_yesNoAnswers.push_back(true);
    m_prompts.m_cancelAfter = {1};
    C_AcrossCommand::RunHide(m_prompts);
    ASSERT_EQ(m_prompts.m_questions.size(), 1u);
    EXPECT_NE(m_prompts.m_questions[0].find("b.bmp"), std::string::npos) << m_prompts.m_questions[0];
    EXPECT_EQ(m_prompts.m_steps.size(), 1u);
    EXPECT_EQ(OutputFolder(), before);

    // Cancelled while writing, after two pictures went to their temporary files.
    ScriptHide(pictures);
    m_prompts.m_yesNoAnswers.push_back(true);
    m_prompts.m_cancelAfter = {0, 2};
    C_AcrossCommand::RunHide(m_prompts);
    EXPECT_EQ(m_prompts.m_steps.size(), 3u);
    EXPECT_EQ(OutputFolder(), before);
    EXPECT_TRUE(m_prompts.m_hidden.empty());
    EXPECT_TRUE(m_prompts.m_messages.empty()) << m_prompts.m_messages[0];
}

}  // namespace
