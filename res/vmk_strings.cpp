#include "res/vmk_strings.h"

#include "res/vmk_ids.h"

#include <algorithm>
#include <iterator>

namespace vmk {
namespace {

struct S_String {
    unsigned nId;
    const char* pText;
};

// Kept sorted by id for the binary search below.
constexpr S_String kStrings[] = {
    {IDR_MAINFRAME, "Veilmark"},
    {IDR_VMKTYPE, "\nVeilmark\nVeilmark\n\n\nVeilmark.Document\nVeilmark Document"},
    {ID_WINDOW_CLOSEALL, "Close all currently open windows.\nClose all Windows"},
    {ID_ACTIONS_HIDE, "Hide a Message(i.e data) into this Picture.\nHide a File into this Picture"},
    {ID_ACTIONS_REVEAL, "Try to extract any hidden data from this Picture.\nReveal Data from this Picture"},
    {ID_TOOLS_PROPERTIES,
        "Find how much data can be hidden in this picture and other details.\n"
        "Useful Info about this Picture"},
    {ID_TOOLS_COMPOSE, "Compose a Text Message now.\nCompose Secret Message"},
    {ID_TOOLS_GRAYSCALE, "Convert this Image to Black & White.\nConvert to Gray Scale"},
    {ID_TOOLS_COMPARE, "Compare this Image with another.\nCompare Pictures"},
    {ID_ACTIONS_HIDE_SEALED,
        "Hide a file encrypted under a long pass phrase; only that pass phrase finds it.\n"
        "Hide a Sealed File into this Picture"},
    {ID_ACTIONS_REVEAL_SEALED,
        "Reveal hidden data with a pass phrase longer than 15 characters.\nReveal Sealed Data from this Picture"},
    {ID_TOOLS_COMPOSE_SEALED,
        "Compose a Text Message and hide it encrypted under a long pass phrase.\nCompose Sealed Message"},
    {ID_ACTIONS_MATCH_EMBEDDING,
        "Hide by moving pixel values up or down by one, which is harder to detect than replacing their lowest "
        "bit.\nHide by Adding or Subtracting 1"},
    {ID_ACTIONS_PAIR_PALETTE,
        "Reorder a palette picture's colours before hiding, so that a changed pixel shows a near colour.\n"
        "Pair the Palette Before Hiding"},
    {ID_TOOLS_DETECTION_CHECK, "Check how plainly this picture's lowest bits show hidden data.\nDetection Check"},
    {ID_TOOLS_SCAN_FOLDER, "Check every picture in a folder for signs of hidden data.\nScan Folder"},
    {ID_ACTIONS_HIDE_ACROSS,
        "Hide a file across several pictures, so that any k of them restore it and fewer give nothing away.\n"
        "Hide a File Across Pictures"},
    {ID_ACTIONS_REVEAL_ACROSS,
        "Restore a file hidden across several pictures from enough of them.\nReveal a File from Pictures"},
    {ID_VIEW_ZOOM_IN, "Show the picture larger\nZoom In"},
    {ID_VIEW_ZOOM_OUT, "Show the picture smaller\nZoom Out"},
    {ID_VIEW_ZOOM_ACTUAL, "Show the picture one screen pixel per picture pixel\nActual Size"},
    {ID_VIEW_ZOOM_FIT, "Show the whole picture in its window\nFit to Window"},
    {ID_VIEW_LSB_PLANE, "Show the picture's lowest bits, where hidden data shows as noise\nLeast Significant Bits"},
    {IDS_APP_TITLE, "Veilmark"},
    {IDS_IDLE_MESSAGE, "Ready"},
    {ID_FILE_NEW, "Create a new document\nNew"},
    {ID_FILE_OPEN, "Open a Picture file\nOpen a Picture"},
    {ID_FILE_CLOSE, "Close the current picture.\nClose"},
    {ID_FILE_SAVE, "Save the active document\nSave as.."},
    {ID_FILE_SAVE_AS, "Save the current picture.\nSave this Pictue as.."},
    {57616, "Open this document"},
    {57617, "Open this document"},
    {57618, "Open this document"},
    {57619, "Open this document"},
    {57620, "Open this document"},
    {57621, "Open this document"},
    {57622, "Open this document"},
    {57623, "Open this document"},
    {57624, "Open this document"},
    {57625, "Open this document"},
    {57626, "Open this document"},
    {57627, "Open this document"},
    {57628, "Open this document"},
    {57629, "Open this document"},
    {57630, "Open this document"},
    {57631, "Open this document"},
    {ID_WINDOW_ARRANGE, "Arrange icons at the bottom of the window\nArrange Icons"},
    {ID_WINDOW_CASCADE, "Arrange windows so they overlap\nCascade Windows"},
    {ID_WINDOW_TILE_HORZ, "Arrange windows as non-overlapping tiles\nTile Windows"},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout Veilmark"},
    {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
    {ID_NEXT_PANE, "Switch to the next window pane\nNext Pane"},
    {ID_PREV_PANE, "Switch back to the previous window pane\nPrevious Pane"},
    {ID_INDICATOR_CAPS, "CAP"},
    {ID_INDICATOR_NUM, "NUM"},
    {ID_INDICATOR_SCRL, "SCRL"},
    {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
};

static_assert(std::is_sorted(
    std::begin(kStrings), std::end(kStrings), [](const S_String& a, const S_String& b) { return a.nId < b.nId; }));

}  // namespace

const char* LoadString(unsigned nId)
{
    const auto it = std::lower_bound(
        std::begin(kStrings), std::end(kStrings), nId, [](const S_String& s, unsigned n) { return s.nId < n; });
    return it != std::end(kStrings) && it->nId == nId ? it->pText : nullptr;
}

}  // namespace vmk
