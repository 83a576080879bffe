// CWndTipCtrl: a small tip window shown at a screen point, with a line of text and, when given,
// a sample text drawn in the font that the text names (the font picker's preview).
//
// How to use it:
//   1) m_tip.Create(this) once the owner window exists;
//   2) m_tip.ShowTips(point, "宋体", "Sample") whenever the tip should show or move;
//   3) m_tip.HideTips() when it is no longer wanted; it also hides itself after a while, when the
//      owner is hidden or gone, and when the mouse moves onto it.
#pragma once
#include "kxcbaselib.h"

class KXCBASE_API CWndTipCtrl : public CWnd
{
public:
// Construction
    CWndTipCtrl();
    ~CWndTipCtrl() override;
    // Creates the hidden tip window, owned by the top-level window of pOwner.
    BOOL Create(CWnd* pOwner);

// Attributes
    const CString& GetTipText() const { return m_strText; }
    const CString& GetSampleText() const { return m_strSample; }
    // How long a tip stays up after the last ShowTips, in milliseconds (default 5000).
    void SetAutoHideDelay(UINT nMilliseconds) { m_nAutoHideMs = nMilliseconds; }

// Operations
    // Shows the tip with its top-left corner at ptScreen (moved inside the monitor's work area
    // when it would stick out). A call with the text and point already shown only restarts the
    // hide delay, so a caller may repeat it on a timer without flicker. An empty text hides it.
    void ShowTips(CPoint ptScreen, LPCSTR lpszText, LPCSTR lpszSample = nullptr);
    void HideTips();

protected:
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnTimer(UINT_PTR nIDEvent);
    void OnMouseMove(UINT nFlags, CPoint point);
    void PostNcDestroy() override;

    // Size of the window for the current texts.
    CSize MeasureTip();
    // The sample's first line, shortened at a character boundary.
    CString SampleLine() const;

    CString m_strText;
    CString m_strSample;
    CFont m_fontText;
    CFont m_fontSample;      // made from m_strText, the face to show
    HWND m_hWndOwner = nullptr;
    CPoint m_ptShown;
    DWORD m_dwShownAt = 0;
    UINT m_nAutoHideMs = 5000;

    DECLARE_MESSAGE_MAP()
};
