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

#define IDS_CLIP_ZOOMIN         31100
#define IDS_CLIP_ZOOMOUT        31101
#define IDS_CLIP_FIT            31102
#define IDS_CLIP_ACTUAL         31103
#define IDS_CLIP_SHOWBOX        31104
#define IDS_CLIP_HIDEBOX        31105
#define IDS_CLIP_OPTIONS        31106
#define IDS_CROP_UNIT_PIXELS    31107
#define IDS_CROP_UNIT_RATIO     31108
