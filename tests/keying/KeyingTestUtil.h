// What the keying dialog tests share: a folder and a host profile of their own, green-screen
// pictures, the dialogs' captions, the view of a running dialog and clicks into it.
#pragma once
#include "DialogTestUtil.h"
#include "TestFolder.h"
#include "UiDriver.h"
#include "keying/PrimatteViewWnd.h"
#include "kxcomdlgres.h"
#include <Dib.h>
#include <gtest/gtest.h>
#include <cmath>

const char kKeyingCaption[] = "图像褪底";
const char kBatchCaption[] = "批量图像褪底";

// A subject in front of an evenly lit green screen: a reddish disc with a soft edge on the
// left, a bluish square on the right; the variant shifts the shapes, so every picture of a
// folder keys to another composite.
inline CDib MakeGreenScreen(int variant = 0, int width = 120, int height = 90)
{
    CDib dib;
    dib.Create(width, height, 24);
    const double cx = width * 0.33 + variant * 3, cy = height * 0.5, r = height * 0.28;
    for (int y = 0; y < height; ++y) {
        BYTE* p = dib.GetLine(y);
        for (int x = 0; x < width; ++x) {
            double alpha = std::min(1.0, std::max(0.0, (r - std::hypot(x - cx, y - cy)) / 3.0));
            BYTE fg[3] = { 60, 90, 200 };   // blue, green, red
            if (x > width * 0.6 + variant && x < width * 0.85 && y > height * 0.3 && y < height * 0.7) {
                alpha = 1.0;
                fg[0] = 190; fg[1] = 120; fg[2] = 70;
            }
            const BYTE bg[3] = { 50, (BYTE)(185 + (x * 10) / width), 40 };
            for (int c = 0; c < 3; ++c)
                p[3 * x + c] = (BYTE)std::lround(alpha * fg[c] + (1 - alpha) * bg[c]);
        }
    }
    return dib;
}

// The view the running dialog laid over its placeholder.
inline CPrimatteViewWnd* ViewOf(UiWindow w)
{
    for (HWND h = ::GetWindow(w.Handle(), GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        if (auto* view = dynamic_cast<CPrimatteViewWnd*>(CWnd::FromHandlePermanent(h)))
            return view;
    return nullptr;
}

// A click of the left button on a pixel of the picture the view shows, posted so that it
// passes through the dialog's loop as the user's click does.
inline void ClickPicture(UiWindow w, int x, int y)
{
    CPrimatteViewWnd* view = ViewOf(w);
    ASSERT_TRUE(view);
    const CPoint at = view->PictureToClient(x + 0.5, y + 0.5);
    const LPARAM where = MAKELPARAM(at.x, at.y);
    ::PostMessageA(view->m_hWnd, WM_MOUSEMOVE, 0, where);
    ::PostMessageA(view->m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, where);
    ::PostMessageA(view->m_hWnd, WM_LBUTTONUP, 0, where);
}

// A folder and a host profile of their own for each test.
class KeyingTest : public ::testing::Test
{
protected:
    void SetUp() override { AfxGetApp()->SetProfileName(m_folder.File("host.ini")); }
    CString Picture(const char* name, int variant = 0) const
    {
        MakeGreenScreen(variant).Save(m_folder.File(name), KXFMT_PNG, 24);
        return m_folder.File(name);
    }
    CString ProfileString(const char* section, const char* key) const
    {
        char text[512] = "";
        ::GetPrivateProfileStringA(section, key, "", text, sizeof text, m_folder.File("host.ini"));
        return text;
    }
    TestFolder m_folder;
};
