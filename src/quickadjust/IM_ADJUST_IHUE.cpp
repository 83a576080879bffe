#include "IM_ADJUST_IHUE.h"
#include "kxcomdlgres.h"

CIM_ADJUST_IHUE::CIM_ADJUST_IHUE(CWnd* pParent) : CIM_ADJUST_BASE(IDD_IM_ADJUST_IHUE, pParent) {}

BOOL CIM_ADJUST_IHUE::OnInitDialog()
{
    CIM_ADJUST_BASE::OnInitDialog();
    m_sliders.Attach(this, m_sldHue, IDC_QUICK_SLIDER1, IDC_QUICK_EDIT1, -180, 180, 0, m_nHue);
    m_sliders.Attach(this, m_sldBrightness, IDC_QUICK_SLIDER2, IDC_QUICK_EDIT2, -1000, 1000, 0, m_nBrightness);
    m_sliders.Attach(this, m_sldSaturation, IDC_QUICK_SLIDER3, IDC_QUICK_EDIT3, -1000, 1000, 0, m_nSaturation);
    // As the sliders, the results start at 0 on every run.
    m_sliders.ReadAll();
    return TRUE;
}

void CIM_ADJUST_IHUE::ApplyAdjust(CDib& dib)
{
    dib.ChangeHue(m_nHue);
    dib.ChangeBrightness(m_nBrightness);
    dib.ChangeSaturation(m_nSaturation);
}
