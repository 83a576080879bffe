// CIM_WINDOW: loading, copies of what it is given, and what it paints.
#include "TestWindows.h"
#include <IM_WINDOW.h>
#include <TestFolder.h>
#include <gtest/gtest.h>
#include <cstdio>

namespace {

const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255),
               kWhite = RGB(255, 255, 255), kYellow = RGB(255, 255, 0), kBack = RGB(40, 60, 80);

void Fill(CDib& dib, int x0, int y0, int x1, int y1, COLORREF c)
{
    const int bytes = dib.GetBitsPerPixel() / 8;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            BYTE* p = dib.GetLine(y) + x * bytes;
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
}

// Red, green / blue, white quadrants: any flip or mirror of the picture shows.
CDib Quadrants(int w, int h)
{
    CDib dib;
    dib.Create(w, h, 24);
    Fill(dib, 0, 0, w / 2, h / 2, kRed);
    Fill(dib, w / 2, 0, w, h / 2, kGreen);
    Fill(dib, 0, h / 2, w / 2, h, kBlue);
    Fill(dib, w / 2, h / 2, w, h, kWhite);
    return dib;
}

COLORREF PixelOf(const CDib& dib, int x, int y)
{
    const BYTE* p = dib.GetLine(y) + x * (dib.GetBitsPerPixel() / 8);
    return RGB(p[2], p[1], p[0]);
}

class ImageViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateHostWindow(m_host, 40, 40, 240, 160));
        // No border, so the client area is exactly 100 x 100.
        ASSERT_TRUE(m_view.Create(&m_host, CRect(20, 20, 120, 120), 1, WS_VISIBLE));
        m_view.SetBkColor(kBack);
    }
    Capture Shown()
    {
        m_view.UpdateWindow();
        return CaptureClient(m_view.m_hWnd);
    }

    CWnd m_host;
    CIM_WINDOW m_view;
};

} // namespace

TEST_F(ImageViewTest, LoadReportsSuccessAndLeavesNoStalePictureOnFailure)
{
    TestFolder folder;
    CDib picture = Quadrants(64, 32);
    ASSERT_EQ(1, picture.Save(folder.File("good.bmp"), KXFMT_BMP, 24));
    folder.Write("text.jpg", "this is not a picture\r\n");
    folder.Write("empty.png", "");

    EXPECT_NE(0, m_view.Load(folder.File("good.bmp")));
    ASSERT_TRUE(m_view.GetDib()->IsValid());
    EXPECT_EQ(64, m_view.GetDib()->GetWidth());
    EXPECT_EQ(32, m_view.GetDib()->GetHeight());
    EXPECT_EQ(kRed, PixelOf(*m_view.GetDib(), 0, 0));
    EXPECT_EQ(kWhite, PixelOf(*m_view.GetDib(), 63, 31));

    for (const char* bad : { "text.jpg", "empty.png", "missing.bmp" }) {
        m_view.Load(folder.File("good.bmp"));
        EXPECT_EQ(0, m_view.Load(folder.File(bad))) << bad;
        EXPECT_FALSE(m_view.GetDib()->IsValid()) << bad << ": the previous picture must not stay";
    }
    EXPECT_EQ(0, m_view.Load(nullptr));
    EXPECT_EQ(kBack, Shown().At(50, 50)) << "an empty view shows its background";
}

TEST_F(ImageViewTest, ShowDibKeepsItsOwnCopy)
{
    CDib source = Quadrants(40, 20);
    m_view.ShowDib(source);
    Fill(source, 0, 0, 40, 20, kYellow);
    source.Free();
    ASSERT_TRUE(m_view.GetDib()->IsValid());
    EXPECT_EQ(kRed, PixelOf(*m_view.GetDib(), 0, 0));

    {
        // The working copy of a preview is destroyed right after it was shown.
        CDrawDib work;
        work = Quadrants(30, 30);
        Fill(work, 0, 0, 30, 30, kBlue);
        m_view.ShowDib(work);
    }
    EXPECT_EQ(30, m_view.GetDib()->GetWidth());
    EXPECT_EQ(kBlue, PixelOf(*m_view.GetDib(), 29, 29));
    EXPECT_EQ(kBlue, Shown().At(50, 50));
}

TEST_F(ImageViewTest, PaintsThePictureFittedAndCentredOnTheBackground)
{
    // 200 x 100 in 100 x 100: 100 x 50 with 25 rows of background above and below.
    m_view.ShowDib(Quadrants(200, 100));
    EXPECT_EQ(CRect(0, 25, 100, 75), m_view.GetPictureRect());
    Capture cap = Shown();
    ASSERT_EQ(100, cap.width);
    struct { int x, y; COLORREF want; } wide[] = {
        { 50, 5, kBack }, { 50, 20, kBack }, { 50, 80, kBack }, { 50, 95, kBack },
        { 25, 37, kRed }, { 75, 37, kGreen }, { 25, 62, kBlue }, { 75, 62, kWhite },
        { 1, 30, kRed }, { 98, 70, kWhite },
    };
    for (const auto& p : wide)
        EXPECT_TRUE(Near(p.want, cap.At(p.x, p.y))) << "at " << p.x << "," << p.y << ": want "
            << std::hex << p.want << " got " << cap.At(p.x, p.y);

    // A tall picture is fitted by its height and centred across.
    m_view.ShowDib(Quadrants(50, 200));
    EXPECT_EQ(CRect(37, 0, 62, 100), m_view.GetPictureRect());
    cap = Shown();
    EXPECT_TRUE(Near(kBack, cap.At(20, 50)));
    EXPECT_TRUE(Near(kBack, cap.At(80, 50)));
    EXPECT_TRUE(Near(kRed, cap.At(43, 20)));
    EXPECT_TRUE(Near(kWhite, cap.At(57, 80)));

    // A change made in place shows after Refresh, not before the view was told.
    Fill(*m_view.GetDib(), 0, 0, 50, 200, kYellow);
    m_view.Refresh();
    cap = Shown();
    EXPECT_TRUE(Near(kYellow, cap.At(43, 20)));
    EXPECT_TRUE(Near(kYellow, cap.At(57, 80)));
    EXPECT_TRUE(Near(kBack, cap.At(20, 50)));
}

TEST_F(ImageViewTest, ReducesWithAFilterNotByDroppingPixels)
{
    // Alternating one-pixel black and white columns reduced to half: a filter gives grey, a
    // nearest-neighbour stretch would give all black or all white.
    CDib stripes;
    stripes.Create(200, 200, 24);
    for (int x = 0; x < 200; ++x)
        Fill(stripes, x, 0, x + 1, 200, x % 2 ? kWhite : RGB(0, 0, 0));
    m_view.ShowDib(stripes);
    const COLORREF c = Shown().At(50, 50);
    EXPECT_NEAR(128, GetRValue(c), 24) << std::hex << c;
    EXPECT_EQ(GetRValue(c), GetGValue(c));
}
