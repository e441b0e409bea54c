// A picture's cover says what a hide may do to each byte: the hide does exactly that and no
// more, so a record that weighs where it writes can trust it.

#include "model/C_Carrier.h"
#include "model/records/C_Message.h"
#include "tests/support/C_PngBytes.h"
#include "tests/support/C_TestBytes.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// 8-bit RGBA, alphas at both ends and next to them: the guard keeps 1 and 254 from the ends and
// the ends where they are, and 0 and 255 saturate. Each byte is written once, and a byte's
// class depends on its own pixel's alpha alone, so what the cover says before the hide holds.
TEST(PixelCover, AMatchingHideStepsEachByteOnlyTheWaysItsCoverAllows)
{
    const fs::path dir = fs::temp_directory_path() / ("vmk_cover_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const size_t nPixels = 60 * 40;
    std::vector<uint8_t> rows = C_TestBytes::Random(4 * nPixels, 21);
    static const uint8_t kAlpha[5] = {0, 1, 254, 255, 128};
    for (size_t i = 0; i < nPixels; ++i)
        rows[4 * i + 3] = kAlpha[i % 5];
    C_TestBytes::Write(dir / "rgba.png", C_PngBytes::Make(60, 40, 6, 8, false, rows));
    C_Carrier carrier;
    ASSERT_TRUE(carrier.OpenImage((dir / "rgba.png").string())) << carrier.GetLastError();
    fs::remove_all(dir);

    using E_Change = C_Cover::E_Change;
    EXPECT_EQ(carrier.CoverFor(E_Embedding::Replace).ChangeOf(3), E_Change::SetLsb);
    const C_PixelCover cover = carrier.CoverFor(E_Embedding::Match);
    ASSERT_EQ(cover.Size(), 4 * nPixels - 1);
    EXPECT_EQ(cover.ChangeOf(cover.Size()), E_Change::None);
    std::vector<E_Change> changes(cover.Size());
    for (uint32_t i = 0; i < cover.Size(); ++i)
        changes[i] = cover.ChangeOf(i);
    EXPECT_EQ(changes[3], E_Change::PlusOne);    // alpha 0: up, and it stays transparent
    EXPECT_EQ(changes[7], E_Change::PlusOne);    // alpha 1 may not reach 0
    EXPECT_EQ(changes[11], E_Change::MinusOne);  // alpha 254 may not reach 255
    EXPECT_EQ(changes[15], E_Change::MinusOne);  // alpha 255: down, and it leaves 255 anyway
    EXPECT_EQ(changes[19], E_Change::PlusOrMinusOne);

    C_Message message;
    const std::vector<uint8_t> payload = C_TestBytes::Random(carrier.GetCapacity(), 22);
    message.m_strName = "cover.bin";
    message.SetFromText(static_cast<uint32_t>(payload.size()), reinterpret_cast<const char*>(payload.data()));
    ASSERT_TRUE(carrier.HideMessage(message, "cover", E_Embedding::Match));
    size_t nOneWay = 0;
    for (uint32_t i = 0; i < cover.Size(); ++i) {
        const int nStep = carrier.GetBits()[i] - rows[i];
        if (nStep == 0)
            continue;
        const bool bEither = changes[i] == E_Change::PlusOrMinusOne;
        ASSERT_TRUE(nStep == 1 ? bEither || changes[i] == E_Change::PlusOne
                               : nStep == -1 && (bEither || changes[i] == E_Change::MinusOne))
            << "byte " << i << " moved by " << nStep;
        nOneWay += !bEither;
    }
    EXPECT_GT(nOneWay, 100u);
}
