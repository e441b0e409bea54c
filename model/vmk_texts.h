#pragma once
// The texts that both programs show, in one place: the application's message boxes and the
// command-line tool's messages say the same things in the same words. Plain UTF-8, no Qt.

namespace vmk {

// Pictures.
inline constexpr const char* kStrOpenFailed = "Error Opening Image!";
inline constexpr const char* kStrSaveFailed = "Error Saving Image!";
inline constexpr const char* kStrSecondOpenFailed = "Error Opening Second Image!";
// Why a name cannot be saved under: its last three characters choose the format.
inline constexpr const char* kStrJpegNameRefused =
    "JPEG is lossy: its compression would destroy hidden data. End the output name in png instead, "
    "which keeps every pixel byte";
inline constexpr const char* kStrNameChoosesFormat =
    "The output name must end in bmp, gif, pcx or png, which chooses the picture format";

// Hide and compose.
inline constexpr const char* kStrFileWontFit =
    "This Message will not fit into the selected Picture!\nChoose a smaller Message or a Larger Picture.";
inline constexpr const char* kStrTextWontFit =
    "This Message will not fit into the selected Picture!\nCut the Message or use a Larger Picture.";
inline constexpr const char* kStrComposeEmpty = "You must Enter both the Subject\nand the Message!";
// Added to the fit message when positions would repeat under the pass phrase; %1 is a byte count.
inline constexpr const char* kStrLargestForPassword =
    "With this pass phrase the picture holds at most %1 bytes under this name.";

// How a hide wrote its bits, when not by plain replacement; the pairing line's figures are the
// mean colour distance a changed index shows, after and before.
inline constexpr const char* kStrEmbeddedMatch = "Embedded by adding or subtracting 1.";
inline constexpr const char* kStrPalettePaired =
    "Palette paired: a changed index now shows a colour %.1f away on average (%.1f before).";

// Pass phrases.
inline constexpr const char* kStrPasswordIntro = "Enter a Password of maximum 15 characters.";
inline constexpr const char* kStrPasswordsDiffer = "Passwords Didn't Match!";
inline constexpr const char* kStrTooManyChars = "Please enter no more than %1 characters.";

// Reveal and compare.
inline constexpr const char* kStrNothingFound = "No Hidden Message is Detected in this Picture!";
// A sealed record is there under the pass phrase, but it no longer authenticates.
inline constexpr const char* kStrRecordDamaged =
    "A hidden message is here but it was changed or damaged; nothing was saved";
// The sealed record's key derivation could not have its memory, so nothing was looked for.
inline constexpr const char* kStrSealedNoMemory = "Revealing a sealed record needs 128 MiB of memory";
inline constexpr const char* kStrImagesDiffer =
    "The Two Images Differ!\nIf they appear visually similiar, there might be\nhidden data in one of these.";
inline constexpr const char* kStrImagesAlike = "The Two Images are Similiar Internally.";

// Gray scale.
inline constexpr const char* kStrGrayAnimated =
    "This is an animated PNG: its further frames cannot be turned gray with it, so the picture was left "
    "as it is.";

// The detection check: how an estimated share of replaced lowest bits reads.
inline constexpr const char* kStrVerdictClean = "No sign of hidden data";
inline constexpr const char* kStrVerdictPossible = "Possibly hidden data";
inline constexpr const char* kStrVerdictLikely = "Hidden data likely";

}  // namespace vmk
