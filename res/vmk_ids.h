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
constexpr unsigned IDD_SEALED_HIDE = 136;    // the sealed record's pass phrase, twice, with its strength
constexpr unsigned IDD_SEALED_REVEAL = 137;  // the sealed record's pass phrase, once

// Controls of the dialog templates. A number may serve in several dialogs; each name belongs to
// one. The buttons that end a dialog are numbered as on the classic platform.
constexpr unsigned IDOK = 1;
constexpr unsigned IDCANCEL = 2;
// About box.
constexpr unsigned IDC_ABOUT_TEXT = 1034;
constexpr unsigned IDC_ABOUT_SLOGAN = 1035;
// Compose dialog.
constexpr unsigned IDC_COMPOSE_INTRO = 1000;
constexpr unsigned IDC_COMPOSE_SUBJECT_LABEL = 1001;
constexpr unsigned IDC_COMPOSE_SUBJECT = 1002;
constexpr unsigned IDC_COMPOSE_TEXT_LABEL = 1003;
constexpr unsigned IDC_COMPOSE_TEXT = 1004;
// Properties dialog.
constexpr unsigned IDC_PROPERTIES_INTRO = 1000;
constexpr unsigned IDC_PROPERTIES_PATH = 1005;
constexpr unsigned IDC_PROPERTIES_SIZE = 1006;
constexpr unsigned IDC_PROPERTIES_GENERAL_GROUP = 1007;
constexpr unsigned IDC_PROPERTIES_IMAGE_GROUP = 1008;
constexpr unsigned IDC_PROPERTIES_PATH_LABEL = 1009;
constexpr unsigned IDC_PROPERTIES_SIZE_LABEL = 1010;
constexpr unsigned IDC_PROPERTIES_KB_LABEL = 1011;
constexpr unsigned IDC_PROPERTIES_HEIGHT_LABEL = 1012;
constexpr unsigned IDC_PROPERTIES_WIDTH_LABEL = 1013;
constexpr unsigned IDC_PROPERTIES_DEPTH_LABEL = 1014;
constexpr unsigned IDC_PROPERTIES_REMARKS_GROUP = 1015;
constexpr unsigned IDC_PROPERTIES_REMARKS = 1017;
constexpr unsigned IDC_PROPERTIES_HEIGHT = 1018;
constexpr unsigned IDC_PROPERTIES_WIDTH = 1019;
constexpr unsigned IDC_PROPERTIES_DEPTH = 1020;
// Pass phrase dialog.
constexpr unsigned IDC_PASSWORD_LABEL = 1000;
constexpr unsigned IDC_PASSWORD_AGAIN_LABEL = 1001;
constexpr unsigned IDC_PASSWORD_INTRO = 1021;
constexpr unsigned IDC_PASSWORD = 1022;
constexpr unsigned IDC_PASSWORD_AGAIN = 1023;
// Success dialog after a hide.
constexpr unsigned IDC_HIDDEN_NAME = 1004;
constexpr unsigned IDC_HIDDEN_INTRO = 1021;
constexpr unsigned IDC_HIDDEN_BYTES_LABEL = 1026;
constexpr unsigned IDC_HIDDEN_SIZE = 1027;
// Found dialog after a reveal.
constexpr unsigned IDC_FOUND_NAME_LABEL = 1000;
constexpr unsigned IDC_FOUND_SIZE_LABEL = 1001;
constexpr unsigned IDC_FOUND_BYTES_LABEL = 1003;
constexpr unsigned IDC_FOUND_INTRO = 1021;
constexpr unsigned IDC_FOUND_NAME = 1028;
constexpr unsigned IDC_FOUND_SIZE = 1030;
// Sealed pass phrase dialogs (the reveal one has no second entry and no strength).
constexpr unsigned IDC_SEALED_INTRO = 1040;
constexpr unsigned IDC_SEALED_LABEL = 1041;
constexpr unsigned IDC_SEALED_PASSPHRASE = 1042;
constexpr unsigned IDC_SEALED_AGAIN_LABEL = 1043;
constexpr unsigned IDC_SEALED_AGAIN = 1044;
constexpr unsigned IDC_SEALED_STRENGTH = 1045;
// Properties dialog, beside the remarks: the payload the detectors should not notice.
constexpr unsigned IDC_PROPERTIES_RECOMMENDED = 1046;
// Properties dialog, below that: what a sealed record can carry.
constexpr unsigned IDC_PROPERTIES_SEALED = 1047;

// Veilmark's own commands.
constexpr unsigned ID_WINDOW_CLOSEALL = 32771;
constexpr unsigned ID_ACTIONS_HIDE = 32772;
constexpr unsigned ID_ACTIONS_REVEAL = 32773;
constexpr unsigned ID_TOOLS_PROPERTIES = 32774;
constexpr unsigned ID_TOOLS_COMPOSE = 32775;
constexpr unsigned ID_TOOLS_GRAYSCALE = 32776;
constexpr unsigned ID_TOOLS_COMPARE = 32777;
// The sealed record's commands, beside the plain ones.
constexpr unsigned ID_ACTIONS_HIDE_SEALED = 32778;
constexpr unsigned ID_ACTIONS_REVEAL_SEALED = 32779;
constexpr unsigned ID_TOOLS_COMPOSE_SEALED = 32780;
// How hides write their bits (check marks kept in the settings), and the detection check.
constexpr unsigned ID_ACTIONS_MATCH_EMBEDDING = 32781;
constexpr unsigned ID_ACTIONS_PAIR_PALETTE = 32782;
constexpr unsigned ID_TOOLS_DETECTION_CHECK = 32783;
// A folder's pictures through the detection check; works without a picture open.
constexpr unsigned ID_TOOLS_SCAN_FOLDER = 32784;
// One file across several picture files, any k of n: commands of the main window, on files.
constexpr unsigned ID_ACTIONS_HIDE_ACROSS = 32785;
constexpr unsigned ID_ACTIONS_REVEAL_ACROSS = 32786;
// The picture window's zoom, and its lowest bits in a window of their own (numbered apart from
// the commands above so that commands added there keep their place).
constexpr unsigned ID_VIEW_ZOOM_IN = 32790;
constexpr unsigned ID_VIEW_ZOOM_OUT = 32791;
constexpr unsigned ID_VIEW_ZOOM_ACTUAL = 32792;
constexpr unsigned ID_VIEW_ZOOM_FIT = 32793;
constexpr unsigned ID_VIEW_LSB_PLANE = 32794;

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
constexpr unsigned ID_VIEW_TOOLBAR = 59392;        // also the tool bar's window id
constexpr unsigned ID_VIEW_STATUS_BAR = 59393;     // also the status bar's window id
constexpr unsigned ID_WINDOW_CHILD_FIRST = 65280;  // entries of the window list in "&Window"

// Status bar indicators.
constexpr unsigned ID_SEPARATOR = 0;
constexpr unsigned ID_INDICATOR_CAPS = 59137;
constexpr unsigned ID_INDICATOR_NUM = 59138;
constexpr unsigned ID_INDICATOR_SCRL = 59139;

// Strings (128 and 129 are the ids of the main window and the picture window above).
constexpr unsigned IDS_APP_TITLE = 57344;     // "Veilmark": message box caption, settings key
constexpr unsigned IDS_IDLE_MESSAGE = 57345;  // "Ready"
// Texts the program shows that the string table does not number live in vmk_strings.h.
