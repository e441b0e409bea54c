#pragma once
// The texts only the commands and their dialogs show. What the command-line tool says as well
// (fit, pass phrase, reveal and compare messages) is in model/vmk_texts.h. UTF-8.

#include "model/pictures/C_FormatRegistry.h"
#include "model/vmk_texts.h"

#include <string>

namespace vmk {

// Validation text of dialog data exchange (framework string 61714); 61716 is kStrTooManyChars.
inline constexpr const char* kStrIntegerRange = "Please enter an integer between %1 and %2.";
// A read-back number that is no unsigned decimal at all.
inline constexpr const char* kStrNotUnsigned = "Please enter an unsigned integer.";

// A sealed message whose payload declares far more than its picture's file: %1 is its size in MiB.
inline constexpr const char* kStrLargePayload =
    "The hidden message would take %1 MiB of memory, far more than its picture's file size. Reveal it anyway?";
// The payload of a sealed message the user agreed to reveal could not be held in memory.
inline constexpr const char* kStrRevealNoMemory = "There is not enough memory to hold the hidden message.";
// The sealed record's pass phrase dialog, when a program (not typing) went past its rules.
inline constexpr const char* kStrSealedPassphraseTooLong =
    "Please enter no more than 1,024 bytes: a sealed message's pass phrase holds up to 1,024 bytes of UTF-8.";
inline constexpr const char* kStrSealedPassphraseNotText = "A pass phrase must be text without NUL characters.";
// A sealed hide that fitted but could not be done; nothing was changed.
inline constexpr const char* kStrSealFailed =
    "The message could not be sealed into this picture under this pass phrase: its positions would repeat, "
    "or there was not enough memory to derive the key. Nothing was changed; try another pass phrase.";

// Asked when a hide changed whether some pixels are transparent; %1 is their count. No puts the
// picture back as it was.
inline constexpr const char* kStrTransparencyChanged =
    "Hiding this message changes whether %1 pixels of the picture are transparent: transparent ones will show "
    "as dots, or shown ones vanish. The pass phrase decides where the bits go.\n\nHide it anyway?";

// The properties dialog's line below the remarks; %1 is a byte count.
inline constexpr const char* kStrRecommendedPayload =
    "Recommended payload (stays below the detectors' threshold): %1 bytes";
// Below it: the sealed record's room, which the name's bytes share; %1 is a byte count.
inline constexpr const char* kStrSealedCapacity =
    "Sealed capacity: %1 bytes less the name's length in bytes (more when the payload compresses)";
inline constexpr const char* kStrSealedSafe =
    "Sealed capacity: %1 bytes at the safe rate, %2 past it, less the name's length in bytes";
// The tool tip of that line: what the safe rate is.
inline constexpr const char* kStrSealedSafeTip =
    "The safe rate is 0.4 bits for each pixel byte that may change: past it, a detector sees the record "
    "more easily. A payload that compresses may hold more.";
inline constexpr const char* kStrSealedSafeTipJpeg =
    "The safe rate is 0.4 bits for each non-zero AC coefficient of the JPEG: past it, a detector sees the "
    "record more easily. A payload that compresses may hold more.";

// The detection check's dialog.
inline constexpr const char* kStrDetectionTitle = "Detection Check";
inline constexpr const char* kStrDetectionIntro =
    "Three detectors estimate, for each colour channel, the share of pixel values whose lowest bit looks "
    "replaced by hidden data. Below 0.050 reads clean, from 0.150 on hidden data is likely.";
inline constexpr const char* kStrDetectionNoChannels = "The layout of this picture's pixels cannot be analysed.";
inline constexpr const char* kStrDetectionOverall = "Overall: %1";
inline constexpr const char* kStrDetectionColumns[] = {"Channel", "Detector", "Estimate", "Verdict"};
inline constexpr const char* kStrDetectionSpa = "Sample pairs";
inline constexpr const char* kStrDetectionRs = "RS analysis";
inline constexpr const char* kStrDetectionChiSquare = "Chi-square";
inline constexpr const char* kStrDetectionLsbCaption = "Least significant bits";
inline constexpr const char* kStrDetectionLsbHint =
    "The picture on the right shows each pixel's lowest bits, one colour for each channel. Flat, dark or "
    "bright areas of an untouched picture show there as shapes; hidden data turns them into even noise.";
inline constexpr const char* kStrDetectionCurveCaption = "Chi-square p-value along the picture";
inline constexpr const char* kStrDetectionCurveX = "Share of the picture read";
inline constexpr const char* kStrDetectionCurveY = "p";
// Why the overall verdict is the worse of the first two detectors only.
inline constexpr const char* kStrDetectionChiSquareNote =
    "The overall verdict leaves the chi-square attack out: it only sees data written from the start of a "
    "picture (Veilmark spreads hidden data over the whole picture), and it reads a histogram that is "
    "smooth at single levels as full.";
inline constexpr const char* kStrDetectionPayload = "Recommended payload: %1 bytes (capacity %2 bytes)";

// Tools > Scan Folder.
inline constexpr const char* kStrScanTitle = "Scan Folder";
inline constexpr const char* kStrScanIntro =
    "Runs the detection check on every picture in a folder. Double-click a row, or press Enter on it, to "
    "open that picture.";
inline constexpr const char* kStrScanFolderLabel = "F&older:";
inline constexpr const char* kStrScanBrowse = "&Browse...";
inline constexpr const char* kStrScanBrowseTitle = "Choose a Folder to Scan";
inline constexpr const char* kStrScanSubfolders = "Include &subfolders";
inline constexpr const char* kStrScanStart = "S&tart";
inline constexpr const char* kStrScanStop = "Sto&p";
inline constexpr const char* kStrScanClose = "&Close";
inline constexpr const char* kStrScanColumns[] = {
    "File", "Format", "Size", "Dimensions", "Largest estimate", "Verdict", "Error"};
inline constexpr const char* kStrScanDimensions = "%1 x %2";
inline constexpr const char* kStrScanNoFolder = "Choose a folder to scan.";
inline constexpr const char* kStrScanNotAFolder = "There is no folder %1.";
inline constexpr const char* kStrScanCollecting = "Looking for pictures...";
// %1 of %2 files, %3 files a second, %4 a time such as "1 min 20 s".
inline constexpr const char* kStrScanProgress = "%1 of %2 files, %3 files a second, about %4 left";
inline constexpr const char* kStrScanProgressStart = "%1 of %2 files";
inline constexpr const char* kStrScanStopping = "Stopping after the pictures being read...";
// The summary: how the scan ended, then the count of each verdict and of the files not read.
inline constexpr const char* kStrScanFinished = "Finished: %1 files in %2.";
inline constexpr const char* kStrScanStopped = "Stopped: %1 of %2 files in %3.";
inline constexpr const char* kStrScanNothing = "No pictures in this folder.";
inline constexpr const char* kStrScanCount = "%1: %2";
inline constexpr const char* kStrScanNotRead = "Not read";
inline constexpr const char* kStrScanSeconds = "%1 s";
inline constexpr const char* kStrScanMinutes = "%1 min %2 s";
inline constexpr const char* kStrScanHours = "%1 h %2 min";

// File dialogs.
// "*", not "*.*": names without a dot (README, Makefile) are files too.
inline constexpr const char* kStrHideFilter = "All Files(*.*)|*|";
inline constexpr const char* kStrHideDefaultExt = ".*";
// Compare Images offers every format the format table lists: "All Image Files|*.bmp;*.gif;...|".
inline constexpr const char* kStrCompareFilterName = "All Image Files";
inline std::string CompareFilter()
{
    std::string strFilter = std::string(kStrCompareFilterName) + "|";
    const char* pszSeparator = "";
    for (const std::string& strExtension : C_FormatRegistry::Extensions()) {
        // Appended piece by piece: GCC 12 warns (-Wrestrict) on literal + std::string&& here.
        strFilter.append(pszSeparator).append("*.").append(strExtension);
        pszSeparator = ";";
    }
    return strFilter + "|";
}
inline constexpr const char* kStrCompareDefaultExt = "*";
inline constexpr const char* kStrRevealDefaultExt = "txt";

// Compare Images, when the pictures differ: the box's second button and the window it opens.
inline constexpr const char* kStrShowDifferences = "Show Differences";
inline constexpr const char* kStrDifferencesTitle = "Differences";
// %1 differing pixels, %2 of them in the lowest bits only; %3 differing bytes, %4 in the lowest bit only.
inline constexpr const char* kStrDifferencesText =
    "The first picture, dimmed, with the pixels that differ: red where only the least significant bits "
    "differ, yellow where more differs.\nDiffering pixels: %1 (in the least significant bits only: %2). "
    "Differing bytes: %3 (in the least significant bit only: %4).";

// View > Least Significant Bits.
inline constexpr const char* kStrLsbPlaneTitle = "Least Significant Bits";
inline constexpr const char* kStrLsbPlaneText =
    "The lowest bit of each colour of each pixel, 1 bright and 0 dark. A plain photo shows shapes of the "
    "picture here; data hidden at a high rate shows as even noise.";
inline constexpr const char* kStrLsbPlaneUnreadable = "The least significant bits of this picture cannot be shown.";

// Hide Across Pictures and Reveal from Pictures: one file across several pictures, any k of n.
inline constexpr const char* kStrAcrossHideTitle = "Hide Across Pictures";
inline constexpr const char* kStrAcrossRevealTitle = "Reveal from Pictures";
inline constexpr const char* kStrAcrossChooseTitle = "Choose the Pictures";
inline constexpr const char* kStrAcrossIntro =
    "The file is sealed under the pass phrase and split into one share for each picture. Any k of the "
    "pictures written restore it; fewer give nothing of it away. Palette pictures cannot hold a share.";
inline constexpr const char* kStrAcrossPictures = "&Pictures:";
inline constexpr const char* kStrAcrossAdd = "&Add...";
inline constexpr const char* kStrAcrossRemove = "&Remove";
inline constexpr const char* kStrAcrossNeeded = "Pieces &needed (k):";
inline constexpr const char* kStrAcrossOfPictures = "of %1 pictures";
inline constexpr const char* kStrAcrossFile = "&File to hide:";
inline constexpr const char* kStrAcrossFolder = "&Output folder:";
inline constexpr const char* kStrAcrossBrowse = "&Browse...";
inline constexpr const char* kStrAcrossBrowseFolder = "Br&owse...";
inline constexpr const char* kStrAcrossPassphrase = "Pass p&hrase:";
inline constexpr const char* kStrAcrossAgain = "Pass phrase a&gain:";
// The dialog's line about the largest file, as the choice changes.
inline constexpr const char* kStrAcrossWeighing = "Weighing the pictures...";
// %1 pictures, %2 of them restoring, %3 bytes.
inline constexpr const char* kStrAcrossLargest =
    "Largest file across these %1 pictures with any %2 restoring it: %3 bytes (more when it compresses).";
inline constexpr const char* kStrAcrossFileFits = "The file chosen (%1 bytes) fits.";
inline constexpr const char* kStrAcrossFileLarger =
    "The file chosen (%1 bytes) is larger: it fits only if it compresses that far.";
inline constexpr const char* kStrAcrossNoneFits = "No file fits across these pictures with any %1 restoring it.";
inline constexpr const char* kStrAcrossTooFew = "Choose at least two pictures: each holds one share of the file.";
inline constexpr const char* kStrAcrossTooMany = "Choose at most %1 pictures.";
// %1 names the pictures.
// The dialog's line says these as they are; the message after OK adds kStrAcrossNotWritten.
inline constexpr const char* kStrAcrossUnsupported =
    "%1 cannot hold a share: palette pictures and gray pictures below 8 bits take no sealed message spread "
    "over the picture. Remove it, or convert it to true colour first.";
inline constexpr const char* kStrAcrossUnsupportedMany =
    "%1 cannot each hold a share: palette pictures and gray pictures below 8 bits take no sealed message "
    "spread over the picture. Remove them, or convert them to true colour first.";
// Pictures with no room at all at the safe rate: %1 names them.
inline constexpr const char* kStrAcrossNoRoom =
    "No room for a share in %1: a share goes only where the picture's own detail hides it, and smooth or "
    "small pictures have little. Choose pictures with more detail.";
inline constexpr const char* kStrAcrossNoFile = "Choose the file to hide.";
inline constexpr const char* kStrAcrossNoFolder =
    "Choose the folder the pictures are written into: %1 is not a folder.";
inline constexpr const char* kStrAcrossSameName =
    "Two pictures are named %1: each is written into the output folder under its own name. Nothing was written.";
inline constexpr const char* kStrAcrossWrongFormat =
    "%1 is a %2 picture, but its name would save it as another format: the share would not survive. "
    "Nothing was written.";
// %1 pictures, %2 restoring, %3 bytes.
inline constexpr const char* kStrAcrossWontFit =
    "This file will not fit across these %1 pictures with any %2 of them restoring it: at most %3 bytes fit. "
    "Choose larger pictures, a larger k or a smaller file.";
// %1 how many, %2 the folder, %3 their names.
inline constexpr const char* kStrAcrossReplace = "%1 of these pictures are in %2 already:\n%3\n\nReplace them?";
inline constexpr const char* kStrAcrossLargePicture =
    "%1 would take more than 64 MB of memory, far more than its file size. Open it anyway?";
// The progress windows: %1 the file's name, %2 how many pictures; then the folder.
inline constexpr const char* kStrAcrossHiding = "Hiding %1 across %2 pictures...";
inline constexpr const char* kStrAcrossWriting = "Writing the pictures into %1...";
inline constexpr const char* kStrAcrossLooking = "Looking for shares in %1 pictures...";
inline constexpr const char* kStrAcrossStopping = "Stopping after this picture...";
inline constexpr const char* kStrAcrossCancel = "Cancel";
// A hide that stopped: %1 the picture.
inline constexpr const char* kStrAcrossSealFailed =
    "The share for %1 could not be sealed: its positions would repeat, or there was not enough memory to "
    "derive the key. Nothing was written; try another pass phrase.";
inline constexpr const char* kStrAcrossTransparency =
    "Hiding the share changes whether %1 pixels of %2 are transparent: transparent ones will show as dots, "
    "or shown ones vanish.\n\nWrite the pictures anyway?";
inline constexpr const char* kStrAcrossNotWritten = "Nothing was written.";
inline constexpr const char* kStrAcrossReadBack = "%1 as written does not give its share back. Nothing was written.";
inline constexpr const char* kStrAcrossPartlyWritten =
    "The pictures written before it were put back; pictures it replaced are lost.";
// The success dialog's lines: %1 the folder, %2 the names, %3 k, %4 n.
inline constexpr const char* kStrAcrossHidden =
    "Written into %1: %2.\nAny %3 of these %4 pictures restore the file; fewer give nothing of it away.";
// Reveal from Pictures, when no file comes back: %1 shares found, %2 the set, %3 needed.
inline constexpr const char* kStrAcrossFoundTooFew =
    "Found %1 of the shares of a file hidden across pictures (set %2); %3 are needed to restore it. Choose "
    "more of its pictures, all at once. Nothing was saved.";
inline constexpr const char* kStrAcrossNoShares =
    "No share of a file hidden across pictures is in these pictures under this pass phrase.";
inline constexpr const char* kStrAcrossSetDamaged =
    "Found %1 shares of a file hidden across pictures (set %2), as many as are needed, but they do not give "
    "the file back: some were changed or damaged. Nothing was saved.";
inline constexpr const char* kStrAcrossSkippedDamaged = "Skipped as changed or damaged: %1.";
inline constexpr const char* kStrAcrossOwnFile =
    "Holding a file of its own, not a share (open it and use Reveal Sealed Message): %1.";
inline constexpr const char* kStrAcrossUnreadable = "Could not be read: %1.";
inline constexpr const char* kStrAcrossNoShareRoom = "Cannot hold a share (a palette or low-depth picture): %1.";
inline constexpr const char* kStrAcrossNoMemory = "Revealing a sealed record needs 128 MiB of memory: %1.";
inline constexpr const char* kStrAcrossOtherSets = "Shares of %1 other hidden files were passed over.";

}  // namespace vmk
