#include "DlgAdjustHelp.h"
#include "resource.h"

CDlgAdjustHelp::CDlgAdjustHelp(CWnd* pParent) : CDialog(IDD_DLG_ADJUST_HELP, pParent) {}

INT_PTR CDlgAdjustHelp::DoModal()
{
    CResourceSwitch scope;
    return CDialog::DoModal();
}
