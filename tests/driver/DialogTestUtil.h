// What the tests of dialogs over pictures share: a picture with every kind of colour, pixel
// comparison that says where two pictures differ, and the objects a running dialog attached to
// its controls.
#pragma once
#include "UiDriver.h"
#include <Dib.h>
#include <cstdio>
#include <string>

// Colours over the whole cube: blue along x, green along y, red mixed.
inline CDib MakeTestPicture(int width = 64, int height = 48)
{
    CDib dib;
    dib.Create(width, height, 24);
    for (int y = 0; y < height; ++y) {
        BYTE* p = dib.GetLine(y);
        for (int x = 0; x < width; ++x) {
            p[3 * x + 0] = (BYTE)(width > 1 ? x * 255 / (width - 1) : 0);
            p[3 * x + 1] = (BYTE)(height > 1 ? y * 255 / (height - 1) : 0);
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
