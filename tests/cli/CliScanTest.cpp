// analyze over many files and folders: one result per picture in each form, unreadable files
// reported without stopping the rest, the summary, the exit statuses, and Ctrl+C.

#include "tests/cli/C_CliTest.h"

#include <csignal>
#include <fcntl.h>
#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

class CliScan : public C_CliTest {
protected:
    // A folder of pictures that read clean, one that reads likely, a file named like a picture
    // that is none, a file not named like one, and a subfolder.
    void MakeFolder()
    {
        std::filesystem::create_directories(m_root / "photos" / "old");
        File("photos/clean.bmp", C_TestPictures::BmpShaded(160, 120, 1, false));
        File("photos/likely.bmp", C_TestPictures::BmpShaded(160, 120, 2, true));
        File("photos/a,\"b\".bmp", C_TestPictures::BmpShaded(160, 120, 1, false));
        File("photos/broken.png", T_Bytes(200, 'P'));
        File("photos/readme.txt", T_Bytes(10, 'r'));
        File("photos/old/older.bmp", C_TestPictures::BmpShaded(64, 64, 4, false));
    }
};

std::vector<std::string> Lines(const std::string& strText)
{
    std::vector<std::string> lines;
    std::istringstream in(strText);
    for (std::string strLine; std::getline(in, strLine);)
        lines.push_back(strLine);
    return lines;
}

// True when strLine is one whole JSON object: strings closed, escapes whole, brackets balanced
// and nothing after the last brace.
bool IsJsonObject(const std::string& strLine)
{
    if (strLine.empty() || strLine.front() != '{')
        return false;
    std::string strOpen;
    bool bInString = false;
    for (size_t i = 0; i < strLine.size(); ++i) {
        const char c = strLine[i];
        if (bInString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                bInString = false;
            else if (static_cast<unsigned char>(c) < 0x20)
                return false;
        } else if (c == '"') {
            bInString = true;
        } else if (c == '{' || c == '[') {
            strOpen += c;
        } else if (c == '}' || c == ']') {
            if (strOpen.empty() || strOpen.back() != (c == '}' ? '{' : '['))
                return false;
            strOpen.pop_back();
            if (strOpen.empty() && i + 1 != strLine.size())
                return false;
        }
    }
    return !bInString && strOpen.empty();
}

// The string value of a top-level "key": "value" field (no escapes in the value), or "".
std::string Field(const std::string& strLine, const std::string& strKey)
{
    const std::string strHead = "\"" + strKey + "\": \"";
    const size_t nAt = strLine.find(strHead);
    if (nAt == std::string::npos)
        return "";
    const size_t nStart = nAt + strHead.size();
    return strLine.substr(nStart, strLine.find('"', nStart) - nStart);
}

TEST_F(CliScan, JsonLinesGiveOneObjectPerFileAndTheSummaryGoesToStandardError)
{
    MakeFolder();
    const S_RunResult flat = m_cli.Run({"analyze", "--json", Path("photos"), Path("missing.bmp")});
    EXPECT_EQ(flat.nStatus, 3) << flat.strErr;  // two files not read, after the others were analysed
    std::map<std::string, std::string> verdicts;
    for (const std::string& strLine : Lines(flat.strOut)) {
        ASSERT_TRUE(IsJsonObject(strLine)) << strLine;
        const std::string strName = std::filesystem::path(Field(strLine, "path")).filename().string();
        EXPECT_TRUE(verdicts.emplace(strName, Field(strLine, "verdict") + Field(strLine, "error")).second) << strName;
        if (strLine.find("\"error\"") == std::string::npos) {
            EXPECT_NE(strLine.find("\"format\": \"BMP\""), std::string::npos) << strLine;
            EXPECT_NE(strLine.find("\"overall\": "), std::string::npos) << strLine;
        }
    }
    // The quoted name comes back as a JSON escape; the subfolder stays out without -r.
    ASSERT_EQ(verdicts.size(), 5u) << flat.strOut;
    EXPECT_EQ(verdicts["clean.bmp"], "clean");
    EXPECT_EQ(verdicts["likely.bmp"], "likely");
    EXPECT_EQ(verdicts["a,\\"], "clean");  // Field stops at the escaped quote; the verdict is its own
    EXPECT_FALSE(verdicts["broken.png"].empty());
    EXPECT_FALSE(verdicts["missing.bmp"].empty());
    EXPECT_NE(flat.strErr.find("Pictures analysed: 3\n"), std::string::npos) << flat.strErr;
    EXPECT_NE(flat.strErr.find("Hidden data likely: 1\n"), std::string::npos) << flat.strErr;
    EXPECT_NE(flat.strErr.find("Files not read: 2\n"), std::string::npos) << flat.strErr;

    const S_RunResult deep = m_cli.Run({"analyze", "--json", "-r", "-j", "2", Path("photos")});
    EXPECT_EQ(Lines(deep.strOut).size(), 5u) << deep.strOut;
    EXPECT_NE(deep.strOut.find("older.bmp"), std::string::npos);
}

// The fields of a CSV row as RFC 4180 quotes them.
std::vector<std::string> CsvFields(const std::string& strRow)
{
    std::vector<std::string> fields(1);
    bool bQuoted = false;
    for (size_t i = 0; i < strRow.size(); ++i) {
        const char c = strRow[i];
        if (bQuoted && c == '"' && i + 1 < strRow.size() && strRow[i + 1] == '"')
            fields.back() += strRow[++i];
        else if (c == '"')
            bQuoted = !bQuoted;
        else if (c == ',' && !bQuoted)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

TEST_F(CliScan, CsvQuotesAPathWithACommaAndAQuote)
{
    MakeFolder();
    const std::string strOdd = Path("photos/a,\"b\".bmp");
    const S_RunResult csv = m_cli.Run({"analyze", "--csv", strOdd, Path("photos/broken.png")});
    EXPECT_EQ(csv.nStatus, 3);
    const std::vector<std::string> lines = Lines(csv.strOut);
    ASSERT_EQ(lines.size(), 3u) << csv.strOut;
    EXPECT_EQ(lines[0],
        "path,format,file_bytes,width,height,largest_estimate,verdict,recommended_payload,sealed_capacity,error");
    // The path in quotes, its own quotes doubled: it reads back whole, and every row has ten fields.
    EXPECT_NE(csv.strOut.find("a,\"\"b\"\".bmp\","), std::string::npos) << csv.strOut;
    // Rows come as the pictures are done, in any order.
    const size_t nPicture = lines[1].find(",BMP,") != std::string::npos ? 1 : 2;
    const std::vector<std::string> picture = CsvFields(lines[nPicture]);
    ASSERT_EQ(picture.size(), 10u) << lines[nPicture];
    EXPECT_EQ(picture[0], strOdd);
    EXPECT_EQ(picture[1], "BMP");
    EXPECT_EQ(picture[2], std::to_string(std::filesystem::file_size(strOdd)));
    EXPECT_EQ(picture[3], "160");
    EXPECT_EQ(picture[6], "clean");
    EXPECT_GT(std::stoul(picture[7]), 0u);  // the payload that should still read clean
    EXPECT_EQ(picture[9], "");
    const std::vector<std::string> broken = CsvFields(lines[3 - nPicture]);
    ASSERT_EQ(broken.size(), 10u) << lines[3 - nPicture];
    EXPECT_EQ(broken[0], Path("photos/broken.png"));
    EXPECT_FALSE(broken[9].empty());
    EXPECT_NE(csv.strErr.find("Files not read: 1\n"), std::string::npos) << csv.strErr;
}

TEST_F(CliScan, ExitStatusSaysWhetherAnyPictureReadLikelyOrAnyFileWasNotRead)
{
    MakeFolder();
    const S_RunResult clean = m_cli.Run({"analyze", Path("photos/clean.bmp")});
    EXPECT_EQ(clean.nStatus, 0) << clean.strErr;
    EXPECT_EQ(clean.strOut.find("Pictures analysed"), std::string::npos);  // one picture, no summary
    EXPECT_EQ(m_cli.Run({"analyze", Path("photos/likely.bmp")}).nStatus, 1);

    // Text: pictures apart by a blank line, the summary after them on standard output, the file
    // that could not be read on standard error.
    const S_RunResult text = m_cli.Run({"analyze", Path("photos/clean.bmp"), Path("photos/likely.bmp")});
    EXPECT_EQ(text.nStatus, 1);
    EXPECT_NE(text.strOut.find("bytes)\n\nPath: "), std::string::npos) << text.strOut;
    EXPECT_NE(text.strOut.find("\n\nPictures analysed: 2\nNo sign of hidden data: 1\nPossibly hidden data: 0\n"
                               "Hidden data likely: 1\nFiles not read: 0\n"),
        std::string::npos)
        << text.strOut;

    const S_RunResult failed =
        m_cli.Run({"analyze", Path("photos/broken.png"), Path("photos/likely.bmp"), Path("photos/clean.bmp")});
    EXPECT_EQ(failed.nStatus, 3);  // not reading a file outranks a likely picture
    EXPECT_TRUE(failed.strErr.starts_with(Path("photos/broken.png") + ": ")) << failed.strErr;
    EXPECT_EQ(failed.strOut.find("broken"), std::string::npos);
    EXPECT_NE(failed.strOut.find("Path: " + Path("photos/clean.bmp")), std::string::npos);
}

TEST_F(CliScan, CtrlCStopsTheScanWithTheResultsSoFar)
{
    std::filesystem::create_directories(m_root / "many");
    const T_Bytes picture = C_TestPictures::BmpShaded(800, 600, 5, false);
    for (int i = 0; i < 60; ++i)
        File("many/p" + std::to_string(100 + i) + ".bmp", picture);
    const std::string strOut = Path("out.jsonl"), strErr = Path("err.txt");
    const pid_t nPid = ::fork();
    if (nPid == 0) {
        const int nOut = ::open(strOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int nErr = ::open(strErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(nOut, STDOUT_FILENO);
        ::dup2(nErr, STDERR_FILENO);
        const std::string strFolder = Path("many");
        ::execl(VEILMARK_CLI_PATH, VEILMARK_CLI_PATH, "analyze", "--json", "-j", "1", strFolder.c_str(),
            static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Interrupt once the first result is out.
    int nStatus = 0;
    bool bEnded = false;
    const auto Started = [&] {
        std::error_code error;
        const auto nBytes = std::filesystem::file_size(strOut, error);
        return !error && nBytes > 0;
    };
    while (!(bEnded = ::waitpid(nPid, &nStatus, WNOHANG) == nPid) && !Started())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!bEnded) {
        ::kill(nPid, SIGINT);
        ::waitpid(nPid, &nStatus, 0);
    }
    const T_Bytes out = C_TestBytes::Read(strOut);
    const std::vector<std::string> lines = Lines(std::string(out.begin(), out.end()));
    if (lines.size() == 60)
        GTEST_SKIP() << "the scan ended before it could be interrupted";
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), 130);
    EXPECT_GE(lines.size(), 1u);
    for (const std::string& strLine : lines)
        EXPECT_TRUE(IsJsonObject(strLine)) << strLine;
    const T_Bytes err = C_TestBytes::Read(strErr);
    const std::string strSummary(err.begin(), err.end());
    EXPECT_NE(strSummary.find("Pictures analysed: " + std::to_string(lines.size()) + "\n"), std::string::npos)
        << strSummary;
    EXPECT_NE(strSummary.find("The scan was stopped"), std::string::npos) << strSummary;
}

}  // namespace
