// CExpandDialog: the base of a host dialog that opens reduced to the part that lies inside a
// marker control's rectangle (from the dialog's top-left corner) and grows to its template size
// when the user presses its expand button. While it is reduced, the controls outside the marker
// are disabled, so the keyboard cannot reach what the user cannot see.
//
// How the host builds one:
//   1) in its template, a marker control (a static without WS_VISIBLE, or one that is hidden
//      once the dialog is reduced) whose bottom-right corner bounds the reduced form, and a push
//      button that toggles;
//   2) class CMyDlg : public CExpandDialog, constructed with
//      CExpandDialog(IDD_MY, IDC_MY_MARKER, IDC_MY_MORE, "更多 >>", "<< 收起", pParent);
//   3) DoModal(): it opens reduced; Expand(TRUE) / Expand(FALSE) change the form from code, and
//      OnDialogExpanding / OnDialogExpanded let the derived class refuse or follow a change.
// The template is the host's: DoModal runs under the host's resource handle.
#pragma once
#include "module/kxcomdlglib.h"
#include <vector>

class KXCOMDLG_API CExpandDialog : public CDialog
{
public:
// Construction
    // No marker and no button: the dialog keeps its template size.
    CExpandDialog(UINT nIDTemplate, CWnd* pParent = nullptr);
    // bButtonStaysUsable FALSE makes the first expansion final: the button is disabled then.
    CExpandDialog(UINT nIDTemplate, int nMarkerID, int nButtonID, LPCSTR lpszReducedText, LPCSTR lpszExpandedText,
                  CWnd* pParent = nullptr, BOOL bButtonStaysUsable = TRUE);

// Attributes
    BOOL IsExpanded() const { return m_bExpanded; }

// Operations
    // Changes to the asked form; TRUE when the dialog is in it afterwards.
    virtual BOOL Expand(BOOL bExpand);

// Overridables
    // Asked before a change, with the current state; 0 refuses it.
    virtual BOOL OnDialogExpanding(BOOL bExpanded);
    // Told after a change, with the new state.
    virtual void OnDialogExpanded(BOOL bExpanded);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    CString m_strReducedText;    // the button's text while reduced
    CString m_strExpandedText;   // the button's text while expanded
    int m_nMarkerID = 0;
    int m_nButtonID = 0;
    BOOL m_bButtonStaysUsable = TRUE;
    CSize m_sizeFull;            // the dialog's size before it was last reduced
    BOOL m_bExpanded = TRUE;

private:
    void ExpandBox(BOOL bExpand);
    void KeepInsideWorkArea();

    // The controls that reducing disabled, enabled again on expanding; a control the dialog
    // itself keeps disabled stays so.
    std::vector<HWND> m_disabled;
};
