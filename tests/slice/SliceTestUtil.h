// What the crop dialog tests share: the dialogs with their views in reach, painted sheets of
// prints with known pixels, and the folder and profile of each test.
#pragma once
#include "BatchTestUtil.h"
#include "DialogTestUtil.h"
#include "SheetPaint.h"
#include "slice/CropDlg.h"
#include "slice/SliceDlg.h"
#include <LeadBitmap.h>
#include <cstdlib>
#include <string>

// The dialogs as the host runs them, with the views a user looks at.
class CTestSliceDlg : public CSliceDlg
{
public:
    using CSliceDlg::CSliceDlg;
    CSliceDlgWnd& View() { return m_wndClip; }
};

class CTestCropDlg : public CCropDlg
{
public:
    using CCropDlg::CCropDlg;
    CSliceDlgWnd& View() { return m_wndClip; }
};

// Upright prints of one flat colour each on the scanner lid, their sides on whole pixels so that
// a clip of one is exactly its pixels.
struct Print
{
    CRect rect;
    Rgb ink;
};

inline CDib PaintSheet(std::initializer_list<Print> prints, int width = 800, int height = 1000)
{
    CDib sheet = Sheet(width, height, kLid);
    for (const Print& p : prints)
        PaintFlat(sheet, CTiltRect::FromRect(p.rect), p.ink);
    return sheet;
}

// Empty when the picture is the print: its size to a pixel and, inside its outermost pixels
// (which a box found a hair off upright samples together with the lid), its ink.
inline std::string NotThePrint(const CDib& clip, const Print& print)
{
    const int w = clip.GetWidth(), h = clip.GetHeight();
    if (std::abs(w - print.rect.Width()) > 1 || std::abs(h - print.rect.Height()) > 1)
        return "size " + std::to_string(w) + " x " + std::to_string(h) + ", expected " + std::to_string(print.rect.Width())
               + " x " + std::to_string(print.rect.Height());
    const int bpp = clip.GetBitsPerPixel() / 8;
    const double ink[3] = { print.ink.b, print.ink.g, print.ink.r };
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x) {
            const BYTE* p = clip.GetLine(y) + x * bpp;
            for (int i = 0; i < 3; ++i)
                if (std::abs(p[i] - ink[i]) > 1)
                    return "pixel " + std::to_string(x) + ", " + std::to_string(y) + " is not the print's ink";
        }
    return std::string();
}

// The dialog's pictures and settings live in the test's folder.
class SliceTest : public BatchTest
{
protected:
    void StoreSlice(const char* name, int tail, const char* folder, int type, int dpi)
    {
        CWinApp* app = AfxGetApp();
        app->WriteProfileString("Settings", "Slice filename", name);
        app->WriteProfileInt("Settings", "Slice addtail", tail);
        app->WriteProfileString("Settings", "Slice dirname", folder);
        app->WriteProfileInt("Settings", "Slice filetype", type);
        app->WriteProfileInt("Settings", "Slice DPI", dpi);
    }
    CString Stored(const char* key) { return AfxGetApp()->GetProfileString("Settings", key, "<none>"); }
    void SavePicture(const char* name, CDib picture)
    {
        ASSERT_EQ(1, picture.Save(m_folder.File(name), KXFMT_PNG, 24)) << name;
    }
};
