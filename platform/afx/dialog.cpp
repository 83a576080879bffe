#include "afximpl.h"
#include <vector>

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
    if (!pDlg->m_hWnd)
        pDlg->SubclassWindow(hWnd);
    try {
        return pDlg->OnInitDialog();
    } catch (...) {
        AfxStashCurrentException();
        return FALSE;
    }
}

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

CDialog::CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd)
{
}

CDialog::~CDialog()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        DestroyWindow();
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    return Create(MAKEINTRESOURCEA(nIDTemplate), pParentWnd);
}

BOOL CDialog::Create(LPCSTR lpszTemplateName, CWnd* pParentWnd)
{
    m_lpszTemplateName = lpszTemplateName;
    if (IS_INTRESOURCE(lpszTemplateName) && m_nIDHelp == 0)
        m_nIDHelp = LOWORD(reinterpret_cast<UINT_PTR>(lpszTemplateName));
    HINSTANCE hInst = AfxFindResourceHandle(lpszTemplateName, RT_DIALOG);
    HRSRC hRes = hInst ? ::FindResourceA(hInst, lpszTemplateName, RT_DIALOG) : nullptr;
    if (!hRes)
        return FALSE;
    auto tmpl = static_cast<LPCDLGTEMPLATEA>(::LockResource(::LoadResource(hInst, hRes)));
    if (!pParentWnd)
        pParentWnd = AfxGetMainWnd();
    m_pParentWnd = pParentWnd;
    return tmpl ? CreateDlgIndirect(tmpl, pParentWnd, hInst) : FALSE;
}

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATEA lpDialogTemplate, CWnd* pParentWnd, HINSTANCE hInst)
{
    return CreateDlgIndirect(lpDialogTemplate, pParentWnd, hInst ? hInst : AfxGetResourceHandle());
}

BOOL CDialog::CreateDlgIndirect(LPCDLGTEMPLATEA lpDialogTemplate, CWnd* pParentWnd, HINSTANCE hInst)
{
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogIndirectParamA(hInst, lpDialogTemplate, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                                             AfxDlgProc, reinterpret_cast<LPARAM>(this));
    AfxUnhookWindowCreate();
    if (!hWnd) {
        if (m_hWnd)
            Detach();
        return FALSE;
    }
    return TRUE;
}

HWND CDialog::PreModal()
{
    // The owner is the top-level window of the parent; without one, the main window's last
    // active popup, or the window the user is working in.
    HWND hWnd = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!hWnd) {
        CWnd* pMain = AfxGetMainWnd();
        hWnd = pMain ? pMain->m_hWnd : nullptr;
        if (hWnd)
            hWnd = ::GetLastActivePopup(hWnd);
        else
            hWnd = ::GetActiveWindow();
    }
    while (hWnd && (::GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD))
        hWnd = ::GetParent(hWnd);
    return hWnd;
}

void CDialog::PostModal() {}

INT_PTR CDialog::DoModal()
{
    HINSTANCE hInst = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
    HRSRC hRes = hInst ? ::FindResourceA(hInst, m_lpszTemplateName, RT_DIALOG) : nullptr;
    if (!hRes)
        return -1;
    auto tmpl = static_cast<LPCDLGTEMPLATEA>(::LockResource(::LoadResource(hInst, hRes)));
    if (!tmpl)
        return -1;

    HWND hWndParent = PreModal();
    bool bEnableParent = false;
    if (hWndParent && hWndParent != ::GetDesktopWindow() && ::IsWindowEnabled(hWndParent)) {
        ::EnableWindow(hWndParent, FALSE);
        bEnableParent = true;
    }

    m_bModal = true;
    m_nModalResult = -1;
    m_bContinueModal = true;
    if (CreateDlgIndirect(tmpl, CWnd::FromHandle(hWndParent), hInst)) {
        if (m_bContinueModal)
            RunModalLoop();
    }

    // Hide before the owner is enabled again, so the owner takes the activation back.
    if (m_hWnd)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    if (bEnableParent)
        ::EnableWindow(hWndParent, TRUE);
    if (hWndParent && m_hWnd && ::GetActiveWindow() == m_hWnd)
        ::SetActiveWindow(hWndParent);
    if (m_hWnd)
        DestroyWindow();
    PostModal();
    m_bModal = false;
    m_bContinueModal = false;
    AfxRethrowPendingException();
    return m_nModalResult;
}

INT_PTR CDialog::RunModalLoop()
{
    AfxLoopDepth depth;
    bool bShown = (GetStyle() & WS_VISIBLE) != 0;
    MSG msg;
    while (m_bContinueModal && !AfxHasPendingException()) {
        if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // The dialog shows once its initial messages are processed.
            if (!bShown) {
                ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
                ::UpdateWindow(m_hWnd);
                bShown = true;
                continue;
            }
            CWnd::DeleteTempMap();
            ::WaitMessage();
            continue;
        }
        if (msg.message == WM_QUIT) {
            // Leave the quit request for the outer loop.
            ::PostQuitMessage((int)msg.wParam);
            m_nModalResult = -1;
            break;
        }
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return m_nModalResult;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    m_bContinueModal = false;
    if (m_hWnd && !m_bModal)
        ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    AfxExecuteDlgInit(this, AfxFindResourceHandle(m_lpszTemplateName, MAKEINTRESOURCEA(240)), m_lpszTemplateName);
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    // Keyboard and mouse input for this dialog's own windows gets the dialog keyboard interface
    // (Tab, arrows, Enter, Esc, mnemonics); everything else is dispatched as it is.
    const UINT m = pMsg->message;
    const bool input = (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST);
    if (!input || !m_hWnd)
        return FALSE;
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd))
        return FALSE;
    return ::IsDialogMessageA(m_hWnd, pMsg);
}

// Initial data of list controls (resource type 240, named like the template): records of
// control id (WORD), message (WORD: 0x0403 combo box, 0x0401 list box), length (DWORD) and a
// zero-ended UTF-8 text; a zero WORD ends the data.
BOOL AfxExecuteDlgInit(CWnd* pDlg, HINSTANCE hInst, LPCSTR lpszResourceName)
{
    if (!hInst || !lpszResourceName)
        return TRUE;
    HRSRC hRes = ::FindResourceA(hInst, lpszResourceName, MAKEINTRESOURCEA(240));
    if (!hRes)
        return TRUE;
    const BYTE* p = static_cast<const BYTE*>(::LockResource(::LoadResource(hInst, hRes)));
    const BYTE* end = p + ::SizeofResource(hInst, hRes);
    while (p && p + 2 <= end) {
        WORD id;
        memcpy(&id, p, 2);
        if (id == 0 || p + 8 > end)
            break;
        WORD msg;
        DWORD len;
        memcpy(&msg, p + 2, 2);
        memcpy(&len, p + 4, 4);
        p += 8;
        if (len > (DWORD)(end - p))
            break;
        const int n = ::MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(p), (int)len, nullptr, 0);
        std::vector<wchar_t> text((size_t)n + 1, 0);
        ::MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(p), (int)len, text.data(), n);
        const UINT addMsg = msg == 0x0403 ? CB_ADDSTRING : msg == 0x0401 ? LB_ADDSTRING : 0;
        if (addMsg)
            ::SendDlgItemMessageW(pDlg->m_hWnd, id, addMsg, 0, reinterpret_cast<LPARAM>(text.data()));
        p += len;
    }
    return TRUE;
}
