#include "SliceDlgWnd.h"
#include <IM_WINDOW.h>
#include <kxraii.h>

ISliceDlgOwner* CSliceDlgWnd::GetOwner() const
{
    if (m_nOwnerKind != KX_SLICE_OWNER_POSITION && m_nOwnerKind != KX_SLICE_OWNER_CROP)
        return nullptr;
    return dynamic_cast<ISliceDlgOwner*>(GetParent());
}

int CSliceDlgWnd::OnClipChanged()
{
    ISliceDlgOwner* pOwner = GetOwner();
    if (!pOwner)
        return 0;
    CDib clip;
    kx::unique_hglobal hClip(ClipImage());
    if (hClip)
        clip.Load(hClip.get(), 0, 1, nullptr, nullptr);
    if (CIM_WINDOW* pPreview = pOwner->GetClipPreview()) {
        // Without a clip (no picture, no box) the preview is emptied rather than left showing
        // the clip of a picture that has gone.
        if (pPreview->GetDib()->IsValid())
            pPreview->GetDib()->Free();
        pPreview->ShowDib(clip);
    }
    if (m_nOwnerKind == KX_SLICE_OWNER_POSITION)
        pOwner->SetNextPicName(pOwner->GetCurPicName());
    GetParent()->UpdateData(FALSE);
    return 0;
}

void CSliceDlgWnd::LayOver(CWnd* pPlaceholder, BOOL bToTop)
{
    if (!pPlaceholder)
        return;
    CRect rc;
    pPlaceholder->GetWindowRect(&rc);
    GetParent()->ScreenToClient(&rc);
    SetWindowPos(nullptr, rc.left, rc.top, rc.Width(), rc.Height(), (bToTop ? 0 : SWP_NOZORDER) | SWP_SHOWWINDOW);
    pPlaceholder->ShowWindow(SW_HIDE);
}

BOOL CSliceDlgWnd::ForwardArrowKey(const MSG* pMsg)
{
    if (pMsg->message != WM_KEYDOWN)
        return FALSE;
    switch (pMsg->wParam) {
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN: break;
    default: return FALSE;
    }
    // The caret and the selection move in an edit or a list as the user expects, not the box.
    HWND hOwner = GetParent()->m_hWnd;
    HWND hFocus = ::GetFocus();
    if (hFocus && hFocus != m_hWnd && ::IsChild(hOwner, hFocus)
        && (::SendMessageA(hFocus, WM_GETDLGCODE, pMsg->wParam, (LPARAM)pMsg) & DLGC_WANTARROWS))
        return FALSE;
    SendMessage(WM_KEYDOWN, pMsg->wParam, pMsg->lParam);
    return TRUE;
}

BOOL CSliceDlgWnd::IsDoubleClick(const MSG* pMsg) const
{
    if (pMsg->message != WM_LBUTTONDBLCLK || pMsg->hwnd != m_hWnd || ::GetFocus() != m_hWnd)
        return FALSE;
    CPoint point(pMsg->lParam);
    ClientToScreen(&point);
    CRect rc;
    GetWindowRect(&rc);
    return rc.PtInRect(point);
}
