// JPEG through its coefficients: what is written back is the source's coding and segments with
// only the changed coefficients different, and hostile files are refused without harm.
#include "model/pictures/jpeg/C_JpegCoefficients.h"
#include "tests/support/C_TestJpeg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using S_Options = C_TestJpeg::S_Options;

std::vector<uint8_t> Segment(const std::string& strHead, size_t nBytes, uint8_t nFirst)
{
    std::vector<uint8_t> data(strHead.begin(), strHead.end());
    for (size_t i = 0; data.size() < nBytes; ++i)
        data.push_back(static_cast<uint8_t>(nFirst + 7 * i));
    return data;
}

// The segments a camera and an editor leave: EXIF, an ICC profile over two APP2 segments, XMP,
// a comment.
std::vector<C_JpegCoefficients::S_Marker> CameraSegments()
{
    return {{0xE1, Segment(std::string("Exif\0\0", 6), 900, 1)},
        {0xE2, Segment(std::string("ICC_PROFILE\0\x01\x02", 14), 600, 2)},
        {0xE2, Segment(std::string("ICC_PROFILE\0\x02\x02", 14), 300, 3)},
        {0xE1, Segment("http://ns.adobe.com/xap/1.0/", 200, 4)}, {0xFE, Segment("taken on a pier", 15, 0)}};
}

std::vector<uint8_t> MakeJpeg(const S_Options& options, const std::vector<C_JpegCoefficients::S_Marker>& segments)
{
    return C_TestJpeg::Make(options, segments);
}

constexpr uint64_t kLimit = uint64_t{1} << 26;

bool SameCoding(const C_JpegCoefficients& a, const C_JpegCoefficients& b, std::string& strWhat)
{
    strWhat = a.Width() != b.Width() || a.Height() != b.Height() ? "size"
        : a.Progressive() != b.Progressive()                     ? "progressive"
        : a.Arithmetic() != b.Arithmetic()                       ? "arithmetic"
        : a.RestartInterval() != b.RestartInterval()             ? "restart interval"
        : a.QuantTables() != b.QuantTables()                     ? "quantisation tables"
        : a.Components().size() != b.Components().size()         ? "components"
                                                                 : "";
    for (size_t c = 0; strWhat.empty() && c < a.Components().size(); ++c) {
        const auto& x = a.Components()[c];
        const auto& y = b.Components()[c];
        if (x.nId != y.nId || x.nHorizontal != y.nHorizontal || x.nVertical != y.nVertical
            || x.nQuantTable != y.nQuantTable)
            strWhat = "component " + std::to_string(c);
    }
    if (strWhat.empty() && a.Scans().size() != b.Scans().size())
        strWhat = "scans";
    for (size_t s = 0; strWhat.empty() && s < a.Scans().size(); ++s) {
        const auto& x = a.Scans()[s];
        const auto& y = b.Scans()[s];
        if (x.componentIds != y.componentIds || x.nSpectralStart != y.nSpectralStart || x.nSpectralEnd != y.nSpectralEnd
            || x.nHighBit != y.nHighBit || x.nLowBit != y.nLowBit)
            strWhat = "scan " + std::to_string(s);
    }
    if (strWhat.empty() && a.Markers().size() != b.Markers().size())
        strWhat = "segment count";
    for (size_t m = 0; strWhat.empty() && m < a.Markers().size(); ++m)
        if (a.Markers()[m].nCode != b.Markers()[m].nCode || a.Markers()[m].data != b.Markers()[m].data)
            strWhat = "segment " + std::to_string(m);
    return strWhat.empty();
}

}  // namespace

TEST(JpegCoefficients, WritingBackKeepsTheCodingTheScansAndEverySegment)
{
    const std::vector<S_Options> cases = {
        {3, 2, 2, 75, false, false, 0},   // 4:2:0, the standard Huffman tables
        {3, 1, 1, 95, true, false, 0},    // 4:4:4 progressive
        {3, 2, 1, 50, false, true, 2},    // 4:2:2, optimised tables, restart markers
        {1, 1, 1, 100, false, false, 5},  // gray
        {1, 1, 1, 60, true, false, 0},    // gray progressive
    };
    for (size_t k = 0; k < cases.size(); ++k) {
        const std::vector<uint8_t> source = MakeJpeg(cases[k], CameraSegments());
        C_JpegCoefficients read;
        std::string strError;
        ASSERT_TRUE(read.Read(source, kLimit, strError)) << k << ": " << strError;
        EXPECT_EQ(read.Progressive(), cases[k].bProgressive) << k;
        EXPECT_EQ(read.RestartInterval(), cases[k].nRestart) << k;
        // libjpeg's own JFIF segment first, then the camera's in their order.
        ASSERT_EQ(read.Markers().size(), 6u) << k;
        EXPECT_EQ(read.Markers()[0].nCode, 0xE0) << k;
        std::vector<uint8_t> written;
        ASSERT_TRUE(read.Write(written, strError)) << k << ": " << strError;
        C_JpegCoefficients back;
        ASSERT_TRUE(back.Read(written, kLimit, strError)) << k << ": " << strError;
        std::string strWhat;
        EXPECT_TRUE(SameCoding(read, back, strWhat)) << k << ": " << strWhat;
        for (size_t c = 0; c < read.Components().size(); ++c)
            EXPECT_EQ(read.Components()[c].coefficients, back.Components()[c].coefficients) << k << " " << c;
        // With the standard tables nothing at all differs.
        if (!cases[k].bProgressive && !cases[k].bOptimize) {
            EXPECT_EQ(written, source) << k;
        }
    }
}

TEST(JpegCoefficients, ChangedCoefficientsAreTheOnlyDifference)
{
    for (const bool bProgressive : {false, true}) {
        S_Options options;
        options.bProgressive = bProgressive;
        options.bOptimize = true;
        const std::vector<uint8_t> source = MakeJpeg(options, CameraSegments());
        C_JpegCoefficients read;
        std::string strError;
        ASSERT_TRUE(read.Read(source, kLimit, strError)) << strError;
        std::vector<std::vector<int16_t>> expected;
        for (C_JpegCoefficients::S_Component& component : read.Components()) {
            // AC coefficients only, some of them zero, the last block partly outside the picture.
            for (size_t i = 1; i < component.coefficients.size(); i += 37)
                if (i % 64 != 0)
                    component.coefficients[i] = static_cast<int16_t>(component.coefficients[i] + (i % 2 ? 1 : -1));
            expected.push_back(component.coefficients);
        }
        std::vector<uint8_t> written;
        ASSERT_TRUE(read.Write(written, strError)) << strError;
        C_JpegCoefficients back;
        ASSERT_TRUE(back.Read(written, kLimit, strError)) << strError;
        std::string strWhat;
        EXPECT_TRUE(SameCoding(read, back, strWhat)) << strWhat;
        for (size_t c = 0; c < expected.size(); ++c)
            EXPECT_EQ(back.Components()[c].coefficients, expected[c]) << bProgressive << " " << c;
    }
}

TEST(JpegCoefficients, HostileFilesAreRefusedWithAReason)
{
    const std::vector<uint8_t> good = MakeJpeg(S_Options{}, {});
    std::vector<std::vector<uint8_t>> hostile = {{}, {0xFF, 0xD8, 0xFF}, std::vector<uint8_t>(100, 0x41)};
    // Cut short: libjpeg only warns of the missing end, which counts as refusal.
    hostile.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
    // A scan that names a component the frame lacks.
    std::vector<uint8_t> badScan = good;
    for (size_t i = 2; i + 5 < badScan.size(); ++i)
        if (badScan[i] == 0xFF && badScan[i + 1] == 0xDA) {
            badScan[i + 5] = 9;
            break;
        }
    hostile.push_back(badScan);
    for (size_t k = 0; k < hostile.size(); ++k) {
        C_JpegCoefficients read;
        std::string strError;
        EXPECT_FALSE(read.Read(hostile[k], kLimit, strError)) << k;
        EXPECT_FALSE(strError.empty()) << k;
        std::vector<uint8_t> written;
        EXPECT_FALSE(read.Write(written, strError)) << k;
    }

    // A small file that declares 60000 x 60000 pixels is refused before its coefficients are
    // held: its frame header asks for 5.4 billion of them.
    std::vector<uint8_t> huge = good;
    for (size_t i = 2; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            for (const size_t nAt : {i + 5, i + 7}) {
                huge[nAt] = 0xEA;
                huge[nAt + 1] = 0x60;
            }
            break;
        }
    C_JpegCoefficients read;
    std::string strError;
    EXPECT_FALSE(read.Read(huge, kLimit, strError));
    EXPECT_NE(strError.find("coefficients"), std::string::npos) << strError;
}
