#pragma once
// The texts that both programs show, in one place: the application's message boxes and the
// command-line tool's messages say the same things in the same words. Plain UTF-8, no Qt.

namespace vmk {

// Pictures.
inline constexpr const char* kStrOpenFailed = "Error Opening Image!";
inline constexpr const char* kStrSaveFailed = "Error Saving Image!";
inline constexpr const char* kStrSecondOpenFailed = "Error Opening Second Image!";
// Why a name cannot be saved under: its last characters choose the format.
inline constexpr const char* kStrNameChoosesFormat =
    "The output name must end in bmp, gif, pcx, png, jpg or jpeg, which chooses the picture format";
// A JPEG keeps its quantised DCT coefficients, not its pixels: only a sealed record lives there.
inline constexpr const char* kStrJpegNeedsSeal =
    "A JPEG keeps no pixel bytes exactly, so a plain message cannot be hidden in it. Hide a sealed message "
    "instead (veilmark-cli hide --seal, or Hide Sealed Message), which lives in its DCT coefficients.";
// A record in a JPEG's coefficients survives only in a JPEG; one in pixel bytes never in a JPEG.
inline constexpr const char* kStrJpegStaysJpeg =
    "A message hidden in a JPEG lives in its DCT coefficients and survives only in a JPEG: end the output "
    "name in jpg or jpeg.";
inline constexpr const char* kStrLosslessNotToJpeg =
    "JPEG compresses the pixels anew, which would destroy a message hidden in them: end the output name in "
    "bmp, gif, pcx or png, or hide in a JPEG picture.";
// The safe rate, as info and the fit message say it; a JPEG's counts its non-zero AC coefficients.
inline constexpr const char* kStrSafeRatePixels = "0.4 bits for each pixel byte that may change";
inline constexpr const char* kStrSafeRateJpeg = "0.4 bits for each non-zero AC coefficient";
// Why a picture could not be read or saved, where the reason names a format (the picture
// layer's own texts, E_ImageError's).
inline constexpr const char* kStrJpegLossy = "JPEG is lossy: saving it would destroy hidden data";
inline constexpr const char* kStrFramesCannotBeKept = "the animated PNG's further frames cannot be kept";

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

// The command-line tool's examples; their picture names show the formats at work.
inline constexpr const char* kStrCliExamples = R"(Examples:
  veilmark-cli info photo.bmp
  veilmark-cli hide photo.bmp notes.pdf -o photo-notes.bmp
  veilmark-cli hide --seal photo.png notes.pdf -o photo-notes.png
  veilmark-cli compose photo.gif --subject Meeting --text "Friday 10:00" -o photo.gif
  veilmark-cli reveal photo-notes.bmp -d received/
  veilmark-cli compare photo.bmp photo-notes.bmp
  veilmark-cli analyze photo-notes.bmp --json
  veilmark-cli grayscale photo.bmp -o photo-gray.bmp
  veilmark-cli convert photo.bmp -o photo.png
)";
inline constexpr const char* kStrCliExampleInfo = "veilmark-cli info photo.bmp --json";
inline constexpr const char* kStrCliExampleHide =
    "veilmark-cli hide photo.bmp notes.pdf -o photo-notes.bmp --passphrase-file key.txt";
inline constexpr const char* kStrCliExampleCompose =
    "veilmark-cli compose photo.gif --subject Meeting --text \"Friday 10:00\" -o photo.gif";
inline constexpr const char* kStrCliExampleReveal =
    "veilmark-cli reveal photo-notes.bmp -d received/ --passphrase-file key.txt";
inline constexpr const char* kStrCliExampleCompare = "veilmark-cli compare photo.bmp photo-notes.bmp";
inline constexpr const char* kStrCliExampleAnalyze = "veilmark-cli analyze photo.png --json";
inline constexpr const char* kStrCliExampleGrayscale = "veilmark-cli grayscale photo.bmp -o photo-gray.bmp";
inline constexpr const char* kStrCliExampleConvert = "veilmark-cli convert photo.bmp -o photo.png";

// The command-line hide's words on the pictures --embed match and --pair-palette suit; the
// refusals follow the picture's name.
inline constexpr const char* kStrCliMatchPictures =
    "24/32-bit BMP, 24-bit PCX, 8/16-bit PNG other than palette, or an 8-bit gray picture";
inline constexpr const char* kStrCliMatchRefused =
    " holds palette indices or packed pixels, where adding or subtracting 1 would show another colour: --embed match "
    "needs 24/32-bit BMP, 24-bit PCX, an 8/16-bit PNG other than palette, or an 8-bit gray picture. For palette "
    "pictures, --pair-palette makes a changed index show a near colour. Nothing was written.";
inline constexpr const char* kStrCliNoPalette =
    " has no palette: --pair-palette is for palette pictures (GIF, 1/4/8-bit BMP, PCX, palette PNG). Nothing was "
    "written.";
inline constexpr const char* kStrCliPaletteFixed =
    " cannot be reordered (an animated PNG keeps its further frames compressed). Nothing was written.";

}  // namespace vmk
