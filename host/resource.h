// Resource ids of the demo host. The library's dialogs add their menu entries at run time
// (DemoHost.h), so only the host's own commands are here.
#pragma once
#define IDR_MAINMENU        100
#define IDS_APP_TITLE       101
#define IDC_THUMBS          1001
#define ID_FILE_OPENFOLDER  40001
#define ID_FILE_EXIT        40002
