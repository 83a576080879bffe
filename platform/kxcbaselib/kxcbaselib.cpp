// Library entry: registers the window classes of the custom controls and the library's resources.
#include "kxcbaselib.h"

namespace {

HINSTANCE g_hInstance = nullptr;

// The class procedure of a control that no object has attached yet. Attached controls run
// through AfxWndProc, which passes what their message maps leave to this procedure.
LRESULT CALLBACK PlaceholderWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC hdc = ::BeginPaint(hWnd, &ps);
        RECT rc;
        ::GetClientRect(hWnd, &rc);
        ::FillRect(hdc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
        ::DrawEdge(hdc, &rc, EDGE_SUNKEN, BF_RECT);
        ::EndPaint(hWnd, &ps);
        return 0;
    }
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

bool RegisterControlClass(LPCSTR name)
{
    WNDCLASSA wc{};
    // Global, so that templates of other modules (whose instance handle the dialog manager passes)
    // find it; no double clicks, so a fast second click on a slider is a second click.
    wc.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PlaceholderWndProc;
    wc.hInstance = g_hInstance;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    return ::RegisterClassA(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

HINSTANCE KxCBaseGetInstance() { return g_hInstance; }

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_hInstance = hInstance;
        ::DisableThreadLibraryCalls(hInstance);
        if (!RegisterControlClass(KX_LINE_TRACKBAR_CLASS) || !RegisterControlClass(KX_IMAGE_PREVIEW_CLASS))
            return FALSE;
        // The controls' own dialogs and texts are found through the framework's resource chain,
        // whoever's resources are current when they open.
        AfxRegisterResourceModule(hInstance);
    } else if (reason == DLL_PROCESS_DETACH) {
        AfxUnregisterResourceModule(hInstance);
        ::UnregisterClassA(KX_LINE_TRACKBAR_CLASS, hInstance);
        ::UnregisterClassA(KX_IMAGE_PREVIEW_CLASS, hInstance);
    }
    return TRUE;
}
