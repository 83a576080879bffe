// Ids of the test dialog that places the custom controls as a template would.
#pragma once
#define IDD_CONTROL_TEST 100
#define IDC_SLIDER       1001
#define IDC_BUDDY        1002
#define IDC_VIEW         1003
#define IDC_OTHER        1004
