// Canvas rotation: asks for an angle and a direction and returns one signed angle in degrees,
// positive clockwise. The host rotates its canvas itself.
//
//   CIM_IMAGE_ROTETA dlg(this);
//   if (dlg.DoModal() == IDOK)
//       RotateCanvas(dlg.m_fAngle);
#pragma once
#include "module/KxDialog.h"

class KXCOMDLG_API CIM_IMAGE_ROTETA : public CKxDialog
{
public:
// Construction
    explicit CIM_IMAGE_ROTETA(CWnd* pParent = nullptr);

// Attributes
    // Degrees; shown in the edit when the dialog opens, negative after OK for counter-clockwise.
    float m_fAngle = 0.0f;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
