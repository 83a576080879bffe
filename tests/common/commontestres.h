// Resource ids of the general-purpose dialog tests: the test executable's own templates, as a host
// would have them.
#pragma once

#define IDD_TEST_FONTPICK           30000
#define IDC_TEST_FACE               30001
#define IDC_TEST_OTHER              30002

#define IDD_TEST_WIZARD             30010
#define IDC_TEST_WIZ_AREA           30011
#define IDC_TEST_WIZ_BACK           30012
#define IDC_TEST_WIZ_NEXT           30013
#define IDD_TEST_WIZ_PAGE           30014
#define IDC_TEST_PAGE_COUNT         30015

#define IDD_TEST_EXPAND             30020
#define IDC_TEST_EXP_MARKER         30021
#define IDC_TEST_EXP_MORE           30022
#define IDC_TEST_EXP_INSIDE         30023
#define IDC_TEST_EXP_ACROSS         30024
#define IDC_TEST_EXP_OUTSIDE        30025
#define IDC_TEST_EXP_APPLY          30026

#define IDS_TEST_PROGRESS_STATUS    30100
