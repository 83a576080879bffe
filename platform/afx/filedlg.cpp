#include "afxdlgs.h"
#include <cstring>

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const
{
    for (const CRuntimeClass* p = this; p; p = p->m_pBaseClass)
        if (p == pBaseClass)
            return TRUE;
    return FALSE;
}

const CRuntimeClass CFileDialog::classCFileDialog = { "CFileDialog", nullptr };

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName, DWORD dwFlags,
                         LPCSTR lpszFilter, CWnd* pParentWnd)
    : CDialog(), m_bOpenFileDialog(bOpenFileDialog), m_strDefExt(lpszDefExt ? lpszDefExt : "")
{
    m_pParentWnd = pParentWnd;
    std::memset(&m_ofn, 0, sizeof m_ofn);
    std::memset(m_szFileName, 0, sizeof m_szFileName);
    std::memset(m_szFileTitle, 0, sizeof m_szFileTitle);
    if (lpszFileName)
        ::lstrcpynA(m_szFileName, lpszFileName, (int)sizeof m_szFileName);
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = (DWORD)sizeof m_szFileName;
    m_ofn.lpstrFileTitle = m_szFileTitle;
    m_ofn.nMaxFileTitle = (DWORD)sizeof m_szFileTitle;
    m_ofn.lpstrDefExt = m_strDefExt.IsEmpty() ? nullptr : (LPCSTR)m_strDefExt;
    m_ofn.lpstrFilter = lpszFilter;
    m_ofn.Flags = dwFlags;
}

INT_PTR CFileDialog::DoModal()
{
    m_ofn.hwndOwner = m_pParentWnd ? CWnd::GetSafeHwnd(m_pParentWnd) : ::GetActiveWindow();
    m_ofn.hInstance = AfxGetResourceHandle();
    m_ofn.lpfnHook = &CFileDialog::HookProc;
    m_ofn.lCustData = reinterpret_cast<LPARAM>(this);
    const BOOL ok = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    if (m_hWnd)
        Detach();
    return ok ? IDOK : IDCANCEL;
}

CString CFileDialog::GetPathName() const
{
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        char path[MAX_PATH * 4] = "";
        if (::SendMessageA(::GetParent(m_hWnd), CDM_GETFILEPATH, sizeof path, (LPARAM)path) > 0)
            return path;
        return CString();
    }
    return m_szFileName;
}

CString CFileDialog::GetFileName() const
{
    const CString path = GetPathName();
    return path.Mid(path.ReverseFind('\\') + 1);
}

BOOL CFileDialog::OnInitDialog() { return TRUE; }
void CFileDialog::OnInitDone() {}
void CFileDialog::OnFileNameChange() {}
void CFileDialog::OnTypeChange() {}

UINT_PTR CALLBACK CFileDialog::HookProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CFileDialog*>(reinterpret_cast<OPENFILENAMEA*>(lParam)->lCustData);
        self->Attach(hWnd);
        ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        return self->OnInitDialog();
    }
    auto* self = reinterpret_cast<CFileDialog*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (!self)
        return 0;
    if (message == WM_NOTIFY) {
        const auto* notify = reinterpret_cast<const OFNOTIFYA*>(lParam);
        switch (notify->hdr.code) {
        case CDN_INITDONE:
            self->OnInitDone();
            break;
        case CDN_SELCHANGE:
            self->OnFileNameChange();
            break;
        case CDN_TYPECHANGE:
            // The dialog keeps its own copy of the structure up to date; ours follows it.
            if (notify->lpOFN)
                self->m_ofn.nFilterIndex = notify->lpOFN->nFilterIndex;
            self->OnTypeChange();
            break;
        }
    } else if (message == WM_DESTROY) {
        ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
        self->Detach();
    }
    return 0;
}
