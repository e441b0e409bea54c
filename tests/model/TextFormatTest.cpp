#include "model/C_TextFormat.h"

#include <gtest/gtest.h>

// The argument goes in once, verbatim: a "%1" inside it or later in the pattern stays.
TEST(TextFormat, FillsOnlyTheFirstPlaceholderVerbatim)
{
    EXPECT_EQ(C_TextFormat::Substitute("Access to %1 was denied.", "a/b %2.bin"), "Access to a/b %2.bin was denied.");
    EXPECT_EQ(C_TextFormat::Substitute("%1 and %1", "%1!"), "%1! and %1");
    EXPECT_EQ(C_TextFormat::Substitute("No placeholder.", "x"), "No placeholder.");
    EXPECT_EQ(C_TextFormat::Substitute("%1", ""), "");
}

TEST(TextFormat, FillsNumberedPlaceholdersWhereverTheyStand)
{
    EXPECT_EQ(C_TextFormat::Substitute("%3: %1 (%2)", {"a", "b", "c"}), "c: a (b)");
    EXPECT_EQ(C_TextFormat::Substitute("only %2", {"a", "b"}), "only b");
    EXPECT_EQ(C_TextFormat::Substitute("%1 %2", {"a"}), "a %2");
}
