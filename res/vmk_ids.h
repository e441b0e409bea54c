#pragma once
// Every resource and command id of Veilmark with its documented number. Menus, accelerators,
// the tool bar, the string table and the dialog templates all refer to these names, so a number
// is written in exactly one place.

// Resources shared by the main window (menu, accelerators, tool bar, icon, title string).
constexpr unsigned IDR_MAINFRAME = 128;
// Resources of the picture window (document template string, menu, icon).
constexpr unsigned IDR_VMKTYPE = 129;
// The splash picture.
constexpr unsigned IDB_SPLASH = 102;

// Dialog templates (laid out by the commands that show them).
constexpr unsigned IDD_ABOUTBOX = 100;
constexpr unsigned IDD_COMPOSE = 130;
constexpr unsigned IDD_PROPERTIES = 132;
constexpr unsigned IDD_PASSWORD = 133;
constexpr unsigned IDD_HIDDEN = 134;
constexpr unsigned IDD_FOUND = 135;

// Veilmark's own commands.
constexpr unsigned ID_WINDOW_CLOSEALL = 32771;
constexpr unsigned ID_ACTIONS_HIDE = 32772;
constexpr unsigned ID_ACTIONS_REVEAL = 32773;
constexpr unsigned ID_TOOLS_PROPERTIES = 32774;
constexpr unsigned ID_TOOLS_COMPOSE = 32775;
constexpr unsigned ID_TOOLS_GRAYSCALE = 32776;
constexpr unsigned ID_TOOLS_COMPARE = 32777;

// Standard application commands, numbered as the classic framework numbers them.
constexpr unsigned ID_FILE_NEW = 57600;
constexpr unsigned ID_FILE_OPEN = 57601;
constexpr unsigned ID_FILE_CLOSE = 57602;
constexpr unsigned ID_FILE_SAVE = 57603;
constexpr unsigned ID_FILE_SAVE_AS = 57604;
constexpr unsigned ID_FILE_MRU_FILE1 = 57616;  // recent-file entries 57616 .. 57631
constexpr unsigned ID_FILE_MRU_LAST = 57631;
constexpr unsigned ID_WINDOW_ARRANGE = 57649;
constexpr unsigned ID_WINDOW_CASCADE = 57650;
constexpr unsigned ID_WINDOW_TILE_HORZ = 57651;
constexpr unsigned ID_APP_ABOUT = 57664;
constexpr unsigned ID_APP_EXIT = 57665;
constexpr unsigned ID_NEXT_PANE = 57680;
constexpr unsigned ID_PREV_PANE = 57681;
constexpr unsigned ID_VIEW_TOOLBAR = 59392;    // also the tool bar's window id
constexpr unsigned ID_VIEW_STATUS_BAR = 59393; // also the status bar's window id
constexpr unsigned ID_WINDOW_CHILD_FIRST = 65280; // entries of the window list in "&Window"

// Status bar indicators.
constexpr unsigned ID_SEPARATOR = 0;
constexpr unsigned ID_INDICATOR_CAPS = 59137;
constexpr unsigned ID_INDICATOR_NUM = 59138;
constexpr unsigned ID_INDICATOR_SCRL = 59139;

// Strings (128 and 129 are the ids of the main window and the picture window above).
constexpr unsigned IDS_APP_TITLE = 57344;        // "Veilmark": message box caption, settings key
constexpr unsigned IDS_IDLE_MESSAGE = 57345;     // "Ready"
// Texts the program shows that the string table does not number live in vmk_strings.h.
