// The pass phrase estimate that the CLI's warning and the sealed dialog's line share: patterns
// count for the few guesses they are, and the time is an attacker's, not one core's.

#include "model/records/C_SealedRecord.h"
#include "model/records/C_StrengthEstimate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

namespace {

using S = C_StrengthEstimate;

std::string Repeated(const std::string& strPart, size_t nBytes)
{
    std::string str;
    while (str.size() < nBytes)
        str += strPart;
    str.resize(nBytes);
    return str;
}

TEST(StrengthEstimate, SequencesKeyboardRowsAndRepeatsAreWeak)
{
    // Each was rated at thousands of years or more by counting characters and words alone.
    for (const std::string& str : {std::string("12345678901234567890"), std::string("qwertyuiopasdfghjkl"),
             Repeated("ab", 1024), std::string("password"), std::string("")}) {
        SCOPED_TRACE(str.substr(0, 20));
        EXPECT_LT(S::EstimateBits(str), 32);
        EXPECT_TRUE(S::IsWeak(str));
    }
    // Unusual words, and a phrase of several, are not.
    for (const char* p : {"correct horse battery staple", "a heron waits where the river bends east of the mill"}) {
        SCOPED_TRACE(p);
        EXPECT_GT(S::EstimateBits(p), 50);
        EXPECT_FALSE(S::IsWeak(p));
    }
}

TEST(StrengthEstimate, TimeIsGivenForOneComputerAndALargeAttacker)
{
    // 2^40 guesses at 0.32 s: 5.6 thousand years on 2 cores, about 1 year on 10,000.
    const std::string str = S::Describe(40);
    EXPECT_EQ(str,
        "about 1.1 x 10^12 guesses at 0.3 s and 128 MiB each; trying them all takes about 6 thousand years on "
        "one computer (2 cores), about 1 year for a large attacker (10,000 cores).");
    EXPECT_EQ(S::Describe(0).substr(0, 24), "about 1 guess at 0.3 s a");
    EXPECT_NEAR(S::Log10Seconds(40, 10000) - S::Log10Seconds(40, 2), -std::log10(5000.0), 1e-9);
}

TEST(StrengthEstimate, TheLongestPassPhrasesAreQuick)
{
    // zxcvbn looks at every stretch of its bytes: what costs it most is long runs of one kind.
    std::string strMixed;
    for (size_t i = 0; i < C_SealedRecord::kMaxPassphraseBytes; ++i)
        strMixed += char(33 + (i * 7) % 94);
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& str :
        {std::string(C_SealedRecord::kMaxPassphraseBytes, '1'), Repeated("19870412", 1024), Repeated("p@ssw0rd", 1024),
            Repeated("\xC3\xA9", 1024), Repeated("qwertyuiopasdfghjklzxcvbnm", 1024), strMixed}) {
        const double dBits = S::EstimateBits(str);
        EXPECT_TRUE(std::isfinite(dBits));
        EXPECT_EQ(S::Describe(dBits).find("inf"), std::string::npos);
    }
    // About 0.05 s on the build machine; a few seconds would show in the dialog's typing.
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
}

}  // namespace
