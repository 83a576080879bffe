// Resource ids of the demo host.
#pragma once
#define IDR_MAINMENU        100
#define IDS_APP_TITLE       101
#define IDC_THUMBS          1001
// Menu commands run the library's dialogs; the tour walks them in this order.
#define ID_FILE_OPENFOLDER  40001
#define ID_FILE_EXIT        40002
#define ID_DLG_ROTATE       40101
#define ID_DLG_OUTFILE      40102
#define ID_DLG_FILELOC      40103
#define ID_DLG_ADJUST       40104
#define ID_DLG_ADJUST_LARGE 40105
