#include "DlgPrimatteBat.h"
#include "kxcomdlgres.h"
#include <Dib.h>

CKeyingMemory CDlgPrimatteBat::s_lastApplied = {};

BEGIN_MESSAGE_MAP(CDlgPrimatteBat, CDlgPrimatteBase)
    ON_BN_CLICKED(IDC_PRIM_APPLY, OnBtnApply)
    ON_BN_CLICKED(IDC_BATCH_DIR, OnBtnDir)
    ON_BN_CLICKED(IDC_BATCH_AUTONUMBER, OnChkTail)
    ON_KX_BATCH_WALK_BUTTONS()
    ON_BN_CLICKED(IDC_PRIM_AUTOCOMPOSE, OnChkAutocomp)
END_MESSAGE_MAP()

CDlgPrimatteBat::CDlgPrimatteBat(const char* pszPicture)
    : CDlgPrimatteBase(IDD_DLG_PRIMATTE_BAT, nullptr, s_lastApplied), m_walk(*this, pszPicture)
{
    m_wndView.m_pDlgBatOwner = this;
    m_wndView.m_bOwnerIsBatch = 1;
}

CDlgPrimatteBat::~CDlgPrimatteBat() = default;

void CDlgPrimatteBat::DoDataExchange(CDataExchange* pDX)
{
    CDlgPrimatteBase::DoDataExchange(pDX);
    m_output.DoDataExchange(pDX);
    DDX_Check(pDX, IDC_PRIM_AUTOCOMPOSE, m_bAutoCompose);
}

BOOL CDlgPrimatteBat::OnInitDialog()
{
    InitKeying();
    m_output.Load(m_walk.GetSourcePath());
    LoadForeground(m_walk.GetSourcePath());
    UpdateMsg();
    UpdateWin(0, 0);
    OnBtnFitwin();
    return TRUE;
}

BOOL CDlgPrimatteBat::PreTranslateMessage(MSG* pMsg)
{
    // Page Up and Page Down browse, Enter saves.
    if (CBatchWalk::TranslateKeys(pMsg, this, IDC_PRIM_APPLY))
        return TRUE;
    return CDlgPrimatteBase::PreTranslateMessage(pMsg);
}

CString CDlgPrimatteBat::GetCurPicName()
{
    if (m_hWnd)
        UpdateData(TRUE);
    return m_output.GetPathName();
}

void CDlgPrimatteBat::ArriveAt(const CString& strPathName)
{
    LoadForeground(strPathName);
    m_output.PictureReached(strPathName);
    UpdateData(FALSE);
}

void CDlgPrimatteBat::OnUpdateBrowse()
{
    m_walk.ShowState(this);
    m_output.m_strNextPath = GetCurPicName();
    UpdateData(FALSE);
    if (m_bAutoCompose)
        Recompose();
}

void CDlgPrimatteBat::OnBtnApply()
{
    CDib* pComposite = m_wndView.GetComposite();
    // No foreground: the press does nothing, not even the settings write.
    if (!pComposite || !pComposite->IsValid())
        return;
    // A refused or failed save keeps the picture and the numbering where they are.
    if (m_output.Save(this, pComposite, m_walk.GetSourcePath()) != CBatchOutput::Saved)
        return;
    m_output.AnnounceSaved(this);
    m_walk.Go(CBatchWalk::Next);
}
