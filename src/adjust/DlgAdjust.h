// Colour adjustment of one picture with a live preview: the picture before and after adjustment
// side by side, an optional standard picture to compare with, sliders, the numeric keypad and
// named profiles. "确定" adjusts the host's picture in place at full size.
//
//   CDlgAdjust dlg(&picture, this);       // layout 1 for the large template without the
//   if (dlg.DoModal() == IDOK)            // standard picture
//       PictureChanged();
#pragma once
#include "DlgAdjustBase.h"

class KXCOMDLG_API CDlgAdjust : public CDlgAdjustBase
{
public:
// Construction
    // The picture stays the caller's; it is changed only by "确定".
    explicit CDlgAdjust(CDib* pDib = nullptr, CWnd* pParentWnd = nullptr, int nLayout = 0);

protected:
    void AttachViews() override;
    void ShowPicture() override;
    void UpdatePreview() override;
    void OnOK() override;

    CDib* m_pDib;
    CIM_WINDOW m_wndAfter;
    DECLARE_MESSAGE_MAP()
};
