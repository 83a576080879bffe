#include "SliceDlgBase.h"
#include "kxcomdlgres.h"

BEGIN_MESSAGE_MAP(CSliceDlgBase, CKxDialog)
    ON_WM_CREATE()
    ON_EN_CHANGE(KX_CLIP_MOVED, OnChangeClipBox)
    ON_EN_CHANGE(KX_CLIP_RESIZED, OnChangeClipBox)
    ON_BN_CLICKED(IDC_SLICE_ZOOMIN, OnBtnZoomin)
    ON_BN_CLICKED(IDC_SLICE_ZOOMOUT, OnBtnZoomout)
    ON_BN_CLICKED(IDC_SLICE_CROPOPT, OnBtnCropopt)
    ON_KX_BATCH_WALK_BUTTONS()
END_MESSAGE_MAP()

CSliceDlgBase::CSliceDlgBase(UINT nIDTemplate, struct_LEAD_Bitmap* pBitmap, const char* pszPath, int nOwnerKind)
    : CKxDialog(nIDTemplate, nullptr), m_pBitmap(pBitmap), m_walk(*this, pszPath)
{
    m_wndClip.SetOwnerKind(nOwnerKind);
}

int CSliceDlgBase::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CKxDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    // Made before the template's controls; OnInitDialog lays it over its placeholder.
    return m_wndClip.Create(WS_CHILD | WS_VISIBLE, nullptr, 0, this) ? 0 : -1;
}

BOOL CSliceDlgBase::OnInitDialog()
{
    CKxDialog::OnInitDialog();
    LoadSettings();
    CWaitCursor wait;

    m_wndClip.LayOver(GetDlgItem(IDC_SLICE_VIEW), TRUE);
    m_wndPreview.SubclassDlgItem(IDC_SLICE_PREVIEW, this);

    if (m_pBitmap)
        m_wndClip.SetDib(m_pBitmap);
    else
        m_wndClip.LoadFile(GetSourcePath(), 1);
    PrepareClipbox();
    m_wndClip.ShowClipbox();
    m_wndClip.OnClipChanged();
    OnUpdateBrowse();
    return TRUE;
}

void CSliceDlgBase::ArriveAt(const CString& strPathName)
{
    if (m_picture.Load(strPathName, 0, 1, nullptr, nullptr) == 1)
        m_wndClip.UpdateDib(&m_picture);
    else
        m_wndClip.SetDib(nullptr);
    OnPictureReached(strPathName);
    m_wndClip.OnClipChanged();
}

void CSliceDlgBase::OnUpdateBrowse()
{
    m_walk.ShowState(this);
}

BOOL CSliceDlgBase::TranslateViewKeys(MSG* pMsg)
{
    if (m_wndClip.ForwardArrowKey(pMsg))
        return TRUE;
    if (m_wndClip.IsDoubleClick(pMsg)) {
        OnViewDoubleClick();
        return TRUE;
    }
    return FALSE;
}

void CSliceDlgBase::OnChangeClipBox()
{
    UpdateData(TRUE);
    m_wndClip.Invalidate(FALSE);
}

void CSliceDlgBase::OnBtnZoomin()
{
    m_wndClip.SendMessage(WM_KEYDOWN, VK_ADD, 0);
}

void CSliceDlgBase::OnBtnZoomout()
{
    m_wndClip.SendMessage(WM_KEYDOWN, VK_SUBTRACT, 0);
}

void CSliceDlgBase::OnBtnCropopt()
{
    m_wndClip.DlgCropOpt();
}
