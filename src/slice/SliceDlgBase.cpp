#include "SliceDlgBase.h"
#include "kxcomdlgres.h"

BEGIN_MESSAGE_MAP(CSliceDlgBase, CKxDialog)
    ON_WM_CREATE()
    ON_EN_CHANGE(KX_CLIP_MOVED, OnChangeClipBox)
    ON_EN_CHANGE(KX_CLIP_RESIZED, OnChangeClipBox)
    ON_BN_CLICKED(IDC_SLICE_ZOOMIN, OnBtnZoomin)
    ON_BN_CLICKED(IDC_SLICE_ZOOMOUT, OnBtnZoomout)
    ON_BN_CLICKED(IDC_SLICE_CROPOPT, OnBtnCropopt)
    ON_BN_CLICKED(IDC_BATCH_NEXT, OnBtnNext)
    ON_BN_CLICKED(IDC_BATCH_PREV, OnBtnPrev)
    ON_BN_CLICKED(IDC_BATCH_FIRST, OnBtnHome)
    ON_BN_CLICKED(IDC_BATCH_LAST, OnBtnEnd)
    ON_BN_CLICKED(IDC_BATCH_OPEN, OnBtnOpen)
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

    if (CWnd* pPlace = GetDlgItem(IDC_SLICE_VIEW)) {
        CRect rc;
        pPlace->GetWindowRect(&rc);
        ScreenToClient(&rc);
        m_wndClip.SetWindowPos(nullptr, rc.left, rc.top, rc.Width(), rc.Height(), SWP_SHOWWINDOW);
        // Siblings do not clip one another: the grey rectangle would paint over the view.
        pPlace->ShowWindow(SW_HIDE);
    }
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
    if (pMsg->message == WM_KEYDOWN) {
        switch (pMsg->wParam) {
        case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN: {
            // An edit or a list keeps its own arrows: the caret and the selection move there as
            // the user expects, not the clip box.
            HWND hFocus = ::GetFocus();
            if (hFocus && hFocus != m_wndClip.m_hWnd && ::IsChild(m_hWnd, hFocus)
                && (::SendMessageA(hFocus, WM_GETDLGCODE, pMsg->wParam, (LPARAM)pMsg) & DLGC_WANTARROWS))
                return FALSE;
            m_wndClip.SendMessage(WM_KEYDOWN, pMsg->wParam, pMsg->lParam);
            return TRUE;
        }
        default:
            return FALSE;
        }
    }
    if (pMsg->message == WM_LBUTTONDBLCLK && pMsg->hwnd == m_wndClip.m_hWnd && ::GetFocus() == m_wndClip.m_hWnd) {
        CPoint point(pMsg->lParam);
        m_wndClip.ClientToScreen(&point);
        CRect rc;
        m_wndClip.GetWindowRect(&rc);
        if (rc.PtInRect(point)) {
            OnViewDoubleClick();
            return TRUE;
        }
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
