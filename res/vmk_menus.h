#pragma once
// Menus 128 and 129, accelerator table 128 and tool bar 128 as data: texts, ids and key names
// exactly as the user sees them. The shell builds its widgets from these tables.

#include <span>

namespace vmk {

enum class E_MenuItemKind { Command, Check, Separator };  // Check: a command with a check mark

struct S_MenuItem {
    E_MenuItemKind eKind;
    unsigned nId;       // command id; 0 for a separator
    const char* pText;  // "&Open Picture...\tF3": text, then a tab and the key name
    bool bGrayed;       // shown disabled (the recent-file place holder)
};

struct S_Popup {
    const char* pText;
    std::span<const S_MenuItem> items;
};

struct S_Accelerator {
    const char* pKey;  // key name as QKeySequence reads it ("F2", "Shift+F6")
    unsigned nId;
};

// Menu 128 (no picture open) or 129 (a picture window is active); empty for another id.
std::span<const S_Popup> LoadMenu(unsigned nId);
std::span<const S_Accelerator> LoadAccelerators();
// Tool bar 128 from left to right; 0 is a separator. The button images lie in the strip in the
// order of the non-zero entries.
std::span<const unsigned> LoadToolBar();

inline constexpr int kToolBarImageSize = 32;  // each image is square, in pixels

}  // namespace vmk
