// CSliceWnd's automatic positioning: grid cells and the prints of a scanned sheet, the turned
// box they give (drawn, dragged, cut upright), the keys, the options dialog and where the
// options are stored.
#include "ClipTestUtil.h"
#include "SheetPaint.h"
#include "TestWindows.h"
#include <SliceWnd.h>
#include <TestFolder.h>
#include <UiDriver.h>
#include <gtest/gtest.h>
#include <cmath>

namespace {

const int kRows = 31015, kCols = 31017, kModeNone = 31012, kModeGrid = 31013, kModeDetect = 31014, kCount = 31026;

class CHookedSliceWnd : public CSliceWnd
{
public:
    int m_nChanged = 0;
protected:
    int OnClipChanged() override
    {
        ++m_nChanged;
        return 0;
    }
};

// Three prints on a lid, tilted, in reading order.
const CTiltRect kPrints[] = {{200, 170, 240, 160, 6}, {590, 180, 220, 170, -4}, {380, 440, 300, 180, 2}};
const Rgb kInks[] = {{200, 40, 40}, {40, 160, 60}, {40, 60, 190}};

CDib ThreePrints()
{
    CDib sheet = Sheet(800, 600, kLid);
    for (int i = 0; i < 3; ++i)
        PaintFlat(sheet, kPrints[i], kInks[i]);
    AddNoise(sheet, 3);
    return sheet;
}

class SliceHopTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AfxGetApp()->SetProfileName(m_folder.File("host.ini"));
        ASSERT_TRUE(CreateHostWindow(m_host, 40, 40, 460, 300));
        // No border: the client area is 200 x 100, so a 200 x 100 picture shows pixel for pixel.
        ASSERT_TRUE(m_clip.Create(WS_VISIBLE, CRect(20, 20, 220, 120), 0, &m_host));
    }
    void TearDown() override { AfxGetApp()->SetProfileName(nullptr); }

    void Key(UINT vk) { m_clip.SendMessage(WM_KEYDOWN, vk, 1); }
    void Drag(CPoint from, CPoint to)
    {
        m_clip.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
        for (int i = 1; i <= 4; ++i)
            m_clip.SendMessage(WM_MOUSEMOVE, MK_LBUTTON,
                               MAKELPARAM(from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4));
        m_clip.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    }
    // A corner of the turned box, on the screen.
    CPoint Corner(int k)
    {
        CTiltRect box = CTiltRect::FromRect(m_clip.GetClipRect());
        box.angle = m_clip.GetClipAngle();
        double x[4], y[4];
        box.GetCorners(x, y);
        return m_clip.PictureToClient(x[k], y[k]);
    }

    TestFolder m_folder;
    CClipHost m_host;
    CHookedSliceWnd m_clip;
};

} // namespace

TEST_F(SliceHopTest, GridHopsThroughItsCellsAndStopsAfterTheLast)
{
    m_clip.SetClipFlag(KX_CLIP_FREE, 0, 0);
    m_clip.SetHopMode(KX_HOP_GRID);
    m_clip.SetHopParam(10, 10, 20, 20, 2, 2);   // cells 130 x 80
    const CDib picture = Ramp(300, 200);
    m_clip.UpdateDib(&picture);
    ASSERT_TRUE(m_clip.CanHop());
    EXPECT_EQ(0, m_clip.GetHopIndex()) << "a new picture starts at the first cell";
    EXPECT_EQ(CRect(10, 10, 140, 90), m_clip.GetClipRect());
    EXPECT_EQ("", RegionDifference(picture, CRect(10, 10, 140, 90), FromHandle(m_clip.ClipImage())));

    const CRect cells[] = {{160, 10, 290, 90}, {10, 110, 140, 190}, {160, 110, 290, 190}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(i + 1, m_clip.HopNext(1));
        EXPECT_EQ(cells[i], m_clip.GetClipRect());
    }
    EXPECT_EQ(-1, m_clip.HopNext(1)) << "no position after the last";
    EXPECT_EQ(cells[2], m_clip.GetClipRect()) << "the box stays at the last";
    EXPECT_EQ(2, m_clip.HopNext(-1));
    EXPECT_EQ(cells[1], m_clip.GetClipRect());
    EXPECT_TRUE(m_host.m_changes.empty()) << "hopping in code tells nobody; the caller refreshes";

    // A fixed-size box steps by its own size from the margins; a ratio is the largest in a cell.
    m_clip.SetClipFlag(KX_CLIP_SIZE, 50, 40);
    EXPECT_EQ(0, m_clip.HopNext(1));
    EXPECT_EQ(CRect(10, 10, 60, 50), m_clip.GetClipRect());
    EXPECT_EQ(1, m_clip.HopNext(1));
    EXPECT_EQ(CRect(80, 10, 130, 50), m_clip.GetClipRect());
    m_clip.SetClipFlag(KX_CLIP_RATIO, 1, 1);
    EXPECT_EQ(0, m_clip.HopNext(1));
    EXPECT_EQ(CRect(35, 10, 115, 90), m_clip.GetClipRect());

    m_clip.SetHopMode(KX_HOP_NONE);
    EXPECT_FALSE(m_clip.CanHop());
    EXPECT_EQ(-1, m_clip.HopNext(1));
    EXPECT_EQ(CRect(35, 10, 115, 90), m_clip.GetClipRect());
}

TEST_F(SliceHopTest, PageKeysHopAndReportTheChange)
{
    m_clip.SetHopMode(KX_HOP_GRID);
    m_clip.SetHopParam(0, 0, 0, 0, 2, 1);
    const CDib picture = Ramp(200, 100);
    m_clip.UpdateDib(&picture);
    m_clip.ShowClipbox();
    ASSERT_EQ(CRect(0, 0, 100, 100), m_clip.GetClipRect());
    m_clip.m_nChanged = 0;

    Key(VK_NEXT);
    EXPECT_EQ(CRect(100, 0, 200, 100), m_clip.GetClipRect());
    ASSERT_EQ(1u, m_host.m_changes.size());
    EXPECT_EQ(1, m_clip.m_nChanged);
    Key(VK_NEXT);
    EXPECT_EQ(1u, m_host.m_changes.size()) << "at the last position Page Down changes nothing";
    Key(VK_PRIOR);
    EXPECT_EQ(CRect(0, 0, 100, 100), m_clip.GetClipRect());
    EXPECT_EQ(2u, m_host.m_changes.size());
}

TEST_F(SliceHopTest, DetectionHopsThroughThePrintsWithTheirTiltsAndCutsThemUpright)
{
    m_clip.SetHopMode(KX_HOP_DETECT);
    const CDib sheet = ThreePrints();
    m_clip.UpdateDib(&sheet);
    ASSERT_TRUE(m_clip.CanHop());
    ASSERT_EQ(3u, m_clip.GetHopPositions().size());
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            ASSERT_EQ(i, m_clip.HopNext(1));
        }
        const CRect rc = m_clip.GetClipRect();
        EXPECT_NEAR(kPrints[i].cx, (rc.left + rc.right) / 2.0, 1.0) << "print " << i;
        EXPECT_NEAR(kPrints[i].cy, (rc.top + rc.bottom) / 2.0, 1.0) << "print " << i;
        EXPECT_NEAR(kPrints[i].width, rc.Width(), 1.5) << "print " << i;
        EXPECT_NEAR(kPrints[i].height, rc.Height(), 1.5) << "print " << i;
        EXPECT_NEAR(kPrints[i].angle, m_clip.GetClipAngle(), 0.1) << "print " << i;

        // Cut upright: nothing of the lid inside, only the print's ink.
        const CDib clip = FromHandle(m_clip.ClipImage());
        ASSERT_NEAR(kPrints[i].width, clip.GetWidth(), 1.5);
        int foreign = 0;
        for (int y = 3; y < clip.GetHeight() - 3; ++y)
            for (int x = 3; x < clip.GetWidth() - 3; ++x) {
                const BYTE* p = clip.GetLine(y) + 3 * x;
                foreign += std::abs(p[2] - kInks[i].r) > 12 || std::abs(p[1] - kInks[i].g) > 12 || std::abs(p[0] - kInks[i].b) > 12;
            }
        EXPECT_EQ(0, foreign) << "print " << i << ": pixels not of the print inside the clip";
    }
    EXPECT_EQ(-1, m_clip.HopNext(1));

    // The user's turn of the box, then back to the print's tilt.
    m_clip.ShowClipbox();
    const double found = m_clip.GetClipAngle();
    Key(VK_OEM_6);
    EXPECT_NEAR(found + 0.1, m_clip.GetClipAngle(), 1e-9);
    m_clip.ResetAngle();
    EXPECT_EQ(found, m_clip.GetClipAngle());

    // A sheet without prints has nowhere to hop, and Page Down does nothing.
    const CDib blank = Sheet(800, 600, kLid);
    m_clip.UpdateDib(&blank);
    EXPECT_FALSE(m_clip.CanHop());
    const size_t changes = m_host.m_changes.size();
    Key(VK_NEXT);
    EXPECT_EQ(changes, m_host.m_changes.size());
}

TEST_F(SliceHopTest, TurnedBoxIsDrawnTurnedAndDraggedByItsTurnedCorners)
{
    const CDib picture = Sheet(200, 100, {200, 100, 40});
    m_clip.UpdateDib(&picture);
    m_clip.SetClipFlag(KX_CLIP_FREE, 0, 0);
    m_clip.ShowClipbox();
    m_clip.SetClipRect(CRect(50, 20, 150, 80));
    m_clip.SetClipAngle(20);
    m_clip.Invalidate(FALSE);
    m_clip.UpdateWindow();
    const Capture cap = CaptureClient(m_clip.m_hWnd);
    EXPECT_TRUE(Near(RGB(100, 50, 20), cap.At(53, 23))) << "inside the upright rectangle, outside the turned box: dimmed";
    EXPECT_TRUE(Near(RGB(200, 100, 40), cap.At(152, 42))) << "outside the upright rectangle, inside the turned box";
    EXPECT_TRUE(Near(RGB(200, 100, 40), cap.At(100, 50)));

    // The bottom-right handle is where the turned corner is; the opposite corner stays put.
    const CPoint topLeft = Corner(0), bottomRight = Corner(2);
    Drag(bottomRight, CPoint(bottomRight.x + 10, bottomRight.y + 4));
    EXPECT_NEAR(20, m_clip.GetClipAngle(), 1e-9);
    EXPECT_GT(m_clip.GetClipRect().Width(), 100) << "the box grew";
    const CPoint after = Corner(0);
    EXPECT_LE(std::abs(after.x - topLeft.x), 1);
    EXPECT_LE(std::abs(after.y - topLeft.y), 1);
    ASSERT_EQ(1u, m_host.m_changes.size());
    EXPECT_EQ((UINT)KX_CLIP_RESIZED, m_host.m_changes[0]);

    // A box drawn anew by hand is upright.
    Drag(CPoint(5, 5), CPoint(40, 30));
    EXPECT_EQ(0, m_clip.GetClipAngle());
    EXPECT_EQ(CRect(5, 5, 40, 30), m_clip.GetClipRect());
}

TEST_F(SliceHopTest, OptionsDialogShowsThePositionsAndStoresWhatWasConfirmed)
{
    m_clip.EnableHopProfile("SliceWnd", KX_HOP_NONE);
    const CDib sheet = ThreePrints();
    m_clip.UpdateDib(&sheet);
    m_clip.ShowClipbox();

    UiScript script;
    CString refused;
    script.OnDialog("定位设置", [](UiWindow w) {
              EXPECT_TRUE(w.IsChecked(kModeNone));
              EXPECT_FALSE(w.IsEnabled(kRows));
              EXPECT_EQ(CString("剪裁框留在放置的位置"), w.Text(kCount));
              w.ClickNow(kModeDetect);
              EXPECT_EQ(CString("当前图像: 3 个位置"), w.Text(kCount));
              EXPECT_FALSE(w.IsEnabled(kRows)) << "the prints need no grid";
              w.ClickNow(kModeGrid);
              EXPECT_TRUE(w.IsEnabled(kRows));
              w.TypeKeys(kRows, "2");
              w.TypeKeys(kCols, "3");
              EXPECT_EQ(CString("当前图像: 6 个位置"), w.Text(kCount));
              w.TypeKeys(kRows, "0");
              EXPECT_EQ(CString(""), w.Text(kCount)) << "no count for a grid that cannot be";
              w.Click(IDOK);
          })
        .AnswerMessageBox(IDOK, &refused)
        .OnDialog("定位设置", [](UiWindow w) {
              w.TypeKeys(kRows, "2");
              w.SelectCombo(31025, HOP_ORDER_COLUMNS);
              w.Click(IDOK);
          });
    EXPECT_EQ(IDOK, script.Run([&] { return (INT_PTR)m_clip.DlgHopOpt(); }));
    EXPECT_NE(-1, refused.Find("100")) << (const char*)refused;
    EXPECT_EQ(KX_HOP_GRID, m_clip.GetHopMode());
    EXPECT_EQ(2, m_clip.GetHopGrid().nRows);
    EXPECT_EQ(3, m_clip.GetHopGrid().nCols);
    EXPECT_EQ(HOP_ORDER_COLUMNS, m_clip.GetHopGrid().nOrder);
    EXPECT_EQ(CRect(0, 0, 266, 300), m_clip.GetClipRect()) << "the box goes to the first cell";
    ASSERT_EQ(1u, m_host.m_changes.size());
    EXPECT_EQ(1, m_clip.HopNext(1));
    EXPECT_EQ(CRect(0, 300, 266, 600), m_clip.GetClipRect()) << "column by column";
    EXPECT_EQ(1, (int)AfxGetApp()->GetProfileInt("SliceWnd", "Hop mode", -1));
    EXPECT_EQ(3, (int)AfxGetApp()->GetProfileInt("SliceWnd", "Hop columns", -1));
    EXPECT_EQ(1, (int)AfxGetApp()->GetProfileInt("SliceWnd", "Hop order", -1));

    UiScript cancel;
    cancel.OnDialog("定位设置", [](UiWindow w) {
        EXPECT_TRUE(w.IsChecked(kModeGrid));
        EXPECT_EQ(CString("3"), w.Text(kCols));
        w.ClickNow(kModeDetect);
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, cancel.Run([&] { return (INT_PTR)m_clip.DlgHopOpt(); }));
    EXPECT_EQ(KX_HOP_GRID, m_clip.GetHopMode());
    EXPECT_EQ(1, (int)AfxGetApp()->GetProfileInt("SliceWnd", "Hop mode", -1));
}

TEST_F(SliceHopTest, StoredOptionsAreReadWithinTheirLimits)
{
    m_clip.EnableHopProfile("SliceWnd", KX_HOP_DETECT);
    EXPECT_EQ(KX_HOP_DETECT, m_clip.GetHopMode()) << "nothing stored: the default mode";
    EXPECT_EQ(1, m_clip.GetHopGrid().nRows);

    // As a hand might have left the file.
    CWinApp* app = AfxGetApp();
    app->WriteProfileString("SliceWnd", "Hop mode", "7");
    app->WriteProfileString("SliceWnd", "Hop rows", "-3");
    app->WriteProfileString("SliceWnd", "Hop columns", "100000");
    app->WriteProfileString("SliceWnd", "Hop left", "abc");
    app->WriteProfileString("SliceWnd", "Hop hgap", "99999999999");
    app->WriteProfileString("SliceWnd", "Hop order", "9");
    CSliceWnd other;
    other.EnableHopProfile("SliceWnd", KX_HOP_NONE);
    EXPECT_EQ(KX_HOP_DETECT, other.GetHopMode());
    EXPECT_EQ(1, other.GetHopGrid().nRows);
    EXPECT_EQ(100, other.GetHopGrid().nCols);
    EXPECT_EQ(0, other.GetHopGrid().nLeft);
    EXPECT_LE(other.GetHopGrid().nHGap, 65535);
    EXPECT_GE(other.GetHopGrid().nHGap, 0);
    EXPECT_EQ(HOP_ORDER_COLUMNS_RTL, other.GetHopGrid().nOrder);
}
