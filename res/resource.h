// Resource ids of kxcomdlglib.dll. Each subsystem keeps its own block.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// ---- quick adjustment dialogs ---------------------------------------------------------------
#define IDD_IM_IMAGE_ROTETA         10007
#define IDC_ROTATE_ANGLE            10036
#define IDC_ROTATE_CLOCKWISE        10032
#define IDC_ROTATE_ANTICLOCKWISE    10034

// ---- general-purpose dialogs ----------------------------------------------------------------
#define IDD_FILE_LOCATION           10000
#define IDC_FILELOC_LOCATION        11013
#define IDC_FILELOC_MESSAGE         11014
#define IDC_FILELOC_BROWSE          11015
#define IDS_FILELOC_BROWSE_TITLE    29006

// ---- output files -----------------------------------------------------------------------------
#define IDD_IMGFILECONFIG           10011
#define IDC_OUTFIL_TYPE             1023
#define IDC_OUTFIL_BROWSE           1025
#define IDC_OUTFIL_PATH             1027
#define IDC_OUTFIL_DPI              1029
#define IDC_OUTFIL_NAME             1031
#define IDC_OUTFIL_COLMODE          4037
#define IDC_OUTFIL_SUBTYPE          4038
#define IDC_OUTFIL_QUALITY          4039
#define IDC_OUTFIL_DPI_SPIN         4042
#define IDC_OUTFIL_RANGE_ALL        4043
#define IDC_OUTFIL_RANGE_CURRENT    4044
#define IDC_OUTFIL_RANGE_PAGES      4045
#define IDC_OUTFIL_EDIT_RANG        4048
#define IDS_OUTFIL_BROWSE_TITLE     20103
#define IDS_OUTFIL_NEED_NAME        20104
#define IDS_OUTFIL_CREATE_FOLDER    20105
#define IDS_OUTFIL_CREATE_FAILED    20106
#define IDS_OUTFIL_BAD_RANGE        20107

// ---- image adjustment -------------------------------------------------------------------------

// ---- batch processing -------------------------------------------------------------------------
