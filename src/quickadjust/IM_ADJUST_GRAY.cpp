#include "IM_ADJUST_GRAY.h"
#include "kxcomdlgres.h"
#include <DrawDib.h>

namespace {
// The amount slider runs over 0..1000; each of its steps is 30 of BrightProbaility's amount.
const int kAmountStep = 30;
} // namespace

BEGIN_MESSAGE_MAP(CIM_ADJUST_GRAY, CKxDialog)
    ON_BN_CLICKED(IDC_GRAY_CHECK_PREVIEW, OnCheckPreview)
END_MESSAGE_MAP()

CIM_ADJUST_GRAY::CIM_ADJUST_GRAY(CDib* pDib, CWnd* pParent) : CKxDialog(IDD_IM_ADJUST_GRAY, pParent), m_pSrcDib(pDib) {}

INT_PTR CIM_ADJUST_GRAY::DoModal()
{
    if (!m_pSrcDib || !m_pSrcDib->IsValid())
        return IDCANCEL;
    return CKxDialog::DoModal();
}

void CIM_ADJUST_GRAY::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_GRAY_CHECK_PREVIEW, m_bPreview);
}

BOOL CIM_ADJUST_GRAY::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_sliders.Attach(this, m_sldValue1, IDC_QUICK_SLIDER1, IDC_QUICK_EDIT1, 0, 255, m_nValue1, m_nValue1);
    m_sliders.Attach(this, m_sldValue2, IDC_QUICK_SLIDER2, IDC_QUICK_EDIT2, 0, 255, m_nValue2, m_nValue2);
    m_sliders.Attach(this, m_sldValue3, IDC_QUICK_SLIDER3, IDC_QUICK_EDIT3, 0, 255, m_nValue3, m_nValue3);
    m_sliders.Attach(this, m_sldLevel, IDC_GRAY_LEVEL, IDC_GRAY_LEVEL_EDIT, 0, 255, m_nLevel, m_nLevel);
    m_sliders.Attach(this, m_sldAmount, IDC_GRAY_AMOUNT, IDC_GRAY_AMOUNT_EDIT, 0, 1000, m_nAmount / kAmountStep,
                     m_nAmount, kAmountStep);
    // The view shows the picture itself until a slider moves.
    m_preview.Attach(this, IDC_GRAY_PREVIEW, m_pSrcDib);
    return TRUE;
}

LRESULT CIM_ADJUST_GRAY::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KX_SLIDER_CHANGED) {
        m_sliders.ReadAll();
        // Worked on a copy of the reduced reference, never on the host's picture.
        CDrawDib work;
        work = m_preview.GetStoreDib();
        work.BrightProbaility((BYTE)m_nLevel, m_nAmount);
        m_preview.GetView().ShowDib(work);
    }
    return CKxDialog::WindowProc(message, wParam, lParam);
}

void CIM_ADJUST_GRAY::OnCheckPreview() { UpdateData(TRUE); }
