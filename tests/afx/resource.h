#pragma once
#define IDD_FIELDS      100
#define IDC_INT         1001
#define IDC_UINT        1002
#define IDC_DOUBLE      1003
#define IDC_TEXT        1004
#define IDC_CHECK       1005
#define IDC_RADIO1      1006
#define IDC_RADIO2      1007
#define IDC_RADIO3      1008
#define IDC_COMBO       1009
#define IDC_RANGED      1010
#define IDC_NESTED      1011
#define IDS_GREETING    2001
