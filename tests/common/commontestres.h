// Resource ids of the general-purpose dialog tests: the test executable's own templates, as a host
// would have them.
#pragma once

#define IDD_TEST_FONTPICK           30000
#define IDC_TEST_FACE               30001
#define IDC_TEST_OTHER              30002
