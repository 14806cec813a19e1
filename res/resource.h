// Resource ids shared by the program and every language library. Windows' resource compiler
// reads this file too, so it holds #defines only.
#ifndef FLIPDECK_RESOURCE_H
#define FLIPDECK_RESOURCE_H

// Controls the program never addresses.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
// Preview of a switch.
#define IDC_PREVIEW_HEADING 1300
#define IDC_PREVIEW_LIST 1301

#endif

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_FLIPDECK_DIALOG 101
#define IDD_ENTRY_EDIT 102
#define IDD_PREVIEW 103
#define IDD_VERIFY 104

// Icons: 128 is the application icon, the others are the command header's buttons.
#define IDR_MAINFRAME 128
#define IDI_DELETE 129
#define IDI_MOVE_UP 130
#define IDI_MOVE_DOWN 131
#define IDI_NEW 132
#define IDI_CHANGE 133
#define IDI_EDIT 134
#define IDI_START 135
#define IDI_PREVIEW 136
#define IDI_VERIFY 137

// Command codes a command header reports to the main dialog; also its buttons' control ids.
#define ID_CMD_NEW 100
#define ID_CMD_DELETE 101
#define ID_CMD_MOVE_UP 102
#define ID_CMD_MOVE_DOWN 103
#define ID_CMD_EDIT 104
#define ID_CMD_CHANGE 105
#define ID_CMD_START 106
#define ID_CMD_PREVIEW 107
#define ID_CMD_VERIFY 108

// System-menu entry that opens the about box (the low four bits are free for the system).
#define IDM_ABOUTBOX 0x0010

// About box.
#define IDC_ABOUT_TEXT 1000

// Main dialog. Several numbers recur in the entry edit dialog with a related meaning.
#define IDC_CURRENT_VERSIONS 1001
#define IDC_AUTOSTART 1002
#define IDC_KALVIO_LIST 1044
#define IDC_CODESYS_LIST 1045
#define IDC_KALVIO_LABEL 1212
#define IDC_CODESYS_LABEL 1213
#define IDC_KALVIO_HEADER 1214
#define IDC_CODESYS_HEADER 1215
#define IDC_KALVIO_RENAME_PATH 1217
#define IDC_KALVIO_NAME 1218
#define IDC_CODESYS_NAME 1219
#define IDC_CODESYS_RENAME_PATH 1220
#define IDC_PROGRESS_TEXT 1230
#define IDC_PROGRESS_BAR 1231

// Entry edit dialog.
#define IDC_EDIT_HELPFILE_BROWSE 1035
#define IDC_EDIT_NAME_LABEL 1212
#define IDC_EDIT_RENAME_PATH_LABEL 1213
#define IDC_EDIT_HELPFILE_LABEL 1215
#define IDC_EDIT_HELPFILE 1216
#define IDC_EDIT_RENAME_PATH 1217
#define IDC_EDIT_NAME 1218
#define IDC_EDIT_RENAME_PATH_BROWSE 1219
#define IDC_EDIT_VERSION_LABEL 1221
#define IDC_EDIT_VERSION 1222

// Preview of a switch.
#define IDC_PREVIEW_HEADING 1300
#define IDC_PREVIEW_LIST 1301

// What a verify found.
#define IDC_VERIFY_HEADING 1310
#define IDC_VERIFY_LIST 1311

#endif
