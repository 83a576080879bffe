#include "KxDialog.h"
#include <cstdio>

namespace {
// The library's application object: carries the library's instance handle and nothing else. It
// never becomes the process's application, so profile calls reach the host's.
CWinApp theLibraryApp;
} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID)
{
    // Nothing is read, loaded or created here: every file and resource access happens inside an
    // exported call.
    if (reason == DLL_PROCESS_ATTACH) {
        ::DisableThreadLibraryCalls(hInstance);
        AfxDllProcessAttach(hInstance, &theLibraryApp);
    } else if (reason == DLL_PROCESS_DETACH) {
        AfxDllProcessDetach(hInstance);
    }
    return TRUE;
}

HINSTANCE KxGetLibraryHandle() { return theLibraryApp.m_hInstance; }

CResourceSwitch::CResourceSwitch() : m_hSaved(AfxGetResourceHandle())
{
    // Crash reports of hosts are matched on this source name and line.
    ASSERT_AT(m_hSaved != nullptr, "kxcomdlglib", 65);
    AfxSetResourceHandle(KxGetLibraryHandle());
}

CResourceSwitch::~CResourceSwitch() { AfxSetResourceHandle(m_hSaved); }

// ---- the host profile ---------------------------------------------------------------------------

CWinApp* CHostProfile::GetApp()
{
    CWinApp* app = AfxGetApp();
    static bool told = false;
    if (!app && !told) {
        told = true;
        const char text[] = "kxcomdlglib: the host has no application object (CWinApp); its profile is "
                            "not read or written, the dialogs use their defaults\n";
        ::OutputDebugStringA(text);
        std::fputs(text, stderr);
    }
    return app;
}

CString CHostProfile::GetString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault)
{
    CWinApp* app = GetApp();
    return app ? app->GetProfileString(lpszSection, lpszEntry, lpszDefault) : CString(lpszDefault);
}

UINT CHostProfile::GetInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault)
{
    CWinApp* app = GetApp();
    return app ? app->GetProfileInt(lpszSection, lpszEntry, nDefault) : (UINT)nDefault;
}

BOOL CHostProfile::WriteString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue)
{
    CWinApp* app = GetApp();
    return app ? app->WriteProfileString(lpszSection, lpszEntry, lpszValue) : FALSE;
}

BOOL CHostProfile::WriteInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue)
{
    CWinApp* app = GetApp();
    return app ? app->WriteProfileInt(lpszSection, lpszEntry, nValue) : FALSE;
}
