#pragma once
// How many guesses a sealed record's pass phrase costs an attacker, and how long they take. Each
// guess is one key derivation: about 0.3 s and 128 MiB on one core, so the time is shown for one
// computer (2 cores) and for a large attacker (10,000 cores).
//
// The guesses are the fewer of two estimates, so the figure errs on the low side:
//   - zxcvbn's: dictionary words, names, dates, sequences (12345...), keyboard rows (qwerty...)
//     and repeats (abab...) cost little, whatever else as brute force;
//   - word by word: each run of letters is guessed as words from a list of kWordListSize, one
//     word for every 8 letters (or letter by letter when that is cheaper); each digit and symbol
//     separately; a space between words costs nothing; a character repeating the one before it
//     counts for nothing. Pass phrases of words a dictionary does not hold are guessed this way.
// Text is UTF-8; a byte that is not UTF-8 counts as a character beyond ASCII.

#include <string>
#include <string_view>

class C_StrengthEstimate {
public:
    // One guess is one Argon2id derivation (5 passes over 128 MiB). Measured on the build
    // machine (2-core Xeon, libsodium 1.0.18): 0.32 s each, one core per derivation.
    static constexpr double kSecondsPerGuess = 0.32;
    static constexpr int kMiBPerGuess = 128;
    // The attackers the time is given for: one computer, and one who rents 10,000 cores.
    static constexpr int kMachineCores = 2;
    static constexpr int kLargeAttackerCores = 10000;
    // The size of the common word lists for pass phrases (five dice per word).
    static constexpr double kWordListSize = 7776;
    // Weak: the large attacker tries every pass phrase as strong within this many days.
    static constexpr double kWeakDays = 365.25;

    // log2 of the guesses needed to try every pass phrase as strong as this one; 0 when empty.
    // Fast at the sealed record's longest pass phrase (1,024 bytes: well under 0.1 s).
    static double EstimateBits(std::string_view strPassphrase);
    // log10 of the seconds that nCores take to try 2^dBits guesses.
    static double Log10Seconds(double dBits, int nCores);
    // Empty, or tried within kWeakDays by the large attacker.
    static bool IsWeak(std::string_view strPassphrase);

    // "about 3.6 x 10^15 guesses at 0.3 s and 128 MiB each; trying them all takes about 18 million
    // years on one computer (2 cores), about 4 thousand years for a large attacker (10,000 cores)."
    static std::string Describe(double dBits);
    // "about 3 centuries", "less than a second": a duration given as log10 of seconds.
    static std::string DescribeDuration(double dLog10Seconds);
};
