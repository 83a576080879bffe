// What the benchmark programs share: the clock and the 24-megapixel photograph they work on.
#pragma once
#include <Dib.h>
#include <afxwin.h>
#include <algorithm>
#include <stdio.h>
#include <vector>

// Milliseconds of the performance counter.
inline double Now()
{
    static LARGE_INTEGER frequency = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart * 1000.0 / frequency.QuadPart;
}

// The sample picture enlarged to 6000 x 4000 at 300 dpi; false (with a message) when the sample
// cannot be read.
inline bool MakePhoto(const char* samplePath, CDib& photo)
{
    CDib sample;
    if (sample.Load(samplePath) != 1) {
        fprintf(stderr, "cannot load %s\n", samplePath);
        return false;
    }
    photo.Resize(sample, 6000, 4000, 2);
    photo.SetXRes(300);
    photo.SetYRes(300);
    return true;
}

// A checksum of what the window shows on the screen, to prove a step changed the view.
inline unsigned long long ScreenSum(HWND hWnd)
{
    RECT rc;
    ::GetClientRect(hWnd, &rc);
    HDC hdc = ::GetDC(hWnd);
    unsigned long long sum = 1469598103934665603ull;
    for (int y = 0; y < rc.bottom; y += 7)
        for (int x = 0; x < rc.right; x += 7)
            sum = (sum ^ ::GetPixel(hdc, x, y)) * 1099511628211ull;
    ::ReleaseDC(hWnd, hdc);
    return sum;
}

// The times of a run of steps, and how many of them changed what the window shows.
struct Figures
{
    std::vector<double> steps;
    int changed = 0;
};

// Slider steps by the keyboard (a page, so the change shows), sent to the slider itself so each
// returns after the dialog's notification handler has done its work; the window that shows the
// result (a view of the dialog, or any other window) is then made to paint.
inline Figures SliderSteps(HWND hDlg, int sliderId, HWND shows, int count)
{
    Figures f;
    HWND slider = ::GetDlgItem(hDlg, sliderId);
    for (int i = 0; i < count; ++i) {
        const unsigned long long before = ScreenSum(shows);
        const double start = Now();
        ::SendMessageA(slider, WM_KEYDOWN, i % 2 ? VK_PRIOR : VK_NEXT, 0);
        ::UpdateWindow(shows);
        ::GdiFlush();
        f.steps.push_back(Now() - start);
        f.changed += ScreenSum(shows) != before;
    }
    return f;
}
inline Figures SliderSteps(HWND hDlg, int sliderId, int viewId, int count)
{
    return SliderSteps(hDlg, sliderId, ::GetDlgItem(hDlg, viewId), count);
}

// "<key>_best", "<key>_median" and "<key>_changed" lines for tools/bench.sh.
inline void ReportSteps(const char* key, Figures f)
{
    std::sort(f.steps.begin(), f.steps.end());
    printf("%s_best %.2f\n", key, f.steps.front());
    printf("%s_median %.2f\n", key, f.steps[f.steps.size() / 2]);
    printf("%s_changed %d/%d\n", key, f.changed, (int)f.steps.size());
}
