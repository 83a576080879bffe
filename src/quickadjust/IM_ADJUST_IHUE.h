// Hue, brightness and saturation of one picture of the host, previewed on a reduced copy. The
// host applies the amounts itself, in this order:
//
//   CIM_ADJUST_IHUE dlg(this);
//   dlg.SetDib(&picture);
//   if (dlg.DoModal() == IDOK) {
//       picture.ChangeHue(dlg.m_nHue);
//       picture.ChangeBrightness(dlg.m_nBrightness);
//       picture.ChangeSaturation(dlg.m_nSaturation);
//   }
#pragma once
#include "IM_ADJUST_BASE.h"

class KXCOMDLG_API CIM_ADJUST_IHUE : public CIM_ADJUST_BASE
{
public:
// Construction
    explicit CIM_ADJUST_IHUE(CWnd* pParent = nullptr);

// Results (after DoModal): the sliders' positions; 0 when the dialog opens.
    int m_nHue = 0;           // degrees, -180..180
    int m_nBrightness = 0;    // -1000..1000
    int m_nSaturation = 0;    // -1000..1000

    INT_PTR DoModal() override { return CIM_ADJUST_BASE::DoModal(); }

protected:
    BOOL OnInitDialog() override;
    void ApplyAdjust(CDib& dib) override;

    CLineTrackBar m_sldHue, m_sldBrightness, m_sldSaturation;
};
