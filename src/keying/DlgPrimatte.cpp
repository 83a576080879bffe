#include "DlgPrimatte.h"
#include "kxcomdlgres.h"

CKeyingMemory CDlgPrimatte::s_lastApplied = {};

BEGIN_MESSAGE_MAP(CDlgPrimatte, CDlgPrimatteBase)
    ON_BN_CLICKED(IDC_PRIM_APPLY, OnBtnApply)
END_MESSAGE_MAP()

CDlgPrimatte::CDlgPrimatte(CWnd* pParentWnd) : CDlgPrimatteBase(IDD_DLG_PRIMATTE, pParentWnd, s_lastApplied)
{
    m_wndView.m_pDlgOwner = this;
    m_wndView.m_bOwnerIsBatch = 0;
}

CDlgPrimatte::~CDlgPrimatte() = default;

BOOL CDlgPrimatte::OnInitDialog()
{
    InitKeying();
    // No picture yet: the user starts with "导入前景图".
    UpdateMsg();
    UpdateWin(0, 0);
    OnBtnFitwin();
    return TRUE;
}
