#pragma once
// The texts the commands and their dialogs show, in one place. UTF-8.

namespace vmk {

inline constexpr const char* kStrPasswordsDiffer = "Passwords Didn't Match!";
inline constexpr const char* kStrFileWontFit =
    "This Message will not fit into the selected Picture!\nChoose a smaller Message or a Larger Picture.";
inline constexpr const char* kStrTextWontFit =
    "This Message will not fit into the selected Picture!\nCut the Message or use a Larger Picture.";
inline constexpr const char* kStrComposeEmpty = "You must Enter both the Subject\nand the Message!";
inline constexpr const char* kStrNothingFound = "No Hidden Message is Detected in this Picture!";
inline constexpr const char* kStrSecondOpenFailed = "Error Opening Second Image!";
inline constexpr const char* kStrImagesDiffer =
    "The Two Images Differ!\nIf they appear visually similiar, there might be\nhidden data in one of these.";
inline constexpr const char* kStrImagesAlike = "The Two Images are Similiar Internally.";

// Validation texts of dialog data exchange (framework strings 61716 and 61714).
inline constexpr const char* kStrTooManyChars = "Please enter no more than %1 characters.";
inline constexpr const char* kStrIntegerRange = "Please enter an integer between %1 and %2.";
// A read-back number that is no unsigned decimal at all.
inline constexpr const char* kStrNotUnsigned = "Please enter an unsigned integer.";

// File dialogs.
// "*", not "*.*": names without a dot (README, Makefile) are files too.
inline constexpr const char* kStrHideFilter = "All Files(*.*)|*|";
inline constexpr const char* kStrHideDefaultExt = ".*";
inline constexpr const char* kStrCompareFilter = "All Image Files|*.bmp;*.gif;*.pcx|";
inline constexpr const char* kStrCompareDefaultExt = "*";
inline constexpr const char* kStrRevealDefaultExt = "txt";

}  // namespace vmk
