// Helpers shared by the control tests: a plain top-level window to hold controls, a bounded
// message pump, and a capture of what a window shows.
#pragma once
#include <kxraii.h>
#include <afxwin.h>
#include <functional>
#include <vector>

// A visible popup window on top of the others, so that what its children paint can be read back.
inline bool CreateHostWindow(CWnd& host, int x, int y, int cx, int cy)
{
    LPCSTR cls = AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    if (!host.CreateEx(WS_EX_TOPMOST, cls, "host", WS_POPUP | WS_VISIBLE, x, y, cx, cy, nullptr, nullptr))
        return false;
    ::UpdateWindow(host.m_hWnd);
    return true;
}

// Dispatches messages until cond holds or the limit passes; returns cond's last answer.
inline bool PumpUntil(const std::function<bool()>& cond, DWORD limitMs = 5000)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (cond())
            return true;
        if (::GetTickCount() - start > limitMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// The client area of a window as it is on the screen, one COLORREF a pixel, row by row.
struct Capture
{
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

inline Capture CaptureClient(HWND hWnd)
{
    Capture cap;
    RECT rc;
    ::GetClientRect(hWnd, &rc);
    cap.width = rc.right;
    cap.height = rc.bottom;
    kx::unique_hdc_window screen(hWnd);
    kx::dib_section dib(screen.get(), cap.width, cap.height, 32);
    const void* bits = dib.bits;
    kx::unique_hdc memory(::CreateCompatibleDC(screen.get()));
    kx::select_object selected(memory.get(), dib.bitmap.get());
    ::BitBlt(memory.get(), 0, 0, cap.width, cap.height, screen.get(), 0, 0, SRCCOPY);
    ::GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(bits);
    for (int i = 0; p && i < cap.width * cap.height; ++i)
        cap.pixels.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
    return cap;
}

// Colours equal within a small difference per channel (resampling rounds).
inline bool Near(COLORREF a, COLORREF b, int tolerance = 3)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}
