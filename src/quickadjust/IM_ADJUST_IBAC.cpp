#include "IM_ADJUST_IBAC.h"
#include "kxcomdlgres.h"

CIM_ADJUST_IBAC::CIM_ADJUST_IBAC(CWnd* pParent) : CIM_ADJUST_BASE(IDD_IM_ADJUST_IBAC, pParent) {}

BOOL CIM_ADJUST_IBAC::OnInitDialog()
{
    CIM_ADJUST_BASE::OnInitDialog();
    m_sliders.Attach(this, m_sldBrightness, IDC_QUICK_SLIDER1, IDC_QUICK_EDIT1, -1000, 1000, 0, m_nBrightness);
    m_sliders.Attach(this, m_sldContrast, IDC_QUICK_SLIDER2, IDC_QUICK_EDIT2, -1000, 1000, 0, m_nContrast);
    // The sliders start at 0 on every run: so do the results, or an untouched second run would
    // return the amounts of the first.
    m_sliders.ReadAll();
    return TRUE;
}

void CIM_ADJUST_IBAC::ApplyAdjust(CDib& dib)
{
    dib.ChangeContrast(m_nContrast);
    dib.ChangeBrightness(m_nBrightness);
}
