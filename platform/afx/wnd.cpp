#include "afximpl.h"
#include <exception>
#include <unordered_map>
#include <vector>

namespace {

// Windows of this process bound to objects. The framework runs on the user-interface thread only.
std::unordered_map<HWND, CWnd*>& PermanentMap() { static std::unordered_map<HWND, CWnd*> map; return map; }
std::unordered_map<HWND, CWnd*>& TempMap() { static std::unordered_map<HWND, CWnd*> map; return map; }

// The message being processed, for Default(); saved and restored around nested dispatch.
thread_local MSG t_lastMsg;
// The object that the next created window binds to (AfxHookWindowCreate).
thread_local CWnd* t_pWndInit = nullptr;
thread_local HHOOK t_hHookCbt = nullptr;
// An exception that escaped a handler, carried to the modal loop's caller.
thread_local std::exception_ptr t_pendingException;
// The message AfxPumpMessage took last.
thread_local MSG t_currentMessage;

LRESULT CALLBACK CbtFilterHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && t_pWndInit) {
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        CWnd* pWnd = t_pWndInit;
        t_pWndInit = nullptr;
        pWnd->SubclassWindow(hWnd);
        AfxUnhookWindowCreate();
    }
    return ::CallNextHookEx(t_hHookCbt, code, wParam, lParam);
}

const AFX_MSGMAP_ENTRY* FindEntry(const AFX_MSGMAP* pMap, UINT nMessage, UINT nCode, UINT nID)
{
    for (; pMap; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e && e->pfn; ++e) {
            if (e->nMessage != nMessage || e->nCode != nCode)
                continue;
            if (nMessage == WM_COMMAND || nMessage == WM_NOTIFY) {
                if (nID < e->nID || nID > e->nLastID)
                    continue;
            }
            return e;
        }
        if (pMap->pfnGetBaseMap == nullptr)
            break;
    }
    return nullptr;
}

// ON_COMMAND entries carry code 0 and match only commands from menus, accelerators and buttons
// (BN_CLICKED is 0 too), as in MFC.
} // namespace

// ---------------------------------------------------------------------------------------------
// CCmdTarget

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = { { 0, 0, 0, 0, nullptr } };
    static const AFX_MSGMAP map = { nullptr, &entries[0] };
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const
{
    return FindEntry(GetMessageMap(), nMessage, nCode, nID);
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, LRESULT* pResult)
{
    const AFX_MSGMAP_ENTRY* e = FindMessageEntry(WM_COMMAND, (UINT)nCode, nID);
    if (!e)
        return FALSE;
    LRESULT r = e->pfn(this, MAKEWPARAM(nID, nCode), 0);
    if (pResult)
        *pResult = r;
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Window procedure

LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const MSG saved = t_lastMsg;
    t_lastMsg.hwnd = hWnd;
    t_lastMsg.message = message;
    t_lastMsg.wParam = wParam;
    t_lastMsg.lParam = lParam;
    LRESULT result = 0;
    try {
        result = pWnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        // Unwinding through the system's dispatch frames is not safe: keep the exception for the
        // loop that dispatched this message and let the message end here.
        AfxStashCurrentException();
    }
    if (message == WM_NCDESTROY) {
        // The window is gone: unbind it, then let the object clean up after itself.
        CWnd* pPermanent = CWnd::FromHandlePermanent(hWnd);
        if (pPermanent == pWnd) {
            pWnd->Detach();
            pWnd->m_pfnSuper = nullptr;
            pWnd->PostNcDestroy();
        }
    }
    t_lastMsg = saved;
    return result;
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    return AfxCallWndProc(pWnd, hWnd, message, wParam, lParam);
}

void AfxHookWindowCreate(CWnd* pWnd)
{
    if (!t_hHookCbt)
        t_hHookCbt = ::SetWindowsHookExA(WH_CBT, CbtFilterHook, nullptr, ::GetCurrentThreadId());
    t_pWndInit = pWnd;
}

BOOL AfxUnhookWindowCreate()
{
    if (t_hHookCbt) {
        ::UnhookWindowsHookEx(t_hHookCbt);
        t_hHookCbt = nullptr;
    }
    const bool bound = t_pWndInit == nullptr;
    t_pWndInit = nullptr;
    return bound;
}

LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon)
{
    // One class name per combination of attributes, as MFC does.
    static std::vector<CString> names;
    CString name;
    name.Format("Afx:%p:%x:%p:%p:%p", (void*)AfxGetInstanceHandle(), nClassStyle, (void*)hCursor,
                (void*)hbrBackground, (void*)hIcon);
    for (const CString& n : names)
        if (n == name)
            return n;
    WNDCLASSA wc{};
    wc.style = nClassStyle;
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = hCursor;
    wc.hbrBackground = hbrBackground;
    wc.hIcon = hIcon;
    wc.lpszClassName = name;
    if (!::RegisterClassA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    names.push_back(name);
    return names.back();
}

void AfxStashCurrentException()
{
    if (!t_pendingException)
        t_pendingException = std::current_exception();
}

namespace { thread_local int t_loopDepth = 0; }
AfxLoopDepth::AfxLoopDepth() { ++t_loopDepth; }
AfxLoopDepth::~AfxLoopDepth() { --t_loopDepth; }
int AfxLoopDepth::Current() { return t_loopDepth; }

void AfxRethrowPendingException()
{
    if (t_pendingException) {
        std::exception_ptr p = t_pendingException;
        t_pendingException = nullptr;
        std::rethrow_exception(p);
    }
}

bool AfxHasPendingException() { return static_cast<bool>(t_pendingException); }

BOOL AfxPreTranslateMessage(MSG* pMsg)
{
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
        if (pWnd && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
    }
    CWinApp* pApp = AfxGetApp();
    return pApp ? pApp->PreTranslateMessage(pMsg) : FALSE;
}

int AfxRunMessageLoop()
{
    AfxLoopDepth depth;
    MSG msg;
    for (;;) {
        if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            CWnd::DeleteTempMap();
            if (CWinApp* pApp = AfxGetApp())
                pApp->OnIdle(0);
        }
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        AfxRethrowPendingException();
    }
    return (int)msg.wParam;
}

BOOL AfxPumpMessage()
{
    MSG& msg = t_currentMessage;
    const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        if (got == -1)
            msg = MSG{ nullptr, WM_QUIT, 0, 0, 0, {} };
        return FALSE;
    }
    if (!AfxPreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    AfxRethrowPendingException();
    return TRUE;
}

const MSG* AfxGetCurrentMessage() { return &t_currentMessage; }

// ---------------------------------------------------------------------------------------------
// CWnd

const AFX_MSGMAP* CWnd::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = { { 0, 0, 0, 0, nullptr } };
    static const AFX_MSGMAP map = { &CCmdTarget::GetThisMessageMap, &entries[0] };
    return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

CWnd::~CWnd()
{
    if (m_hWnd && m_bOwnsWindow && ::IsWindow(m_hWnd))
        DestroyWindow();
    else if (m_hWnd)
        Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    auto it = PermanentMap().find(hWnd);
    return it == PermanentMap().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (!hWnd)
        return nullptr;
    if (CWnd* p = FromHandlePermanent(hWnd))
        return p;
    CWnd*& temp = TempMap()[hWnd];
    if (!temp) {
        temp = new CWnd;
        temp->m_hWnd = hWnd;
    }
    return temp;
}

void CWnd::DeleteTempMap()
{
    // Handlers of an outer loop may still hold temporary wrappers while a nested loop idles.
    if (AfxLoopDepth::Current() > 1)
        return;
    for (auto& entry : TempMap()) {
        entry.second->m_hWnd = nullptr;
        delete entry.second;
    }
    TempMap().clear();
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (!hWnd || m_hWnd)
        return FALSE;
    m_hWnd = hWnd;
    PermanentMap()[hWnd] = this;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd) {
        auto it = PermanentMap().find(hWnd);
        if (it != PermanentMap().end() && it->second == this)
            PermanentMap().erase(it);
    }
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    WNDPROC old = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (old != &AfxWndProc)
        m_pfnSuper = old;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    HWND hWndControl = ::GetDlgItem(pParent->m_hWnd, (int)nID);
    return hWndControl ? SubclassWindow(hWndControl) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    if (m_pfnSuper)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

void CWnd::PreSubclassWindow() {}
void CWnd::PostNcDestroy() {}
void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int cx, int cy, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam)
{
    CREATESTRUCTA cs{};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = dwStyle;
    cs.x = x; cs.y = y; cs.cx = cx; cs.cy = cy;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs))
        return FALSE;
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y,
                                  cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    AfxUnhookWindowCreate();
    if (!hWnd) {
        if (m_hWnd)
            Detach();
        return FALSE;
    }
    m_bOwnsWindow = true;
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top,
                    pParentWnd ? pParentWnd->m_hWnd : nullptr, reinterpret_cast<HMENU>((UINT_PTR)nID), lpParam);
}

BOOL CWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID)
{
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    HWND hWnd = m_hWnd;
    const bool permanent = FromHandlePermanent(hWnd) == this;
    const BOOL result = ::DestroyWindow(hWnd);
    // A window not routed through AfxWndProc never sends us WM_NCDESTROY: unbind it here.
    if (!permanent || m_hWnd == hWnd)
        Detach();
    return result;
}

CWnd* CWnd::GetTopLevelParent() const
{
    HWND h = m_hWnd;
    for (HWND p; (::GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD) && (p = ::GetParent(h)) != nullptr;)
        h = p;
    return FromHandle(h);
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    const DWORD style = GetStyle();
    const DWORD newStyle = (style & ~dwRemove) | dwAdd;
    if (style == newStyle)
        return FALSE;
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, newStyle);
    if (nFlags)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

void CWnd::GetWindowText(CString& rString) const
{
    const int n = ::GetWindowTextLengthA(m_hWnd);
    ::GetWindowTextA(m_hWnd, rString.GetBufferSetLength(n + 1), n + 1);
    rString.ReleaseBuffer();
}

int CWnd::GetDlgItemText(int nID, CString& rString) const
{
    HWND h = ::GetDlgItem(m_hWnd, nID);
    rString.Empty();
    if (h)
        FromHandle(h)->GetWindowText(rString);
    return rString.GetLength();
}

int CWnd::GetCheckedRadioButton(int nIDFirst, int nIDLast) const
{
    for (int id = nIDFirst; id <= nIDLast; ++id)
        if (::IsDlgButtonChecked(m_hWnd, id))
            return id;
    return 0;
}

void CWnd::SetFont(CFont* pFont, BOOL bRedraw)
{
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(pFont ? (HFONT)*pFont : nullptr), bRedraw);
}

void CWnd::ClientToScreen(LPRECT r) const
{
    ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&r->left));
    ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&r->right));
}

void CWnd::ScreenToClient(LPRECT r) const
{
    ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&r->left));
    ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&r->right));
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    HWND after = pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr;
    return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, nFlags);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    CRect rc, area;
    GetWindowRect(&rc);
    HWND owner = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    if (GetStyle() & WS_CHILD)
        owner = ::GetParent(m_hWnd);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    int x = area.left + (area.Width() - rc.Width()) / 2;
    int y = area.top + (area.Height() - rc.Height()) / 2;
    if (GetStyle() & WS_CHILD) {
        POINT p = { x, y };
        ::ScreenToClient(::GetParent(m_hWnd), &p);
        x = p.x; y = p.y;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    CString caption = lpszCaption ? CString(lpszCaption)
                                  : CString(AfxGetApp() && AfxGetApp()->m_pszAppName ? AfxGetApp()->m_pszAppName : "");
    return ::MessageBoxA(m_hWnd, lpszText, caption, nType);
}

CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }

int CWnd::ReleaseDC(CDC* pDC) { return pDC ? ::ReleaseDC(m_hWnd, pDC->Detach()) : 0; }

void CWnd::OnDataExchangeError(CDataExchange* pDX, UINT nIDPrompt)
{
    AfxMessageBox(nIDPrompt, MB_OK);
    pDX->Fail();
}

void CWnd::OnDataValidateError(CDataExchange* pDX, const CString& strPrompt, UINT nIDPrompt)
{
    AfxMessageBox(strPrompt, MB_OK, nIDPrompt);
    pDX->Fail();
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CUserException&) {
        return FALSE;
    }
    return TRUE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(t_lastMsg.message, t_lastMsg.wParam, t_lastMsg.lParam);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const AFX_MSGMAP_ENTRY* e = nullptr;
    switch (message) {
    case WM_COMMAND:
        e = FindMessageEntry(WM_REFLECT_BASE + WM_COMMAND, HIWORD(wParam), 0);
        break;
    case WM_NOTIFY:
        e = FindMessageEntry(WM_REFLECT_BASE + WM_NOTIFY, reinterpret_cast<NMHDR*>(lParam)->code, 0);
        break;
    default:
        e = FindMessageEntry(WM_REFLECT_BASE + message, 0, 0);
        break;
    }
    if (!e)
        return FALSE;
    LRESULT r = e->pfn(this, wParam, lParam);
    if (pResult)
        *pResult = r;
    return TRUE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT nID = LOWORD(wParam);
    const int nCode = HIWORD(wParam);
    HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    if (hWndCtrl) {
        if (CWnd* pChild = FromHandlePermanent(hWndCtrl))
            if (pChild->OnChildNotify(WM_COMMAND, wParam, lParam, nullptr))
                return TRUE;
    }
    // Commands from menus and accelerators (code 0 or 1) are matched as ON_COMMAND entries.
    return OnCmdMsg(nID, hWndCtrl ? nCode : 0, nullptr);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    NMHDR* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
    if (CWnd* pChild = FromHandlePermanent(pNMHDR->hwndFrom))
        if (pChild->OnChildNotify(WM_NOTIFY, wParam, lParam, pResult))
            return TRUE;
    const AFX_MSGMAP_ENTRY* e = FindMessageEntry(WM_NOTIFY, pNMHDR->code, (UINT)pNMHDR->idFrom);
    if (!e)
        return FALSE;
    *pResult = e->pfn(this, wParam, lParam);
    return TRUE;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT result = 0;
    BOOL handled = FALSE;
    switch (message) {
    case WM_COMMAND:
        handled = OnCommand(wParam, lParam);
        break;
    case WM_NOTIFY:
        handled = OnNotify(wParam, lParam, &result);
        break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_HSCROLL:
    case WM_VSCROLL: {
        // Offer the notification to the control that sent it first.
        HWND hWndChild = nullptr;
        if (message == WM_DRAWITEM)
            hWndChild = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)->hwndItem;
        else if (message == WM_MEASUREITEM)
            hWndChild = ::GetDlgItem(m_hWnd, (int)reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)->CtlID);
        else
            hWndChild = reinterpret_cast<HWND>(lParam);
        CWnd* pChild = hWndChild ? FromHandlePermanent(hWndChild) : nullptr;
        if (pChild && pChild != this && pChild->OnChildNotify(message, wParam, lParam, &result)) {
            handled = TRUE;
            break;
        }
        if (const AFX_MSGMAP_ENTRY* e = FindMessageEntry(message, 0, 0)) {
            result = e->pfn(this, wParam, lParam);
            handled = TRUE;
        }
        break;
    }
    default:
        if (const AFX_MSGMAP_ENTRY* e = FindMessageEntry(message, 0, 0)) {
            result = e->pfn(this, wParam, lParam);
            handled = TRUE;
        }
        break;
    }
    if (handled && pResult)
        *pResult = result;
    return handled;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

int CWnd::OnCreate(LPCREATESTRUCT) { return (int)Default(); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return (BOOL)Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
UINT CWnd::OnGetDlgCode() { return (UINT)Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return (BOOL)Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnHScroll(UINT, UINT, CScrollBar*) { Default(); }
void CWnd::OnVScroll(UINT, UINT, CScrollBar*) { Default(); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return (BOOL)Default(); }
void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT) { Default(); }
void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT) { Default(); }
HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
