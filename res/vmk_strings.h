#pragma once
// The string table: the main window's title, the document template string, the command prompts
// ("status bar prompt\ntool tip") and the idle message, by id; plus the texts the shell shows
// that carry no id of their own. Plain UTF-8 data, no Qt, so any layer may read it.

#include "model/vmk_texts.h"

namespace vmk {

// The text of string `nId`, or nullptr when the table has no such string.
const char* LoadString(unsigned nId);

// The document's "Error Opening Image!" and "Error Saving Image!" are kStrOpenFailed and
// kStrSaveFailed of model/vmk_texts.h, which the command-line tool shows too.
// The view's title for a freshly opened picture: title, width, height, bits per pixel.
inline constexpr const char* kStrTitleFormat = "Carrier - %s [%dx%dx%d bits]";
// Save Picture As: pairs of description and pattern, each ended by "|".
inline constexpr const char* kStrSaveFilter =
    "All Supported Types(*.bmp, *.gif, *.pcx, *.png, *.jpg)|*.bmp;*.gif;*.pcx;*.png;*.jpg;*.jpeg|"
    "Windows Bitmap(*.bmp)|*.bmp|Compuserve Graphics Interchange Format(*.gif)|*.gif|"
    "ZSoft PC Paint Brush(*.pcx)|*.pcx|Portable Network Graphics(*.png)|*.png|JPEG(*.jpg, *.jpeg)|*.jpg;*.jpeg|";
// Open Picture offers one filter, since the document template names no file type. The pattern
// is "*": names without a dot are files too.
inline constexpr const char* kStrOpenFilter = "All Files (*.*)|*|";
inline constexpr const char* kStrOpenTitle = "Open";
// Save Picture As in another format than the picture was read in, after a hide in this session;
// %1 is BMP, GIF, PCX, PNG or JPEG.
inline constexpr const char* kStrFormatLosesMessage = "The hidden message will not survive saving as %1. Save anyway?";
// Save Picture As in a format that converts the picture and loses some of it; %1 is BMP, GIF,
// PCX or PNG, %2 what is lost, one line each.
inline constexpr const char* kStrFormatLosesPicture = "Saving as %1 loses:\n%2\nSave anyway?";
// The saved file was read back and the message hidden in this session did not come out of it.
inline constexpr const char* kStrMessageNotSaved =
    "The picture was saved, but the hidden message could not be read back from the saved file: "
    "that file does not hold it.\nThe picture in this window still holds the message.";
// Closing a picture changed since it was opened or saved; %1 is its file name.
inline constexpr const char* kStrSaveChanges = "Save the changes to %1 before closing?";
// A picture that would decode to far more memory than its file holds.
inline constexpr const char* kStrLargePicture =
    "This picture would take more than 64 MB of memory, far more than its file size. Open it anyway?";
// Files dropped on the main window: pictures open; other files are hidden one at a time, each
// dropped on the picture's window that is to carry it.
inline constexpr const char* kStrDropOneFile =
    "Veilmark hides one file at a time. Drop a single file on a picture's window to hide it there.";
inline constexpr const char* kStrDropOnPicture =
    "To hide a file, drop it on the window of the picture that is to carry it.";
// The framework's texts the shell repeats.
inline constexpr const char* kStrUnregDone =
    "System registry entries have been removed and the INI file (if any) was deleted.";

}  // namespace vmk
