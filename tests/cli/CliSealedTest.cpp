// The sealed record through the binary: hide --seal and compose --seal, reveal without a flag,
// and a damaged record told apart from none. Each run of the key derivation costs about a third
// of a second, so the cases are few and grouped.

#include "tests/cli/C_CliTest.h"

#include "model/C_Carrier.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SpreadRecord.h"
#include "model/pictures/BTCImageData.h"
#include "tests/support/C_TestJpeg.h"
#include "tests/support/vmk_sanitized.h"

#include <zstd.h>

#include <filesystem>
#include <memory>

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

// A zstd frame of nSize zero bytes that declares its size, made in small pieces.
T_Bytes ZerosFrame(size_t nSize)
{
    const std::unique_ptr<ZSTD_CCtx, size_t (*)(ZSTD_CCtx*)> pContext(ZSTD_createCCtx(), ZSTD_freeCCtx);
    ZSTD_CCtx_setParameter(pContext.get(), ZSTD_c_compressionLevel, 3);
    ZSTD_CCtx_setPledgedSrcSize(pContext.get(), nSize);
    const T_Bytes zeros(size_t{1} << 20, 0);
    T_Bytes frame;
    T_Bytes piece(ZSTD_CStreamOutSize());
    for (size_t nDone = 0;;) {
        const size_t nTake = std::min(zeros.size(), nSize - nDone);
        nDone += nTake;
        const ZSTD_EndDirective eEnd = nDone == nSize ? ZSTD_e_end : ZSTD_e_continue;
        ZSTD_inBuffer in{zeros.data(), nTake, 0};
        size_t nLeft = 0;
        do {
            ZSTD_outBuffer out{piece.data(), piece.size(), 0};
            nLeft = ZSTD_compressStream2(pContext.get(), &out, &in, eEnd);
            if (ZSTD_isError(nLeft))
                return {};
            frame.insert(frame.end(), piece.begin(), piece.begin() + static_cast<long>(out.pos));
        } while (in.pos < in.size || (eEnd == ZSTD_e_end && nLeft != 0));
        if (eEnd == ZSTD_e_end)
            return frame;
    }
}

// strPicture with an authentic sealed record of name "zeros.bin" whose stored payload is
// exactly stored, written to strOutput: what a sender with the pass phrase could craft.
bool SealStored(const std::string& strPicture, const std::string& strOutput, const T_Bytes& stored,
    const std::string& strPassphrase)
{
    C_Carrier carrier;
    std::string strWhy;
    return carrier.OpenImage(strPicture)
        && C_SealedRecord::Seal(carrier.GetObjectDataPtr()->GetBits(), carrier.GetUsableBytes(), "zeros.bin", stored,
            true, strPassphrase, strWhy)
        && carrier.SaveImage(strOutput);
}

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

    // Change back the first byte the hide changed that is not one of the salt's: the salt's
    // elements lie anywhere under the pass phrase's order, and a changed salt is a wrong pass
    // phrase, which finds nothing.
    C_Carrier before;
    C_Carrier after;
    ASSERT_TRUE(before.OpenImage(strPicture));
    ASSERT_TRUE(after.OpenImage(strSealed));
    const uint8_t* pBefore = before.GetObjectDataPtr()->GetBits();
    uint8_t* pAfter = after.GetObjectDataPtr()->GetBits();
    const uint32_t nBytes = after.GetUsableBytes();
    const auto salt = C_SpreadRecord::ReadSalt(pAfter, nBytes, "secret");
    uint32_t nAt = 0;
    for (; nAt < nBytes; ++nAt) {
        if (pBefore[nAt] == pAfter[nAt])
            continue;
        pAfter[nAt] ^= 1;
        if (C_SpreadRecord::ReadSalt(pAfter, nBytes, "secret") == salt)
            break;
        pAfter[nAt] ^= 1;
    }
    ASSERT_LT(nAt, nBytes);
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
    // The capacity is the safe payload: past it, the refusal says how to go on.
    EXPECT_EQ(tooMuch.strErr,
        "This Message will not fit into the selected Picture!\nCut the Message or use a Larger Picture.\n"
        "A sealed record holds at most "
            + std::to_string(nCapacity - strName.size())
            + " bytes in this picture at the safe rate (0.4 bits for each pixel byte that may change); beyond it "
              "a detector sees it more easily. Give --rate-limit off to hide it anyway.\n");

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
    // Told to, it hides past the safe rate, and the record reads back the same.
    const S_RunResult past = m_cli.Run({"compose", "--seal", "--rate-limit", "off", strPng, "--subject", "Plan",
        "--text-file", File("longer", longer), "-o", Path("past.png")});
    ASSERT_EQ(past.nStatus, 0) << past.strErr;
    ASSERT_EQ(m_cli.Run({"reveal", Path("past.png"), "-o", Path("out2")}).nStatus, 0);
    EXPECT_EQ(C_TestBytes::Read(Path("out2")), longer);
    EXPECT_NE(m_cli.Run({"info", strPng})
                  .strOut.find("Sealed capacity: " + std::to_string(nCapacity)
                      + " bytes less the name's length in bytes (more when the payload compresses)\n"),
        std::string::npos);
}

TEST_F(CliSealed, APayloadFarLargerThanItsPictureNeedsAllowLargeAndStreamsToTheFile)
{
    // 192 MiB of zeros from a 196 KB picture: above 64 MiB and 256 times the file.
    constexpr size_t kSize = size_t{192} << 20;
    const T_Bytes frame = ZerosFrame(kSize);
    ASSERT_FALSE(frame.empty());
    const std::string strSealed = Path("big.bmp");
    ASSERT_TRUE(SealStored(Picture(E_TestPicture::Bmp24, "carrier", 256, 256), strSealed, frame, "heron"));
    m_cli.SetPassphrase("heron");
    const std::vector<std::string> before = Files();

    const S_RunResult refused = m_cli.Run({"reveal", strSealed, "-o", Path("out.bin")});
    EXPECT_EQ(refused.nStatus, 2);
    EXPECT_NE(refused.strErr.find("192 MiB"), std::string::npos) << refused.strErr;
    EXPECT_NE(refused.strErr.find("--allow-large"), std::string::npos) << refused.strErr;
    EXPECT_EQ(Files(), before);

    const S_RunResult allowed = m_cli.Run({"reveal", "--allow-large", strSealed, "-o", Path("out.bin")});
    ASSERT_EQ(allowed.nStatus, 0) << allowed.strErr;
    EXPECT_EQ(allowed.strOut,
        "Hidden message found: zeros.bin (" + std::to_string(kSize) + " bytes)\nSaved to: " + Path("out.bin") + "\n");
    EXPECT_EQ(std::filesystem::file_size(Path("out.bin")), kSize);
#ifndef VMK_SANITIZED
    // The key derivation alone takes 128 MiB; the payload is never held whole beside it.
    EXPECT_LT(allowed.nPeakKiB, 170 * 1024);
#endif
}

TEST_F(CliSealed, AFrameThatLiesAboutItsSizeIsDamagedAndNothingIsWritten)
{
    // An authentic record whose frame says 1,100 bytes and holds 1,000.
    T_Bytes payload(1000, 'a');
    T_Bytes frame(ZSTD_compressBound(payload.size()));
    frame.resize(ZSTD_compress(frame.data(), frame.size(), payload.data(), payload.size(), 3));
    ASSERT_EQ(ZSTD_getFrameContentSize(frame.data(), frame.size()), 1000u);
    // Single segment, content size in two bytes less 256, right after the descriptor.
    ASSERT_EQ(frame[4] & 0xE0, 0x60);
    frame[5] = static_cast<uint8_t>((1100 - 256) & 0xFF);
    frame[6] = static_cast<uint8_t>((1100 - 256) >> 8);
    ASSERT_EQ(ZSTD_getFrameContentSize(frame.data(), frame.size()), 1100u);
    const std::string strSealed = Path("lies.bmp");
    ASSERT_TRUE(SealStored(Picture(E_TestPicture::Bmp24), strSealed, frame, "heron"));
    m_cli.SetPassphrase("heron");

    const S_RunResult toFile = m_cli.Run({"reveal", strSealed, "-o", Path("out.bin")});
    EXPECT_EQ(toFile.nStatus, 4);
    EXPECT_EQ(toFile.strErr, "A hidden message is here but it was changed or damaged; nothing was saved\n");
    EXPECT_EQ(toFile.strOut, "");
    const S_RunResult toOutput = m_cli.Run({"reveal", strSealed, "-o", "-"});
    EXPECT_EQ(toOutput.nStatus, 4);
    EXPECT_EQ(toOutput.strOut, "");
    EXPECT_EQ(Files(), (std::vector<std::string>{"carrier.bmp", "lies.bmp"}));
}

TEST_F(CliSealed, ARevealWithoutMemoryForTheKeySaysSoInsteadOfNothingFound)
{
#ifdef VMK_SANITIZED
    GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
#else
    const std::string strPicture = Picture(E_TestPicture::Bmp24);
    m_cli.SetPassphrase("heron");
    ASSERT_EQ(
        m_cli.Run({"hide", strPicture, File("p.bin", C_TestBytes::Random(50, 3)), "-o", Path("plain.bmp")}).nStatus, 0);
    ASSERT_EQ(m_cli.Run({"hide", "--seal", strPicture, Path("p.bin"), "-o", Path("sealed.bmp")}).nStatus, 0);

    // 150 MB of address space: not enough for Argon2id's 128 MiB beside the program itself.
    m_cli.SetAddressSpaceLimit(150'000'000);
    // A plain record needs no such memory and is still found.
    EXPECT_EQ(m_cli.Run({"reveal", Path("plain.bmp"), "-o", Path("plain.bin")}).nStatus, 0);
    const S_RunResult sealed = m_cli.Run({"reveal", Path("sealed.bmp"), "-o", Path("sealed.bin")});
    EXPECT_EQ(sealed.nStatus, 3);
    EXPECT_EQ(sealed.strErr, "Revealing a sealed record needs 128 MiB of memory\n");
    EXPECT_FALSE(std::filesystem::exists(Path("sealed.bin")));
#endif
}

}  // namespace

TEST_F(CliSealed, AJpegTakesASealedMessageKeptOnlyAsAJpeg)
{
    C_TestJpeg::S_Options options;
    options.nWidth = 160;
    options.nHeight = 120;
    const std::string strJpeg = File("photo.bmp", C_TestJpeg::Make(options));  // known by its bytes
    const std::string strPayload = File("p.bin", C_TestBytes::Random(60, 4));
    m_cli.SetPassphrase("osprey over the weir");
    // A plain message has no place in it, and a sealed one lives only in a JPEG: refused (2),
    // nothing written, before the pass phrase is needed.
    const S_RunResult plain = m_cli.Run({"hide", strJpeg, strPayload, "-o", Path("plain.jpg")});
    EXPECT_EQ(plain.nStatus, 2);
    EXPECT_NE(plain.strErr.find("hide --seal"), std::string::npos) << plain.strErr;
    const S_RunResult png = m_cli.Run({"hide", "--seal", strJpeg, strPayload, "-o", Path("sealed.png")});
    EXPECT_EQ(png.nStatus, 2);
    EXPECT_NE(png.strErr.find("jpg or jpeg"), std::string::npos) << png.strErr;
    const S_RunResult toJpeg =
        m_cli.Run({"hide", "--seal", Picture(E_TestPicture::Bmp24), strPayload, "-o", Path("x.jpg")});
    EXPECT_EQ(toJpeg.nStatus, 2);
    EXPECT_FALSE(std::filesystem::exists(Path("plain.jpg")) || std::filesystem::exists(Path("sealed.png"))
        || std::filesystem::exists(Path("x.jpg")));

    const S_RunResult info = m_cli.Run({"info", strJpeg});
    EXPECT_NE(info.strOut.find("Format: JPEG"), std::string::npos) << info.strOut;
    EXPECT_NE(info.strOut.find("non-zero AC coefficient"), std::string::npos) << info.strOut;
    const S_RunResult hide = m_cli.Run({"hide", "--seal", strJpeg, strPayload, "-o", Path("sealed.jpeg")});
    ASSERT_EQ(hide.nStatus, 0) << hide.strErr;
    const S_RunResult reveal = m_cli.Run({"reveal", Path("sealed.jpeg"), "-o", Path("back.bin")});
    ASSERT_EQ(reveal.nStatus, 0) << reveal.strErr;
    EXPECT_EQ(C_TestBytes::Read(Path("back.bin")), C_TestBytes::Read(strPayload));
    // A change of one in a coefficient may not show in the pixels: compare counts them.
    const S_RunResult compare = m_cli.Run({"compare", strJpeg, Path("sealed.jpeg")});
    EXPECT_EQ(compare.nStatus, 1);
    const size_t nAt = compare.strOut.find("Differing DCT coefficients: ");
    ASSERT_NE(nAt, std::string::npos) << compare.strOut;
    const std::string strCount = compare.strOut.substr(nAt + 28, compare.strOut.find(' ', nAt + 28) - nAt - 28);
    EXPECT_GT(std::stoul(strCount), 0u);
    EXPECT_NE(compare.strOut.find("(by one: " + strCount + ")"), std::string::npos) << compare.strOut;
    // To another format the pixels go, not the coefficients: said, and then nothing is found.
    const S_RunResult convert = m_cli.Run({"convert", Path("sealed.jpeg"), "-o", Path("sealed.png")});
    ASSERT_EQ(convert.nStatus, 0) << convert.strErr;
    EXPECT_NE(convert.strErr.find("a hidden message"), std::string::npos) << convert.strErr;
    EXPECT_EQ(m_cli.Run({"reveal", Path("sealed.png"), "-o", Path("none.bin")}).nStatus, 1);
    // A damaged JPEG is a file that cannot be read (3), with JPEG's reason.
    T_Bytes damaged = C_TestBytes::Read(strJpeg);
    damaged.resize(damaged.size() / 2);
    const S_RunResult bad = m_cli.Run({"info", File("damaged.jpg", damaged)});
    EXPECT_EQ(bad.nStatus, 3);
    EXPECT_NE(bad.strErr.find("JPEG"), std::string::npos) << bad.strErr;
}
