// CSliceWnd: the clip box as the mouse and the keys move it, what comes out of a clip, what the
// window paints, and its options dialog.
#include "ClipTestUtil.h"
#include "TestWindows.h"
#include <SliceWnd.h>
#include <TestFolder.h>
#include <UiDriver.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255);

CDib Quadrants(int w, int h)
{
    CDib dib;
    dib.Create(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = y < h / 2 ? (x < w / 2 ? kRed : kGreen) : (x < w / 2 ? kBlue : kWhite);
            BYTE* p = dib.GetLine(y) + 3 * x;
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    return dib;
}

class CCountingSliceWnd : public CSliceWnd
{
public:
    int m_nChanged = 0;
    CRect m_rcSeen;   // the box when the hook ran
protected:
    int OnClipChanged() override
    {
        ++m_nChanged;
        m_rcSeen = GetClipRect();
        return 0;
    }
};

class SliceWndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateHostWindow(m_host, 40, 40, 460, 300));
        // No border: the client area is exactly 200 x 100, the size of the usual picture, so
        // screen and picture pixels coincide until the test zooms.
        ASSERT_TRUE(m_clip.Create(WS_VISIBLE, CRect(20, 20, 220, 120), 0, &m_host));
        SetKeys(false, false);
    }
    void TearDown() override { SetKeys(false, false); }

    void Mouse(UINT msg, int x, int y, UINT flags = 0) { m_clip.SendMessage(msg, flags, MAKELPARAM(x, y)); }
    void Drag(CPoint from, CPoint to)
    {
        Mouse(WM_LBUTTONDOWN, from.x, from.y, MK_LBUTTON);
        // In steps, as a hand moves, so every intermediate state is passed through.
        for (int i = 1; i <= 4; ++i)
            Mouse(WM_MOUSEMOVE, from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, to.x, to.y);
    }
    void Key(UINT vk) { m_clip.SendMessage(WM_KEYDOWN, vk, 1); }
    static void SetKeys(bool shift, bool control)
    {
        BYTE keys[256];
        ::GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        keys[VK_CONTROL] = control ? 0x80 : 0;
        ::SetKeyboardState(keys);
    }
    Capture Shown()
    {
        m_clip.Invalidate(FALSE);
        m_clip.UpdateWindow();
        return CaptureClient(m_clip.m_hWnd);
    }
    // A picture the size of the window with a box at rc.
    void Start(int kind, long w, long h, const CRect& rc)
    {
        const CDib picture = Ramp(200, 100);
        m_clip.UpdateDib(&picture);
        m_clip.SetClipFlag(kind, w, h);
        m_clip.ShowClipbox();
        m_clip.SetClipRect(rc);
        ASSERT_EQ(rc, m_clip.GetClipRect());
        m_host.m_changes.clear();
        m_clip.m_nChanged = 0;
    }

    CClipHost m_host;
    CCountingSliceWnd m_clip;
};

} // namespace

TEST_F(SliceWndTest, PicturesComeInAsCopies)
{
    CDib picture = Ramp(200, 100);
    m_clip.UpdateDib(&picture);
    memset(picture.GetBits(), 0, picture.GetStride() * 100);
    ASSERT_TRUE(m_clip.GetDib()->IsValid());
    EXPECT_EQ("", RegionDifference(Ramp(200, 100), CRect(0, 0, 200, 100), *m_clip.GetDib()));

    // A bitmap handle may describe part of a larger picture; only that part arrives.
    CDib large = Ramp(300, 80);
    struct_LEAD_Bitmap bitmap;
    const CRect part(50, 10, 250, 70);
    ASSERT_TRUE(DescribeLeadBitmap(large, bitmap, &part));
    m_clip.SetDib(&bitmap);
    EXPECT_EQ("", RegionDifference(large, part, *m_clip.GetDib()));

    struct_LEAD_Bitmap broken = bitmap;
    broken.BytesPerLine = 10;   // shorter than a row
    m_clip.SetDib(&broken);
    EXPECT_FALSE(m_clip.GetDib()->IsValid()) << "an impossible description must not be read";
    m_clip.UpdateDib(&picture);
    m_clip.SetDib(nullptr);
    EXPECT_FALSE(m_clip.GetDib()->IsValid());

    TestFolder folder;
    ASSERT_EQ(1, Ramp(64, 32).Save(folder.File("a.bmp"), KXFMT_BMP, 24));
    folder.Write("bad.jpg", "not a picture");
    EXPECT_EQ(1, m_clip.LoadFile(folder.File("a.bmp"), 1));
    EXPECT_EQ(64, m_clip.GetDib()->GetWidth());
    EXPECT_EQ(0, m_clip.LoadFile(folder.File("bad.jpg"), 1));
    EXPECT_FALSE(m_clip.GetDib()->IsValid()) << "no stale picture after a failed load";
}

TEST_F(SliceWndTest, ShowClipboxPlacesTheBoxOfTheSettings)
{
    struct Case { int w, h, kind; long cw, ch; CRect want; };
    const Case cases[] = {
        { 200, 100, KX_CLIP_FREE, 0, 0, CRect(0, 0, 200, 100) },
        { 200, 100, KX_CLIP_SIZE, 60, 40, CRect(70, 30, 130, 70) },
        { 200, 100, KX_CLIP_SIZE, 500, 40, CRect(0, 30, 200, 70) },       // wider than the picture
        { 3000, 1000, KX_CLIP_RATIO, 1500, 1000, CRect(750, 0, 2250, 1000) },
        { 3000, 1000, KX_CLIP_RATIO, 3, 2, CRect(750, 0, 2250, 1000) },   // only the proportion counts
        { 1000, 3000, KX_CLIP_RATIO, 300, 200, CRect(0, 1167, 1000, 1834) },  // 1000 x 667
    };
    for (const Case& c : cases) {
        const CDib picture = Ramp(c.w, c.h);
        m_clip.HideClipbox();
        m_clip.UpdateDib(&picture);
        m_clip.SetClipFlag(c.kind, c.cw, c.ch);
        m_clip.ShowClipbox();
        EXPECT_TRUE(m_clip.HaveClipbox());
        EXPECT_EQ(c.want, m_clip.GetClipRect()) << c.w << "x" << c.h << " kind " << c.kind << " " << c.cw << ":" << c.ch;
    }
    m_clip.SetClipFlag(KX_CLIP_NONE, 0, 0);
    m_clip.ShowClipbox();
    EXPECT_FALSE(m_clip.HaveClipbox()) << "no box for kind -1";
}

TEST_F(SliceWndTest, DraggingMovesTheBoxInsideThePicture)
{
    Start(KX_CLIP_FREE, 0, 0, CRect(50, 20, 100, 60));
    Drag(CPoint(70, 40), CPoint(90, 50));
    EXPECT_EQ(CRect(70, 30, 120, 70), m_clip.GetClipRect());
    ASSERT_EQ(1u, m_host.m_changes.size()) << "one notification a gesture";
    EXPECT_EQ((UINT)KX_CLIP_MOVED, m_host.m_changes[0]);
    EXPECT_EQ(1, m_clip.m_nChanged);
    EXPECT_EQ(CRect(70, 30, 120, 70), m_clip.m_rcSeen) << "the hook runs after the box moved";

    // Far beyond the corner: the box stops at the picture's edges, keeping its size.
    Drag(CPoint(90, 50), CPoint(400, 300));
    EXPECT_EQ(CRect(150, 60, 200, 100), m_clip.GetClipRect());
    Drag(CPoint(160, 70), CPoint(-300, -300));
    EXPECT_EQ(CRect(0, 0, 50, 40), m_clip.GetClipRect());

    // A click that does not move anything tells nobody.
    m_host.m_changes.clear();
    Mouse(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 20, 20);
    EXPECT_TRUE(m_host.m_changes.empty());
}

TEST_F(SliceWndTest, HandlesResizeAFreeBoxAndADragOutsideDrawsANewOne)
{
    Start(KX_CLIP_FREE, 0, 0, CRect(50, 20, 100, 60));
    Drag(CPoint(100, 60), CPoint(130, 90));        // bottom-right corner
    EXPECT_EQ(CRect(50, 20, 130, 90), m_clip.GetClipRect());
    ASSERT_EQ(1u, m_host.m_changes.size());
    EXPECT_EQ((UINT)KX_CLIP_RESIZED, m_host.m_changes[0]);
    Drag(CPoint(50, 55), CPoint(30, 55));          // left edge
    EXPECT_EQ(CRect(30, 20, 130, 90), m_clip.GetClipRect());
    Drag(CPoint(80, 20), CPoint(80, -50));         // top edge, beyond the picture
    EXPECT_EQ(CRect(30, 0, 130, 90), m_clip.GetClipRect());

    // Outside the box: a new box from the press point to the release point, any direction.
    Drag(CPoint(190, 95), CPoint(150, 5));
    EXPECT_EQ(CRect(150, 5, 190, 95), m_clip.GetClipRect());
}

TEST_F(SliceWndTest, AFixedRatioIsHeldWhileACornerIsDragged)
{
    Start(KX_CLIP_RATIO, 3, 2, CRect(20, 20, 50, 40));
    const CPoint moves[] = { CPoint(80, 45), CPoint(60, 90), CPoint(190, 50), CPoint(300, 300), CPoint(25, 22) };
    CPoint from(50, 40);
    for (const CPoint& to : moves) {
        Drag(from, to);
        const CRect rc = m_clip.GetClipRect();
        EXPECT_EQ(CPoint(20, 20), rc.TopLeft()) << "the opposite corner stays";
        EXPECT_NEAR(1.5, rc.Width() / (double)rc.Height(), 1.0 / rc.Height()) << rc.Width() << " x " << rc.Height();
        EXPECT_LE(rc.right, 200);
        EXPECT_LE(rc.bottom, 100);
        from = rc.BottomRight();
    }
    // Dragged to the far corner, the box is as large as the picture lets it be: 80 rows left.
    Drag(from, CPoint(400, 400));
    EXPECT_EQ(CRect(20, 20, 140, 100), m_clip.GetClipRect());
    // Only the corners resize a box held to a ratio; its edges move it.
    Drag(CPoint(80, 20), CPoint(80, 10));
    EXPECT_EQ(CSize(120, 80), m_clip.GetClipRect().Size());
}

TEST_F(SliceWndTest, AFixedSizeBoxMovesButNeverResizes)
{
    Start(KX_CLIP_SIZE, 40, 30, CRect(10, 10, 50, 40));
    Drag(CPoint(50, 40), CPoint(120, 90));         // where a corner handle would be
    EXPECT_EQ(CSize(40, 30), m_clip.GetClipRect().Size());
    // A press elsewhere on the picture brings the box there.
    Drag(CPoint(150, 50), CPoint(150, 50));
    EXPECT_EQ(CRect(130, 35, 170, 65), m_clip.GetClipRect());
    SetKeys(false, true);
    Key(VK_RIGHT);
    EXPECT_EQ(CSize(40, 30), m_clip.GetClipRect().Size()) << "Ctrl+arrow does not resize it either";
}

TEST_F(SliceWndTest, ArrowKeysNudgeAndResizeByOneScreenPixel)
{
    Start(KX_CLIP_FREE, 0, 0, CRect(50, 20, 100, 60));
    Key(VK_RIGHT);
    Key(VK_DOWN);
    EXPECT_EQ(CRect(51, 21, 101, 61), m_clip.GetClipRect());
    EXPECT_EQ(2u, m_host.m_changes.size()) << "each press is a change";
    SetKeys(true, false);
    Key(VK_LEFT);
    EXPECT_EQ(CRect(41, 21, 91, 61), m_clip.GetClipRect());
    SetKeys(false, true);
    Key(VK_RIGHT);
    Key(VK_UP);
    EXPECT_EQ(CRect(41, 21, 92, 60), m_clip.GetClipRect());
    EXPECT_EQ((UINT)KX_CLIP_RESIZED, m_host.m_changes.back());
    SetKeys(true, false);
    for (int i = 0; i < 30; ++i)
        Key(VK_RIGHT);
    EXPECT_EQ(CRect(149, 21, 200, 60), m_clip.GetClipRect()) << "stops at the edge";
    const size_t changes = m_host.m_changes.size();
    Key(VK_RIGHT);
    EXPECT_EQ(changes, m_host.m_changes.size()) << "no change, no notification";

    // On a picture fitted at a tenth, one press moves ten picture pixels.
    const CDib large = Ramp(2000, 1000);
    m_clip.UpdateDib(&large);
    ASSERT_DOUBLE_EQ(0.1, m_clip.GetZoom());
    m_clip.SetClipRect(CRect(500, 200, 1000, 600));
    SetKeys(false, false);
    Key(VK_LEFT);
    EXPECT_EQ(CRect(490, 200, 990, 600), m_clip.GetClipRect());
}

TEST_F(SliceWndTest, ClipImageGivesTheRegionAndClipImageDibMapsItOntoTheFullPicture)
{
    Start(KX_CLIP_FREE, 0, 0, CRect(30, 10, 110, 70));
    const CDib view = *m_clip.GetDib();
    EXPECT_EQ("", RegionDifference(view, CRect(30, 10, 110, 70), FromHandle(m_clip.ClipImage())));

    // The window shows a quarter-size copy; the clip comes from the full picture.
    const CDib full = Ramp(800, 400);
    EXPECT_EQ("", RegionDifference(full, CRect(120, 40, 440, 280), FromHandle(m_clip.ClipImageDib(&full))));

    // A fixed size is cut exactly, in the pixels of the picture given, where the box lies.
    m_clip.SetClipFlag(KX_CLIP_SIZE, 333, 221);
    EXPECT_EQ("", RegionDifference(full, CRect(114, 50, 447, 271), FromHandle(m_clip.ClipImageDib(&full))));
    // A ratio is kept exactly, though the box on screen could only come near it.
    m_clip.SetClipFlag(KX_CLIP_RATIO, 16, 9);
    const CDib ratio = FromHandle(m_clip.ClipImageDib(&full));
    EXPECT_EQ(320, ratio.GetWidth());
    EXPECT_EQ(180, ratio.GetHeight());

    // The resolution travels with the clip.
    CDib dpi = full;
    dpi.SetXRes(300);
    dpi.SetYRes(300);
    EXPECT_EQ(300, FromHandle(m_clip.ClipImageDib(&dpi)).GetXRes());

    m_clip.UpdateDib(nullptr);
    EXPECT_EQ(nullptr, m_clip.ClipImage()) << "nothing to clip without a picture";
}

TEST_F(SliceWndTest, HiddenBoxKeepsItsPlaceAndANewPictureKeepsItRelative)
{
    Start(KX_CLIP_FREE, 0, 0, CRect(20, 10, 120, 60));
    m_clip.HideClipbox();
    EXPECT_FALSE(m_clip.HaveClipbox());
    const CDib full = Ramp(400, 200);
    EXPECT_EQ("", RegionDifference(full, CRect(40, 20, 240, 120), FromHandle(m_clip.ClipImageDib(&full))))
        << "a hidden box still says where to cut";
    const CDib next = Ramp(100, 50);
    m_clip.UpdateDib(&next);
    EXPECT_EQ(CRect(10, 5, 60, 30), m_clip.GetClipRect());
    m_clip.ShowClipbox();
    EXPECT_EQ(CRect(10, 5, 60, 30), m_clip.GetClipRect()) << "shown again where it was";
}

TEST_F(SliceWndTest, PaintsTheBoxWithHandlesAndDimsWhatTheClipLeavesOut)
{
    const CDib picture = Quadrants(200, 100);
    m_clip.UpdateDib(&picture);
    m_clip.SetClipFlag(KX_CLIP_FREE, 0, 0);
    Capture cap = Shown();
    EXPECT_TRUE(Near(kRed, cap.At(20, 20)));
    EXPECT_TRUE(Near(kWhite, cap.At(180, 80)));

    m_clip.ShowClipbox();
    m_clip.SetClipRect(CRect(20, 10, 120, 60));
    cap = Shown();
    EXPECT_TRUE(Near(kRed, cap.At(50, 30))) << "inside the box: as it is";
    EXPECT_TRUE(Near(RGB(127, 127, 127), cap.At(170, 80))) << "outside: dimmed white";
    EXPECT_TRUE(Near(RGB(0, 127, 0), cap.At(180, 20)));
    EXPECT_TRUE(Near(kWhite, cap.At(20, 10), 0) || Near(RGB(0, 0, 0), cap.At(20, 10), 0)) << "a handle at the corner";
    EXPECT_TRUE(Near(kWhite, cap.At(120, 61), 0) || Near(RGB(0, 0, 0), cap.At(120, 61), 0));

    // A change made through GetDib shows at the next paint.
    CDib* pDib = m_clip.GetDib();
    memset(pDib->GetBits(), 0, pDib->GetStride() * pDib->GetHeight());
    cap = Shown();
    EXPECT_TRUE(Near(RGB(0, 0, 0), cap.At(50, 30)));
}

TEST_F(SliceWndTest, ZoomKeysEnlargeAroundTheBoxAndFitAgain)
{
    const CDib picture = Quadrants(400, 200);
    m_clip.UpdateDib(&picture);
    ASSERT_DOUBLE_EQ(0.5, m_clip.GetZoom());
    m_clip.SetClipFlag(KX_CLIP_SIZE, 40, 40);
    m_clip.ShowClipbox();
    m_clip.SetClipRect(CRect(40, 20, 80, 60));   // in the red quarter

    Key(VK_ADD);
    Key(VK_ADD);
    EXPECT_FALSE(m_clip.IsZoomFit());
    EXPECT_DOUBLE_EQ(1.125, m_clip.GetZoom());
    EXPECT_TRUE(m_clip.GetStyle() & WS_HSCROLL) << "a zoomed picture scrolls";
    CRect client;
    m_clip.GetClientRect(&client);
    const CPoint centre = m_clip.PictureToClient(60, 40);
    EXPECT_TRUE(client.PtInRect(centre)) << "the box stays in view";
    Capture cap = Shown();
    EXPECT_TRUE(Near(kRed, cap.At(centre.x, centre.y)));

    // Nudging the box out of the window scrolls after it.
    for (int i = 0; i < 30; ++i)
        Key(VK_RIGHT);
    const CPoint moved = m_clip.PictureToClient((m_clip.GetClipRect().left + m_clip.GetClipRect().right) / 2.0, 40);
    EXPECT_TRUE(client.PtInRect(moved));

    Key('2');
    EXPECT_DOUBLE_EQ(1.0, m_clip.GetZoom());
    Key('1');
    EXPECT_TRUE(m_clip.IsZoomFit());
    EXPECT_DOUBLE_EQ(0.5, m_clip.GetZoom());
    EXPECT_FALSE(m_clip.GetStyle() & (WS_HSCROLL | WS_VSCROLL));
    Key(VK_SUBTRACT);
    EXPECT_DOUBLE_EQ(0.5, m_clip.GetZoom()) << "never smaller than the fitted picture";
}

TEST_F(SliceWndTest, OptionsDialogSetsTheKindAndPlacesAShownBoxAnew)
{
    const CDib picture = Ramp(200, 100);
    m_clip.UpdateDib(&picture);
    m_clip.SetClipFlag(KX_CLIP_FREE, 0, 0);
    m_clip.ShowClipbox();
    m_host.m_changes.clear();

    UiScript script;
    CString refused;
    script.OnDialog("剪裁设置", [](UiWindow w) {
              EXPECT_TRUE(w.IsChecked(31001)) << "free is the current kind";
              EXPECT_FALSE(w.IsEnabled(31004)) << "a free box has no size to type";
              w.SelectComboText(31008, "4:3");
              EXPECT_TRUE(w.IsChecked(31003)) << "a ratio picked means a box held to it";
              EXPECT_EQ(CString("4"), w.Text(31004));
              EXPECT_EQ(CString("3"), w.Text(31006));
              w.ClickNow(31009);   // swap
              EXPECT_EQ(CString("3"), w.Text(31004));
              EXPECT_EQ(CString("3:4"), w.ComboItem(31008, w.ComboSelection(31008)));
              w.ClickNow(31002);   // fixed size
              w.TypeKeys(31004, "0");
              w.Click(IDOK);
          })
        .AnswerMessageBox(IDOK, &refused)
        .OnDialog("剪裁设置", [](UiWindow w) {
              w.TypeKeys(31004, "120");
              w.TypeKeys(31006, "80");
              w.Click(IDOK);
          });
    EXPECT_EQ(IDOK, script.Run([&] { return (INT_PTR)m_clip.DlgCropOpt(); }));
    EXPECT_NE(-1, refused.Find("65535")) << (const char*)refused;
    int kind;
    long w, h;
    m_clip.GetClipFlag(kind, w, h);
    EXPECT_EQ(KX_CLIP_SIZE, kind);
    EXPECT_EQ(120, w);
    EXPECT_EQ(80, h);
    EXPECT_EQ(CRect(40, 10, 160, 90), m_clip.GetClipRect()) << "the shown box takes the new size";
    ASSERT_EQ(1u, m_host.m_changes.size());
    EXPECT_EQ((UINT)KX_CLIP_RESIZED, m_host.m_changes[0]);

    UiScript cancel;
    cancel.OnDialog("剪裁设置", [](UiWindow w) {
        EXPECT_TRUE(w.IsChecked(31002));
        EXPECT_EQ(CString("120"), w.Text(31004));
        w.ClickNow(31003);
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, cancel.Run([&] { return (INT_PTR)m_clip.DlgCropOpt(); }));
    m_clip.GetClipFlag(kind, w, h);
    EXPECT_EQ(KX_CLIP_SIZE, kind) << "cancel keeps the settings";
}
