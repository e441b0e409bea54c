// The commands against scripted prompts: every way out of each command, what it shows, and
// what it leaves in the carrier.

#include "C_ScriptedPrompts.h"
#include "tests/support/C_TestPictures.h"

#include "commands/C_AboutCommand.h"
#include "commands/C_CompareCommand.h"
#include "commands/C_ComposeCommand.h"
#include "commands/C_ComposeSealedCommand.h"
#include "commands/C_DetectionCheckCommand.h"
#include "commands/C_HideCommand.h"
#include "commands/C_HideSealedCommand.h"
#include "commands/C_PropertiesCommand.h"
#include "commands/C_RevealCommand.h"
#include "commands/vmk_command_texts.h"
#include "model/C_Carrier.h"
#include "model/records/C_Message.h"
#include "model/files/C_FileException.h"
#include "model/records/C_SealedRecord.h"
#include "model/effects/C_PalettePairing.h"
#include "tests/support/C_ImageBytes.h"
#include "tests/support/C_TestJpeg.h"

#include <gtest/gtest.h>
#include <zstd.h>

#include <cerrno>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path()
            / ("vmk_cmd_" + std::to_string(::getpid()) + "_"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        EXPECT_TRUE(m_prompts.AllUsed()) << "a scripted answer was never asked for";
        EXPECT_TRUE(m_prompts.m_faults.empty()) << m_prompts.Faults();
        fs::remove_all(m_dir);
    }

    std::string Path(const std::string& strName) const { return (m_dir / strName).string(); }
    std::string WriteFile(const std::string& strName, const std::vector<uint8_t>& bytes)
    {
        C_TestBytes::Write(Path(strName), bytes);
        return Path(strName);
    }
    // A carrier of nWidth x nHeight one-byte pixels: N = nWidth * nHeight - 1.
    void Open(int nWidth, int nHeight = 1, uint32_t nSeed = 1)
    {
        ASSERT_TRUE(m_carrier.OpenImage(WriteFile("carrier.pcx", C_TestPictures::Pcx(nWidth, nHeight, 1, nSeed))))
            << m_carrier.GetLastError();
    }
    std::vector<uint8_t> Pixels() const
    {
        return {m_carrier.GetBits(), m_carrier.GetBits() + m_carrier.GetUsableBytes() + 1};
    }
    // The carrier keeps the pass phrase of its last reveal, found or not.
    void KeepPassword(const std::string& strPassword)
    {
        C_Message none;
        m_carrier.RevealMessage(none, strPassword);
    }

    void Hide()
    {
        C_HideCommand::Run(m_carrier, m_prompts, [this] { ++m_nRedraws; });
    }
    void Compose()
    {
        C_ComposeCommand::Run(m_carrier, m_prompts, [this] { ++m_nRedraws; });
    }
    void Reveal() { C_RevealCommand::Run(m_carrier, m_prompts); }
    void HideSealed()
    {
        C_HideSealedCommand::Run(m_carrier, m_prompts, [this] { ++m_nRedraws; });
    }
    void ComposeSealed()
    {
        C_ComposeSealedCommand::Run(m_carrier, m_prompts, [this] { ++m_nRedraws; });
    }
    void RevealSealed() { C_RevealCommand::RunSealed(m_carrier, m_prompts); }

    // Hides a file of these bytes under strPassword, expecting success.
    void HideFile(const std::string& strName, const std::vector<uint8_t>& bytes, const std::string& strPassword)
    {
        m_prompts.m_openAnswers.push_back(WriteFile(strName, bytes));
        m_prompts.Password(strPassword);
        Hide();
    }

    fs::path m_dir;
    C_Carrier m_carrier;
    C_ScriptedPrompts m_prompts;
    int m_nRedraws = 0;
};

using Strings = std::vector<std::string>;

// A 24-bit BMP with the smooth shading and faint grain of a photograph, whose lowest bits the
// detectors read as untouched (noise pictures look like hidden data to them).
T_Bytes PhotoLikeBmp(int nWidth, int nHeight)
{
    S_BmpLayout layout;
    layout.nWidth = nWidth;
    layout.nHeight = nHeight;
    const uint32_t nStride = C_ImageBytes::BmpStride(uint32_t(nWidth), 24);
    layout.aPixels.assign(size_t{nStride} * size_t(nHeight), 0);
    const T_Bytes grain = C_TestBytes::Random(layout.aPixels.size(), 5);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth * 3; ++x) {
            const size_t i = size_t(y) * nStride + size_t(x);
            const double v = 128 + 70 * std::sin(x / 41.0 + (x % 3)) * std::cos(y / 29.0) + (grain[i] % 5) - 2;
            layout.aPixels[i] = uint8_t(std::lround(std::clamp(v, 0.0, 255.0)));
        }
    return C_ImageBytes::Bmp(layout);
}

// ---- the pass phrase loop -------------------------------------------------------------------

TEST_F(CommandsTest, PassPhraseLoopAsksAgainAfterAMismatchWithTheEntriesKept)
{
    Open(2000);
    m_prompts.m_passwordAnswers = {C_ScriptedPrompts::Pair{"abc", "abd"}, C_ScriptedPrompts::Pair{"abc", "abc"}};
    Reveal();
    EXPECT_EQ(m_prompts.m_messages, (Strings{vmk::kStrPasswordsDiffer, vmk::kStrNothingFound}));
    ASSERT_EQ(m_prompts.m_passwordShownWith.size(), 2u);
    EXPECT_EQ(m_prompts.m_passwordShownWith[0], (C_ScriptedPrompts::Pair{"", ""}));
    EXPECT_EQ(m_prompts.m_passwordShownWith[1], (C_ScriptedPrompts::Pair{"abc", "abd"}));
    EXPECT_EQ(m_carrier.GetPassword(), "abc");  // kept although nothing was found
}

TEST_F(CommandsTest, PassPhrasesDifferingOnlyInCaseDoNotMatch)
{
    Open(2000);
    KeepPassword("old");
    const auto before = Pixels();
    m_prompts.m_openAnswers.push_back(WriteFile("a.txt", {'x'}));
    m_prompts.m_passwordAnswers = {C_ScriptedPrompts::Pair{"Secret", "secret"}, std::nullopt};
    Hide();
    EXPECT_EQ(m_prompts.m_messages, (Strings{vmk::kStrPasswordsDiffer}));
    EXPECT_EQ(m_prompts.m_passwordShownWith.size(), 2u);
    EXPECT_EQ(m_carrier.GetPassword(), "old");
    EXPECT_EQ(Pixels(), before);
    EXPECT_TRUE(m_prompts.m_hidden.empty());
    EXPECT_EQ(m_nRedraws, 0);
}

TEST_F(CommandsTest, TheEmptyPassPhraseIsAcceptedAndWorks)
{
    Open(2000);
    HideFile("e.bin", {1, 2, 3}, "");
    EXPECT_TRUE(m_prompts.m_messages.empty());
    ASSERT_EQ(m_prompts.m_hidden.size(), 1u);
    m_prompts.Password("");
    m_prompts.m_foundAnswers.push_back(false);
    Reveal();
    ASSERT_EQ(m_prompts.m_found.size(), 1u);
    EXPECT_EQ(m_prompts.m_found[0], (std::pair<std::string, uint32_t>{"e.bin", 3}));
}

TEST_F(CommandsTest, CancelOnAnyShowingOfThePassPhraseEndsEveryCommand)
{
    Open(2000);
    KeepPassword("kept");
    const auto before = Pixels();
    // Hide, cancelled on the first showing.
    m_prompts.m_openAnswers.push_back(WriteFile("a.txt", {'x'}));
    m_prompts.m_passwordAnswers.push_back(std::nullopt);
    Hide();
    // Compose, cancelled on the third showing.
    m_prompts.m_composeAnswers.push_back(C_ScriptedPrompts::Pair{"Hi", "Note"});
    m_prompts.m_passwordAnswers = {C_ScriptedPrompts::Pair{"a", "b"}, C_ScriptedPrompts::Pair{"a", "c"}, std::nullopt};
    Compose();
    // Reveal, cancelled on the second showing.
    m_prompts.m_passwordAnswers = {C_ScriptedPrompts::Pair{"a", "B"}, std::nullopt};
    Reveal();
    EXPECT_EQ(m_prompts.m_messages, Strings(3, vmk::kStrPasswordsDiffer));
    EXPECT_EQ(m_carrier.GetPassword(), "kept");
    EXPECT_EQ(Pixels(), before);
    EXPECT_TRUE(m_prompts.m_hidden.empty());
    EXPECT_TRUE(m_prompts.m_found.empty());
    EXPECT_EQ(m_nRedraws, 0);
}

// ---- Hide Message ---------------------------------------------------------------------------

TEST_F(CommandsTest, HideAsksForAnyFileAndCancelEndsQuietly)
{
    Open(2000);
    const auto before = Pixels();
    m_prompts.m_openAnswers.push_back("");
    Hide();
    ASSERT_EQ(m_prompts.m_openArgs.size(), 1u);
    EXPECT_EQ(m_prompts.m_openArgs[0].m_strTitle, "");
    EXPECT_EQ(m_prompts.m_openArgs[0].m_strFilter, "All Files(*.*)|*|");
    EXPECT_EQ(m_prompts.m_openArgs[0].m_strDefaultExt, ".*");
    EXPECT_EQ(m_prompts.m_openArgs[0].m_strInitialName, "");
    EXPECT_TRUE(m_prompts.m_messages.empty());
    EXPECT_TRUE(m_prompts.m_passwordShownWith.empty());
    EXPECT_EQ(Pixels(), before);
}

// Mended: a file that cannot be opened stops the command with its file error, instead of
// hiding an empty record.
TEST_F(CommandsTest, HideStopsWithTheFileErrorWhenTheFileCannotBeOpened)
{
    Open(2000);
    KeepPassword("kept");
    const auto before = Pixels();
    const std::string strMissing = Path("missing.dat");
    m_prompts.m_openAnswers.push_back(strMissing);
    Hide();
    const std::string strExpected =
        C_FileException(C_FileException::OsErrorToCause(ENOENT), strMissing).GetErrorMessage();
    EXPECT_EQ(m_prompts.m_messages, (Strings{strExpected}));
    EXPECT_NE(strExpected.find("missing.dat"), std::string::npos);
    EXPECT_TRUE(m_prompts.m_passwordShownWith.empty());
    EXPECT_TRUE(m_prompts.m_hidden.empty());
    EXPECT_EQ(Pixels(), before);
    EXPECT_EQ(m_carrier.GetPassword(), "kept");

    // A folder is no file either.
    m_prompts.m_messages.clear();
    fs::create_directory(Path("folder"));
    m_prompts.m_openAnswers.push_back(Path("folder"));
    Hide();
    ASSERT_EQ(m_prompts.m_messages.size(), 1u);
    EXPECT_NE(m_prompts.m_messages[0].find("folder"), std::string::npos);
    EXPECT_EQ(Pixels(), before);
}

// N = 1000: a record of 9 + name + size bytes fits while 10 x record <= 1000.
TEST_F(CommandsTest, AFileFitsExactlyAtTheBoundaryAndOneByteMoreIsRefused)
{
    Open(1001);
    ASSERT_EQ(m_carrier.GetUsableBytes(), 1000u);
    KeepPassword("kept");
    const auto before = Pixels();

    m_prompts.m_openAnswers.push_back(WriteFile("f.bin", C_TestBytes::Random(87, 2)));  // 9 + 5 + 87 = 101
    Hide();
    EXPECT_EQ(m_prompts.m_messages, (Strings{vmk::kStrFileWontFit}));
    EXPECT_TRUE(m_prompts.m_passwordShownWith.empty());  // never asked after a fit failure
    EXPECT_EQ(Pixels(), before);
    EXPECT_EQ(m_carrier.GetPassword(), "kept");

    m_prompts.m_messages.clear();
    m_prompts.m_openAnswers.push_back(
        WriteFile("f2.bin", C_TestBytes::Random(85, 3)));  // 9 + 6 + 85 = 100: one more name byte
    m_prompts.m_openAnswers.push_back(WriteFile("f.bin", C_TestBytes::Random(86, 3)));  // 9 + 5 + 86 = 100
    m_prompts.Password("pw");
    m_prompts.Password("pw2");
    Hide();
    Hide();
    EXPECT_TRUE(m_prompts.m_messages.empty());
    EXPECT_EQ(m_prompts.m_hidden, (std::vector<std::pair<std::string, uint32_t>>{{"f2.bin", 85}, {"f.bin", 86}}));
    EXPECT_EQ(m_carrier.GetPassword(), "pw2");
    EXPECT_EQ(m_nRedraws, 2);
}

TEST_F(CommandsTest, AHideRefusedForItsPassPhraseSaysHowMuchFitsUnderIt)
{
    // N a multiple of 17: a payload at full capacity repeats positions under some pass phrases.
    Open(506, 1194);
    const std::vector<uint8_t> payload = C_TestBytes::Random(m_carrier.GetLargestPayload(5), 7);
    C_Message full;
    full.m_strName = "f.bin";
    full.SetFromText(static_cast<uint32_t>(payload.size()), reinterpret_cast<const char*>(payload.data()));
    C_Carrier probe;
    ASSERT_TRUE(probe.OpenImage(Path("carrier.pcx")));
    std::string strRefused;
    for (int i = 0; i < 5000 && strRefused.empty(); ++i) {
        const std::string strPassword = "p" + std::to_string(i);
        if (!probe.HideMessage(full, strPassword))
            strRefused = strPassword;
    }
    ASSERT_FALSE(strRefused.empty());
    const auto before = Pixels();
    HideFile("f.bin", payload, strRefused);
    EXPECT_EQ(m_prompts.m_messages,
        (Strings{std::string(vmk::kStrFileWontFit) + "\n\nWith this pass phrase the picture holds at most "
            + std::to_string(m_carrier.LargestPayloadFor(strRefused, 5)) + " bytes under this name."}));
    EXPECT_EQ(Pixels(), before);
}

TEST_F(CommandsTest, AnEmptyFileIsHiddenAndRevealedAsAnEmptyFile)
{
    Open(1001);
    HideFile("empty.dat", {}, "zero");  // 9 + 9 = 18 bytes of record
    EXPECT_EQ(m_prompts.m_hidden, (std::vector<std::pair<std::string, uint32_t>>{{"empty.dat", 0}}));
    EXPECT_EQ(m_nRedraws, 1);

    m_prompts.Password("zero");
    m_prompts.m_foundAnswers.push_back(true);
    const std::string strOut = Path("out.dat");
    m_prompts.m_saveAnswers.push_back(strOut);
    Reveal();
    EXPECT_EQ(m_prompts.m_found, (std::vector<std::pair<std::string, uint32_t>>{{"empty.dat", 0}}));
    ASSERT_TRUE(fs::exists(strOut));
    EXPECT_EQ(fs::file_size(strOut), 0u);
    EXPECT_TRUE(m_prompts.m_messages.empty());
}

TEST_F(CommandsTest, HidingTwiceLeavesOnlyTheSecondPayload)
{
    Open(200, 50);
    const auto first = C_TestBytes::Random(300, 4);
    const auto second = C_TestBytes::Random(120, 5);
    HideFile("first.bin", first, "same");
    const auto afterFirst = Pixels();
    HideFile("second.bin", second, "same");
    EXPECT_NE(Pixels(), afterFirst);
    ASSERT_EQ(m_prompts.m_hidden.size(), 2u);

    // Revealing twice finds the same payload: revealing changes nothing.
    for (int i = 0; i < 2; ++i) {
        m_prompts.Password("same");
        m_prompts.m_foundAnswers.push_back(true);
        m_prompts.m_saveAnswers.push_back(Path("got" + std::to_string(i)));
    }
    const auto beforeReveal = Pixels();
    Reveal();
    Reveal();
    EXPECT_EQ(Pixels(), beforeReveal);
    EXPECT_EQ(
        m_prompts.m_found, (std::vector<std::pair<std::string, uint32_t>>{{"second.bin", 120}, {"second.bin", 120}}));
    EXPECT_EQ(C_TestBytes::Read(Path("got0")), second);
    EXPECT_EQ(C_TestBytes::Read(Path("got1")), second);
    EXPECT_EQ(m_nRedraws, 2);  // hides redraw, reveals do not
}

// ---- Compose a Message ----------------------------------------------------------------------

TEST_F(CommandsTest, ComposeNamesThePayloadAfterTheSubject)
{
    Open(2000);
    m_prompts.m_composeAnswers.push_back(C_ScriptedPrompts::Pair{"Hi", "Note"});
    m_prompts.Password("p");
    Compose();
    EXPECT_EQ(m_prompts.m_hidden, (std::vector<std::pair<std::string, uint32_t>>{{"Note.txt", 2}}));
    EXPECT_EQ(m_nRedraws, 1);

    m_prompts.Password("p");
    m_prompts.m_foundAnswers.push_back(true);
    m_prompts.m_saveAnswers.push_back(Path("note_out"));
    Reveal();
    const auto bytes = C_TestBytes::Read(Path("note_out"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "Hi");
}

TEST_F(CommandsTest, ComposeCountsALineBreakAsTwoBytesAndKeepsBlankSubjects)
{
    Open(2000);
    m_prompts.m_composeAnswers.push_back(C_ScriptedPrompts::Pair{"a\r\nb", "   "});
    m_prompts.Password("p");
    Compose();
    EXPECT_EQ(m_prompts.m_hidden, (std::vector<std::pair<std::string, uint32_t>>{{"   .txt", 4}}));

    // Text is UTF-8 bytes: "é" is two of them.
    m_prompts.m_composeAnswers.push_back(C_ScriptedPrompts::Pair{"\xC3\xA9", "\xC3\xA9t\xC3\xA9"});
    m_prompts.Password("p");
    Compose();
    ASSERT_EQ(m_prompts.m_hidden.size(), 2u);
    EXPECT_EQ(m_prompts.m_hidden[1], (std::pair<std::string, uint32_t>{"\xC3\xA9t\xC3\xA9.txt", 2}));
}

TEST_F(CommandsTest, ComposeAsksAgainWhileTextOrSubjectIsEmpty)
{
    Open(2000);
    m_prompts.m_composeAnswers = {
        C_ScriptedPrompts::Pair{"", "Subj"}, C_ScriptedPrompts::Pair{"Text", ""}, std::nullopt};
    Compose();
    EXPECT_EQ(m_prompts.m_messages, Strings(2, vmk::kStrComposeEmpty));
    ASSERT_EQ(m_prompts.m_composeShownWith.size(), 3u);
    EXPECT_EQ(m_prompts.m_composeShownWith[1], (C_ScriptedPrompts::Pair{"", "Subj"}));  // as typed
    EXPECT_EQ(m_prompts.m_composeShownWith[2], (C_ScriptedPrompts::Pair{"Text", ""}));
    EXPECT_TRUE(m_prompts.m_passwordShownWith.empty());
}

TEST_F(CommandsTest, AComposedMessageFitsExactlyAtTheBoundaryAndOneByteMoreIsRefused)
{
    Open(1001);  // N = 1000: 9 + name + size <= 100
    KeepPassword("kept");
    const auto before = Pixels();
    // Name "Note.txt" is 8 bytes: 83 bytes of text fit exactly, 84 do not.
    m_prompts.m_composeAnswers.push_back(C_ScriptedPrompts::Pair{std::string(84, 'x'), "Note"});
    Compose();
    EXPECT_EQ(m_prompts.m_messages, (Strings{vmk::kStrTextWontFit}));
    EXPECT_TRUE(m_prompts.m_passwordShownWith.empty());
    EXPECT_EQ(m_prompts.m_composeShownWith.size(), 1u);  // not shown again
    EXPECT_EQ(Pixels(), before);
    EXPECT_EQ(m_carrier.GetPassword(), "kept");

    // One more byte of subject instead of text is refused the same way.
    m_prompts.m_messages.clear();
    m_prompts.m_composeAnswers.push_back(C_ScriptedPrompts::Pair{std::string(83, 'x'), "Notes"});
    Compose();
    EXPECT_EQ(m_prompts.m_messages, (Strings{vmk::kStrTextWontFit}));

    m_prompts.m_messages.clear();
    m_prompts.m_composeAnswers.push_back(C_ScriptedPrompts::Pair{std::string(83, 'x'), "Note"});
    m_prompts.Password("p");
    Compose();
    EXPECT_TRUE(m_prompts.m_messages.empty());
    EXPECT_EQ(m_prompts.m_hidden, (std::vector<std::pair<std::string, uint32_t>>{{"Note.txt", 83}}));
}

// ---- Reveal Message -------------------------------------------------------------------------

TEST_F(CommandsTest, RevealReportsNothingFoundForAWrongPassPhraseOrAnEmptyPicture)
{
    Open(2000);
    m_prompts.Password("any");
    Reveal();
    HideFile("x.bin", {9, 9}, "right");
    m_prompts.Password("wrong");
    Reveal();
    EXPECT_EQ(m_prompts.m_messages, Strings(2, vmk::kStrNothingFound));
    EXPECT_TRUE(m_prompts.m_found.empty());
    EXPECT_EQ(m_carrier.GetPassword(), "wrong");
}

TEST_F(CommandsTest, RevealEndsWithoutWritingWhenFoundOrSaveIsCancelled)
{
    Open(2000);
    HideFile("x.bin", {9, 9}, "pw");
    m_prompts.Password("pw");
    m_prompts.m_foundAnswers.push_back(false);
    Reveal();
    EXPECT_TRUE(m_prompts.m_saveArgs.empty());

    m_prompts.Password("pw");
    m_prompts.m_foundAnswers.push_back(true);
    m_prompts.m_saveAnswers.push_back("");
    Reveal();
    EXPECT_EQ(m_prompts.m_saveArgs.size(), 1u);
    EXPECT_TRUE(m_prompts.m_messages.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 2);  // carrier, x.bin
}

TEST_F(CommandsTest, TheSaveDialogIsBuiltFromThePayloadName)
{
    struct Row {
        const char* pszName;
        const char* pszBase;
        const char* pszFilter;
    };
    const Row rows[] = {
        {"notes.doc", "notes", "doc Files(*.doc)|*.doc|"},
        {"Note.txt", "Note", "txt Files(*.txt)|*.txt|"},
        {"archive.tar.gz", "archive", "tar.gz Files(*.tar.gz)|*.tar.gz|"},
        {"README", "", "README Files(*.README)|*.README|"},
        {".profile", "", "profile Files(*.profile)|*.profile|"},
        {"notes.", "notes", " Files(*.)|*.|"},
        {"", "", " Files(*.)|*.|"},
        {"r\xC3\xA9sum\xC3\xA9.pdf", "r\xC3\xA9sum\xC3\xA9", "pdf Files(*.pdf)|*.pdf|"},
    };
    for (const Row& row : rows) {
        const C_FileDialogArgs args = C_RevealCommand::SaveDialogArgs(row.pszName);
        EXPECT_EQ(args.m_strInitialName, row.pszBase) << row.pszName;
        EXPECT_EQ(args.m_strFilter, row.pszFilter) << row.pszName;
        EXPECT_EQ(args.m_strDefaultExt, "txt") << row.pszName;
        EXPECT_EQ(args.m_strTitle, "") << row.pszName;
    }

    // And the command passes them on for a revealed name.
    Open(2000);
    HideFile("notes.doc", {'d'}, "pw");
    m_prompts.Password("pw");
    m_prompts.m_foundAnswers.push_back(true);
    m_prompts.m_saveAnswers.push_back("");
    Reveal();
    ASSERT_EQ(m_prompts.m_saveArgs.size(), 1u);
    EXPECT_EQ(m_prompts.m_saveArgs[0].m_strInitialName, "notes");
    EXPECT_EQ(m_prompts.m_saveArgs[0].m_strFilter, "doc Files(*.doc)|*.doc|");
}

// Mended: a payload that cannot be written is reported with the file error's text.
TEST_F(CommandsTest, AFileErrorWhileSavingTheRevealedPayloadIsShownAndEndsTheCommand)
{
    Open(2000);
    HideFile("x.bin", {1, 2, 3}, "pw");
    const std::string strTarget = Path("no_such_folder") + "/out.bin";
    m_prompts.Password("pw");
    m_prompts.m_foundAnswers.push_back(true);
    m_prompts.m_saveAnswers.push_back(strTarget);
    Reveal();
    ASSERT_EQ(m_prompts.m_messages.size(), 1u);
    EXPECT_NE(m_prompts.m_messages[0].find("out.bin"), std::string::npos) << m_prompts.m_messages[0];
    EXPECT_FALSE(fs::exists(strTarget));
}

// Reading the payload, hiding, revealing and writing are marked busy (the wait cursor), each
// ended before the next dialog; the scripted prompts fail any dialog shown during one.
TEST_F(CommandsTest, LongStepsAreMarkedBusyAndEndBeforeTheNextDialog)
{
    Open(2000);
    HideFile("x.bin", {1, 2, 3}, "pw");
    EXPECT_EQ(m_prompts.m_nBusySteps, 2);  // payload read, hide
    m_prompts.Password("pw");
    m_prompts.m_foundAnswers.push_back(true);
    m_prompts.m_saveAnswers.push_back(Path("out.bin"));
    Reveal();
    EXPECT_EQ(m_prompts.m_nBusySteps, 4);  // reveal, payload write
    EXPECT_EQ(m_prompts.m_nBusy, 0);
    EXPECT_TRUE(fs::exists(Path("out.bin")));

    m_prompts.m_openAnswers.push_back(Path("missing.bin"));  // a failed read ends its step too
    Hide();
    EXPECT_EQ(m_prompts.m_nBusySteps, 5);
    EXPECT_EQ(m_prompts.m_nBusy, 0);
    EXPECT_EQ(m_prompts.m_messages.size(), 1u);
}

// ---- the sealed record ----------------------------------------------------------------------
// Each seal and each reveal that gets past the plain record costs a key derivation (about a
// third of a second): few of them here.

TEST_F(CommandsTest, ASealedFileIsHiddenCompressedAndRevealedUnderItsLongPassPhrase)
{
    Open(2000);
    const std::string strLong = "a heron waits where the river bends east of the mill";
    // Six times the sealed capacity as it is, but it compresses to well within it.
    std::string strText;
    while (strText.size() < 6 * m_carrier.CapacityOf(C_Carrier::SealedKind(), 8))
        strText += "north gate at noon; ";
    const std::vector<uint8_t> payload(strText.begin(), strText.end());
    m_prompts.m_openAnswers.push_back(WriteFile("plan.txt", payload));
    m_prompts.m_sealedAnswers = {
        C_ScriptedPrompts::Pair{strLong, strLong + "!"}, C_ScriptedPrompts::Pair{strLong, strLong}};
    HideSealed();
    EXPECT_EQ(m_prompts.m_messages, (Strings{vmk::kStrPasswordsDiffer}));
    ASSERT_EQ(m_prompts.m_sealedShownWith.size(), 2u);
    EXPECT_EQ(m_prompts.m_sealedShownWith[1].first, (C_ScriptedPrompts::Pair{strLong, strLong + "!"}));
    EXPECT_TRUE(m_prompts.m_sealedShownWith[1].second);  // asked twice
    EXPECT_EQ(
        m_prompts.m_hidden, (std::vector<std::pair<std::string, uint32_t>>{{"plan.txt", uint32_t(payload.size())}}));
    EXPECT_EQ(m_nRedraws, 1);
    EXPECT_EQ(m_carrier.GetPassword(), strLong);

    // Reveal Sealed Message asks once.
    m_prompts.m_sealedAnswers.push_back(C_ScriptedPrompts::Pair{strLong, ""});
    m_prompts.m_foundAnswers.push_back(true);
    m_prompts.m_saveAnswers.push_back(Path("out.txt"));
    RevealSealed();
    EXPECT_FALSE(m_prompts.m_sealedShownWith.back().second);
    EXPECT_EQ(
        m_prompts.m_found, (std::vector<std::pair<std::string, uint32_t>>{{"plan.txt", uint32_t(payload.size())}}));
    EXPECT_EQ(C_TestBytes::Read(Path("out.txt")), payload);

    // Reveal Message looks for it too; under another pass phrase there is none.
    m_prompts.Password("heron");
    Reveal();
    EXPECT_EQ(m_prompts.m_messages, (Strings{vmk::kStrPasswordsDiffer, vmk::kStrNothingFound}));
    EXPECT_EQ(m_prompts.m_nBusy, 0);
}

// A JPEG has no usable pixel bytes: Hide Message says to seal before asking for a file, and Hide
// Sealed Message reads the chosen file and seals it into the coefficients, where it reveals.
TEST_F(CommandsTest, AJpegTakesASealedFileOnly)
{
    C_TestJpeg::S_Options options;
    options.nWidth = 256;
    options.nHeight = 192;
    options.nQuality = 90;
    ASSERT_TRUE(m_carrier.OpenImage(WriteFile("photo.jpg", C_TestJpeg::Make(options)))) << m_carrier.GetLastError();
    ASSERT_TRUE(m_carrier.HidesInCoefficients());
    Hide();
    EXPECT_EQ(m_prompts.m_messages, (Strings{vmk::kStrJpegNeedsSeal}));

    const std::vector<uint8_t> payload = C_TestBytes::Random(300, 7);
    ASSERT_GE(m_carrier.CapacityOf(C_Carrier::SealedKind(), 5), payload.size());
    m_prompts.m_openAnswers.push_back(WriteFile("n.bin", payload));
    m_prompts.Sealed("heron by the mill");
    HideSealed();
    EXPECT_EQ(m_prompts.m_messages, (Strings{vmk::kStrJpegNeedsSeal}));
    EXPECT_EQ(m_prompts.m_hidden, (std::vector<std::pair<std::string, uint32_t>>{{"n.bin", 300u}}));

    m_prompts.Sealed("heron by the mill");
    m_prompts.m_foundAnswers.push_back(true);
    m_prompts.m_saveAnswers.push_back(Path("out.bin"));
    RevealSealed();
    EXPECT_EQ(C_TestBytes::Read(Path("out.bin")), payload);
}

TEST_F(CommandsTest, ASealedRecordWithOneBitChangedIsReportedAsDamaged)
{
    Open(2000);
    const auto before = Pixels();
    m_prompts.m_openAnswers.push_back(WriteFile("d.txt", {'m', 'i', 'l', 'l'}));
    m_prompts.Sealed("heron");
    HideSealed();
    ASSERT_EQ(m_prompts.m_hidden.size(), 1u);
    // Put back one byte that the record (past the salt) changed.
    const auto after = Pixels();
    size_t nChanged = after.size();
    for (size_t i = C_SealedRecord::kSaltRegion; i < after.size() - 1; ++i)
        if (after[i] != before[i])
            nChanged = i;
    ASSERT_LT(nChanged, after.size());
    m_carrier.GetObjectDataPtr()->GetBits()[nChanged] ^= 1;

    m_prompts.Password("heron");
    Reveal();
    EXPECT_EQ(m_prompts.m_messages, (Strings{vmk::kStrRecordDamaged}));
    EXPECT_TRUE(m_prompts.m_found.empty());
    EXPECT_TRUE(m_prompts.m_saveArgs.empty());
}

// A sealed payload declaring far more than its picture's file (here 65 MiB of zeros in a picture
// of about 40 KB) is let out only when the user agrees, as a picture of that kind is opened.
TEST_F(CommandsTest, ASealedPayloadFarLargerThanItsPictureIsRevealedOnlyWhenTheUserAgrees)
{
    Open(40000);
    constexpr size_t kSize = size_t{65} << 20;
    std::vector<uint8_t> frame(1 << 16);
    {
        const std::vector<uint8_t> zeros(kSize, 0);
        frame.resize(ZSTD_compress(frame.data(), frame.size(), zeros.data(), zeros.size(), 3));
    }
    ASSERT_FALSE(ZSTD_isError(frame.size()));
    std::string strWhy;
    ASSERT_TRUE(C_SealedRecord::Seal(
        m_carrier.GetObjectDataPtr()->GetBits(), m_carrier.GetUsableBytes(), "zeros.bin", frame, true, "heron", strWhy))
        << strWhy;

    m_prompts.Sealed("heron");
    m_prompts.m_yesNoAnswers.push_back(false);
    RevealSealed();
    std::string strQuestion = vmk::kStrLargePayload;
    strQuestion.replace(strQuestion.find("%1"), 2, "65");
    EXPECT_EQ(m_prompts.m_questions, (Strings{strQuestion}));
    EXPECT_TRUE(m_prompts.m_found.empty());
    EXPECT_TRUE(m_prompts.m_messages.empty());

    m_prompts.Sealed("heron");
    m_prompts.m_yesNoAnswers.push_back(true);
    m_prompts.m_foundAnswers.push_back(false);
    RevealSealed();
    EXPECT_EQ(m_prompts.m_found, (std::vector<std::pair<std::string, uint32_t>>{{"zeros.bin", uint32_t(kSize)}}));
    EXPECT_EQ(m_prompts.m_nBusy, 0);
}

TEST_F(CommandsTest, SealedCommandsRefuseOrCancelWithoutChangingThePicture)
{
    Open(2000);
    KeepPassword("kept");
    const auto before = Pixels();
    // Too large even compressed, and larger than the picture's bytes: refused before any pass
    // phrase is asked for.
    m_prompts.m_openAnswers = {
        WriteFile("noise.bin", C_TestBytes::Random(m_carrier.CapacityOf(C_Carrier::SealedKind(), 9) + 1, 3)),
        WriteFile("big.bin", std::vector<uint8_t>(m_carrier.GetUsableBytes() + 1, 0))};
    HideSealed();
    HideSealed();
    m_prompts.m_composeAnswers.push_back(
        C_ScriptedPrompts::Pair{C_TestBytes::ReadText(Path("noise.bin")), "NoiseNoise"});
    ComposeSealed();
    EXPECT_EQ(m_prompts.m_messages, (Strings{vmk::kStrFileWontFit, vmk::kStrFileWontFit, vmk::kStrTextWontFit}));
    EXPECT_TRUE(m_prompts.m_sealedShownWith.empty());

    // Past the sealed rules: asked again with what was given; then cancelled.
    m_prompts.m_messages.clear();
    m_prompts.m_openAnswers.push_back(WriteFile("a.txt", {'x'}));
    const std::string strNul("a\0b", 3);
    m_prompts.m_sealedAnswers = {C_ScriptedPrompts::Pair{std::string(C_SealedRecord::kMaxPassphraseBytes + 1, 'p'), ""},
        C_ScriptedPrompts::Pair{strNul, strNul}, std::nullopt};
    HideSealed();
    EXPECT_EQ(m_prompts.m_messages, (Strings{vmk::kStrSealedPassphraseTooLong, vmk::kStrSealedPassphraseNotText}));
    ASSERT_EQ(m_prompts.m_sealedShownWith.size(), 3u);
    EXPECT_EQ(m_prompts.m_sealedShownWith[2].first, (C_ScriptedPrompts::Pair{strNul, strNul}));

    // Cancel ends Compose a Sealed Message and Reveal Sealed Message at their first question.
    m_prompts.m_composeAnswers.push_back(std::nullopt);
    m_prompts.m_sealedAnswers.push_back(std::nullopt);
    ComposeSealed();
    RevealSealed();
    EXPECT_EQ(m_prompts.m_messages.size(), 2u);
    EXPECT_EQ(Pixels(), before);
    EXPECT_EQ(m_carrier.GetPassword(), "kept");
    EXPECT_TRUE(m_prompts.m_hidden.empty());
    EXPECT_EQ(m_nRedraws, 0);
}

// ---- How hides write: plus or minus one, palette pairing ------------------------------------

TEST_F(CommandsTest, TheHideChoicesReachTheCarrierAndTheRecordStillReveals)
{
    // Plus or minus one: some even byte goes down, which replacing a lowest bit never does.
    ASSERT_TRUE(m_carrier.OpenImage(WriteFile("m.bmp", PhotoLikeBmp(200, 100))));
    const auto before = Pixels();
    const T_Bytes payload = C_TestBytes::Random(2000, 9);
    m_prompts.m_openAnswers.push_back(WriteFile("m.bin", payload));
    m_prompts.Password("plusminus");
    C_HideCommand::Run(m_carrier, m_prompts, {}, {}, C_HideOptions{true, false});
    ASSERT_EQ(m_prompts.m_hidden.size(), 1u);
    // The success dialog says so, as the command-line tool does.
    EXPECT_EQ(m_prompts.m_hiddenHow, (Strings{vmk::kStrEmbeddedMatch}));
    const auto after = Pixels();
    bool bEvenDown = false;
    for (size_t i = 0; i < after.size() && !bEvenDown; ++i)
        bEvenDown = before[i] % 2 == 0 && after[i] == before[i] - 1;
    EXPECT_TRUE(bEvenDown);
    m_prompts.Password("plusminus");
    m_prompts.m_foundAnswers.push_back(true);
    m_prompts.m_saveAnswers.push_back(Path("m.out"));
    Reveal();
    EXPECT_EQ(C_TestBytes::Read(Path("m.out")), payload);

    // A palette picture: paired before the plain hide (replacement there), and before a sealed one.
    for (const bool bSealed : {false, true}) {
        ASSERT_TRUE(m_carrier.OpenImage(WriteFile("p.pcx", C_TestPictures::Make(E_TestPicture::Pcx8, 300, 40, 3))));
        const double fFlipBefore = C_PalettePairing::MeanFlipDistance(*m_carrier.GetObjectDataPtr());
        m_prompts.m_composeAnswers.push_back(C_ScriptedPrompts::Pair{"hello", "note"});
        if (bSealed) {
            m_prompts.Sealed("a long sealed pass phrase");
            C_ComposeSealedCommand::Run(m_carrier, m_prompts, {}, {}, C_HideOptions{true, true});
            m_prompts.m_sealedAnswers.push_back(C_ScriptedPrompts::Pair{"a long sealed pass phrase", ""});
        } else {
            m_prompts.Password("pal");
            C_ComposeCommand::Run(m_carrier, m_prompts, {}, {}, C_HideOptions{true, true});
            m_prompts.Password("pal");
        }
        const double fFlipAfter = C_PalettePairing::MeanFlipDistance(*m_carrier.GetObjectDataPtr());
        EXPECT_LT(fFlipAfter, fFlipBefore / 2) << bSealed;
        // The pairing line with both figures; a palette index takes no plus or minus one.
        char aLine[160];
        std::snprintf(aLine, sizeof aLine, vmk::kStrPalettePaired, fFlipAfter, fFlipBefore);
        EXPECT_EQ(m_prompts.m_hiddenHow.back(), aLine) << bSealed;
        m_prompts.m_foundAnswers.push_back(false);
        bSealed ? RevealSealed() : Reveal();
        ASSERT_FALSE(m_prompts.m_found.empty());
        EXPECT_EQ(m_prompts.m_found.back(), (std::pair<std::string, uint32_t>{"note.txt", 5})) << bSealed;
    }
    EXPECT_TRUE(m_prompts.m_messages.empty());
}

TEST_F(CommandsTest, AHideThatChangesTransparencyAsksWithTheCountAndNoLeavesThePictureAsItWas)
{
    // A GIF whose index 0 is transparent, on a third of the pixels.
    S_GifLayout layout;
    layout.nScreenWidth = layout.nScreenHeight = 90;
    layout.aGlobalPalette = C_ImageBytes::Palette(16, 2);
    S_GifRecord control;
    control.nLabel = 0xF9;
    control.aBlocks = {{1, 0, 0, 0}};
    S_GifRecord image;
    image.bImage = true;
    image.nWidth = image.nHeight = 90;
    image.aPixels = C_TestBytes::Random(90 * 90, 8);
    for (size_t i = 0; i < image.aPixels.size(); ++i)
        image.aPixels[i] = i % 3 == 0 ? 0 : static_cast<uint8_t>(image.aPixels[i] % 16);
    layout.aRecords = {control, image};
    const std::string strGif = WriteFile("clear.gif", C_ImageBytes::Gif(layout));
    const auto question = [](size_t n) {
        std::string str = vmk::kStrTransparencyChanged;
        return str.replace(str.find("%1"), 2, std::to_string(n));
    };

    // No, after a palette pairing too: pixels, palette and pass phrase are as they were.
    ASSERT_TRUE(m_carrier.OpenImage(strGif));
    KeepPassword("kept");
    const auto before = Pixels();
    m_prompts.m_yesNoAnswers = {false};
    m_prompts.m_openAnswers.push_back(WriteFile("a.bin", C_TestBytes::Random(200, 1)));
    m_prompts.Password("clear");
    C_HideCommand::Run(m_carrier, m_prompts, {}, {}, C_HideOptions{false, true});
    EXPECT_TRUE(m_prompts.m_hidden.empty());
    EXPECT_EQ(Pixels(), before);
    EXPECT_EQ(m_carrier.GetObjectDataPtr()->m_aPalette, layout.aGlobalPalette);
    EXPECT_EQ(m_carrier.GetPassword(), "kept");

    // Yes: the hide stands, and the count asked about is the pixels whose index 0 came or went.
    m_prompts.m_yesNoAnswers = {true};
    HideFile("a.bin", C_TestBytes::Random(200, 1), "clear");
    ASSERT_EQ(m_prompts.m_hidden.size(), 1u);
    const auto after = Pixels();
    size_t nChanged = 0;
    for (size_t i = 0; i + 1 < after.size(); ++i)
        nChanged += (before[i] == 0) != (after[i] == 0);
    ASSERT_EQ(m_prompts.m_questions.size(), 2u);
    EXPECT_EQ(m_prompts.m_questions[0].rfind("Hiding this message changes whether ", 0), 0u);  // the paired picture's
    EXPECT_EQ(m_prompts.m_questions[1], question(nChanged));

    // A sealed hide asks too.
    ASSERT_TRUE(m_carrier.OpenImage(strGif));
    m_prompts.m_yesNoAnswers = {false};
    m_prompts.m_openAnswers.push_back(WriteFile("b.bin", C_TestBytes::Random(200, 2)));
    m_prompts.Sealed("a long sealed pass phrase");
    HideSealed();
    EXPECT_EQ(m_prompts.m_questions.size(), 3u);
    EXPECT_EQ(m_prompts.m_hidden.size(), 1u);
    EXPECT_EQ(Pixels(), before);
}

// ---- Detection check ------------------------------------------------------------------------

TEST_F(CommandsTest, TheDetectionCheckTellsACleanPictureFromOneHiddenToCapacity)
{
    ASSERT_TRUE(m_carrier.OpenImage(WriteFile("d.bmp", PhotoLikeBmp(240, 160))));
    C_DetectionCheckCommand::Run(m_carrier, m_prompts);
    C_PropertiesCommand::Run(m_carrier, m_prompts);
    HideFile("full.bin", C_TestBytes::Random(m_carrier.GetLargestPayload(8), 4), "capacity");
    C_DetectionCheckCommand::Run(m_carrier, m_prompts);
    C_PropertiesCommand::Run(m_carrier, m_prompts);

    ASSERT_EQ(m_prompts.m_detections.size(), 2u);
    const auto& clean = m_prompts.m_detections[0];
    const auto& hidden = m_prompts.m_detections[1];
    EXPECT_EQ(clean.result.aChannels.size(), 3u);  // red, green, blue
    EXPECT_EQ(clean.result.eOverall, E_Verdict::Clean);
    EXPECT_NE(hidden.result.eOverall, clean.result.eOverall);
    EXPECT_EQ(clean.nCapacity, m_carrier.GetCapacity());
    // Room below the threshold before the hide, none after; Properties says the same.
    EXPECT_GT(clean.nRecommended, 0u);
    EXPECT_LT(clean.nRecommended, clean.nCapacity);
    EXPECT_EQ(hidden.nRecommended, 0u);
    ASSERT_EQ(m_prompts.m_properties.size(), 2u);
    EXPECT_EQ(m_prompts.m_properties[0].m_nRecommendedPayload, clean.nRecommended);
    EXPECT_EQ(m_prompts.m_properties[1].m_nRecommendedPayload, 0u);
    EXPECT_GE(m_prompts.m_nBusySteps, 4);  // each analysis under a wait cursor
}

// ---- Properties, compare, about -------------------------------------------------------------

TEST_F(CommandsTest, PropertiesShowTheCarriersRecord)
{
    ASSERT_TRUE(m_carrier.OpenImage(WriteFile("p.bmp", C_TestPictures::Bmp(100, 20, 24, 6))));  // 300 x 20 bytes
    C_PropertiesCommand::Run(m_carrier, m_prompts);
    ASSERT_EQ(m_prompts.m_properties.size(), 1u);
    const C_CarrierInfo& info = m_prompts.m_properties[0];
    EXPECT_EQ(info.m_strPath, Path("p.bmp"));
    EXPECT_EQ(info.m_nBitsPerPixel, 24);
    EXPECT_EQ(info.m_nWidth, 100);
    EXPECT_EQ(info.m_nHeight, 20);
    EXPECT_EQ(info.m_nSizeKB, 5);  // 6000 bytes, whole kilobytes
    EXPECT_EQ(info.m_strRemarks, "This Carrier Can Hide Approximately 579 Bytes (or 0.565 KB) of Message data in it.");
    EXPECT_EQ(info.m_nSealedCapacity, m_carrier.CapacityOf(C_Carrier::SealedKind(), 0));
    EXPECT_GT(info.m_nSealedCapacity, 0u);
    EXPECT_TRUE(m_prompts.m_messages.empty());
}

TEST_F(CommandsTest, CompareSaysAlikeDifferentOrThatTheSecondPictureCannotBeRead)
{
    Open(300, 10, 7);
    const auto pixels = C_TestPictures::Pcx(300, 10, 1, 7);
    m_prompts.m_openAnswers = {"", WriteFile("same.pcx", pixels),
        WriteFile("other.pcx", C_TestPictures::Pcx(300, 10, 1, 8)), WriteFile("text.bmp", {'n', 'o', 't'}),
        Path("missing.pcx")};
    for (int i = 0; i < 5; ++i)
        C_CompareCommand::Run(m_carrier, m_prompts);
    EXPECT_EQ(m_prompts.m_messages,
        (Strings{vmk::kStrImagesAlike, vmk::kStrImagesDiffer, vmk::kStrSecondOpenFailed, vmk::kStrSecondOpenFailed}));
    ASSERT_EQ(m_prompts.m_openArgs.size(), 5u);
    EXPECT_EQ(m_prompts.m_openArgs[0].m_strFilter, "All Image Files|*.bmp;*.gif;*.pcx;*.png;*.jpg;*.jpeg|");
    EXPECT_EQ(m_prompts.m_openArgs[0].m_strDefaultExt, "*");
    EXPECT_EQ(m_prompts.m_openArgs[0].m_strTitle, "");

    // A hidden record makes the pictures differ.
    HideFile("h.bin", {1}, "pw");
    m_prompts.m_messages.clear();
    m_prompts.m_openAnswers.push_back(Path("same.pcx"));
    C_CompareCommand::Run(m_carrier, m_prompts);
    EXPECT_EQ(m_prompts.m_messages, (Strings{vmk::kStrImagesDiffer}));
}

TEST_F(CommandsTest, CompareTellsPicturesStoredDifferentlyByTheirColours)
{
    // The same pixels as a BMP: rows bottom-up, so nearly every byte differs.
    Open(300, 10, 7);
    ASSERT_TRUE(m_carrier.SaveImage(Path("copy.bmp")));
    m_prompts.m_openAnswers = {Path("copy.bmp")};
    C_CompareCommand::Run(m_carrier, m_prompts);
    const std::string strStored = "The pictures are stored differently (8-bit PCX and 8-bit BMP); ";
    EXPECT_EQ(m_prompts.m_messages, (Strings{strStored + "their pixels show the same colours."}));

    HideFile("h.bin", {1}, "pw");
    m_prompts.m_messages.clear();
    m_prompts.m_openAnswers.push_back(Path("copy.bmp"));
    C_CompareCommand::Run(m_carrier, m_prompts);
    ASSERT_EQ(m_prompts.m_messages.size(), 1u);
    EXPECT_TRUE(m_prompts.m_messages[0].starts_with(std::string(vmk::kStrImagesDiffer) + "\n\n" + strStored))
        << m_prompts.m_messages[0];
    EXPECT_TRUE(m_prompts.m_messages[0].ends_with(" pixels show different colours.")) << m_prompts.m_messages[0];
}

TEST_F(CommandsTest, AboutShowsTheAboutBox)
{
    C_AboutCommand::Run(m_prompts);
    EXPECT_EQ(m_prompts.m_nAbout, 1);
}

}  // namespace
