// Hide or compose, then reveal, through the binary, for every picture kind and through PNG; and
// the cases in which hide must refuse or fail without writing anything.

#include "tests/cli/C_CliTest.h"
#include "tests/support/C_PngBytes.h"
#include "model/pictures/BTCImageObject.h"

#include <algorithm>

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

TEST_F(CliHide, ChangingWhetherPixelsAreTransparentNeedsForceAndGivesTheCount)
{
    // An RGB PNG whose white is its transparent colour key: two pixels in three are white.
    std::vector<uint8_t> rows = C_TestBytes::Random(3 * 80 * 61, 4);
    for (size_t i = 0; i < rows.size(); ++i)
        if (i / 3 % 3 != 0)
            rows[i] = 255;
    std::vector<S_RawChunk> chunks = C_PngBytes::Chunks(C_PngBytes::Make(80, 61, 2, 8, false, rows));
    chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(C_PngBytes::Find(chunks, "IDAT")),
        {"tRNS", {0, 255, 0, 255, 0, 255}});
    const std::string strPicture = File("key.png", C_PngBytes::Join(chunks));
    const std::string strPayload = File("p.bin", C_TestBytes::Random(400, 5));

    const S_RunResult refused = m_cli.Run({"hide", strPicture, strPayload, "-o", Path("out.png")});
    EXPECT_EQ(refused.nStatus, 2);
    EXPECT_EQ(Files(), (std::vector<std::string>{"key.png", "p.bin"}));
    const S_RunResult forced = m_cli.Run({"hide", strPicture, strPayload, "-o", Path("out.png"), "--force"});
    ASSERT_EQ(forced.nStatus, 0) << forced.strErr;

    // The count given is that of the pixels whose key match the written picture changed.
    BTCImageObject written;
    ASSERT_TRUE(written.LoadFromMemory(C_TestBytes::Read(Path("out.png"))));
    const std::vector<uint8_t>& bits = written.GetObjectDataPtr()->m_aBits;
    size_t nChanged = 0;
    for (size_t i = 0; i < rows.size(); i += 3)
        nChanged += (rows[i] & rows[i + 1] & rows[i + 2]) == 255 ? (bits[i] & bits[i + 1] & bits[i + 2]) != 255
                                                                 : (bits[i] & bits[i + 1] & bits[i + 2]) == 255;
    ASSERT_GT(nChanged, 0u);
    const std::string strCount = "whether " + std::to_string(nChanged) + " pixels";
    EXPECT_NE(refused.strErr.find("Hiding this would change " + strCount + " of " + strPicture + " are transparent"),
        std::string::npos)
        << refused.strErr;
    EXPECT_NE(refused.strErr.find("Give --force"), std::string::npos) << refused.strErr;
    EXPECT_EQ(forced.strErr, "Warning: the hide changed " + strCount + " are transparent.\n");
    EXPECT_EQ(m_cli.Run({"reveal", Path("out.png"), "-o", Path("got.bin")}).nStatus, 0);
    EXPECT_EQ(C_TestBytes::Read(Path("got.bin")), C_TestBytes::Read(strPayload));
}

using CliPng = C_CliTest;

// The value of a "Key: value" line of info's text output; empty when there is none.
std::string InfoField(const S_RunResult& info, const std::string& strKey)
{
    const size_t nAt = info.strOut.find(strKey + ": ");
    if (nAt == std::string::npos)
        return {};
    const size_t nStart = nAt + strKey.size() + 2;
    return info.strOut.substr(nStart, info.strOut.find('\n', nStart) - nStart);
}

TEST_F(CliPng, EveryKindGoesThroughPngAndBackWithItsPixelBytesAndCarriesAMessage)
{
    // Packed BMP depths whose rows end inside a byte, beside every kind the other tests use. The
    // widths give rows of whole 4-byte units, since a BMP's padding bytes have no place in a PNG.
    const std::vector<std::string> pictures = {Picture(E_TestPicture::Bmp24, "bmp24"),
        Picture(E_TestPicture::Bmp8, "bmp8"), File("bmp1.bmp", C_TestPictures::Bmp(125, 80, 1, 3)),
        File("bmp4.bmp", C_TestPictures::Bmp(127, 80, 4, 4)), Picture(E_TestPicture::Gif, "gif"),
        Picture(E_TestPicture::Pcx8, "pcx8"), Picture(E_TestPicture::Pcx24, "pcx24")};
    const T_Bytes payload = C_TestBytes::Random(60, 5);
    const std::string strPayload = File("payload.bin", payload);
    for (const std::string& strPicture : pictures) {
        SCOPED_TRACE(strPicture);
        const std::filesystem::path picture(strPicture);
        const std::string strPng = Png(strPicture, picture.stem().string());
        ASSERT_FALSE(strPng.empty());
        const S_RunResult info = m_cli.Run({"info", strPng});
        EXPECT_EQ(InfoField(info, "Format"), "PNG") << info.strOut;
        EXPECT_EQ(InfoField(info, "Bits per pixel"), InfoField(m_cli.Run({"info", strPicture}), "Bits per pixel"));

        // Back in its own format it is the very same picture: pixel bytes and palette.
        const std::string strBack = Path(picture.stem().string() + "-back" + picture.extension().string());
        ASSERT_EQ(m_cli.Run({"convert", strPng, "-o", strBack}).nStatus, 0);
        EXPECT_EQ(m_cli.Run({"compare", strPicture, strBack}).nStatus, 0);

        const std::string strHidden = Path("hidden.png");
        const S_RunResult hide = m_cli.Run({"hide", strPng, strPayload, "-o", strHidden});
        ASSERT_EQ(hide.nStatus, 0) << hide.strErr;
        ASSERT_EQ(m_cli.Run({"reveal", strHidden, "-o", Path("out.bin"), "--force"}).nStatus, 0);
        EXPECT_EQ(C_TestBytes::Read(Path("out.bin")), payload);
    }
}

// strPng as a one-frame animated PNG: an animation control and the frame's control go in after
// the header, as an animating writer puts them.
T_Bytes Animated(const T_Bytes& png)
{
    auto put32 = [](T_Bytes& out, uint32_t n) {
        for (int nShift = 24; nShift >= 0; nShift -= 8)
            out.push_back(static_cast<uint8_t>(n >> nShift));
    };
    auto chunk = [&put32](const char* pName, const T_Bytes& data) {
        T_Bytes out;
        put32(out, static_cast<uint32_t>(data.size()));
        out.insert(out.end(), pName, pName + 4);
        out.insert(out.end(), data.begin(), data.end());
        uint32_t nCrc = 0xFFFFFFFFu;
        for (size_t i = 4; i < out.size(); ++i) {
            nCrc ^= out[i];
            for (int k = 0; k < 8; ++k)
                nCrc = (nCrc >> 1) ^ (0xEDB88320u & (0u - (nCrc & 1u)));
        }
        put32(out, ~nCrc);
        return out;
    };
    const size_t nAfterHeader = 8 + 25;
    T_Bytes control;
    put32(control, 1);  // frames
    put32(control, 0);  // plays: forever
    T_Bytes frame;
    put32(frame, 0);                                                // sequence number
    frame.insert(frame.end(), png.begin() + 16, png.begin() + 24);  // the header's width and height
    put32(frame, 0), put32(frame, 0);                               // offsets
    frame.insert(frame.end(), {0, 1, 0, 10, 0, 0});                 // 1/10 s, no disposal, source
    T_Bytes out(png.begin(), png.begin() + nAfterHeader);
    for (const T_Bytes& c : {chunk("acTL", control), chunk("fcTL", frame)})
        out.insert(out.end(), c.begin(), c.end());
    out.insert(out.end(), png.begin() + nAfterHeader, png.end());
    return out;
}

TEST_F(CliPng, AnAnimatedPngIsWrittenOnlyAsPng)
{
    const std::string strPng = Png(Picture(E_TestPicture::Bmp24));
    ASSERT_FALSE(strPng.empty());
    const std::string strAnimated = File("animated.png", Animated(C_TestBytes::Read(strPng)));
    const std::string strPayload = File("p", {1, 2, 3});
    for (const auto& args : std::vector<std::vector<std::string>>{{"convert", strAnimated, "-o", Path("o.bmp")},
             {"grayscale", strAnimated, "-o", Path("o.png")},
             {"hide", strAnimated, strPayload, "-o", Path("o.gif"), "--force"}}) {
        const S_RunResult result = m_cli.Run(args);
        EXPECT_EQ(result.nStatus, 2) << args[0];
        EXPECT_NE(result.strErr.find(strAnimated + ": the animated PNG"), std::string::npos) << result.strErr;
    }
    EXPECT_EQ(Files(), (std::vector<std::string>{"animated.png", "carrier.bmp", "carrier.png", "p"}));

    // As a PNG it keeps its animation chunks and the message.
    ASSERT_EQ(m_cli.Run({"hide", strAnimated, strPayload, "-o", Path("h.png")}).nStatus, 0);
    const T_Bytes written = C_TestBytes::Read(Path("h.png"));
    for (const std::string strName : {"acTL", "fcTL"})
        EXPECT_NE(std::search(written.begin(), written.end(), strName.begin(), strName.end()), written.end())
            << strName;
    ASSERT_EQ(m_cli.Run({"reveal", Path("h.png"), "-o", Path("r")}).nStatus, 0);
    EXPECT_EQ(C_TestBytes::Read(Path("r")), T_Bytes({1, 2, 3}));
}

}  // namespace

TEST_F(CliHide, EmbedMatchAndPairPaletteRevealAndRefuseThePicturesTheyDoNotSuit)
{
    const T_Bytes payload = C_TestBytes::Random(150, 9);
    const std::string strPayload = File("p.bin", payload);
    const S_RunResult match =
        m_cli.Run({"hide", Picture(E_TestPicture::Bmp24), strPayload, "--embed", "match", "-o", Path("m.bmp")});
    ASSERT_EQ(match.nStatus, 0) << match.strErr;
    EXPECT_EQ(match.strOut, "Hidden: p.bin (150 bytes)\nEmbedded by adding or subtracting 1.\n");
    const S_RunResult paired =
        m_cli.Run({"hide", Picture(E_TestPicture::Gif), strPayload, "--pair-palette", "-o", Path("p.gif")});
    ASSERT_EQ(paired.nStatus, 0) << paired.strErr;
    EXPECT_NE(paired.strOut.find("Palette paired"), std::string::npos) << paired.strOut;
    for (const char* pName : {"m.bmp", "p.gif"}) {
        const std::string strOut = Path(std::string(pName) + ".bin");
        ASSERT_EQ(m_cli.Run({"reveal", Path(pName), "-o", strOut}).nStatus, 0) << pName;
        EXPECT_EQ(C_TestBytes::Read(strOut), payload) << pName;
    }

    // Each refuses the kind of picture it cannot serve, before anything is written.
    const S_RunResult noMatch =
        m_cli.Run({"hide", Picture(E_TestPicture::Gif), strPayload, "--embed", "match", "-o", Path("x.gif")});
    EXPECT_EQ(noMatch.nStatus, 2);
    EXPECT_NE(noMatch.strErr.find("--pair-palette"), std::string::npos) << noMatch.strErr;
    const S_RunResult noPalette =
        m_cli.Run({"hide", Picture(E_TestPicture::Bmp24), strPayload, "--pair-palette", "-o", Path("x.bmp")});
    EXPECT_EQ(noPalette.nStatus, 2);
    EXPECT_FALSE(std::filesystem::exists(Path("x.gif")) || std::filesystem::exists(Path("x.bmp")));
}
