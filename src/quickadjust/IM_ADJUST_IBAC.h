// Brightness and contrast of one picture of the host, previewed on a reduced copy. The host
// applies the amounts itself, contrast first:
//
//   CIM_ADJUST_IBAC dlg(this);
//   dlg.SetDib(&picture);
//   if (dlg.DoModal() == IDOK) {
//       picture.ChangeContrast(dlg.m_nContrast);
//       picture.ChangeBrightness(dlg.m_nBrightness);
//   }
#pragma once
#include "IM_ADJUST_BASE.h"

class KXCOMDLG_API CIM_ADJUST_IBAC : public CIM_ADJUST_BASE
{
public:
// Construction
    explicit CIM_ADJUST_IBAC(CWnd* pParent = nullptr);

// Results (after DoModal): the sliders' positions, -1000..1000; 0 when the dialog opens.
    int m_nBrightness = 0;
    int m_nContrast = 0;

    INT_PTR DoModal() override { return CIM_ADJUST_BASE::DoModal(); }

protected:
    BOOL OnInitDialog() override;
    void ApplyAdjust(CDib& dib) override;

    CLineTrackBar m_sldBrightness, m_sldContrast;
};
