#include "model/records/C_StrengthEstimate.h"

#include "model/C_TextRules.h"

#include <zxcvbn.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

enum E_Class : unsigned { kLower = 1, kUpper = 2, kDigit = 4, kSymbol = 8, kOther = 16 };

E_Class ClassOf(unsigned char c, size_t nSequence)
{
    if (nSequence != 1)
        return kOther;  // beyond ASCII, or a byte that is no UTF-8
    if (c >= 'a' && c <= 'z')
        return kLower;
    if (c >= 'A' && c <= 'Z')
        return kUpper;
    if (c >= '0' && c <= '9')
        return kDigit;
    return c >= 0x20 && c < 0x7F ? kSymbol : kOther;
}

double PoolOf(unsigned nClasses)
{
    double d = 0;
    if (nClasses & kLower)
        d += 26;
    if (nClasses & kUpper)
        d += 26;
    if (nClasses & kDigit)
        d += 10;
    if (nClasses & kSymbol)
        d += 33;
    if (nClasses & kOther)
        d += 100;
    return d;
}

// A run of letters: whole words from the list, or letter by letter, whichever is cheaper.
double RunBits(size_t nLetters, unsigned nClasses)
{
    if (nLetters == 0)
        return 0;
    const double dLetters = double(nLetters) * std::log2(PoolOf(nClasses));
    const double dWords = double((nLetters + 7) / 8) * std::log2(C_StrengthEstimate::kWordListSize);
    return std::min(dLetters, dWords);
}

// Word by word or character by character, whichever is cheaper.
double WordListBits(std::string_view strPassphrase)
{
    size_t nCharacters = 0;
    unsigned nAllClasses = 0;
    double dWordBits = 0;
    size_t nRun = 0;  // letters in the current run
    unsigned nRunClasses = 0;
    std::string_view strPrevious;
    for (size_t p = 0; p < strPassphrase.size();) {
        const size_t nSequence = C_TextRules::SequenceLength(strPassphrase, p);
        const unsigned char c = static_cast<unsigned char>(strPassphrase[p]);
        const E_Class eClass = ClassOf(c, nSequence);
        const std::string_view strCharacter = strPassphrase.substr(p, std::max<size_t>(1, nSequence));
        p += strCharacter.size();
        // A key held down adds nothing an attacker would not try first.
        if (strCharacter == strPrevious)
            continue;
        strPrevious = strCharacter;
        ++nCharacters;
        nAllClasses |= eClass;
        if (eClass == kLower || eClass == kUpper || eClass == kOther) {
            ++nRun;
            nRunClasses |= eClass;
            continue;
        }
        dWordBits += RunBits(nRun, nRunClasses);
        nRun = 0;
        nRunClasses = 0;
        if (eClass == kDigit)
            dWordBits += std::log2(10.0);
        else if (c != ' ')
            dWordBits += std::log2(33.0);
    }
    dWordBits += RunBits(nRun, nRunClasses);
    if (nCharacters == 0)
        return 0;
    const double dCharacterBits = double(nCharacters) * std::log2(PoolOf(nAllClasses));
    return std::min(dCharacterBits, dWordBits);
}

// "7,776" below a million, "3.6 x 10^15" above.
std::string Count(double dLog10)
{
    char sz[64];
    if (dLog10 < 6) {
        const std::string strDigits = std::to_string(std::llround(std::pow(10.0, dLog10)));
        std::string str;
        for (size_t i = 0; i < strDigits.size(); ++i) {
            if (i != 0 && (strDigits.size() - i) % 3 == 0)
                str += ',';
            str += strDigits[i];
        }
        return str;
    }
    int nExponent = int(std::floor(dLog10));
    double dMantissa = std::round(std::pow(10.0, dLog10 - nExponent) * 10) / 10;
    if (dMantissa >= 10) {
        dMantissa /= 10;
        ++nExponent;
    }
    std::snprintf(sz, sizeof sz, "%g x 10^%d", dMantissa, nExponent);
    return sz;
}

std::string Amount(double dValue, const char* pszOne, const char* pszMany)
{
    const long long n = std::max(1LL, std::llround(dValue));
    return "about " + std::to_string(n) + " " + (n == 1 ? pszOne : pszMany);
}

}  // namespace

double C_StrengthEstimate::EstimateBits(std::string_view strPassphrase)
{
    if (strPassphrase.empty())
        return 0;
    // zxcvbn reads a C string: a NUL ends the pass phrase there (no pass phrase may hold one).
    const std::string strText(strPassphrase);
    const double dPatternBits = std::max(0.0, ZxcvbnMatch(strText.c_str(), nullptr, nullptr));
    return std::min(dPatternBits, WordListBits(strPassphrase));
}

double C_StrengthEstimate::Log10Seconds(double dBits, int nCores)
{
    return dBits * std::log10(2.0) + std::log10(kSecondsPerGuess) - std::log10(double(nCores));
}

bool C_StrengthEstimate::IsWeak(std::string_view strPassphrase)
{
    return strPassphrase.empty()
        || Log10Seconds(EstimateBits(strPassphrase), kLargeAttackerCores) < std::log10(kWeakDays * 86400);
}

std::string C_StrengthEstimate::Describe(double dBits)
{
    char szCost[64];
    const std::string strGuesses = Count(dBits * std::log10(2.0));
    std::snprintf(szCost, sizeof szCost, " at %.1f s and %d MiB each", kSecondsPerGuess, kMiBPerGuess);
    return "about " + strGuesses + (strGuesses == "1" ? " guess" : " guesses") + szCost + "; trying them all takes "
        + DescribeDuration(Log10Seconds(dBits, kMachineCores)) + " on one computer (" + std::to_string(kMachineCores)
        + " cores), " + DescribeDuration(Log10Seconds(dBits, kLargeAttackerCores)) + " for a large attacker ("
        + Count(std::log10(double(kLargeAttackerCores))) + " cores).";
}

std::string C_StrengthEstimate::DescribeDuration(double dLog10Seconds)
{
    constexpr double kYear = 365.25 * 24 * 3600;
    if (dLog10Seconds < 0)
        return "less than a second";
    const double dLog10Years = dLog10Seconds - std::log10(kYear);
    // Past a trillion years only the order of magnitude means anything (and fits a double).
    if (dLog10Years >= 12)
        return "about 10^" + std::to_string(int(std::floor(dLog10Years))) + " years";
    const double dSeconds = std::pow(10.0, dLog10Seconds);
    const double dYears = dSeconds / kYear;
    // Each unit from where its rounded count reaches 1 to where the next one's does.
    if (dSeconds < 59.5)
        return Amount(dSeconds, "second", "seconds");
    if (dSeconds < 3570)
        return Amount(dSeconds / 60, "minute", "minutes");
    if (dSeconds < 84600)
        return Amount(dSeconds / 3600, "hour", "hours");
    if (dYears < 0.9986)
        return Amount(dSeconds / 86400, "day", "days");
    if (dYears < 99.5)
        return Amount(dYears, "year", "years");
    if (dYears < 950)
        return Amount(dYears / 100, "century", "centuries");
    if (dYears < 999.5e3)
        return Amount(dYears / 1e3, "thousand years", "thousand years");
    if (dYears < 999.5e6)
        return Amount(dYears / 1e6, "million years", "million years");
    return Amount(dYears / 1e9, "billion years", "billion years");
}
