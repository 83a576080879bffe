// The base of the small adjust-and-preview dialogs over one picture of the host: the preview of a
// reduced copy of the picture, the sliders bound to the result members, and the window and
// region the host wants to know about. The host's picture is never changed: the host reads the
// amounts from the derived dialog and applies them itself.
//
// How to derive from it:
//   1) construct with the template id; the template has the image view IDC_QUICK_PREVIEW;
//   2) override OnInitDialog: call this one first, then attach the sliders with
//      m_sliders.Attach(this, ...), each bound to its result member;
//   3) override ApplyAdjust to apply the members to the preview's picture in your fixed order;
//   4) make DoModal public: INT_PTR DoModal() override { return CIM_ADJUST_BASE::DoModal(); }
//
// How the host uses a derived dialog:
//   CIM_ADJUST_IBAC dlg(this);
//   dlg.SetDib(&picture);                      // required
//   if (dlg.DoModal() == IDOK) { picture.ChangeContrast(dlg.m_nContrast); ... }
#pragma once
#include "QuickPreview.h"
#include "QuickSliders.h"
#include "module/KxDialog.h"

class KXCOMDLG_API CIM_ADJUST_BASE : public CKxDialog
{
public:
// Construction
    CIM_ADJUST_BASE(UINT nIDTemplate, CWnd* pParent = nullptr);

// Attributes (before DoModal)
    // The host's picture; stays the host's and is never changed. Always returns 1.
    int SetDib(CDib* pDib);
    // Recorded for the host; the dialog draws nothing outside its own preview.
    void SetUpdateWindow(CWnd* pWnd) { m_pUpdateWnd = pWnd; }
    void SetUpdateRegion(int nLeft, int nTop, int nRight, int nBottom) { m_rcUpdate.SetRect(nLeft, nTop, nRight, nBottom); }
    CWnd* GetUpdateWindow() const { return m_pUpdateWnd; }
    const CRect& GetUpdateRegion() const { return m_rcUpdate; }

// Attributes (once the dialog has been initialised, until the object is destroyed)
    // The picture resampled to fit the preview: the reference every redraw starts from.
    CDib* GetStoreDib() { return &m_preview.GetStoreDib(); }

protected:
    // The modal run inside the library's resource scope. Without a valid picture (SetDib not
    // called, or given an empty one) no dialog is shown and the result is IDCANCEL.
    INT_PTR DoModal() override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

// Overridables
    // The result members hold the sliders' positions: apply them to the preview's picture.
    virtual void ApplyAdjust(CDib& dib) = 0;

    CQuickPreview m_preview;
    CDib* m_pSrcDib = nullptr;
    CWnd* m_pUpdateWnd = nullptr;
    CRect m_rcUpdate;
    CQuickSliders m_sliders;
};
