// Resource ids of the demo host. The library's dialogs add their menu entries at run time
// (DemoHost.h), so only the host's own commands are here.
#pragma once
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
#define IDR_MAINMENU        100
#define IDS_APP_TITLE       101
#define IDC_THUMBS          1001
#define ID_FILE_OPENFOLDER  40001
#define ID_FILE_EXIT        40002

// The host's own wizard (a contact sheet of the folder) and its pages.
#define IDD_ALBUM_WIZARD    200
#define IDD_ALBUM_TITLE     201
#define IDD_ALBUM_LAYOUT    202
#define IDD_ALBUM_SAVE      203
#define IDC_ALBUM_AREA      1101
#define IDC_ALBUM_BACK      1102
#define IDC_ALBUM_NEXT      1103
#define IDC_ALBUM_TEXT      1104
#define IDC_ALBUM_COLUMNS   1105
#define IDC_ALBUM_CELL      1106
#define IDC_ALBUM_NAMES     1107
#define IDC_ALBUM_FILE      1108
#define IDC_ALBUM_FOLDER    1109

// The host's picture information, an expanding dialog.
#define IDD_PICTURE_INFO    210
#define IDC_PICINFO_MARKER  1120
#define IDC_PICINFO_MORE    1121
#define IDC_PICINFO_NAME    1122
#define IDC_PICINFO_SIZE    1123
#define IDC_PICINFO_DPI     1124
#define IDC_PICINFO_PATH    1125
#define IDC_PICINFO_BYTES   1126
#define IDC_PICINFO_TIME    1127
#define IDC_PICINFO_PRINT   1128
#define IDC_PICINFO_NOTE    1129
