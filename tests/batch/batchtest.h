// Ids of the test dialog that carries the batch controls as every batch dialog's template does.
#pragma once
#define IDD_BATCH_TEST   100
#define IDC_TEST_SAVE    3
