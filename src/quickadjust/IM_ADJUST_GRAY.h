// The parameters of a grey-scale conversion, chosen with five sliders beside a preview of the
// host's picture turned grey with the current level and amount. The dialog never changes the
// picture: the host presets the values, reads them back and converts itself.
//
//   CIM_ADJUST_GRAY dlg(&picture, this);
//   dlg.m_nValue1 = dlg.m_nValue2 = dlg.m_nValue3 = 128;
//   dlg.m_nLevel = 128;
//   dlg.m_nAmount = 3000;
//   if (dlg.DoModal() == IDOK) { CDrawDib grey; grey = picture; grey.BrightProbaility((BYTE)dlg.m_nLevel, dlg.m_nAmount); ... }
#pragma once
#include "QuickPreview.h"
#include "QuickSliders.h"
#include "module/KxDialog.h"

class KXCOMDLG_API CIM_ADJUST_GRAY : public CKxDialog
{
public:
// Construction
    // The picture stays the host's and is never changed.
    explicit CIM_ADJUST_GRAY(CDib* pDib, CWnd* pParent = nullptr);

// Values: preset by the host before DoModal, the sliders' positions of the last move after it
// (whether the dialog ended with OK or Cancel).
    BOOL m_bPreview = FALSE;   // the "预览" check box; read by OK
    int m_nValue1 = 0;         // 0..255, for the host's conversion
    int m_nValue2 = 0;
    int m_nValue3 = 0;
    int m_nLevel = 128;        // 0..255, the grey level the contrast turns around
    int m_nAmount = 0;         // 0..30000 in steps of 30 (the slider shows m_nAmount / 30)

    // Without a valid picture no dialog is shown and the result is IDCANCEL.
    INT_PTR DoModal() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCheckPreview();

    CLineTrackBar m_sldValue1, m_sldValue2, m_sldValue3, m_sldLevel, m_sldAmount;
    CQuickPreview m_preview;
    CDib* m_pSrcDib;
    CQuickSliders m_sliders;

    DECLARE_MESSAGE_MAP()
};
