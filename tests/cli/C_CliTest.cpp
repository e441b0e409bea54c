#include "tests/cli/C_CliTest.h"

#include <algorithm>
#include <cstdlib>

void C_CliTest::SetUp()
{
    std::string strTemplate = (std::filesystem::temp_directory_path() / "vmk-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(strTemplate.data()), nullptr);
    m_root = strTemplate;
    m_cli.SetPassphrase("secret");
}

void C_CliTest::TearDown()
{
    std::error_code error;
    std::filesystem::remove_all(m_root, error);
}

std::string C_CliTest::Picture(E_TestPicture eKind, const std::string& strStem, int nWidth, int nHeight)
{
    return File(strStem + "." + C_TestPictures::Extension(eKind), C_TestPictures::Make(eKind, nWidth, nHeight));
}

std::string C_CliTest::Png(const std::string& strPicture, const std::string& strStem)
{
    const std::string strPng = Path(strStem + ".png");
    const S_RunResult result = m_cli.Run({"convert", strPicture, "-o", strPng});
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    return result.nStatus == 0 ? strPng : std::string();
}

std::string C_CliTest::File(const std::string& strName, const T_Bytes& bytes) const
{
    C_TestBytes::Write(m_root / strName, bytes);
    return Path(strName);
}

std::vector<std::string> C_CliTest::Files() const
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_root))
        if (!entry.is_directory())
            files.push_back(entry.path().lexically_relative(m_root).string());  // a link by its own name
    std::sort(files.begin(), files.end());
    return files;
}
