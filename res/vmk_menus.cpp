#include "res/vmk_menus.h"

#include "res/vmk_ids.h"

namespace vmk {
namespace {

using K = E_MenuItemKind;
constexpr S_MenuItem kSep{K::Separator, 0, "", false};

constexpr S_MenuItem kFile128[] = {
    {K::Command, ID_FILE_OPEN, "&Open Picture...\tF3", false},
    kSep,
    {K::Command, ID_FILE_MRU_FILE1, "Recent File", true},
    kSep,
    {K::Command, ID_APP_EXIT, "E&xit", false},
};
constexpr S_MenuItem kView[] = {
    {K::Command, ID_VIEW_TOOLBAR, "&Toolbar", false},
    {K::Command, ID_VIEW_STATUS_BAR, "&Status Bar", false},
};
// The picture window's View menu: the bars as above, then how the picture is looked at.
constexpr S_MenuItem kView129[] = {
    {K::Command, ID_VIEW_TOOLBAR, "&Toolbar", false},
    {K::Command, ID_VIEW_STATUS_BAR, "&Status Bar", false},
    kSep,
    {K::Command, ID_VIEW_ZOOM_IN, "Zoom &In\tCtrl++", false},
    {K::Command, ID_VIEW_ZOOM_OUT, "Zoom &Out\tCtrl+-", false},
    {K::Command, ID_VIEW_ZOOM_ACTUAL, "&Actual Size\tCtrl+0", false},
    {K::Command, ID_VIEW_ZOOM_FIT, "&Fit to Window\tCtrl+9", false},
    kSep,
    {K::Command, ID_VIEW_LSB_PLANE, "&Least Significant Bits", false},
};
// Without a picture, only the commands that work on picture files.
constexpr S_MenuItem kActions128[] = {
    {K::Command, ID_ACTIONS_HIDE_ACROSS, "Hide A&cross Pictures...", false},
    {K::Command, ID_ACTIONS_REVEAL_ACROSS, "Reveal &from Pictures...", false},
};
// Without a picture only what needs none.
constexpr S_MenuItem kTools128[] = {
    {K::Command, ID_TOOLS_SCAN_FOLDER, "Scan &Folder...", false},
};
constexpr S_MenuItem kHelp[] = {
    {K::Command, ID_APP_ABOUT, "&About Veilmark...", false},
};
constexpr S_Popup kMenu128[] = {
    {"&File", kFile128},
    {"&Actions", kActions128},
    {"&Tools", kTools128},
    {"&View", kView},
    {"&Help", kHelp},
};

constexpr S_MenuItem kFile129[] = {
    {K::Command, ID_FILE_OPEN, "&Open Picture...\tF3", false},
    {K::Command, ID_FILE_CLOSE, "&Close", false},
    {K::Command, ID_FILE_SAVE_AS, "Save Picture &As...\tF2", false},
    kSep,
    {K::Command, ID_FILE_MRU_FILE1, "Recent File", true},
    kSep,
    {K::Command, ID_APP_EXIT, "E&xit", false},
};
constexpr S_MenuItem kActions[] = {
    {K::Command, ID_ACTIONS_HIDE, "&Hide Message\tF4", false},
    {K::Command, ID_ACTIONS_REVEAL, "&Reveal Message\tF5", false},
    kSep,
    {K::Command, ID_ACTIONS_HIDE_SEALED, "Hide &Sealed Message...\tShift+F4", false},
    {K::Command, ID_ACTIONS_REVEAL_SEALED, "R&eveal Sealed Message...\tShift+F5", false},
    kSep,
    {K::Command, ID_ACTIONS_HIDE_ACROSS, "Hide A&cross Pictures...", false},
    {K::Command, ID_ACTIONS_REVEAL_ACROSS, "Reveal &from Pictures...", false},
    kSep,
    {K::Check, ID_ACTIONS_MATCH_EMBEDDING, "Hide by Adding or Subtracting &1", false},
    {K::Check, ID_ACTIONS_PAIR_PALETTE, "&Pair the Palette Before Hiding", false},
};
constexpr S_MenuItem kTools[] = {
    {K::Command, ID_TOOLS_PROPERTIES, "Carrier &Properties", false},
    kSep,
    {K::Command, ID_TOOLS_COMPOSE, "&Compose a Message", false},
    {K::Command, ID_TOOLS_COMPOSE_SEALED, "Compose a &Sealed Message...", false},
    {K::Command, ID_TOOLS_GRAYSCALE, "Convert to &Gray Scale", false},
    {K::Command, ID_TOOLS_COMPARE, "Compare &Images...", false},
    {K::Command, ID_TOOLS_DETECTION_CHECK, "&Detection Check...", false},
    kSep,
    {K::Command, ID_TOOLS_SCAN_FOLDER, "Scan &Folder...", false},
};
constexpr S_MenuItem kWindow[] = {
    {K::Command, ID_WINDOW_CASCADE, "&Cascade", false},
    {K::Command, ID_WINDOW_TILE_HORZ, "&Tile", false},
    {K::Command, ID_WINDOW_ARRANGE, "&Arrange Icons", false},
    {K::Command, ID_WINDOW_CLOSEALL, "Close All &Windows", false},
};
constexpr S_Popup kMenu129[] = {
    {"&File", kFile129},
    {"&Actions", kActions},
    {"&Tools", kTools},
    {"&View", kView129},
    {"&Window", kWindow},
    {"&Help", kHelp},
};

// Virtual-key entries; F6 and Shift+F6 switch panes of a split window, and there is none.
constexpr S_Accelerator kAccelerators[] = {
    {"F2", ID_FILE_SAVE_AS},
    {"F3", ID_FILE_OPEN},
    {"F4", ID_ACTIONS_HIDE},
    {"F5", ID_ACTIONS_REVEAL},
    {"Shift+F4", ID_ACTIONS_HIDE_SEALED},
    {"Shift+F5", ID_ACTIONS_REVEAL_SEALED},
    {"F6", ID_NEXT_PANE},
    {"Shift+F6", ID_PREV_PANE},
    // The keys most desktop programs use, as second keys beside the ones above.
    {"Ctrl+O", ID_FILE_OPEN},
    {"Ctrl+S", ID_FILE_SAVE_AS},
    {"Ctrl+W", ID_FILE_CLOSE},
    {"Ctrl+F4", ID_FILE_CLOSE},
    {"Ctrl+Q", ID_APP_EXIT},
    {"F1", ID_APP_ABOUT},
    // Zoom: Ctrl+= is Ctrl++ without Shift on most keyboards.
    {"Ctrl++", ID_VIEW_ZOOM_IN},
    {"Ctrl+=", ID_VIEW_ZOOM_IN},
    {"Ctrl+-", ID_VIEW_ZOOM_OUT},
    {"Ctrl+0", ID_VIEW_ZOOM_ACTUAL},
    {"Ctrl+9", ID_VIEW_ZOOM_FIT},
};

constexpr unsigned kToolBar[] = {
    ID_FILE_OPEN,
    ID_FILE_SAVE_AS,
    ID_SEPARATOR,
    ID_ACTIONS_HIDE,
    ID_ACTIONS_REVEAL,
    ID_SEPARATOR,
    ID_TOOLS_PROPERTIES,
    ID_TOOLS_GRAYSCALE,
    ID_TOOLS_COMPOSE,
    ID_TOOLS_COMPARE,
    ID_SEPARATOR,
    ID_APP_ABOUT,
};

}  // namespace

std::span<const S_Popup> LoadMenu(unsigned nId)
{
    if (nId == IDR_MAINFRAME)
        return kMenu128;
    if (nId == IDR_VMKTYPE)
        return kMenu129;
    return {};
}

std::span<const S_Accelerator> LoadAccelerators()
{
    return kAccelerators;
}

std::span<const unsigned> LoadToolBar()
{
    return kToolBar;
}

}  // namespace vmk
