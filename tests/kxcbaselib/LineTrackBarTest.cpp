// CLineTrackBar in a dialog made from a template that places it as a KX_LINE_TRACKBAR_CTRL
// custom control, with its buddy edit beside it.
#include "resource.h"
#include <LineTrackBar.h>
#include <UiDriver.h>
#include <gtest/gtest.h>
#include <cstdlib>
#include <vector>

namespace {

// What the parent saw of one notification.
struct Notice
{
    WORD code;
    int pos;
    CString buddy;   // the buddy's text when the notice arrived
};

// How the buddy's change handler answers, as the dialogs of the library do.
enum class BuddyHandler
{
    None,        // only count the changes
    AskSlider,   // when NeedSendMessage(), SetPos(typed value, 0)
    Always,      // SetPos(atoi(text), 1) whatever the source of the change
};

class CSliderDlg : public CDialog
{
public:
    CSliderDlg() : CDialog(IDD_CONTROL_TEST) {}

    CLineTrackBar m_slider;
    int m_nMin = -100;
    int m_nMax = 100;
    int m_nTrackNotify = 1;
    bool m_bLastValNotice = false;
    BuddyHandler m_handler = BuddyHandler::None;

    std::vector<Notice> m_notices;
    int m_nBuddyChanges = 0;
    std::vector<int> m_needSend;   // NeedSendMessage() as seen by each change

    void ClearLog()
    {
        m_notices.clear();
        m_nBuddyChanges = 0;
        m_needSend.clear();
    }
    CString Buddy() const
    {
        CString s;
        GetDlgItemText(IDC_BUDDY, s);
        return s;
    }

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_slider.SubclassDlgItem(IDC_SLIDER, this);
        m_slider.InitControl(IDC_BUDDY, 0, m_nMin, 0, m_nMax, 1, m_nTrackNotify, 0);
        m_slider.SetLastValNotice(m_bLastValNotice);
        return TRUE;
    }

    LRESULT OnSliderChanged(WPARAM wParam, LPARAM lParam)
    {
        EXPECT_EQ(IDC_SLIDER, (int)LOWORD(wParam));
        EXPECT_EQ(m_slider.GetPos(), (int)lParam);
        m_notices.push_back({ HIWORD(wParam), (int)lParam, Buddy() });
        return 0;
    }

    void OnChangeBuddy()
    {
        ++m_nBuddyChanges;
        // A handler that re-enters without end would overflow the stack; stop it and fail.
        ASSERT_LT(m_nBuddyChanges, 50) << "the buddy's change handler keeps re-entering";
        const int need = m_slider.NeedSendMessage();
        m_needSend.push_back(need);
        const int typed = std::atoi(Buddy());
        if (m_handler == BuddyHandler::AskSlider && need)
            m_slider.SetPos(typed, 0);
        else if (m_handler == BuddyHandler::Always)
            m_slider.SetPos(typed, 1);
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSliderDlg, CDialog)
    ON_MESSAGE(WM_KX_SLIDER_CHANGED, OnSliderChanged)
    ON_EN_CHANGE(IDC_BUDDY, OnChangeBuddy)
END_MESSAGE_MAP()

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// A modeless instance of the dialog for the cases that need no modal loop.
class LineTrackBarTest : public ::testing::Test
{
protected:
    void Open()
    {
        ASSERT_TRUE(m_dlg.Create(IDD_CONTROL_TEST));
        m_slider = m_dlg.GetDlgItem(IDC_SLIDER)->m_hWnd;
        ::GetClientRect(m_slider, &m_client);
        m_dlg.ClearLog();
    }
    void TearDown() override
    {
        if (m_dlg.m_hWnd)
            m_dlg.DestroyWindow();
    }
    // A drag along the middle of the slider through the given x positions, sent synchronously.
    void Drag(std::initializer_list<int> xs)
    {
        const int y = m_client.bottom / 2;
        auto it = xs.begin();
        ::SendMessageA(m_slider, WM_LBUTTONDOWN, MK_LBUTTON, At(*it, y));
        for (++it; it != xs.end(); ++it)
            ::SendMessageA(m_slider, WM_MOUSEMOVE, MK_LBUTTON, At(*it, y));
        ::SendMessageA(m_slider, WM_LBUTTONUP, 0, At(*(xs.end() - 1), y));
    }
    void Press(UINT vk)
    {
        ::SendMessageA(m_slider, WM_KEYDOWN, vk, 1);
        ::SendMessageA(m_slider, WM_KEYUP, vk, 0xC0000001);
    }

    CSliderDlg m_dlg;
    HWND m_slider = nullptr;
    CRect m_client;
};

} // namespace

// The user's way in: a drag and keys posted through the real modal loop, so the dialog manager
// must leave the arrow keys to the slider.
TEST(LineTrackBarUser, DragAndKeysNotifyTheParentAndShowTheValueInTheBuddy)
{
    ::SetCursorPos(0, 0);   // the real pointer stays out of the way of the captured drag
    CSliderDlg dlg;
    dlg.m_bLastValNotice = true;
    int width = 0;
    UiScript script;
    script.OnDialog("Control test", [&](UiWindow w) {
        EXPECT_EQ("KX_LINE_TRACKBAR_CTRL", w.ClassName(IDC_SLIDER));
        EXPECT_EQ("0", w.Text(IDC_BUDDY)) << "InitControl shows the position";
        dlg.ClearLog();
        HWND s = w.Item(IDC_SLIDER);
        RECT rc;
        ::GetClientRect(s, &rc);
        width = rc.right;
        const int y = rc.bottom / 2;
        ::PostMessageA(s, WM_LBUTTONDOWN, MK_LBUTTON, At(0, y));
        ::PostMessageA(s, WM_MOUSEMOVE, MK_LBUTTON, At(rc.right / 2, y));
        ::PostMessageA(s, WM_MOUSEMOVE, MK_LBUTTON, At(rc.right + 30, y));
        ::PostMessageA(s, WM_LBUTTONUP, 0, At(rc.right + 30, y));
    });
    script.Until("the drag's closing notice", [&] {
        return !dlg.m_notices.empty() && dlg.m_notices.back().code == KX_SLIDER_LAST_VALUE;
    });
    script.OnDialog("Control test", [&](UiWindow w) {
        EXPECT_TRUE(w.HasFocus(IDC_SLIDER)) << "a click gives the slider the focus";
        w.Key(VK_LEFT);
    });
    script.Until("Left arrow", [&] { return dlg.m_slider.GetPos() == 99; });
    script.OnDialog("Control test", [](UiWindow w) { w.Key(VK_HOME); });
    script.Until("Home", [&] { return dlg.m_slider.GetPos() == -100; });
    script.OnDialog("Control test", [](UiWindow w) { w.Key(VK_NEXT); });
    script.Until("Page Down", [&] { return dlg.m_slider.GetPos() == -80; });
    script.OnDialog("Control test", [](UiWindow w) { w.Click(IDOK); });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));

    ASSERT_GT(width, 0);
    const WORD M = KX_SLIDER_MOVED, L = KX_SLIDER_LAST_VALUE;
    const std::vector<std::pair<WORD, int>> expected = {
        { M, -100 }, { M, 0 }, { M, 100 }, { L, 100 },   // press at the left end, drag past the right
        { M, 99 }, { L, 99 },                              // Left arrow: one line
        { M, -100 }, { L, -100 },                          // Home
        { M, -80 }, { L, -80 },                            // Page Down: a tenth of the range
    };
    ASSERT_EQ(expected.size(), dlg.m_notices.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "notice " << i);
        EXPECT_EQ(expected[i].first, dlg.m_notices[i].code);
        if (i == 1)   // the middle of the track, within a pixel's worth of the range
            EXPECT_NEAR(0, dlg.m_notices[i].pos, 200 / width + 1);
        else
            EXPECT_EQ(expected[i].second, dlg.m_notices[i].pos);
        CString shown;
        shown.Format("%d", dlg.m_notices[i].pos);
        EXPECT_EQ(shown, dlg.m_notices[i].buddy) << "the buddy is written before the parent hears";
    }
}

TEST_F(LineTrackBarTest, SetPosNotifiesOnlyWhenAskedAndKeepsToTheRange)
{
    Open();
    m_dlg.m_slider.SetPos(30, 0);
    EXPECT_EQ(30, m_dlg.m_slider.GetPos());
    EXPECT_EQ("30", m_dlg.Buddy());
    EXPECT_TRUE(m_dlg.m_notices.empty());

    // With notification the parent hears even when the position stays: dialogs ask for their
    // preview this way.
    m_dlg.m_slider.SetPos(30, 1);
    ASSERT_EQ(1u, m_dlg.m_notices.size());
    EXPECT_EQ(KX_SLIDER_MOVED, m_dlg.m_notices[0].code);
    EXPECT_EQ(30, m_dlg.m_notices[0].pos);

    m_dlg.m_slider.SetPos(500, 0);
    EXPECT_EQ(100, m_dlg.m_slider.GetPos());
    EXPECT_EQ("100", m_dlg.Buddy());
    m_dlg.m_slider.SetPos(-500, 1);
    EXPECT_EQ(-100, m_dlg.m_slider.GetPos());
    EXPECT_EQ(-100, m_dlg.m_notices.back().pos);

    // A range given the wrong way round, and a start outside it.
    m_dlg.m_slider.InitControl(IDC_BUDDY, 0, 50, 80, 0);
    EXPECT_EQ(0, m_dlg.m_slider.GetRangeMin());
    EXPECT_EQ(50, m_dlg.m_slider.GetRangeMax());
    EXPECT_EQ(50, m_dlg.m_slider.GetPos());
    EXPECT_EQ("50", m_dlg.Buddy());
    EXPECT_EQ(2u, m_dlg.m_notices.size()) << "InitControl does not notify";

    // Keys at the ends of the range change nothing and tell nobody.
    m_dlg.ClearLog();
    Press(VK_END);
    Press(VK_RIGHT);
    Press(VK_NEXT);
    EXPECT_EQ(50, m_dlg.m_slider.GetPos());
    EXPECT_TRUE(m_dlg.m_notices.empty());
}

TEST_F(LineTrackBarTest, BuddyIsNotRewrittenWhenItAlreadyShowsThePosition)
{
    m_dlg.m_handler = BuddyHandler::AskSlider;
    Open();
    m_dlg.m_slider.SetPos(40, 0);
    EXPECT_EQ(1, m_dlg.m_nBuddyChanges);
    EXPECT_EQ(std::vector<int>{ 0 }, m_dlg.m_needSend) << "the slider's own write needs no applying";
    m_dlg.m_slider.SetPos(40, 0);
    m_dlg.m_slider.SetPos(40, 1);
    EXPECT_EQ(1, m_dlg.m_nBuddyChanges);

    // The user types another spelling of the position, then another value: each change is the
    // user's, and the handler's SetPos leaves the text as typed.
    m_dlg.ClearLog();
    m_dlg.SetDlgItemText(IDC_BUDDY, "040");
    m_dlg.SetDlgItemText(IDC_BUDDY, " -7 ");
    EXPECT_EQ(2, m_dlg.m_nBuddyChanges);
    EXPECT_EQ((std::vector<int>{ 1, 1 }), m_dlg.m_needSend);
    EXPECT_EQ(-7, m_dlg.m_slider.GetPos());
    EXPECT_EQ(" -7 ", m_dlg.Buddy());
    EXPECT_TRUE(m_dlg.m_notices.empty());

    // A value beyond the range moves the slider to the end and the buddy shows where it went.
    m_dlg.ClearLog();
    m_dlg.SetDlgItemText(IDC_BUDDY, "250");
    EXPECT_EQ(100, m_dlg.m_slider.GetPos());
    EXPECT_EQ("100", m_dlg.Buddy());
    EXPECT_EQ((std::vector<int>{ 1, 0 }), m_dlg.m_needSend);
}

TEST_F(LineTrackBarTest, PositionFromTheBuddyLeavesTheTypedTextAlone)
{
    Open();
    // What a dialog does while the user types "-", "" or a value beyond the range: the slider
    // moves, the parent hears, and the text stays as it is until the slider shows itself again.
    const struct { const char* typed; int pos; } cases[] = { { "-", 0 }, { "", 0 }, { "-3", -3 }, { "250", 100 } };
    for (const auto& c : cases) {
        m_dlg.SetDlgItemText(IDC_BUDDY, c.typed);
        m_dlg.ClearLog();
        m_dlg.m_slider.SetPosFromBuddy(std::atoi(c.typed), 1);
        EXPECT_EQ(c.pos, m_dlg.m_slider.GetPos()) << c.typed;
        EXPECT_EQ(c.typed, m_dlg.Buddy());
        EXPECT_EQ(0, m_dlg.m_nBuddyChanges) << c.typed;
        ASSERT_EQ(1u, m_dlg.m_notices.size()) << c.typed;
        EXPECT_EQ(c.pos, m_dlg.m_notices[0].pos);
    }
    m_dlg.ClearLog();
    m_dlg.m_slider.SetPosFromBuddy(-40, 0);
    EXPECT_TRUE(m_dlg.m_notices.empty());
    m_dlg.m_slider.SetPos(m_dlg.m_slider.GetPos(), 0);
    EXPECT_EQ("-40", m_dlg.Buddy()) << "SetPos shows the position again";
}

TEST_F(LineTrackBarTest, HandlerThatAlwaysSetsThePositionComesToRest)
{
    // The adjustment dialogs set the slider from every change of the edit, with notification.
    m_dlg.m_handler = BuddyHandler::Always;
    Open();
    m_dlg.SetDlgItemText(IDC_BUDDY, "abc");
    EXPECT_EQ(0, m_dlg.m_slider.GetPos());
    EXPECT_EQ("0", m_dlg.Buddy());
    EXPECT_EQ(2, m_dlg.m_nBuddyChanges) << "the typed text, then the slider's one correction";

    m_dlg.ClearLog();
    Drag({ m_client.right - 1 });
    EXPECT_EQ(100, m_dlg.m_slider.GetPos());
    EXPECT_EQ("100", m_dlg.Buddy());
    EXPECT_EQ(1, m_dlg.m_nBuddyChanges);
}

TEST_F(LineTrackBarTest, GestureEndingsFollowTheNotificationFlags)
{
    m_dlg.m_nTrackNotify = 0;
    Open();
    // Without tracking notification a drag tells the parent once, at the release.
    Drag({ 0, m_client.right / 2, m_client.right });
    ASSERT_EQ(1u, m_dlg.m_notices.size());
    EXPECT_EQ(100, m_dlg.m_notices[0].pos);
    EXPECT_EQ(KX_SLIDER_MOVED, m_dlg.m_notices[0].code);

    // Grabbing the thumb and letting go without moving it is no change at all.
    m_dlg.ClearLog();
    Drag({ m_client.right - 4 });
    EXPECT_TRUE(m_dlg.m_notices.empty());

    // The closing notice comes once per gesture that changed something, after the moves.
    m_dlg.m_slider.SetLastValNotice(1);
    m_dlg.ClearLog();
    Drag({ 0 });
    Press(VK_RIGHT);
    Press(VK_HOME);
    const WORD M = KX_SLIDER_MOVED, L = KX_SLIDER_LAST_VALUE;
    const std::vector<std::pair<WORD, int>> expected = {
        { M, -100 }, { L, -100 }, { M, -99 }, { L, -99 }, { M, -100 }, { L, -100 }
    };
    ASSERT_EQ(expected.size(), m_dlg.m_notices.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].first, m_dlg.m_notices[i].code) << "notice " << i;
        EXPECT_EQ(expected[i].second, m_dlg.m_notices[i].pos) << "notice " << i;
    }
}
