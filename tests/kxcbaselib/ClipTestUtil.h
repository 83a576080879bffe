// What the clip window's tests share: clips read back from their handles, and a parent that
// records the window's notifications.
#pragma once
#include <Dib.h>
#include <afxwin.h>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

// Every pixel a different colour: x in red and blue, y in green, so a clip shows where it came from.
inline CDib Ramp(int w, int h)
{
    CDib dib;
    dib.Create(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            BYTE* p = dib.GetLine(y) + 3 * x;
            p[0] = (BYTE)(x / 256);
            p[1] = (BYTE)y;
            p[2] = (BYTE)x;
        }
    return dib;
}

// Empty when the clip holds exactly the region rc of the picture.
inline std::string RegionDifference(const CDib& picture, const CRect& rc, const CDib& clip)
{
    char text[128];
    if (clip.GetWidth() != rc.Width() || clip.GetHeight() != rc.Height()) {
        std::snprintf(text, sizeof text, "clip is %d x %d, expected %d x %d", clip.GetWidth(), clip.GetHeight(),
                      rc.Width(), rc.Height());
        return text;
    }
    for (int y = 0; y < rc.Height(); ++y)
        if (memcmp(clip.GetLine(y), picture.GetLine(rc.top + y) + 3 * rc.left, 3 * rc.Width()) != 0) {
            std::snprintf(text, sizeof text, "row %d differs", y);
            return text;
        }
    return std::string();
}


// Rectangles in failure messages.
inline void PrintTo(const CRect& r, std::ostream* os)
{
    *os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}
inline void PrintTo(const CSize& s, std::ostream* os) { *os << s.cx << " x " << s.cy; }

// The picture of a packed DIB handle, which is freed.
inline CDib FromHandle(HGLOBAL h)
{
    CDib dib;
    if (h) {
        dib.Load(h, 0, 1, nullptr, nullptr);
        ::GlobalFree(h);
    }
    return dib;
}

// A parent that records the clip window's notifications.
class CClipHost : public CWnd
{
public:
    std::vector<UINT> m_changes;   // control ids of EN_CHANGE notifications
protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        if (HIWORD(wParam) == EN_CHANGE)
            m_changes.push_back(LOWORD(wParam));
        return CWnd::OnCommand(wParam, lParam);
    }
};

