// The folder scan over a folder of real picture files of every format, a subfolder, a file named
// like a picture that is none, and a path that does not exist.
#include "model/analysis/C_FolderScan.h"
#include "tests/model/C_ScratchFolder.h"
#include "tests/support/C_PngBytes.h"
#include "tests/support/C_TestJpeg.h"
#include "tests/support/C_TestPictures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class FolderScanTest : public testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(m_dir / "sub");
        Write("a-clean.bmp", C_TestPictures::BmpShaded(160, 120, 3, false));
        Write("b.gif", C_TestPictures::Make(E_TestPicture::Gif, 40, 30, 4));
        Write("c.PCX", C_TestPictures::Make(E_TestPicture::Pcx24, 33, 21, 5));
        std::vector<uint8_t> rows(size_t{24} * 3 * 16);
        for (size_t i = 0; i < rows.size(); ++i)
            rows[i] = static_cast<uint8_t>(i * 5);
        Write("d.png", C_PngBytes::Make(24, 16, 2, 8, false, rows));
        C_TestJpeg::S_Options jpeg;
        jpeg.nWidth = 259;
        jpeg.nHeight = 190;
        Write("e.jpg", C_TestJpeg::Make(jpeg));
        Write("fake.png", T_Bytes(300, 'x'));
        Write("likely.bmp", C_TestPictures::BmpShaded(160, 120, 3, true));
        Write("notes.txt", C_TestPictures::Make(E_TestPicture::Bmp24, 8, 8, 6));  // not named as a picture
        Write("sub/f.bmp", C_TestPictures::Make(E_TestPicture::Bmp8, 10, 10, 7));
    }

    void Write(const std::string& strName, const T_Bytes& bytes) const { C_TestBytes::Write(m_dir / strName, bytes); }
    std::string Path(const std::string& strName) const { return (m_dir / strName).string(); }

    // Every item Run reports, by path; a path reported twice fails the test.
    static std::map<std::string, S_ScanItem> RunAll(C_FolderScan& scan, const std::vector<std::string>& files)
    {
        std::map<std::string, S_ScanItem> items;
        scan.Run(files, [&](const S_ScanItem& item) {
            EXPECT_TRUE(items.emplace(item.strPath, item).second) << "reported twice: " << item.strPath;
        });
        return items;
    }

    C_ScratchFolder m_scratch;
    const fs::path m_dir = m_scratch.Path();
};

TEST_F(FolderScanTest, CollectTakesPictureNamesByNameAndSubfoldersOnlyWhenAsked)
{
    // A pipe named like a picture would block the worker that opened it.
    ASSERT_EQ(::mkfifo(Path("pipe.png").c_str(), 0600), 0);
    std::vector<S_ScanItem> errors;
    const std::vector<std::string> flat =
        C_FolderScan(S_ScanOptions{}).Collect({m_dir.string(), Path("missing"), Path("notes.txt")}, errors);
    const std::vector<std::string> expected = {Path("a-clean.bmp"), Path("b.gif"), Path("c.PCX"), Path("d.png"),
        Path("e.jpg"), Path("fake.png"), Path("likely.bmp"), Path("notes.txt")};
    EXPECT_EQ(flat, expected);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].strPath, Path("missing"));
    EXPECT_TRUE(errors[0].Failed());

    errors.clear();
    S_ScanOptions recurse;
    recurse.bRecurse = true;
    const std::vector<std::string> deep = C_FolderScan(recurse).Collect({m_dir.string()}, errors);
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(deep.size(), 8u);
    EXPECT_EQ(deep.back(), Path("sub/f.bmp"));  // a folder's own files come before its subfolders'
}

TEST_F(FolderScanTest, EveryFileIsReportedOnceWithItsFindingsAndABadOneDoesNotStopTheScan)
{
    S_ScanOptions options;
    options.bRecurse = true;
    options.nWorkers = 1;
    C_FolderScan one(options);
    std::vector<S_ScanItem> errors;
    const std::vector<std::string> files = one.Collect({m_dir.string()}, errors);
    const std::map<std::string, S_ScanItem> items = RunAll(one, files);
    ASSERT_EQ(items.size(), files.size());

    const std::map<std::string, std::string> formats = {{"a-clean.bmp", "BMP"}, {"b.gif", "GIF"}, {"c.PCX", "PCX"},
        {"d.png", "PNG"}, {"e.jpg", "JPEG"}, {"likely.bmp", "BMP"}, {"sub/f.bmp", "BMP"}};
    for (const auto& [strName, strFormat] : formats) {
        const S_ScanItem& item = items.at(Path(strName));
        EXPECT_FALSE(item.Failed()) << strName << ": " << item.strError;
        EXPECT_EQ(item.strFormat, strFormat) << strName;
        EXPECT_EQ(item.nFileBytes, fs::file_size(Path(strName))) << strName;
        EXPECT_EQ(item.pixels.has_value(), strFormat != "JPEG") << strName;
        EXPECT_EQ(item.jpeg.has_value(), strFormat == "JPEG") << strName;
    }
    const S_ScanItem& fake = items.at(Path("fake.png"));
    EXPECT_TRUE(fake.Failed());
    EXPECT_EQ(fake.nFileBytes, 300u);
    EXPECT_FALSE(fake.pixels || fake.jpeg);

    EXPECT_EQ(items.at(Path("c.PCX")).nWidth, 33u);
    EXPECT_EQ(items.at(Path("c.PCX")).nHeight, 21u);
    EXPECT_EQ(items.at(Path("e.jpg")).nWidth, 259u);
    EXPECT_GT(items.at(Path("e.jpg")).nSealedCapacity, 0u);

    // Replaced lowest bits read likely; the same picture without them leaves room for a payload.
    const S_ScanItem& clean = items.at(Path("a-clean.bmp"));
    const S_ScanItem& likely = items.at(Path("likely.bmp"));
    EXPECT_EQ(clean.eVerdict, E_Verdict::Clean);
    EXPECT_LT(clean.dLargest, C_DetectionCheck::kCleanBelow);
    EXPECT_GT(clean.nRecommended, 0u);
    EXPECT_EQ(likely.eVerdict, E_Verdict::Likely);
    EXPECT_GE(likely.dLargest, C_DetectionCheck::kPossibleBelow);
    EXPECT_EQ(likely.nRecommended, 0u);
    EXPECT_EQ(likely.nCapacity, clean.nCapacity);
    // What a long scan would pile up is dropped.
    ASSERT_TRUE(likely.pixels);
    EXPECT_TRUE(likely.pixels->aLsbPlane.empty());
    for (const S_ChannelFindings& channel : likely.pixels->aChannels)
        EXPECT_TRUE(channel.aChiSquareCurve.empty());

    // Two workers find the same for every file.
    options.nWorkers = 2;
    C_FolderScan two(options);
    const std::map<std::string, S_ScanItem> twice = RunAll(two, files);
    ASSERT_EQ(twice.size(), items.size());
    for (const auto& [strPath, item] : items) {
        const S_ScanItem& other = twice.at(strPath);
        EXPECT_EQ(other.strError, item.strError) << strPath;
        EXPECT_EQ(other.eVerdict, item.eVerdict) << strPath;
        EXPECT_EQ(other.dLargest, item.dLargest) << strPath;
        EXPECT_EQ(other.nRecommended, item.nRecommended) << strPath;
    }
}

TEST_F(FolderScanTest, CancelFromTheCallbackStopsNewWork)
{
    std::vector<std::string> files;
    for (int i = 0; i < 40; ++i)
        files.push_back(Path(i % 2 ? "likely.bmp" : "b.gif"));
    S_ScanOptions options;
    options.nWorkers = 2;
    C_FolderScan scan(options);
    size_t nReported = 0;
    scan.Run(files, [&](const S_ScanItem&) {
        ++nReported;
        scan.Cancel();
    });
    // The worker that was analysing when the first came in may still report its own.
    EXPECT_GE(nReported, 1u);
    EXPECT_LE(nReported, 2u);
    EXPECT_TRUE(scan.Cancelled());

    // A callback that throws ends the scan too, and Run passes the exception on.
    C_FolderScan failing(options);
    size_t nCalls = 0;
    EXPECT_THROW(failing.Run(files,
                     [&](const S_ScanItem&) {
                         ++nCalls;
                         throw std::runtime_error("disk full");
                     }),
        std::runtime_error);
    EXPECT_EQ(nCalls, 1u);
}

}  // namespace

TEST_F(FolderScanTest, TheRecommendedPayloadNeverPassesWhatThePictureHolds)
{
    // 3 x 160 x 115 - 1 usable bytes is a multiple of 17, where the plain record holds far less than
    // the clean range would allow.
    Write("seventeen.bmp", C_TestPictures::BmpShaded(160, 115, 3, false));
    const S_ScanItem item = C_FolderScan::Analyse(Path("seventeen.bmp"), false);
    ASSERT_FALSE(item.Failed()) << item.strError;
    ASSERT_EQ(item.eVerdict, E_Verdict::Clean);
    EXPECT_GT(item.nCapacity, 0u);
    EXPECT_EQ(item.nRecommended, item.nCapacity);
}
