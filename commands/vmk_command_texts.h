#pragma once
// The texts only the commands and their dialogs show. What the command-line tool says as well
// (fit, pass phrase, reveal and compare messages) is in model/vmk_texts.h. UTF-8.

#include "model/vmk_texts.h"

namespace vmk {

// Validation text of dialog data exchange (framework string 61714); 61716 is kStrTooManyChars.
inline constexpr const char* kStrIntegerRange = "Please enter an integer between %1 and %2.";
// A read-back number that is no unsigned decimal at all.
inline constexpr const char* kStrNotUnsigned = "Please enter an unsigned integer.";

// The sealed record's pass phrase dialog, when a program (not typing) went past its rules.
inline constexpr const char* kStrSealedPassphraseTooLong =
    "Please enter no more than 1,024 bytes: a sealed message's pass phrase holds up to 1,024 bytes of UTF-8.";
inline constexpr const char* kStrSealedPassphraseNotText = "A pass phrase must be text without NUL characters.";
// A sealed hide that fitted but could not be done; nothing was changed.
inline constexpr const char* kStrSealFailed =
    "The message could not be sealed into this picture under this pass phrase: its positions would repeat, "
    "or there was not enough memory to derive the key. Nothing was changed; try another pass phrase.";

// File dialogs.
// "*", not "*.*": names without a dot (README, Makefile) are files too.
inline constexpr const char* kStrHideFilter = "All Files(*.*)|*|";
inline constexpr const char* kStrHideDefaultExt = ".*";
inline constexpr const char* kStrCompareFilter = "All Image Files|*.bmp;*.gif;*.pcx;*.png|";
inline constexpr const char* kStrCompareDefaultExt = "*";
inline constexpr const char* kStrRevealDefaultExt = "txt";

}  // namespace vmk
