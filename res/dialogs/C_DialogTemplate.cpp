#include "res/dialogs/C_DialogTemplate.h"

#include "res/C_Version.h"
#include "res/vmk_ids.h"

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

const T kTemplates[] = {
    {IDD_ABOUTBOX, "About Veilmark", 192, 141, "MS Sans Serif", 8, {
        {1, kButton, 71, 120, 50, 14, "OK", T::sDefault | T::sGroup | T::sTabStop},
        {kNone, kIcon, 7, 7, 21, 20, "128", 0},
        {kNone, kStatic, 45, 10, 119, 8, C_Version::kAboutLine, T::sNoPrefix | T::sGroup},
        {1034, kStatic, 5, 45, 175, 65,
         "Veilmark hides a file, or a short note, in the pixel bytes of a BMP, GIF or PCX picture "
         "under a pass phrase, and finds it again with the same pass phrase.\n\n"
         "Keep the pass phrase safe: without it the hidden data cannot be found.\n"
         "Written by the Veilmark team. Questions and reports: the project's issue tracker.",
         T::sGroup},
        {1035, kStatic, 10, 30, 175, 15, "HIDE YOUR SECRET DATA INTO PICTURES!!", T::sGroup},
    }},
    {IDD_COMPOSE, "Compose Text Message", 186, 141, "MS Sans Serif", 8, {
        {1002, kEdit, 105, 35, 65, 15, nullptr, T::sMultiLine | T::sAutoHScroll | T::sBorder | T::sTabStop},
        {1004, kEdit, 5, 70, 175, 40, nullptr,
         T::sMultiLine | T::sWordWrap | T::sVScroll | T::sBorder | T::sTabStop},
        {1, kButton, 35, 120, 50, 14, "Hide...", T::sDefault | T::sTabStop},
        {2, kButton, 100, 120, 50, 14, "Cancel", T::sTabStop},
        {kNone, kIcon, 7, 7, 20, 20, "128", 0},
        {1000, kStatic, 35, 5, 145, 25,
         "Compose your text message here in 200 words max. and click on Hide. Also Enter the Subject .",
         T::sGroup},
        {1001, kStatic, 5, 40, 88, 8, "Subject(One Word or Two):", T::sGroup},
        {1003, kStatic, 5, 55, 70, 10, "Type Message Here:", T::sGroup},
    }},
    {IDD_PROPERTIES, "Carrier Properties", 186, 236, "MS Sans Serif", 8, {
        {1017, kEdit, 10, 165, 165, 35, nullptr, T::sMultiLine | T::sReadOnly | T::sVScroll | T::sTabStop},
        {1, kButton, 67, 215, 50, 14, "OK", T::sDefault | T::sTabStop},
        {1009, kStatic, 10, 45, 40, 10, "Carrier Path:", T::sGroup},
        {1010, kStatic, 10, 60, 40, 10, "Carrier Size:", T::sGroup},
        {1005, kEdit, 55, 45, 115, 10, nullptr, kReadOnlyField},
        {1006, kEdit, 90, 60, 55, 10, nullptr, kReadOnlyField | T::sRight},
        {1007, kGroup, 5, 30, 175, 45, "General Information", 0},
        {kNone, kIcon, 7, 7, 20, 20, "128", 0},
        {1000, kStatic, 40, 10, 140, 15,
         " Look at \"Remarks\" to find how much data can be hidden in this carrier.", T::sGroup},
        {1008, kGroup, 5, 85, 175, 60, "Image Information", 0},
        {1011, kStatic, 155, 60, 10, 8, "KB", T::sGroup},
        {1012, kStatic, 10, 100, 55, 8, "Height (in Pixels):", T::sGroup},
        {1013, kStatic, 10, 115, 53, 8, "Width (in Pixels):", T::sGroup},
        {1014, kStatic, 10, 130, 75, 10, "Decoded Bits Per Pixel:", T::sGroup},
        {1015, kGroup, 5, 155, 175, 50, "Remarks", 0},
        {1018, kEdit, 115, 100, 55, 10, nullptr, kReadOnlyField | T::sRight},
        {1019, kEdit, 115, 115, 55, 10, nullptr, kReadOnlyField | T::sRight},
        {1020, kEdit, 115, 130, 55, 10, nullptr, kReadOnlyField | T::sRight},
    }},
    {IDD_PASSWORD, "Enter Password", 167, 101, "MS Sans Serif", 8, {
        {1022, kEdit, 70, 35, 85, 15, nullptr, T::sPassword | T::sAutoHScroll | T::sBorder | T::sTabStop},
        {1023, kEdit, 70, 55, 85, 15, nullptr, T::sPassword | T::sAutoHScroll | T::sBorder | T::sTabStop},
        {1, kButton, 25, 80, 50, 14, "OK", T::sDefault | T::sTabStop},
        {2, kButton, 91, 80, 50, 14, "Cancel", T::sTabStop},
        {kNone, kIcon, 7, 7, 20, 20, "128", 0},
        {1021, kStatic, 40, 10, 115, 15, "Enter a Password of maximum 15 characters. ", T::sGroup},
        {1000, kStatic, 5, 35, 34, 8, "Password:", T::sGroup},
        {1001, kStatic, 5, 55, 55, 10, "Password Again:", T::sGroup},
    }},
    {IDD_HIDDEN, "Success!", 186, 95, "MS Sans Serif", 8, {
        {1, kButton, 67, 74, 50, 14, "OK", T::sDefault | T::sTabStop},
        {kNone, kIcon, 7, 7, 20, 20, "128", 0},
        {1021, kStatic, 35, 10, 140, 20,
         "The following Message has been successfully hidden in the Picture carrier.", T::sGroup},
        {1004, kEdit, 5, 45, 75, 12, nullptr, kReadOnlyField | T::sCenter},
        {1027, kEdit, 95, 45, 55, 12, nullptr, kReadOnlyField | T::sRight},
        {1026, kStatic, 155, 45, 25, 8, "Byte(s)", T::sGroup},
    }},
    {IDD_FOUND, "Hidden Message Found!", 186, 101, "MS Sans Serif", 8, {
        {1, kButton, 35, 80, 50, 14, "Save...", T::sDefault | T::sTabStop},
        {2, kButton, 101, 80, 50, 14, "Cancel", T::sTabStop},
        {kNone, kIcon, 7, 7, 20, 20, "128", 0},
        {1021, kStatic, 35, 10, 145, 20, "A Hidden Message has been found and extracted from this Picture!",
         T::sGroup},
        {1000, kStatic, 5, 40, 55, 10, "Message Name:", T::sGroup},
        {1001, kStatic, 5, 60, 50, 10, "Message Size:", T::sGroup},
        {1028, kEdit, 65, 40, 100, 12, nullptr, kReadOnlyField | T::sBorder},
        {1030, kEdit, 65, 60, 70, 12, nullptr, kReadOnlyField | T::sBorder | T::sRight},
        {1003, kStatic, 145, 60, 25, 10, "Byte(s)", T::sGroup},
    }},
};

}  // namespace

const C_DialogTemplate* C_DialogTemplate::Find(unsigned nId)
{
    for (const T& t : kTemplates)
        if (t.m_nId == nId)
            return &t;
    return nullptr;
}
