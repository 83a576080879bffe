#include "ProgressDialog.h"
#include "kxcomdlgres.h"
#include <algorithm>
#include <climits>

BEGIN_MESSAGE_MAP(CProgressDialog, CKxDialog)
    ON_BN_CLICKED(IDC_PROGRESS_STOP, OnCancel)
END_MESSAGE_MAP()

CProgressDialog::CProgressDialog(UINT nOptions, LPCSTR lpszCaption, LPCSTR lpszStopPrompt, CWnd* pParent)
    : CKxDialog(IDD_PROGRESS + ((nOptions & optStopButton) ? 1 : 0), pParent),
      m_strCaption(lpszCaption ? lpszCaption : ""), m_strStopPrompt(lpszStopPrompt ? lpszStopPrompt : "")
{
    CResourceSwitch scope;
    CreateProgress(nOptions, pParent);
}

CProgressDialog::CProgressDialog(UINT nOptions, UINT nIDCaption, UINT nIDStopPrompt, CWnd* pParent)
    : CKxDialog(IDD_PROGRESS + ((nOptions & optStopButton) ? 1 : 0), pParent)
{
    CResourceSwitch scope;
    m_strCaption.LoadString(nIDCaption);
    m_strStopPrompt.LoadString(nIDStopPrompt);
    CreateProgress(nOptions, pParent);
}

CProgressDialog::~CProgressDialog() { DestroyWindow(); }

void CProgressDialog::CreateProgress(UINT nOptions, CWnd* pParent)
{
    m_bStopButton = (nOptions & optStopButton) != 0;
    m_bConfirmStop = (nOptions & optConfirmStop) != 0;
    if (!pParent)
        pParent = AfxGetMainWnd();
    if (!Create(IDD_PROGRESS + (m_bStopButton ? 1 : 0), pParent))
        return;
    if (nOptions & optKeepMainEnabled)
        return;
    // A main window that is disabled already belongs to someone else's modal state (a host
    // dialog that runs this work): it is left as it is, so closing this window cannot enable it
    // under that dialog.
    CWnd* pMain = AfxGetMainWnd();
    if (pMain && pMain->m_hWnd && pMain->m_hWnd != m_hWnd && ::IsWindowEnabled(pMain->m_hWnd)) {
        ::EnableWindow(pMain->m_hWnd, FALSE);
        m_hWndMain = pMain->m_hWnd;
        m_bMainWndDisabled = TRUE;
    }
    EnableWindow(TRUE);
}

void CProgressDialog::DoDataExchange(CDataExchange* pDX)
{
    CKxDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS_BAR, m_ctlProgress);
}

BOOL CProgressDialog::OnInitDialog()
{
    CKxDialog::OnInitDialog();
    m_tStartTime = ::time(nullptr);
    m_ctlProgress.SetRange(0, 100);
    m_ctlProgress.SetPos(0);
    if (!m_strCaption.IsEmpty())
        SetWindowText(m_strCaption);
    return TRUE;
}

INT_PTR CProgressDialog::DoModal()
{
    if (m_hWnd)
        return -1;
    return CKxDialog::DoModal();
}

void CProgressDialog::SetPercentageDone(int nPercent)
{
    // The estimate divides by the percentage and multiplies by what is left of 100: a value
    // outside that range would give a negative or absurd time.
    nPercent = std::min(100, std::max(0, nPercent));
    if (nPercent != m_nLastPercent) {
        m_ctlProgress.SetPos(nPercent);
        m_nLastPercent = nPercent;
        CString text;
        text.Format("%d%%", nPercent);
        SetDlgItemText(IDC_PROGRESS_PERCENT, text);
        if (nPercent != 0)
            ShowRemainingTime(nPercent);
    }
    PeekAndPump(TRUE);
}

void CProgressDialog::ShowRemainingTime(int nPercent)
{
    // Whole seconds, truncating, as the user reads it: 90% after 45 s leaves 5 s. A clock set
    // back while the work runs counts as no time elapsed.
    const long long elapsed = std::max<long long>(0, (long long)(::time(nullptr) - m_tStartTime));
    const long long remaining = elapsed * (100 - nPercent) / nPercent;
    const long long minutes = std::min<long long>(remaining / 60, INT_MAX);
    const int seconds = (int)(remaining % 60);
    CString text;
    {
        CResourceSwitch scope;
        if (minutes != 0)
            text.Format(IDS_PROGRESS_MINUTES, (int)minutes);
        else if (seconds != 0)
            text.Format(IDS_PROGRESS_SECONDS, seconds);
    }
    SetDlgItemText(IDC_PROGRESS_REMAINING, text);
}

void CProgressDialog::SetStatusString(LPCSTR lpszText)
{
    SetDlgItemText(IDC_PROGRESS_STATUS, lpszText ? lpszText : "");
    PeekAndPump(TRUE);
}

void CProgressDialog::SetStatusString(UINT nIDText)
{
    CString text;
    text.LoadString(nIDText);
    SetStatusString(text);
}

void CProgressDialog::PeekAndPump(BOOL bEscape)
{
    MSG msg;
    while (m_hWnd && ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        bool bStop = bEscape && msg.message == WM_CHAR && msg.wParam == VK_ESCAPE;
        bool bRelease = false;
        if (!bStop && msg.message == WM_LBUTTONUP && m_bStopButton) {
            CRect button;
            if (HWND hButton = ::GetDlgItem(m_hWnd, IDC_PROGRESS_STOP)) {
                ::GetWindowRect(hButton, &button);
                bRelease = bStop = button.PtInRect(msg.pt) != FALSE;
            }
        }
        // The message is dispatched before the stop is asked for: the prompt's own loop would
        // otherwise take it and let the button report the same release a second time.
        m_bReleaseCounted = bRelease;
        const BOOL bMore = AfxPumpMessage();
        m_bReleaseCounted = false;
        if (!bMore) {
            // The host's loop ends the application, with the code it was given.
            ::PostQuitMessage((int)AfxGetCurrentMessage()->wParam);
            return;
        }
        if (bStop)
            OnCancel();
    }
}

void CProgressDialog::OnCancel()
{
    // One stop request a click, one question at a time, and none once stopped.
    if (!m_bStopButton || m_bCancelled || m_bAsking || m_bReleaseCounted)
        return;
    if (m_bConfirmStop) {
        m_bAsking = true;
        const int answer = AfxMessageBox(m_strStopPrompt, MB_YESNO);
        m_bAsking = false;
        if (answer != IDYES)
            return;
    }
    m_bCancelled = TRUE;
}

BOOL CProgressDialog::DestroyWindow()
{
    if (m_bMainWndDisabled) {
        m_bMainWndDisabled = FALSE;
        if (::IsWindow(m_hWndMain))
            ::EnableWindow(m_hWndMain, TRUE);
        m_hWndMain = nullptr;
    }
    return CKxDialog::DestroyWindow();
}
