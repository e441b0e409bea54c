#pragma once
// Fixture of the CLI tests: a fresh folder per test, removed afterwards, and a runner whose
// pass phrase comes from the environment unless a test says otherwise.

#include "tests/cli/C_CliRunner.h"
#include "tests/support/C_TestPictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

class C_CliTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A path inside the test's folder.
    std::string Path(const std::string& strName) const { return (m_root / strName).string(); }
    // Writes a picture of the kind into the folder; returns its path.
    std::string Picture(E_TestPicture eKind, const std::string& strStem = "carrier", int nWidth = 64, int nHeight = 48);
    // strPicture as a PNG of the stem, written by the binary's own convert (the test pictures
    // have no PNG kind); returns its path, empty when the conversion failed.
    std::string Png(const std::string& strPicture, const std::string& strStem = "carrier");
    // Writes bytes into the folder; returns its path.
    std::string File(const std::string& strName, const T_Bytes& bytes) const;
    // Every regular file below the test's folder, relative to it, sorted.
    std::vector<std::string> Files() const;

    std::filesystem::path m_root;
    C_CliRunner m_cli;
};
