// CWndTipCtrl: where the tip shows, what it holds, and when it goes away.
#include "TestWindows.h"
#include <WndTipCtrl.h>
#include <gtest/gtest.h>

namespace {

class WndTipCtrlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateHostWindow(m_owner, 40, 40, 200, 120));
        ASSERT_TRUE(m_tip.Create(&m_owner));
        m_tip.SetAutoHideDelay(60000);
    }
    CRect TipRect() const
    {
        CRect rc;
        m_tip.GetWindowRect(&rc);
        return rc;
    }

    CWnd m_owner;
    CWndTipCtrl m_tip;
};

} // namespace

TEST_F(WndTipCtrlTest, ShowsAtThePointWithTheSampleBelowTheName)
{
    EXPECT_FALSE(m_tip.IsWindowVisible()) << "created hidden";
    m_tip.ShowTips(CPoint(300, 200), "Arial");
    ASSERT_TRUE(m_tip.IsWindowVisible());
    const CRect nameOnly = TipRect();
    EXPECT_EQ(CPoint(300, 200), nameOnly.TopLeft());
    EXPECT_GT(nameOnly.Width(), 10);
    EXPECT_EQ(m_owner.m_hWnd, ::GetWindow(m_tip.m_hWnd, GW_OWNER));
    EXPECT_NE(m_tip.m_hWnd, ::GetActiveWindow()) << "a tip never takes the activation";

    // The next call replaces the tip; a sample makes it taller and is drawn below the name.
    m_tip.ShowTips(CPoint(320, 240), "Arial", "AaBbCc 123\r\nsecond line");
    const CRect withSample = TipRect();
    EXPECT_EQ(CPoint(320, 240), withSample.TopLeft());
    EXPECT_GT(withSample.Height(), nameOnly.Height() + 10);
    EXPECT_EQ("AaBbCc 123\r\nsecond line", m_tip.GetSampleText());
    m_tip.UpdateWindow();
    Capture cap = CaptureClient(m_tip.m_hWnd);
    const COLORREF back = ::GetSysColor(COLOR_INFOBK);
    int inked = 0;
    for (int y = nameOnly.Height(); y < cap.height; ++y)
        for (int x = 0; x < cap.width; ++x)
            inked += !Near(back, cap.At(x, y), 40);
    EXPECT_GT(inked, 20) << "the sample line was drawn";

    m_tip.HideTips();
    EXPECT_FALSE(m_tip.IsWindowVisible());
}

TEST_F(WndTipCtrlTest, StaysInsideTheWorkArea)
{
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    ::GetMonitorInfoA(::MonitorFromWindow(m_owner.m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
    m_tip.ShowTips(CPoint(mi.rcWork.right - 3, mi.rcWork.bottom - 3), "Arial", "A sample that is long enough");
    const CRect rc = TipRect();
    EXPECT_LE(rc.right, mi.rcWork.right);
    EXPECT_LE(rc.bottom, mi.rcWork.bottom);
    EXPECT_GT(rc.Width(), 20);
}

TEST_F(WndTipCtrlTest, HidesByItselfAfterTheDelayOrWhenTheOwnerIsHidden)
{
    m_tip.ShowTips(CPoint(300, 200), "Arial");
    m_owner.ShowWindow(SW_HIDE);
    EXPECT_TRUE(PumpUntil([&] { return !m_tip.IsWindowVisible(); })) << "still shown for a hidden owner";

    m_owner.ShowWindow(SW_SHOWNOACTIVATE);
    m_tip.SetAutoHideDelay(0);
    m_tip.ShowTips(CPoint(300, 200), "Arial");
    EXPECT_TRUE(m_tip.IsWindowVisible());
    EXPECT_TRUE(PumpUntil([&] { return !m_tip.IsWindowVisible(); })) << "still shown after its delay";

    // An empty text is no tip.
    m_tip.ShowTips(CPoint(300, 200), "");
    EXPECT_FALSE(m_tip.IsWindowVisible());
}
