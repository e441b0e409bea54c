// The sealed record through the binary: hide --seal and compose --seal, reveal without a flag,
// and a damaged record told apart from none. Each run of the key derivation costs about a third
// of a second, so the cases are few and grouped.

#include "tests/cli/C_CliTest.h"

#include "model/C_Carrier.h"
#include "model/C_SealedRecord.h"
#include "model/image/BTCImageData.h"

namespace {

const std::string kNothingFound = "No Hidden Message is Detected in this Picture!\n";

// 100 bytes of UTF-8 with letters of one, two, three and four bytes.
std::string LongPassphrase()
{
    std::string strPassphrase;
    for (int i = 0; i < 5; ++i)
        strPassphrase += "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x94\x91 ";
    return strPassphrase;
}

T_Bytes AsBytes(const std::string& strText)
{
    return T_Bytes(strText.begin(), strText.end());
}

using CliSealed = C_CliTest;

TEST_F(CliSealed, RoundTripUnderALongPassphraseWithAPayloadThatOnlyFitsCompressed)
{
    const std::string strPassphrase = LongPassphrase();
    ASSERT_EQ(strPassphrase.size(), 100u);
    const std::string strKey = File("key.txt", AsBytes(strPassphrase + "\n"));
    m_cli.SetEnv("VEILMARK_PASSPHRASE", std::nullopt);
    // Text of more than three times the picture's sealed capacity: it fits only compressed.
    std::string strText;
    while (strText.size() < 3000)
        strText += "Friday 10:00, the usual place. Bring the notes. ";
    const T_Bytes payload = AsBytes(strText);
    const std::string strPayload = File("notes.txt", payload);
    const std::string strPicture = Picture(E_TestPicture::Bmp24);

    const S_RunResult hide =
        m_cli.Run({"hide", "--seal", strPicture, strPayload, "-o", Path("sealed.bmp"), "--passphrase-file", strKey});
    ASSERT_EQ(hide.nStatus, 0) << hide.strErr;
    EXPECT_EQ(hide.strOut, "Hidden: notes.txt (" + std::to_string(payload.size()) + " bytes)\n");
    EXPECT_EQ(hide.strErr, "");  // a strong pass phrase: no warning

    const S_RunResult reveal =
        m_cli.Run({"reveal", Path("sealed.bmp"), "-o", Path("out.txt"), "--passphrase-file", strKey});
    ASSERT_EQ(reveal.nStatus, 0) << reveal.strErr;
    EXPECT_EQ(reveal.strOut,
        "Hidden message found: notes.txt (" + std::to_string(payload.size()) + " bytes)\nSaved to: " + Path("out.txt")
            + "\n");
    EXPECT_EQ(C_TestBytes::Read(Path("out.txt")), payload);

    // One byte short is another pass phrase: nothing is found, nothing written.
    m_cli.SetPassphrase(strPassphrase.substr(0, 99));
    const S_RunResult wrong = m_cli.Run({"reveal", Path("sealed.bmp"), "-o", Path("wrong.txt")});
    EXPECT_EQ(wrong.nStatus, 1);
    EXPECT_EQ(wrong.strErr, kNothingFound);

    // Past 1,024 bytes the sealed record refuses the pass phrase, as the plain one does past 15
    // characters.
    m_cli.SetPassphrase(std::string(C_SealedRecord::kMaxPassphraseBytes + 1, 'p'));
    const S_RunResult tooLong = m_cli.Run({"hide", "--seal", strPicture, strPayload, "-o", Path("long.bmp")});
    EXPECT_EQ(tooLong.nStatus, 2);
    EXPECT_NE(tooLong.strErr.find("too long"), std::string::npos) << tooLong.strErr;
    EXPECT_EQ(Files(), (std::vector<std::string>{"carrier.bmp", "key.txt", "notes.txt", "out.txt", "sealed.bmp"}));
}

TEST_F(CliSealed, ADamagedRecordEndsWithFourAndWritesNothing)
{
    const std::string strPicture = Picture(E_TestPicture::Bmp24);
    const std::string strSealed = Path("sealed.bmp");
    // A dictionary word, or nothing: sealed, with a warning that says what an attacker needs.
    m_cli.SetPassphrase("");
    const S_RunResult empty =
        m_cli.Run({"hide", "--seal", strPicture, File("p.bin", C_TestBytes::Random(200, 3)), "-o", strSealed});
    ASSERT_EQ(empty.nStatus, 0) << empty.strErr;
    EXPECT_EQ(empty.strErr,
        "Warning: the pass phrase is empty: anyone who tries none reveals the message at once. It is sealed "
        "anyway.\n");
    m_cli.SetPassphrase("secret");
    const S_RunResult weak = m_cli.Run({"hide", "--seal", strPicture, Path("p.bin"), "-o", strSealed, "--force"});
    ASSERT_EQ(weak.nStatus, 0) << weak.strErr;
    EXPECT_TRUE(weak.strErr.starts_with("Warning: a weak pass phrase: about ")) << weak.strErr;
    EXPECT_NE(weak.strErr.find(" guesses at 0.3 s and 128 MiB each; trying them all takes "), std::string::npos)
        << weak.strErr;
    EXPECT_NE(weak.strErr.find(" on one computer (2 cores), less than a second for a large attacker (10,000 cores)."),
        std::string::npos)
        << weak.strErr;

    // The first byte after the salt that the hide changed holds a record bit: change it back.
    C_Carrier before;
    C_Carrier after;
    ASSERT_TRUE(before.OpenImage(strPicture));
    ASSERT_TRUE(after.OpenImage(strSealed));
    const uint8_t* pBefore = before.GetObjectDataPtr()->GetBits();
    uint8_t* pAfter = after.GetObjectDataPtr()->GetBits();
    uint32_t nAt = C_SealedRecord::kSaltRegion;
    while (nAt < after.GetObjectDataPtr()->GetImageSize() && pBefore[nAt] == pAfter[nAt])
        ++nAt;
    ASSERT_LT(nAt, after.GetObjectDataPtr()->GetImageSize());
    pAfter[nAt] ^= 1;
    ASSERT_TRUE(after.SaveImage(strSealed));

    std::filesystem::create_directory(Path("got"));
    const S_RunResult damaged = m_cli.Run({"reveal", strSealed, "-d", Path("got")});
    EXPECT_EQ(damaged.nStatus, 4);
    EXPECT_EQ(damaged.strErr, "A hidden message is here but it was changed or damaged; nothing was saved\n");
    EXPECT_EQ(damaged.strOut, "");
    EXPECT_EQ(Files(), (std::vector<std::string>{"carrier.bmp", "p.bin", "sealed.bmp"}));
}

TEST_F(CliSealed, ComposeSealsUpToTheCapacityThatInfoShows)
{
    const std::string strPng = Png(Picture(E_TestPicture::Bmp24));
    ASSERT_FALSE(strPng.empty());
    const S_RunResult info = m_cli.Run({"info", strPng, "--json"});
    // The figure is for a name of 0 bytes; the name's bytes come off it.
    const std::string strKey = "\"sealed_capacity_0_byte_name\": ";
    const size_t nKey = info.strOut.find(strKey);
    ASSERT_NE(nKey, std::string::npos) << info.strOut;
    const uint32_t nCapacity = static_cast<uint32_t>(std::stoul(info.strOut.substr(nKey + strKey.size())));
    ASSERT_GT(nCapacity, 100u);

    // Random bytes do not compress: name and text take exactly the capacity, and one byte more
    // is refused before any pass phrase is asked for (there is none here).
    const std::string strName = "Plan.txt";
    const T_Bytes text = C_TestBytes::Random(nCapacity - strName.size(), 9);
    m_cli.SetEnv("VEILMARK_PASSPHRASE", std::nullopt);
    T_Bytes longer = text;
    longer.push_back('x');
    const S_RunResult tooMuch = m_cli.Run({"compose", "--seal", strPng, "--subject", "Plan", "--text-file",
        File("longer", longer), "-o", Path("no.png")});
    EXPECT_EQ(tooMuch.nStatus, 2);
    EXPECT_EQ(tooMuch.strErr,
        "This Message will not fit into the selected Picture!\nCut the Message or use a Larger Picture.\n");

    const S_RunResult hideMore = m_cli.Run({"hide", "--seal", strPng,
        File("report.pdf", C_TestBytes::Random(nCapacity - 10 + 1, 10)), "-o", Path("no.png")});
    EXPECT_EQ(hideMore.nStatus, 2) << hideMore.strErr;

    m_cli.SetPassphrase("a pass phrase longer than fifteen characters");
    const S_RunResult compose = m_cli.Run({"compose", "--seal", strPng, "--subject", "Plan", "--text-file",
        File("text", text), "-o", Path("sealed.png")});
    ASSERT_EQ(compose.nStatus, 0) << compose.strErr;
    ASSERT_EQ(m_cli.Run({"reveal", Path("sealed.png"), "-o", Path("out")}).nStatus, 0);
    EXPECT_EQ(C_TestBytes::Read(Path("out")), text);
    EXPECT_FALSE(std::filesystem::exists(Path("no.png")));
    EXPECT_NE(m_cli.Run({"info", strPng})
                  .strOut.find("Sealed capacity: " + std::to_string(nCapacity)
                      + " bytes less the name's length in bytes (more when the payload compresses)\n"),
        std::string::npos);
}

}  // namespace
