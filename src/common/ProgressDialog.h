// CProgressDialog: the progress window of long work that the host does on its own thread. It
// shows a bar, the percentage, an estimate of the time left and, when asked for, a "终止" button;
// while it is up the host's main window is disabled and every report keeps the message queue
// moving, so the host's windows go on painting and answering.
//
// How the host uses it:
//   1) CProgressDialog progress(CProgressDialog::optStopButton | CProgressDialog::optConfirmStop,
//                               "重建缩略图", "确实要终止吗？");   // the window is up at once
//   2) for each step: progress.SetStatusString(name); ...work...; progress.SetPercentageDone(p);
//      and leave the loop when progress.HasBeenCancelled();
//   3) progress.DestroyWindow() (or let the object go): the main window is enabled again.
// The host's own handlers may run inside every report: messages of all windows are dispatched.
#pragma once
#include "module/KxDialog.h"
#include <afxcmn.h>
#include <ctime>

class KXCOMDLG_API CProgressDialog : public CKxDialog
{
public:
    // Option flags of the constructors.
    enum
    {
        optStopButton = 0x1,      // show "终止" and let the user stop (Escape and the button)
        optConfirmStop = 0x2,     // ask the stop prompt (yes or no) before stopping
        optKeepMainEnabled = 0x4, // leave the host's main window enabled
    };

// Construction
    // Both create the window at once; without a parent it belongs to the host's main window. The
    // second form looks the caption and the prompt up in the library's string table.
    CProgressDialog(UINT nOptions, LPCSTR lpszCaption, LPCSTR lpszStopPrompt, CWnd* pParent = nullptr);
    CProgressDialog(UINT nOptions, UINT nIDCaption, UINT nIDStopPrompt, CWnd* pParent = nullptr);
    ~CProgressDialog() override;

// Attributes
    // Set once the user has asked to stop (and said yes when asked); never cleared.
    BOOL HasBeenCancelled() const { return m_bCancelled; }

// Operations
    // Shows the percentage done and the time left, then works off the waiting messages. A value
    // below 0 counts as 0 and one above 100 as 100.
    void SetPercentageDone(int nPercent);
    // Replaces the status text, then works off the waiting messages. The id form loads the text
    // through the current resource handle, so a host's own strings work.
    void SetStatusString(LPCSTR lpszText);
    void SetStatusString(UINT nIDText);
    // Dispatches every waiting message of the thread. With bEscape, an Escape character asks to
    // stop; a release of the left button over "终止" does too. A quit request is left in the
    // queue for the host's message loop.
    void PeekAndPump(BOOL bEscape = TRUE);
    // Enables the main window again (when this window disabled it), then destroys the window.
    BOOL DestroyWindow() override;
    // The window is made by the constructors; a second, modal run of it is refused with -1.
    INT_PTR DoModal() override;

// Overridables
    // The stop request (the button, Escape, the cancel command): ignored without the stop
    // button; with confirmation on, only a yes stops.
    void OnCancel() override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void CreateProgress(UINT nOptions, CWnd* pParent);
    void ShowRemainingTime(int nPercent);

    CProgressCtrl m_ctlProgress;
    CString m_strCaption;
    CString m_strStopPrompt;
    time_t m_tStartTime = 0;          // when the window was initialised, in whole seconds
    int m_nLastPercent = -1;          // no percentage shown yet
    BOOL m_bStopButton = FALSE;
    BOOL m_bConfirmStop = FALSE;
    BOOL m_bCancelled = FALSE;
    BOOL m_bMainWndDisabled = FALSE;
    HWND m_hWndMain = nullptr;        // the main window this window disabled
    bool m_bAsking = false;           // the stop prompt is up
    bool m_bReleaseCounted = false;   // a button release already asked to stop

    DECLARE_MESSAGE_MAP()
};
