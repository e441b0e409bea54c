// info, compare, grayscale and convert on pictures of known size.

#include "tests/cli/C_CliTest.h"
#include "tests/support/C_ImageBytes.h"
#include "tests/support/C_PngBytes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sys/wait.h>

namespace {

using CliInspect = C_CliTest;

constexpr const char* kImagesDiffer =
    "The Two Images Differ!\nIf they appear visually similiar, there might be\nhidden data in one of these.";

// The largest "spa" figure of analyze --json's channels.
double HighestSpa(const std::string& strJson)
{
    double dHighest = -1.0;
    for (size_t i = strJson.find("\"spa\": "); i != std::string::npos; i = strJson.find("\"spa\": ", i + 1))
        if (strJson[i + 7] != '"')
            dHighest = std::max(dHighest, std::stod(strJson.substr(i + 7)));
    return dHighest;
}

TEST_F(CliInspect, InfoPrintsTheCarrierProperties)
{
    // 64 x 48 x 24 bits: 9216 pixel bytes, N = 9215, capacity 921 - 20 = 901 (0.880 KB). The
    // sealed record (version 2): 0.4 bits for each element of its 8191 that may change, less a
    // step of its ladder for each layer's rounding, its second tag and its 55 bytes of heads,
    // length and MAC: 327.
    const std::string strPicture = Picture(E_TestPicture::Bmp24);
    const S_RunResult text = m_cli.Run({"info", strPicture});
    ASSERT_EQ(text.nStatus, 0) << text.strErr;
    EXPECT_EQ(text.strOut,
        "Path: " + strPicture
            + "\nFormat: BMP\nSize: 9 KB\nWidth: 64\nHeight: 48\nBits per pixel: 24\n"
              "Capacity: 901 bytes\n"
              "This Carrier Can Hide Approximately 901 Bytes (or 0.880 KB) of Message data in it.\n"
              "Sealed capacity: 327 bytes less the name's length in bytes (more when the payload compresses)\n"
              "That is the safe payload (0.4 bits for each pixel byte that may change); 915 bytes with "
              "--rate-limit off, where a detector sees it more easily\n");
    const S_RunResult json = m_cli.Run({"info", strPicture, "--json"});
    ASSERT_EQ(json.nStatus, 0) << json.strErr;
    EXPECT_EQ(json.strOut,
        "{\"path\": \"" + strPicture
            + "\", \"format\": \"BMP\", \"size_kb\": 9, \"width\": 64, \"height\": 48, "
              "\"bits_per_pixel\": 24, \"capacity\": 901, \"remarks\": \"This Carrier Can Hide Approximately "
              "901 Bytes (or 0.880 KB) of Message data in it.\", \"sealed_capacity\": 327, "
              "\"sealed_capacity_0_byte_name\": 327, \"sealed_capacity_rate_limit_off\": 915}\n");
}

TEST_F(CliInspect, CompareCountsTheBytesAHideChanged)
{
    const std::string strPicture = Picture(E_TestPicture::Gif);
    const S_RunResult same = m_cli.Run({"compare", strPicture, strPicture});
    EXPECT_EQ(same.nStatus, 0);
    EXPECT_EQ(same.strOut,
        "The Two Images are Similiar Internally.\nDiffering pixel bytes: 0 (in the least significant bit only: 0)\n");

    ASSERT_EQ(m_cli.Run({"hide", strPicture, File("p", T_Bytes(100, 0x5A)), "-o", Path("h.gif")}).nStatus, 0);
    const S_RunResult differ = m_cli.Run({"compare", strPicture, Path("h.gif")});
    EXPECT_EQ(differ.nStatus, 1);
    const std::string strHead = "The Two Images Differ!\nIf they appear visually similiar, there might be\n"
                                "hidden data in one of these.\nDiffering pixel bytes: ";
    ASSERT_TRUE(differ.strOut.starts_with(strHead)) << differ.strOut;
    // Every changed byte changed only in its lowest bit; about half of the 8 x 110 record bits flip.
    const size_t nCount = std::stoul(differ.strOut.substr(strHead.size()));
    EXPECT_GT(nCount, 300u);
    EXPECT_LT(nCount, 600u);
    EXPECT_NE(
        differ.strOut.find("(in the least significant bit only: " + std::to_string(nCount) + ")\n"), std::string::npos);

    const S_RunResult geometry = m_cli.Run({"compare", strPicture, Picture(E_TestPicture::Gif, "small", 10, 10)});
    EXPECT_EQ(geometry.nStatus, 1);
    EXPECT_NE(geometry.strOut.find("not comparable"), std::string::npos);
}

// The same pixels in another format differ in nearly every byte (row order, padding, channel
// order): the colours are compared instead, and the hidden-data hint comes only when they differ.
TEST_F(CliInspect, CompareSaysWhenTheSamePixelsAreStoredDifferently)
{
    const std::string strBmp = Picture(E_TestPicture::Bmp24);
    const std::string strPng = Png(strBmp);
    ASSERT_FALSE(strPng.empty());
    const S_RunResult same = m_cli.Run({"compare", strBmp, strPng});
    EXPECT_EQ(same.nStatus, 0);
    EXPECT_EQ(same.strOut,
        "The pictures are stored differently (24-bit BMP and 24-bit PNG); their pixels show the same colours.\n");

    ASSERT_EQ(m_cli.Run({"hide", strPng, File("p", T_Bytes(40, 0x5A)), "-o", Path("h.png")}).nStatus, 0);
    const S_RunResult differ = m_cli.Run({"compare", strBmp, Path("h.png")});
    EXPECT_EQ(differ.nStatus, 1);
    const std::string strHead =
        std::string(kImagesDiffer) + "\nThe pictures are stored differently (24-bit BMP and 24-bit PNG); ";
    ASSERT_TRUE(differ.strOut.starts_with(strHead)) << differ.strOut;
    // Changed bytes of one pixel count once: at most the 8 x 50 record bits, about half flipped.
    const size_t nPixels = std::stoul(differ.strOut.substr(strHead.size()));
    EXPECT_GT(nPixels, 50u);
    EXPECT_LT(nPixels, 400u);
    EXPECT_TRUE(differ.strOut.ends_with(" pixels show different colours.\n")) << differ.strOut;

    // A GIF and a palette BMP of the same indices and colours.
    const std::string strGif = Picture(E_TestPicture::Gif, "indexed");
    ASSERT_EQ(m_cli.Run({"convert", strGif, "-o", Path("indexed.bmp")}).nStatus, 0);
    const S_RunResult palette = m_cli.Run({"compare", strGif, Path("indexed.bmp")});
    EXPECT_EQ(palette.nStatus, 0) << palette.strOut;
    EXPECT_EQ(palette.strOut,
        "The pictures are stored differently (8-bit GIF and 8-bit BMP); their pixels show the same colours.\n");
}

// What a command prints is what a script came for: a full disk under standard output is a
// failure to write, as for reveal -o -.
TEST_F(CliInspect, StandardOutputThatCannotBeWrittenIsThree)
{
    const std::string strPicture = Picture(E_TestPicture::Bmp24);
    const std::string strCli = VEILMARK_CLI_PATH;
    for (const std::string& strArgs : {"info --json " + strPicture, "analyze " + strPicture,
             "compare " + strPicture + " " + strPicture, std::string("--help")}) {
        SCOPED_TRACE(strArgs);
        const int nWait = std::system((strCli + " " + strArgs + " >/dev/full 2>" + Path("err")).c_str());
        ASSERT_TRUE(WIFEXITED(nWait));
        EXPECT_EQ(WEXITSTATUS(nWait), 3);
        const T_Bytes err = C_TestBytes::Read(Path("err"));
        EXPECT_NE(std::string(err.begin(), err.end()).find("standard output"), std::string::npos);
    }
}

TEST_F(CliInspect, GrayscaleAndConvertWriteTheAskedFormat)
{
    const std::string strPicture = Picture(E_TestPicture::Bmp24);
    const S_RunResult gray = m_cli.Run({"grayscale", strPicture, "-o", Path("g.pcx")});
    ASSERT_EQ(gray.nStatus, 0) << gray.strErr;
    EXPECT_EQ(gray.strOut, "Saved to: " + Path("g.pcx") + "\n");
    const S_RunResult grayInfo = m_cli.Run({"info", Path("g.pcx")});
    EXPECT_NE(grayInfo.strOut.find("Width: 64\nHeight: 48\nBits per pixel: 8\n"), std::string::npos) << grayInfo.strOut;

    ASSERT_EQ(m_cli.Run({"convert", strPicture, "-o", Path("c.PCX")}).nStatus, 0);
    const S_RunResult convertedInfo = m_cli.Run({"info", Path("c.PCX")});
    EXPECT_NE(convertedInfo.strOut.find("Width: 64\nHeight: 48\nBits per pixel: 24\n"), std::string::npos)
        << convertedInfo.strOut;
    // Back to BMP gives the very same picture.
    ASSERT_EQ(m_cli.Run({"convert", Path("c.PCX"), "-o", Path("back.bmp")}).nStatus, 0);
    EXPECT_EQ(m_cli.Run({"compare", strPicture, Path("back.bmp")}).nStatus, 0);

    // A true-colour PNG turns into 8-bit gray and stays a PNG.
    const std::string strPng = Png(strPicture);
    ASSERT_FALSE(strPng.empty());
    ASSERT_EQ(m_cli.Run({"grayscale", strPng, "-o", Path("g.png")}).nStatus, 0);
    const S_RunResult pngInfo = m_cli.Run({"info", Path("g.png"), "--json"});
    EXPECT_NE(pngInfo.strOut.find(
                  "\"format\": \"PNG\", \"size_kb\": 3, \"width\": 64, \"height\": 48, \"bits_per_pixel\": 8,"),
        std::string::npos)
        << pngInfo.strOut;
}

TEST_F(CliInspect, ConvertWarnsOfWhatTheFormatLosesAndWritesAnyway)
{
    // 2 x 1 RGBA with a half transparent pixel, 16 bits a sample.
    const std::string strPng =
        File("alpha.png", C_PngBytes::Make(2, 1, 6, 16, false, {0, 1, 0, 2, 0, 3, 255, 255, 0, 4, 0, 5, 0, 6, 128, 0}));
    const S_RunResult gif = m_cli.Run({"convert", strPng, "-o", Path("a.gif")});
    EXPECT_EQ(gif.nStatus, 0) << gif.strErr;
    EXPECT_EQ(gif.strOut, "Saved to: " + Path("a.gif") + "\n");
    EXPECT_EQ(gif.strErr,
        "Warning: writing " + Path("a.gif")
            + " as GIF loses:\n  transparency: transparent pixels become opaque\n"
              "  precision: 16-bit samples are cut to 8 bits\n  colours: reduced to 256\n");
    // Nothing lost, nothing said.
    const S_RunResult png = m_cli.Run({"convert", Picture(E_TestPicture::Bmp24), "-o", Path("b.png")});
    EXPECT_EQ(png.nStatus, 0);
    EXPECT_EQ(png.strErr, "");
}

TEST_F(CliInspect, AnalyzeRatesAHiddenInPictureAboveItsCover)
{
    // Smooth shading and a little noise, as a photo has; a record filling most of the capacity
    // replaces the lowest bit of most bytes.
    S_BmpLayout layout;
    layout.nWidth = 160;
    layout.nHeight = 120;
    const uint32_t nStride = C_ImageBytes::BmpStride(160, 24);
    layout.aPixels.resize(size_t{nStride} * 120);
    const T_Bytes noise = C_TestBytes::Random(layout.aPixels.size(), 3);
    for (size_t i = 0; i < layout.aPixels.size(); ++i) {
        const double x = static_cast<double>(i % nStride), y = static_cast<double>(i / nStride);
        layout.aPixels[i] =
            static_cast<uint8_t>(120 + 50 * std::sin(x * 0.01 + (i % 3)) + 30 * std::cos(y * 0.03) + (noise[i] % 5));
    }
    const std::string strCover = File("cover.bmp", C_ImageBytes::Bmp(layout));
    ASSERT_EQ(m_cli.Run({"hide", strCover, File("p", C_TestBytes::Random(4500, 4)), "-o", Path("h.bmp")}).nStatus, 0);

    const S_RunResult cover = m_cli.Run({"analyze", strCover, "--json"});
    const S_RunResult hidden = m_cli.Run({"analyze", Path("h.bmp"), "--json"});
    ASSERT_EQ(cover.nStatus, 0) << cover.strErr;
    ASSERT_EQ(hidden.nStatus, 1) << hidden.strErr;  // hidden data likely
    EXPECT_LT(HighestSpa(cover.strOut), 0.05) << cover.strOut;
    EXPECT_GT(HighestSpa(hidden.strOut), 0.4) << hidden.strOut;
    EXPECT_NE(cover.strOut.find("\"overall\": \"No sign of hidden data\""), std::string::npos) << cover.strOut;
    EXPECT_NE(hidden.strOut.find("\"overall\": \"Hidden data likely\""), std::string::npos) << hidden.strOut;

    const S_RunResult text = m_cli.Run({"analyze", Path("h.bmp")});
    EXPECT_EQ(text.nStatus, 1);
    EXPECT_NE(text.strOut.find("Red sample pair analysis: "), std::string::npos) << text.strOut;
    EXPECT_NE(text.strOut.find("Recommended payload: 0 bytes (capacity "), std::string::npos) << text.strOut;
    EXPECT_EQ(m_cli.Run({"analyze", File("bad.bmp", T_Bytes(40, 'B'))}).nStatus, 3);
}

}  // namespace
