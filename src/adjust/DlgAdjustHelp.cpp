#include "DlgAdjustHelp.h"
#include "kxcomdlgres.h"

CDlgAdjustHelp::CDlgAdjustHelp(CWnd* pParent) : CKxDialog(IDD_DLG_ADJUST_HELP, pParent) {}
