// The format table against the codecs it names: what an entry claims must be what its codec does.

#include "tests/support/C_ImageBytes.h"
#include "commands/vmk_command_texts.h"
#include "model/pictures/BTCImageObject.h"
#include "model/pictures/C_FormatRegistry.h"
#include "res/vmk_strings.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> TrueColourBmp()
{
    S_BmpLayout layout;
    layout.nWidth = 3;
    layout.nHeight = 2;
    layout.aPixels = C_ImageBytes::Pattern(24, 7);
    return C_ImageBytes::Bmp(layout);
}

}  // namespace

// Each entry's own encoder writes a file its signature test and its decoder take back as that
// format, and a true-colour picture comes back true colour exactly when the entry says so.
TEST(FormatRegistry, EachEntryReadsWhatItWritesAndHoldsWhatItClaims)
{
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(TrueColourBmp())) << obj.GetLastError();
    std::set<std::string> names;
    for (const S_FormatEntry& entry : C_FormatRegistry::All()) {
        SCOPED_TRACE(entry.pszName);
        EXPECT_TRUE(names.insert(entry.pszName).second);
        EXPECT_EQ(C_FormatRegistry::Find(entry.eFormat), &entry);
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(obj.SaveToMemory(entry.eFormat, bytes)) << obj.GetLastError();
        EXPECT_TRUE(entry.fnIsSignature(bytes));
        EXPECT_EQ(C_FormatRegistry::Detect(bytes), entry.eFormat);
        BTCImageObject again;
        ASSERT_TRUE(again.LoadFromMemory(bytes)) << again.GetLastError();
        EXPECT_EQ(again.GetObjectDataPtr()->GetSourceFormat(), entry.eFormat);
        EXPECT_EQ(again.GetObjectDataPtr()->m_nBitsPerPixel > 8, entry.caps.bTrueColour);
    }
    EXPECT_EQ(C_FormatRegistry::Find(E_ImageFormat::None), nullptr);
    EXPECT_EQ(C_FormatRegistry::Name(static_cast<E_ImageFormat>(5)), nullptr);
}

// A save's format comes from the name's last letters in any case, with or without a dot before them.
TEST(FormatRegistry, PathChoosesTheFormatByItsLastLetters)
{
    for (const S_FormatEntry& entry : C_FormatRegistry::All()) {
        std::string strUpper = entry.pszExtension;
        for (char& c : strUpper)
            c = static_cast<char>(c - 'a' + 'A');
        EXPECT_EQ(C_FormatRegistry::ForPath(std::string("dir.x/photo.") + entry.pszExtension), entry.eFormat);
        EXPECT_EQ(C_FormatRegistry::ForPath("PHOTO." + strUpper), entry.eFormat);
        EXPECT_EQ(C_FormatRegistry::ForPath("photo" + strUpper), entry.eFormat);
        EXPECT_EQ(C_FormatRegistry::ForPath(std::string(entry.pszExtension) + ".txt"), E_ImageFormat::None);
    }
    EXPECT_EQ(C_FormatRegistry::ForPath("photo.JPEG"), E_ImageFormat::Jpeg);
    for (const char* pszPath : {"", "bm", "photo.jpe", "photo.bmp ", "photo.pngx"})
        EXPECT_EQ(C_FormatRegistry::ForPath(pszPath), E_ImageFormat::None) << pszPath;
}

// The Save Picture As filter is a fixed text rather than built from the table, so a format added
// to the table without its line in it fails here; Compare Images' filter is built from the table.
TEST(FormatRegistry, TheFixedFilterTextsOfferEveryFormat)
{
    const std::string strSave = vmk::kStrSaveFilter;
    const std::string strCompare = vmk::CompareFilter();
    std::string strPatterns;
    for (const S_FormatEntry& entry : C_FormatRegistry::All()) {
        std::string strShown = std::string("*.") + entry.pszExtension;
        std::string strPattern = strShown;
        if (entry.pszOtherExtension) {
            strShown += std::string(", *.") + entry.pszOtherExtension;
            strPattern += std::string(";*.") + entry.pszOtherExtension;
        }
        strPatterns += (strPatterns.empty() ? "" : ";") + strPattern;
        EXPECT_NE(strSave.find(entry.pszFilterText + ("(" + strShown + ")|" + strPattern + "|")), std::string::npos)
            << entry.pszName;
    }
    EXPECT_EQ(strSave.find("All Supported Types("), 0u);
    EXPECT_NE(strSave.find(")|" + strPatterns + "|"), std::string::npos);
    EXPECT_EQ(strCompare, "All Image Files|" + strPatterns + "|");
}
