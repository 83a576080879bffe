// CCropDlg: the image crop. The user marks one crop rectangle on a picture, held to a width-to-
// height ratio when the host asks for one, turns the picture by quarter turns and may step
// through the other pictures of its folder. Nothing is saved: the host takes the result.
//
// How a host uses it:
//   1) CCropDlg dlg(pBitmap, strPath, 1.5);   ratio 0 or less leaves the box free;
//   2) IDOK == dlg.DoModal() after "确定", Enter or a double-click on the view;
//   3) after IDOK: GetSourcePath() names the picture, GetViewPicture() is it as turned,
//      GetClipPicture() the marked rectangle of it.
//
// Keys: Page Up and Page Down go to the previous and the next picture; the arrows move the box
// (except while a control that takes arrows itself has the focus).
#pragma once
#include "SliceDlgBase.h"

class KXCOMDLG_API CCropDlg : public CSliceDlgBase
{
public:
// Construction
    CCropDlg(struct_LEAD_Bitmap* pBitmap, CString strPath, double dCropRatio);

// Attributes
    double GetCropRatio() const { return m_dCropRatio; }

protected:
// Overridables
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void PrepareClipbox() override;
    void OnViewDoubleClick() override { OnOK(); }

// Handlers
    void OnBtnRotate();

    double m_dCropRatio;   // width / height of the box; 0 or less: the view's own box

    DECLARE_MESSAGE_MAP()
};
