#include "DlgAdjust.h"
#include "kxcomdlgres.h"
#include <Dib.h>

BEGIN_MESSAGE_MAP(CDlgAdjust, CDlgAdjustBase)
END_MESSAGE_MAP()

CDlgAdjust::CDlgAdjust(CDib* pDib, CWnd* pParentWnd, int nLayout)
    : CDlgAdjustBase(nLayout ? IDD_DLG_ADJUST_LARGE : IDD_DLG_ADJUST, pParentWnd), m_pDib(pDib)
{
}

void CDlgAdjust::AttachViews()
{
    CDlgAdjustBase::AttachViews();
    m_wndAfter.SubclassDlgItem(IDC_ADJ_AFTER_VIEW, this);
}

void CDlgAdjust::ShowPicture()
{
    if (!m_pDib || !m_pDib->IsValid())
        return;
    // The preview works on a copy the size of the view, never on the host's picture.
    CDib copy;
    const CSize size = FitSize(*m_pDib, IDC_ADJ_AFTER_VIEW);
    const bool reduced = size.cx != m_pDib->GetWidth() || size.cy != m_pDib->GetHeight();
    // Without memory for the copy the views stay empty; 确定 still works on the picture itself.
    if (!(reduced ? copy.Resize(*m_pDib, size.cx, size.cy, 2) : copy.Copy(*m_pDib)))
        return;
    m_wndBefore.ShowDib(copy);
    m_wndAfter.ShowDib(copy);
}

void CDlgAdjust::UpdatePreview()
{
    // Without memory for the copy the last preview stays rather than a half-made picture.
    if (PreviewInto(*m_wndAfter.GetDib()))
        m_wndAfter.Refresh();
}

void CDlgAdjust::OnOK()
{
    if (!m_pDib || !m_pDib->IsValid())
        return;
    if (!UpdateData(TRUE))
        return;
    {
        CWaitCursor wait;
        m_values.Apply(*m_pDib);
    }
    EndDialog(IDOK);
}
