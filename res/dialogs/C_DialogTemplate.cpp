#include "res/dialogs/C_DialogTemplate.h"

#include "model/pictures/C_FormatRegistry.h"
#include "res/C_Version.h"
#include "res/vmk_ids.h"

#include <string>

namespace {

using T = C_DialogTemplate;
constexpr auto kEdit = T::kEdit;
constexpr auto kButton = T::kPushButton;
constexpr auto kStatic = T::kStatic;
constexpr auto kIcon = T::kIcon;
constexpr auto kGroup = T::kGroupBox;
constexpr unsigned kNone = T::kNoId;

// Read-only numbers and names of the result and properties dialogs.
constexpr uint32_t kReadOnlyField = T::sReadOnly | T::sAutoHScroll | T::sTabStop;

// The About text names the formats of the format table: "... in a BMP, GIF, PCX, PNG or JPEG picture".
const std::string kAboutText = "Veilmark hides a file, or a short note, in a " + C_FormatRegistry::NameList()
    + " picture under a pass phrase, and finds it again with the same pass phrase.\n\n"
      "Keep the pass phrase safe: without it the hidden data cannot be found.\n"
      "Written by the Veilmark team. Questions and reports: the project's issue tracker.";

// One control a line, as the templates are laid out; kept out of the formatter.
// clang-format off
const T kTemplates[] = {
    {IDD_ABOUTBOX, "About Veilmark", 192, 141, "MS Sans Serif", 8, {
        {IDOK, kButton, 71, 120, 50, 14, "OK", T::sDefault | T::sGroup | T::sTabStop},
        {kNone, kIcon, 7, 7, 21, 20, "128", 0},
        {kNone, kStatic, 45, 10, 119, 8, C_Version::kAboutLine, T::sNoPrefix | T::sGroup},
        {IDC_ABOUT_TEXT, kStatic, 5, 45, 175, 65, kAboutText.c_str(), T::sGroup},
        {IDC_ABOUT_SLOGAN, kStatic, 10, 30, 175, 15, "HIDE YOUR SECRET DATA INTO PICTURES!!", T::sGroup},
    }},
    {IDD_COMPOSE, "Compose Text Message", 186, 141, "MS Sans Serif", 8, {
        {IDC_COMPOSE_SUBJECT, kEdit, 105, 35, 65, 15, nullptr,
         T::sMultiLine | T::sAutoHScroll | T::sBorder | T::sTabStop},
        {IDC_COMPOSE_TEXT, kEdit, 5, 70, 175, 40, nullptr,
         T::sMultiLine | T::sWordWrap | T::sVScroll | T::sBorder | T::sTabStop},
        {IDOK, kButton, 35, 120, 50, 14, "Hide...", T::sDefault | T::sTabStop},
        {IDCANCEL, kButton, 100, 120, 50, 14, "Cancel", T::sTabStop},
        {kNone, kIcon, 7, 7, 20, 20, "128", 0},
        {IDC_COMPOSE_INTRO, kStatic, 35, 5, 145, 25,
         "Compose your text message here in 200 words max. and click on Hide. Also Enter the Subject .",
         T::sGroup},
        {IDC_COMPOSE_SUBJECT_LABEL, kStatic, 5, 40, 88, 8, "Subject(One Word or Two):", T::sGroup},
        {IDC_COMPOSE_TEXT_LABEL, kStatic, 5, 55, 70, 10, "Type Message Here:", T::sGroup},
    }},
    // The recommended payload and the sealed capacity stand below the remarks; the OK button
    // moved down to make room.
    {IDD_PROPERTIES, "Carrier Properties", 186, 284, "MS Sans Serif", 8, {
        {IDC_PROPERTIES_REMARKS, kEdit, 10, 165, 165, 35, nullptr,
         T::sMultiLine | T::sReadOnly | T::sVScroll | T::sTabStop},
        {IDOK, kButton, 67, 263, 50, 14, "OK", T::sDefault | T::sTabStop},
        {IDC_PROPERTIES_PATH_LABEL, kStatic, 10, 45, 40, 10, "Carrier Path:", T::sGroup},
        {IDC_PROPERTIES_SIZE_LABEL, kStatic, 10, 60, 40, 10, "Carrier Size:", T::sGroup},
        {IDC_PROPERTIES_PATH, kEdit, 55, 45, 115, 10, nullptr, kReadOnlyField},
        {IDC_PROPERTIES_SIZE, kEdit, 90, 60, 55, 10, nullptr, kReadOnlyField | T::sRight},
        {IDC_PROPERTIES_GENERAL_GROUP, kGroup, 5, 30, 175, 45, "General Information", 0},
        {kNone, kIcon, 7, 7, 20, 20, "128", 0},
        {IDC_PROPERTIES_INTRO, kStatic, 40, 10, 140, 15,
         " Look at \"Remarks\" to find how much data can be hidden in this carrier.", T::sGroup},
        {IDC_PROPERTIES_IMAGE_GROUP, kGroup, 5, 85, 175, 60, "Image Information", 0},
        {IDC_PROPERTIES_KB_LABEL, kStatic, 155, 60, 10, 8, "KB", T::sGroup},
        {IDC_PROPERTIES_HEIGHT_LABEL, kStatic, 10, 100, 55, 8, "Height (in Pixels):", T::sGroup},
        {IDC_PROPERTIES_WIDTH_LABEL, kStatic, 10, 115, 53, 8, "Width (in Pixels):", T::sGroup},
        {IDC_PROPERTIES_DEPTH_LABEL, kStatic, 10, 130, 75, 10, "Decoded Bits Per Pixel:", T::sGroup},
        {IDC_PROPERTIES_REMARKS_GROUP, kGroup, 5, 155, 175, 50, "Remarks", 0},
        {IDC_PROPERTIES_HEIGHT, kEdit, 115, 100, 55, 10, nullptr, kReadOnlyField | T::sRight},
        {IDC_PROPERTIES_WIDTH, kEdit, 115, 115, 55, 10, nullptr, kReadOnlyField | T::sRight},
        {IDC_PROPERTIES_DEPTH, kEdit, 115, 130, 55, 10, nullptr, kReadOnlyField | T::sRight},
        {IDC_PROPERTIES_RECOMMENDED, kStatic, 10, 210, 170, 18, nullptr, T::sNoPrefix | T::sGroup},
        {IDC_PROPERTIES_SEALED, kStatic, 10, 230, 170, 26, nullptr, T::sNoPrefix | T::sGroup},
    }},
    {IDD_PASSWORD, "Enter Password", 167, 101, "MS Sans Serif", 8, {
        {IDC_PASSWORD, kEdit, 70, 35, 85, 15, nullptr, T::sPassword | T::sAutoHScroll | T::sBorder | T::sTabStop},
        {IDC_PASSWORD_AGAIN, kEdit, 70, 55, 85, 15, nullptr, T::sPassword | T::sAutoHScroll | T::sBorder | T::sTabStop},
        {IDOK, kButton, 25, 80, 50, 14, "OK", T::sDefault | T::sTabStop},
        {IDCANCEL, kButton, 91, 80, 50, 14, "Cancel", T::sTabStop},
        {kNone, kIcon, 7, 7, 20, 20, "128", 0},
        {IDC_PASSWORD_INTRO, kStatic, 40, 10, 115, 15, "Enter a Password of maximum 15 characters. ", T::sGroup},
        {IDC_PASSWORD_LABEL, kStatic, 5, 35, 34, 8, "Password:", T::sGroup},
        {IDC_PASSWORD_AGAIN_LABEL, kStatic, 5, 55, 55, 10, "Password Again:", T::sGroup},
    }},
    // The sealed record's pass phrase: far longer than 15 characters, so wider fields; the
    // strength line is filled in as the first entry changes.
    {IDD_SEALED_HIDE, "Sealed Message Pass Phrase", 230, 146, "MS Sans Serif", 8, {
        {IDC_SEALED_PASSPHRASE, kEdit, 65, 40, 155, 14, nullptr,
         T::sPassword | T::sAutoHScroll | T::sBorder | T::sTabStop},
        {IDC_SEALED_AGAIN, kEdit, 65, 60, 155, 14, nullptr, T::sPassword | T::sAutoHScroll | T::sBorder | T::sTabStop},
        {IDOK, kButton, 55, 124, 50, 14, "OK", T::sDefault | T::sTabStop},
        {IDCANCEL, kButton, 125, 124, 50, 14, "Cancel", T::sTabStop},
        {kNone, kIcon, 7, 7, 20, 20, "128", 0},
        {IDC_SEALED_INTRO, kStatic, 35, 7, 188, 26,
         "Enter a pass phrase of up to 1,024 bytes, twice. Several unrelated words make a strong one. "
         "Without it the message can be neither found nor read.", T::sGroup},
        {IDC_SEALED_LABEL, kStatic, 5, 42, 55, 8, "Pass phrase:", T::sGroup},
        {IDC_SEALED_AGAIN_LABEL, kStatic, 5, 62, 55, 8, "Pass phrase again:", T::sGroup},
        {IDC_SEALED_STRENGTH, kStatic, 5, 82, 220, 34, nullptr, T::sNoPrefix | T::sGroup},
    }},
    {IDD_SEALED_REVEAL, "Reveal Sealed Message", 230, 86, "MS Sans Serif", 8, {
        {IDC_SEALED_PASSPHRASE, kEdit, 65, 40, 155, 14, nullptr,
         T::sPassword | T::sAutoHScroll | T::sBorder | T::sTabStop},
        {IDOK, kButton, 55, 64, 50, 14, "OK", T::sDefault | T::sTabStop},
        {IDCANCEL, kButton, 125, 64, 50, 14, "Cancel", T::sTabStop},
        {kNone, kIcon, 7, 7, 20, 20, "128", 0},
        {IDC_SEALED_INTRO, kStatic, 35, 7, 188, 26,
         "Enter the pass phrase the message was hidden under (up to 1,024 bytes). Finding a sealed message "
         "takes a moment.", T::sGroup},
        {IDC_SEALED_LABEL, kStatic, 5, 42, 55, 8, "Pass phrase:", T::sGroup},
    }},
    {IDD_HIDDEN, "Success!", 186, 95, "MS Sans Serif", 8, {
        {IDOK, kButton, 67, 74, 50, 14, "OK", T::sDefault | T::sTabStop},
        {kNone, kIcon, 7, 7, 20, 20, "128", 0},
        {IDC_HIDDEN_INTRO, kStatic, 35, 10, 140, 20,
         "The following Message has been successfully hidden in the Picture carrier.", T::sGroup},
        {IDC_HIDDEN_NAME, kEdit, 5, 45, 75, 12, nullptr, kReadOnlyField | T::sCenter},
        {IDC_HIDDEN_SIZE, kEdit, 95, 45, 55, 12, nullptr, kReadOnlyField | T::sRight},
        {IDC_HIDDEN_BYTES_LABEL, kStatic, 155, 45, 25, 8, "Byte(s)", T::sGroup},
    }},
    {IDD_FOUND, "Hidden Message Found!", 186, 101, "MS Sans Serif", 8, {
        {IDOK, kButton, 35, 80, 50, 14, "Save...", T::sDefault | T::sTabStop},
        {IDCANCEL, kButton, 101, 80, 50, 14, "Cancel", T::sTabStop},
        {kNone, kIcon, 7, 7, 20, 20, "128", 0},
        {IDC_FOUND_INTRO, kStatic, 35, 10, 145, 20, "A Hidden Message has been found and extracted from this Picture!",
         T::sGroup},
        {IDC_FOUND_NAME_LABEL, kStatic, 5, 40, 55, 10, "Message Name:", T::sGroup},
        {IDC_FOUND_SIZE_LABEL, kStatic, 5, 60, 50, 10, "Message Size:", T::sGroup},
        {IDC_FOUND_NAME, kEdit, 65, 40, 100, 12, nullptr, kReadOnlyField | T::sBorder},
        {IDC_FOUND_SIZE, kEdit, 65, 60, 70, 12, nullptr, kReadOnlyField | T::sBorder | T::sRight},
        {IDC_FOUND_BYTES_LABEL, kStatic, 145, 60, 25, 10, "Byte(s)", T::sGroup},
    }},
};
// clang-format on

}  // namespace

const C_DialogTemplate* C_DialogTemplate::Find(unsigned nId)
{
    for (const T& t : kTemplates)
        if (t.m_nId == nId)
            return &t;
    return nullptr;
}
