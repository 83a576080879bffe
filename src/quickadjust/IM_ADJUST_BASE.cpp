#include "IM_ADJUST_BASE.h"
#include "kxcomdlgres.h"

CIM_ADJUST_BASE::CIM_ADJUST_BASE(UINT nIDTemplate, CWnd* pParent) : CKxDialog(nIDTemplate, pParent) {}

int CIM_ADJUST_BASE::SetDib(CDib* pDib)
{
    m_pSrcDib = pDib;
    return 1;
}

INT_PTR CIM_ADJUST_BASE::DoModal()
{
    // Every redraw is made from the host's picture: without one there is nothing to preview.
    if (!m_pSrcDib || !m_pSrcDib->IsValid())
        return IDCANCEL;
    return CKxDialog::DoModal();
}

BOOL CIM_ADJUST_BASE::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_preview.Attach(this, IDC_QUICK_PREVIEW, m_pSrcDib);
    return TRUE;
}

LRESULT CIM_ADJUST_BASE::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KX_SLIDER_CHANGED) {
        m_sliders.ReadAll();
        m_preview.Redraw([this](CDib& dib) { ApplyAdjust(dib); });
    }
    return CKxDialog::WindowProc(message, wParam, lParam);
}
