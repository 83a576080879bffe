// What the adjustment tests share: a picture with every kind of colour, pixel comparison, and a
// clean profile file and host profile for each test.
#pragma once
#include "TestFolder.h"
#include "UiDriver.h"
#include "adjust/AdjustValues.h"
#include <Dib.h>
#include <IM_WINDOW.h>
#include <LineTrackBar.h>
#include <gtest/gtest.h>
#include <cstring>
#include <cstdio>

const char* const kAdjustCaption = "图像调整";
const char* const kNameCaption = "保存方案...";

// Colours over the whole cube: blue along x, green along y, red mixed.
inline CDib MakeTestPicture(int width = 64, int height = 48)
{
    CDib dib;
    dib.Create(width, height, 24);
    for (int y = 0; y < height; ++y) {
        BYTE* p = dib.GetLine(y);
        for (int x = 0; x < width; ++x) {
            p[3 * x + 0] = (BYTE)(x * 255 / (width - 1));
            p[3 * x + 1] = (BYTE)(y * 255 / (height - 1));
            p[3 * x + 2] = (BYTE)((x * 7 + y * 13) % 256);
        }
    }
    return dib;
}

// Empty when equal, else where they first differ.
inline std::string PixelDifference(const CDib& expected, const CDib& actual)
{
    if (expected.GetWidth() != actual.GetWidth() || expected.GetHeight() != actual.GetHeight()
        || expected.GetBitsPerPixel() != actual.GetBitsPerPixel())
        return "sizes differ";
    const int rowBytes = expected.GetWidth() * expected.GetBitsPerPixel() / 8;
    for (int y = 0; y < expected.GetHeight(); ++y) {
        const BYTE* e = expected.GetLine(y);
        const BYTE* a = actual.GetLine(y);
        for (int i = 0; i < rowBytes; ++i)
            if (e[i] != a[i]) {
                char text[96];
                std::snprintf(text, sizeof text, "row %d byte %d: expected %d, got %d", y, i, e[i], a[i]);
                return text;
            }
    }
    return std::string();
}

// A view or slider of a running dialog, as the dialog attached it.
template <class T> T* Attached(UiWindow w, int id)
{
    return static_cast<T*>(CWnd::FromHandlePermanent(w.Item(id)));
}

// Types into the edit field of a combo box, as the user's typing does.
inline void TypeCombo(UiWindow w, int id, const char* text)
{
    HWND edit = ::FindWindowExA(w.Item(id), nullptr, "Edit", nullptr);
    ::SetFocus(edit);
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    ::SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM)text);
}

// Every test starts without adjust.cfg (it lies beside the executable and outlives tests) and
// with a host profile of its own.
class AdjustTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_cfg = CAdjustProfileStore::DefaultPath();
        ::DeleteFileA(m_cfg);
        AfxGetApp()->SetProfileName(m_folder.File("host.ini"));
    }
    void TearDown() override { ::DeleteFileA(m_cfg); }

    TestFolder m_folder;
    CString m_cfg;
};
