// The preview of a quick adjustment dialog: an image view on the dialog and a reduced copy of the
// host's picture fitted to it. The copy is the unchanged reference of every redraw, so changes
// never accumulate, and a slider step costs a pass over a few thousand pixels whatever the size
// of the host's picture.
//
// How to use it:
//   1) in OnInitDialog: m_preview.Attach(this, IDC_QUICK_PREVIEW, m_pSrcDib);
//   2) on every change: m_preview.Redraw([&](CDib& dib) { dib.ChangeBrightness(m_nBrightness); });
#pragma once
#include "module/kxcomdlglib.h"
#include <Dib.h>
#include <IM_WINDOW.h>
#include <functional>

class KXCOMDLG_API CQuickPreview
{
public:
// Operations
    // Attaches the view to its template control and makes the reference: the source resampled
    // (mode 2) to the largest rectangle of its proportions centred in the view's client area
    // (GetProporCerterRect), shown at once. Without a valid source the reference and the view
    // stay empty and FALSE is returned.
    BOOL Attach(CWnd* pDlg, UINT nIDView, const CDib* pSource);
    // The view shows the reference with adjust applied to the view's own copy of it.
    void Redraw(const std::function<void(CDib&)>& adjust);

// Attributes
    CDib& GetStoreDib() { return m_store; }
    CIM_WINDOW& GetView() { return m_wndView; }

private:
    CIM_WINDOW m_wndView;
    CDib m_store;
};
