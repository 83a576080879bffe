#include "afximpl.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

HINSTANCE g_hFramework = nullptr;         // afx.dll itself
HINSTANCE g_hResource = ::GetModuleHandleA(nullptr);   // the current resource handle
CWinApp* g_pApp = nullptr;                 // the executable's application object
std::vector<HINSTANCE>& ResourceChain() { static std::vector<HINSTANCE> chain; return chain; }

bool IsInExecutable(const void* address)
{
    HMODULE hModule = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCSTR>(address), &hModule))
        return true;   // on the heap or the stack: made by the program itself
    return hModule == ::GetModuleHandleA(nullptr);
}

bool HasString(HINSTANCE hInst, UINT nID)
{
    // Strings live in blocks of 16; the block must exist and the entry be non-empty.
    if (!hInst || !::FindResourceA(hInst, MAKEINTRESOURCEA((nID >> 4) + 1), RT_STRING))
        return false;
    const wchar_t* text = nullptr;
    return ::LoadStringW(hInst, nID, reinterpret_cast<LPWSTR>(&text), 0) > 0;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_hFramework = hInstance;
        ::DisableThreadLibraryCalls(hInstance);
    }
    return TRUE;
}

void AfxAssertFailedLine(const char* file, int line)
{
    char text[512];
    std::snprintf(text, sizeof text, "Debug Assertion Failed!\n\nFile: %s\nLine: %d", file, line);
    ::OutputDebugStringA(text);
    std::fprintf(stderr, "%s\n", text);
    if (::MessageBoxA(::GetActiveWindow(), text, "Assertion", MB_OKCANCEL | MB_TASKMODAL) == IDCANCEL)
        ::DebugBreak();
}

// ---------------------------------------------------------------------------------------------
// Resource handle and chain

HINSTANCE AfxGetFrameworkHandle() { return g_hFramework; }
HINSTANCE AfxGetResourceHandle() { return g_hResource; }
void AfxSetResourceHandle(HINSTANCE hInstResource) { g_hResource = hInstResource; }

CString AfxGetModuleFileName(HMODULE hModule)
{
    // The function cuts the path to the buffer without saying how long it is: grow until the
    // whole path and its terminator fit. Paths are at most 32767 characters, two bytes each in
    // a double-byte code page.
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameA(hModule, buf.data(), (DWORD)buf.size());
        if (n == 0)
            return CString();
        if (n < buf.size() - 1 || buf.size() >= 65536)
            return CString(buf.data(), (int)n);
        buf.resize(buf.size() * 2);
    }
}

HINSTANCE AfxGetInstanceHandle()
{
    return g_pApp && g_pApp->m_hInstance ? g_pApp->m_hInstance : ::GetModuleHandleA(nullptr);
}

void AfxRegisterResourceModule(HINSTANCE hModule)
{
    for (HINSTANCE h : ResourceChain())
        if (h == hModule)
            return;
    ResourceChain().push_back(hModule);
}

void AfxUnregisterResourceModule(HINSTANCE hModule)
{
    auto& chain = ResourceChain();
    for (auto it = chain.begin(); it != chain.end(); ++it)
        if (*it == hModule) {
            chain.erase(it);
            return;
        }
}

HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType)
{
    if (g_hResource && ::FindResourceA(g_hResource, lpszName, lpszType))
        return g_hResource;
    for (HINSTANCE h : ResourceChain())
        if (::FindResourceA(h, lpszName, lpszType))
            return h;
    return g_hResource;
}

BOOL AfxLoadStringFromChain(UINT nID, CString& rString)
{
    HINSTANCE hInst = nullptr;
    if (HasString(g_hResource, nID))
        hInst = g_hResource;
    for (size_t i = 0; !hInst && i < ResourceChain().size(); ++i)
        if (HasString(ResourceChain()[i], nID))
            hInst = ResourceChain()[i];
    if (!hInst && HasString(g_hFramework, nID))
        hInst = g_hFramework;
    rString.Empty();
    if (!hInst)
        return FALSE;
    // Loaded as UTF-16 and converted to the active code page, as LoadStringA would, but without
    // its fixed buffer size.
    const wchar_t* p = nullptr;
    const int n = ::LoadStringW(hInst, nID, reinterpret_cast<LPWSTR>(&p), 0);
    rString = AfxFromWide(p, n);
    return TRUE;
}

void AfxDllProcessAttach(HINSTANCE hInstance, CWinApp* pLibraryApp)
{
    if (pLibraryApp)
        pLibraryApp->m_hInstance = hInstance;
    AfxRegisterResourceModule(hInstance);
}

void AfxDllProcessDetach(HINSTANCE hInstance) { AfxUnregisterResourceModule(hInstance); }

void AfxFormatString1(CString& rString, UINT nIDS, const char* lpsz1)
{
    AfxFormatString2(rString, nIDS, lpsz1, nullptr);
}

void AfxFormatString2(CString& rString, UINT nIDS, const char* lpsz1, const char* lpsz2)
{
    CString format;
    format.LoadString(nIDS);
    rString.Empty();
    for (int i = 0; i < format.GetLength(); ++i) {
        const char c = format[i];
        if (c == '%' && i + 1 < format.GetLength() && (format[i + 1] == '1' || format[i + 1] == '2')) {
            const char* arg = format[i + 1] == '1' ? lpsz1 : lpsz2;
            rString += arg ? arg : "";
            ++i;
        } else {
            rString += c;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// CWinApp

CWinApp::CWinApp(LPCSTR lpszAppName)
{
    if (lpszAppName)
        m_strAppName = lpszAppName;
    // The executable's own application object is the process's; a library's only carries its
    // instance handle (AfxDllProcessAttach).
    m_bIsProcessApp = IsInExecutable(this);
    if (m_bIsProcessApp) {
        g_pApp = this;
        m_hInstance = ::GetModuleHandleA(nullptr);
        if (m_strAppName.IsEmpty()) {
            CString path = AfxGetModuleFileName(nullptr);
            path = path.Mid(path.ReverseFind('\\') + 1);
            const int dot = path.ReverseFind('.');
            m_strAppName = dot > 0 ? path.Left(dot) : path;
        }
        CString ini = AfxGetModuleFileName(nullptr);
        const int dot = ini.ReverseFind('.');
        ini = (dot > ini.ReverseFind('\\') ? ini.Left(dot) : ini) + ".ini";
        m_pszProfileName = ::_strdup(ini);
    }
    m_pszAppName = m_strAppName;
}

CWinApp::~CWinApp()
{
    std::free(const_cast<char*>(m_pszProfileName));
    if (g_pApp == this)
        g_pApp = nullptr;
}

void CWinApp::SetProfileName(LPCSTR lpszPath)
{
    std::free(const_cast<char*>(m_pszProfileName));
    m_pszProfileName = lpszPath ? ::_strdup(lpszPath) : nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return 0; }
BOOL CWinApp::PreTranslateMessage(MSG*) { return FALSE; }
BOOL CWinApp::OnIdle(LONG) { return FALSE; }
int CWinApp::Run()
{
    AfxRunMessageLoop();
    return ExitInstance();
}

CString CWinApp::GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault)
{
    const char* def = lpszDefault ? lpszDefault : "";
    if (!m_pszProfileName)
        return def;
    std::vector<char> buf(4096);
    for (;;) {
        const DWORD n = ::GetPrivateProfileStringA(lpszSection, lpszEntry, def, buf.data(), (DWORD)buf.size(), m_pszProfileName);
        if (n < buf.size() - 2 || buf.size() > (1u << 22))
            return CString(buf.data(), (int)n);
        buf.resize(buf.size() * 4);
    }
}

UINT CWinApp::GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault)
{
    if (!m_pszProfileName)
        return (UINT)nDefault;
    return ::GetPrivateProfileIntA(lpszSection, lpszEntry, nDefault, m_pszProfileName);
}

BOOL CWinApp::WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue)
{
    return m_pszProfileName ? ::WritePrivateProfileStringA(lpszSection, lpszEntry, lpszValue, m_pszProfileName) : FALSE;
}

BOOL CWinApp::WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", nValue);
    return WriteProfileString(lpszSection, lpszEntry, buf);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return ::LoadIconA(AfxFindResourceHandle(MAKEINTRESOURCEA(nIDResource), RT_GROUP_ICON), MAKEINTRESOURCEA(nIDResource));
}

void CWinApp::BeginWaitCursor()
{
    if (m_nWaitCursorCount++ == 0)
        m_hcurWaitCursorRestore = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    else
        ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
}

void CWinApp::EndWaitCursor()
{
    if (m_nWaitCursorCount > 0 && --m_nWaitCursorCount == 0)
        ::SetCursor(m_hcurWaitCursorRestore ? m_hcurWaitCursorRestore : ::LoadCursorA(nullptr, IDC_ARROW));
}

void CWinApp::RestoreWaitCursor()
{
    if (m_nWaitCursorCount > 0)
        ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
}

int CWinApp::DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT)
{
    HWND owner = ::GetActiveWindow();
    if (!owner && m_pMainWnd)
        owner = m_pMainWnd->m_hWnd;
    if (owner)
        owner = ::GetLastActivePopup(owner);
    return ::MessageBoxA(owner, lpszPrompt, m_pszAppName, nType);
}

CWinApp* AfxGetApp() { return g_pApp; }

CWnd* AfxGetMainWnd() { return g_pApp ? g_pApp->m_pMainWnd : nullptr; }

BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow)
{
    if (g_pApp) {
        g_pApp->m_hInstance = hInstance;
        g_pApp->m_lpCmdLine = lpCmdLine;
        g_pApp->m_nCmdShow = nCmdShow;
    }
    AfxSetResourceHandle(hInstance);
    INITCOMMONCONTROLSEX icc = { sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES };
    ::InitCommonControlsEx(&icc);
    return TRUE;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    if (!AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow) || !g_pApp)
        return -1;
    if (!g_pApp->InitInstance())
        return g_pApp->ExitInstance();
    return g_pApp->Run();
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp)
{
    if (CWinApp* pApp = AfxGetApp())
        return pApp->DoMessageBox(lpszText, nType, nIDHelp);
    return ::MessageBoxA(::GetActiveWindow(), lpszText, "", nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString text;
    text.LoadString(nIDPrompt);
    return AfxMessageBox(text, nType, nIDHelp == (UINT)-1 ? nIDPrompt : nIDHelp);
}

CWaitCursor::CWaitCursor()
{
    if (CWinApp* pApp = AfxGetApp())
        pApp->BeginWaitCursor();
}

CWaitCursor::~CWaitCursor()
{
    if (CWinApp* pApp = AfxGetApp())
        pApp->EndWaitCursor();
}

void CWaitCursor::Restore()
{
    if (CWinApp* pApp = AfxGetApp())
        pApp->RestoreWaitCursor();
}
