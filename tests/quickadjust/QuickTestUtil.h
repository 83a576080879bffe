// What the quick adjustment tests share.
#pragma once
#include "DialogTestUtil.h"
#include <IM_WINDOW.h>
#include <LineTrackBar.h>
#include <gtest/gtest.h>
#include <functional>

// Runs a DoModal that is expected to refuse without showing anything. A dialog that opens all
// the same is recorded and cancelled, so the test fails instead of hanging.
inline INT_PTR RunExpectingNoDialog(const std::function<INT_PTR()>& modal)
{
    static bool shown;
    shown = false;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        if (HWND h = ActiveDialogWindow()) {
            shown = true;
            ::PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
        }
    });
    const HINSTANCE before = AfxGetResourceHandle();
    const INT_PTR result = modal();
    ::KillTimer(nullptr, timer);
    EXPECT_FALSE(shown) << "a dialog was shown";
    EXPECT_EQ(before, AfxGetResourceHandle()) << "the host's resource handle must be untouched";
    return result;
}

// The slider of a running dialog, as the dialog attached it.
inline CLineTrackBar* Slider(UiWindow w, int id) { return Attached<CLineTrackBar>(w, id); }

// The picture a running dialog's view shows (its own copy).
inline CDib Shown(UiWindow w, int viewId) { return *Attached<CIM_WINDOW>(w, viewId)->GetDib(); }

// The dialog's client area is cx x cy dialog units of its template's font.
inline void ExpectClientInDialogUnits(UiWindow w, int cx, int cy)
{
    RECT r = { 0, 0, cx, cy };
    ::MapDialogRect(w.Handle(), &r);
    RECT client;
    ::GetClientRect(w.Handle(), &client);
    EXPECT_EQ(r.right, client.right) << cx << " dialog units wide";
    EXPECT_EQ(r.bottom, client.bottom) << cy << " dialog units high";
}
