#pragma once
// A plain estimate of how many guesses a sealed record's pass phrase costs an attacker, and how
// long they take when each guess is one key derivation. No dictionary: the estimate takes the
// cheaper of two ways to guess, so it errs on the low side.
//   - character by character: length x log2(the classes of character used: 26 lower case, 26
//     upper case, 10 digits, 33 ASCII symbols and the space, 100 for anything beyond ASCII);
//   - word by word: each run of letters is guessed as words from a list of kWordListSize, one
//     word for every 8 letters (or letter by letter when that is cheaper); each digit and symbol
//     separately; a space between words costs nothing.
// A character repeating the one before it counts for nothing. Text is UTF-8; a byte that is not
// UTF-8 counts as a character beyond ASCII.

#include <string>
#include <string_view>

class C_PassphraseStrength {
public:
    // One guess is one Argon2id derivation (5 passes over 128 MiB). Measured on the build
    // machine (2-core Xeon, libsodium 1.0.18): 0.32 s each, one core per derivation.
    static constexpr double kSecondsPerGuess = 0.32;
    // The size of the common word lists for pass phrases (five dice per word).
    static constexpr double kWordListSize = 7776;

    // log2 of the guesses needed to try every pass phrase as strong as this one; 0 when empty.
    static double EstimateBits(std::string_view strPassphrase);
    // The dialog's line: guesses and the time to try them all at one guess per kSecondsPerGuess.
    static std::string Describe(std::string_view strPassphrase);
    // "about 3 centuries", "less than a second": a duration given as log10 of seconds.
    static std::string DescribeDuration(double dLog10Seconds);
};
