#include "model/C_Carrier.h"
#include "model/C_HideService.h"
#include "model/records/C_Message.h"
#include "tests/support/C_TestBytes.h"
#include "tests/support/C_TestPictures.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

// The read-back both programs run after a save: it tells a kept record from a lost, a foreign
// or a shadowed one, as a reveal would find them.
TEST(HideServiceTest, ReadBackTellsWhatARevealWouldFind)
{
    const fs::path dir = fs::temp_directory_path() / ("vmk_hide_service_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path source = dir / "in.bmp";
    C_TestBytes::Write(source, C_TestPictures::Make(E_TestPicture::Bmp24, 90, 70, 5));
    const T_Bytes payload = C_TestBytes::Random(120, 6);
    C_Message message;
    message.m_strName = "a.txt";
    message.SetFromText(static_cast<uint32_t>(payload.size()), reinterpret_cast<const char*>(payload.data()));

    const C_HideService plain = C_HideService::For(false);
    const C_HideService sealed = C_HideService::For(true);
    C_Carrier carrier;
    ASSERT_TRUE(carrier.OpenImage(source.string()));
    ASSERT_TRUE(plain.Fits(carrier, message));
    ASSERT_EQ(plain.Hide(carrier, message, "pass", E_Embedding::Replace), E_RecordOutcome::Hidden);
    const fs::path out = dir / "out.bmp";
    ASSERT_TRUE(carrier.SaveImage(out.string()));

    std::string strError;
    EXPECT_EQ(plain.ReadBack(out.string(), "pass", "a.txt", payload, strError), C_HideService::E_ReadBack::Same);
    EXPECT_EQ(plain.ReadBack(out.string(), "pass", "b.txt", payload, strError), C_HideService::E_ReadBack::Different);
    // A sealed record that left a plain one under its pass phrase would never be revealed.
    EXPECT_EQ(
        sealed.ReadBack(out.string(), "pass", "a.txt", payload, strError), C_HideService::E_ReadBack::EarlierKind);
    EXPECT_EQ(
        plain.ReadBack(source.string(), "pass", "a.txt", payload, strError), C_HideService::E_ReadBack::Different);
    C_TestBytes::Write(dir / "junk.bmp", T_Bytes(40, 7));
    EXPECT_EQ(plain.ReadBack((dir / "junk.bmp").string(), "pass", "a.txt", payload, strError),
        C_HideService::E_ReadBack::Unreadable);
    EXPECT_FALSE(strError.empty());

    // A sealed hide clears the plain record: the sealed one is then what a reveal finds.
    ASSERT_EQ(sealed.Hide(carrier, message, "pass", E_Embedding::Match), E_RecordOutcome::Hidden);
    ASSERT_TRUE(carrier.SaveImage(out.string()));
    EXPECT_EQ(sealed.ReadBack(out.string(), "pass", "a.txt", payload, strError), C_HideService::E_ReadBack::Same);
    EXPECT_EQ(plain.ReadBack(out.string(), "pass", "a.txt", payload, strError), C_HideService::E_ReadBack::Different);
    fs::remove_all(dir);
}
