#include "kxcomdlglib.h"

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
