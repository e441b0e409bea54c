// The whole command line in-process: argument parsing, the pass phrase sources and every
// command, on a few small pictures. It must never crash, never leave a temporary file behind
// and never write outside its own folder.
//
// Input: segments separated by NUL bytes. The first is the content of the file "pw" (for
// --passphrase-file pw); a segment "ENV=..." sets VEILMARK_PASSPHRASE; every other segment is
// one argument. The run's working folder is a fresh temporary folder holding carrier.bmp,
// carrier.gif, carrier.pcx, carrier.png, hidden.bmp and hidden.png (the carrier with a record
// under "pw"), payload and pw. Arguments lose every "/" and every ".." becomes "._", so no
// argument can name a path outside that folder; after each run the folder is put back as it
// was. Since the harness changes its working folder, give libFuzzer absolute paths for the
// corpus and -artifact_prefix.
#include "cli/C_CliApp.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

using T_Files = std::map<std::string, std::string>;

void Put(std::string& out, uint32_t nValue, int nBytes)
{
    for (int i = 0; i < nBytes; ++i)
        out += static_cast<char>((nValue >> (8 * i)) & 0xFF);
}

// A 24-bit BMP of 16 x 16 pixels with a smooth gradient.
std::string SmallBmp()
{
    constexpr uint32_t kSide = 16;
    constexpr uint32_t kPixels = kSide * kSide * 3;
    std::string out = "BM";
    Put(out, 54 + kPixels, 4);
    Put(out, 0, 4);
    Put(out, 54, 4);
    Put(out, 40, 4);
    Put(out, kSide, 4);
    Put(out, kSide, 4);
    Put(out, 1, 2);
    Put(out, 24, 2);
    Put(out, 0, 4);
    Put(out, kPixels, 4);
    Put(out, 2835, 4);
    Put(out, 2835, 4);
    Put(out, 0, 4);
    Put(out, 0, 4);
    for (uint32_t y = 0; y < kSide; ++y)
        for (uint32_t x = 0; x < kSide; ++x) {
            out += static_cast<char>(x * 16);
            out += static_cast<char>(y * 16);
            out += static_cast<char>((x + y) * 8);
        }
    return out;
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void WriteAll(const fs::path& path, const std::string& strBytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << strBytes;
}

class C_Folder {
public:
    C_Folder()
    {
        std::string strTemplate = (fs::temp_directory_path() / "vmk-fuzz-cli-XXXXXX").string();
        if (mkdtemp(strTemplate.data()) == nullptr)
            std::abort();
        m_root = strTemplate;
        if (chdir(m_root.c_str()) != 0)
            std::abort();
        WriteAll("carrier.bmp", SmallBmp());
        WriteAll("payload", "d");
        WriteAll("pw", "pw");
        // The other fixtures are made by the program itself, as a user would make them.
        const T_Environment env = {{"VEILMARK_PASSPHRASE", "pw"}};
        Call({"hide", "carrier.bmp", "payload", "-o", "hidden.bmp"}, env);
        Call({"convert", "carrier.bmp", "-o", "carrier.gif"}, env);
        Call({"convert", "carrier.bmp", "-o", "carrier.pcx"}, env);
        Call({"convert", "carrier.bmp", "-o", "carrier.png"}, env);
        Call({"hide", "carrier.png", "payload", "-o", "hidden.png"}, env);
        for (const auto& entry : fs::directory_iterator(m_root))
            m_fixtures[entry.path().filename().string()] = ReadAll(entry.path());
        if (m_fixtures.size() != 8)
            std::abort();
    }
    ~C_Folder()
    {
        std::error_code error;
        fs::remove_all(m_root, error);
    }
    C_Folder(const C_Folder&) = delete;
    C_Folder& operator=(const C_Folder&) = delete;

    static int Call(const std::vector<std::string>& args, const T_Environment& env)
    {
        C_CliApp app;
        app.SetTerminalAllowed(false);
        // "-" as a payload reads this, never the fuzzer's own standard input.
        std::istringstream in("standard input of a fuzzed run");
        app.SetInput(in);
        std::ostringstream out;
        std::ostringstream err;
        return app.Run(args, env, out, err);
    }

    // Removes what a run added and restores what it changed. A new file that no argument
    // named is a temporary file left behind by a failed write: that is a finding.
    void Restore(const std::vector<std::string>& args)
    {
        std::vector<fs::path> extra;
        for (const auto& entry : fs::directory_iterator(m_root)) {
            const std::string strName = entry.path().filename().string();
            if (m_fixtures.contains(strName))
                continue;
            if (std::none_of(args.begin(), args.end(), [&](const std::string& a) { return a.ends_with(strName); }))
                std::abort();
            extra.push_back(entry.path());
        }
        for (const fs::path& path : extra)
            fs::remove_all(path);
        for (const auto& [strName, strBytes] : m_fixtures) {
            std::error_code error;
            if (!fs::is_regular_file(m_root / strName, error) || fs::is_symlink(m_root / strName, error)) {
                fs::remove_all(m_root / strName, error);
                WriteAll(m_root / strName, strBytes);
            } else if (ReadAll(m_root / strName) != strBytes) {
                WriteAll(m_root / strName, strBytes);
            }
        }
    }

    // pw is the first segment of each input.
    void SetPassphraseFile(const std::string& strBytes) const { WriteAll(m_root / "pw", strBytes); }

private:
    fs::path m_root;
    T_Files m_fixtures;
};

std::string Confined(std::string strArg)
{
    std::erase(strArg, '/');
    for (size_t p; (p = strArg.find("..")) != std::string::npos;)
        strArg[p + 1] = '_';
    return strArg;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    static C_Folder folder;
    constexpr size_t kMaxArgs = 24;

    std::vector<std::string> segments(1);
    for (size_t i = 0; i < nSize; ++i) {
        if (pData[i] == 0)
            segments.emplace_back();
        else
            segments.back() += static_cast<char>(pData[i]);
    }
    folder.SetPassphraseFile(segments.front());
    T_Environment env;
    std::vector<std::string> args;
    for (size_t i = 1; i < segments.size() && args.size() < kMaxArgs; ++i) {
        if (segments[i].starts_with("ENV="))
            env["VEILMARK_PASSPHRASE"] = segments[i].substr(4);
        else
            args.push_back(Confined(segments[i]));
    }
    const int nStatus = C_Folder::Call(args, env);
    if (nStatus < 0 || nStatus > 4)
        std::abort();  // only the documented exit codes
    folder.Restore(args);
    return 0;
}
