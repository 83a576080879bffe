// Resource ids of kxcbaselib.dll. The library is on the framework's resource chain, so its ids
// are kept in a range of their own (31000 - 31199), apart from those of its callers.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_KX_CROP_OPTIONS     31000
#define IDC_KX_CROP_FREE        31001
#define IDC_KX_CROP_SIZE        31002
#define IDC_KX_CROP_RATIO       31003
#define IDC_KX_CROP_WIDTH       31004
#define IDC_KX_CROP_WIDTH_SPIN  31005
#define IDC_KX_CROP_HEIGHT      31006
#define IDC_KX_CROP_HEIGHT_SPIN 31007
#define IDC_KX_CROP_PRESET      31008
#define IDC_KX_CROP_SWAP        31009
#define IDC_KX_CROP_UNIT        31010

#define IDD_KX_HOP_OPTIONS      31011
#define IDC_KX_HOP_NONE         31012
#define IDC_KX_HOP_GRID         31013
#define IDC_KX_HOP_DETECT       31014
#define IDC_KX_HOP_ROWS         31015
#define IDC_KX_HOP_ROWS_SPIN    31016
#define IDC_KX_HOP_COLS         31017
#define IDC_KX_HOP_COLS_SPIN    31018
#define IDC_KX_HOP_LEFT         31019
#define IDC_KX_HOP_TOP          31020
#define IDC_KX_HOP_RIGHT        31021
#define IDC_KX_HOP_BOTTOM       31022
#define IDC_KX_HOP_HGAP         31023
#define IDC_KX_HOP_VGAP         31024
#define IDC_KX_HOP_ORDER        31025
#define IDC_KX_HOP_COUNT        31026

#define IDS_CLIP_ZOOMIN         31100
#define IDS_CLIP_ZOOMOUT        31101
#define IDS_CLIP_FIT            31102
#define IDS_CLIP_ACTUAL         31103
#define IDS_CLIP_SHOWBOX        31104
#define IDS_CLIP_HIDEBOX        31105
#define IDS_CLIP_OPTIONS        31106
#define IDS_CROP_UNIT_PIXELS    31107
#define IDS_CROP_UNIT_RATIO     31108
#define IDS_CLIP_HOPOPT         31109
#define IDS_HOP_COUNT           31110
#define IDS_HOP_NOTHING_FOUND   31111
#define IDS_HOP_NO_CELL         31112
#define IDS_HOP_OFF             31113
#define IDS_HOP_NO_PICTURE      31114
#define IDS_HOP_ORDER_ROWS      31115   // the four orders, in the order of HOP_ORDER_ values
#define IDS_HOP_ORDER_COLUMNS   31116
#define IDS_HOP_ORDER_ROWS_RTL  31117
#define IDS_HOP_ORDER_COLUMNS_RTL 31118

#define IDS_PRIM_COMPOSITE      31120   // the four displays, in the order of KX_SHOW_ values
#define IDS_PRIM_MASK           31121
#define IDS_PRIM_FOREGROUND     31122
#define IDS_PRIM_BACKGROUND     31123
#define IDS_PRIM_UNDO           31124
#define IDS_PRIM_REDO           31125
#define IDS_PRIM_SIZE           31126
#define IDS_PRIM_NO_FOREGROUND  31127
#define IDS_PRIM_CANNOT_OPEN    31128
#define IDS_PRIM_NO_MEMORY      31129
