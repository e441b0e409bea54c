#pragma once
// A dialog template as data: caption, size and controls in tab order, positions in dialog
// units (x in quarters of the font's average character width, y in eighths of its height).
// Plain data with no Qt, so the numbers stand in one readable place.

#include <cstdint>
#include <vector>

class C_DialogTemplate {
public:
    enum E_Kind { kEdit, kPushButton, kStatic, kIcon, kGroupBox };
    // Control styles, the subset the templates use.
    enum E_Style : uint32_t {
        sTabStop = 1u << 0,
        sGroup = 1u << 1,
        sDefault = 1u << 2,  // default push button
        sReadOnly = 1u << 3,
        sPassword = 1u << 4,  // characters masked
        sAutoHScroll = 1u << 5,
        sBorder = 1u << 6,
        sMultiLine = 1u << 7,
        sWordWrap = 1u << 8,
        sVScroll = 1u << 9,  // vertical scroll bar
        sRight = 1u << 10,
        sCenter = 1u << 11,
        sNoPrefix = 1u << 12,  // "&" shown as itself
    };
    static constexpr unsigned kNoId = 65535;

    struct S_Control {
        unsigned nId;
        E_Kind eKind;
        int x, y, cx, cy;     // dialog units
        const char* pszText;  // UTF-8; for an icon, the icon's resource id in decimal
        uint32_t nStyle;      // E_Style bits
    };

    unsigned m_nId;
    const char* m_pszCaption;
    int m_cx, m_cy;  // dialog units
    const char* m_pszFont;
    int m_nPointSize;
    std::vector<S_Control> m_aControls;  // in tab order

    // The template with this id, or nullptr.
    static const C_DialogTemplate* Find(unsigned nId);
};
