// The progress window over a host main window of the test's own: what it shows while the host
// reports, the time left, stopping, the main window's state, and the messages it keeps moving.
#include <UiDriver.h>
#include <common/ProgressDialog.h>
#include <gtest/gtest.h>
#include <kxcomdlgres.h>
#include "commontestres.h"
#include <ctime>

namespace {

const UINT WM_HOST_PING = WM_APP + 7;

// The host's main window: counts the messages it handles.
class CHostMainWnd : public CWnd
{
public:
    CHostMainWnd()
    {
        CreateEx(0, AfxRegisterWndClass(0), "宿主", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 400, 300, nullptr, nullptr);
        m_pSaved = AfxGetApp()->m_pMainWnd;
        AfxGetApp()->m_pMainWnd = this;
    }
    ~CHostMainWnd() override { AfxGetApp()->m_pMainWnd = m_pSaved; }
    int m_nPings = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_HOST_PING) {
            ++m_nPings;
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }

private:
    CWnd* m_pSaved;
};

// The start time moved back, as if the work had run that long.
class CTestProgress : public CProgressDialog
{
public:
    using CProgressDialog::CProgressDialog;
    void StartedSecondsAgo(int nSeconds) { m_tStartTime = ::time(nullptr) - nSeconds; }
};

CString ItemText(const CProgressDialog& dlg, int id) { return UiWindow(dlg.m_hWnd).Text(id); }

// A left-button click at the centre of the window, through the system's input queue.
void ClickWithMouse(HWND hWnd)
{
    CRect r;
    ::GetWindowRect(hWnd, &r);
    ::SetCursorPos(r.CenterPoint().x, r.CenterPoint().y);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, in, sizeof(INPUT));
}

// Reports a slowly growing percentage, as a host's work does, until the script is done.
INT_PTR WorkUntilDone(CProgressDialog& dlg, UiScript& script)
{
    for (int i = 0; i < 2000 && !script.Done(); ++i) {
        dlg.SetPercentageDone(i / 40);
        ::Sleep(5);
    }
    return dlg.HasBeenCancelled();
}

} // namespace

TEST(ProgressDialog, ShowsTheCaptionDisablesTheMainWindowAndEnablesItAgain)
{
    CHostMainWnd host;
    {
        CProgressDialog dlg(0, "重建缩略图", "确实要终止吗？");
        ASSERT_TRUE(::IsWindow(dlg.m_hWnd));
        EXPECT_EQ(CString("重建缩略图"), UiWindow(dlg.m_hWnd).Caption());
        EXPECT_TRUE(dlg.IsWindowVisible());
        EXPECT_EQ(nullptr, dlg.GetDlgItem(IDC_PROGRESS_STOP)) << "no stop button without option 1";
        EXPECT_EQ(CString("请等待 ..."), ItemText(dlg, IDC_PROGRESS_STATUS));
        EXPECT_FALSE(host.IsWindowEnabled());
        EXPECT_TRUE(dlg.IsWindowEnabled());
        EXPECT_EQ(-1, dlg.DoModal()) << "no modal run of a window that is up";
        EXPECT_TRUE(dlg.DestroyWindow());
        EXPECT_TRUE(host.IsWindowEnabled());
    }
    {
        // Option 4: the main window is not touched; the object's end destroys the window.
        HWND hWnd;
        {
            CProgressDialog dlg(CProgressDialog::optKeepMainEnabled, "", "");
            hWnd = dlg.m_hWnd;
            EXPECT_TRUE(host.IsWindowEnabled());
            host.EnableWindow(FALSE);
        }
        EXPECT_FALSE(::IsWindow(hWnd));
        EXPECT_FALSE(host.IsWindowEnabled()) << "the progress window enabled what it had not disabled";
        host.EnableWindow(TRUE);
    }
    {
        // A main window already disabled by the host's own modal state stays disabled.
        host.EnableWindow(FALSE);
        CProgressDialog dlg(CProgressDialog::optStopButton, "", "");
        dlg.DestroyWindow();
        EXPECT_FALSE(host.IsWindowEnabled());
        host.EnableWindow(TRUE);
    }
    {
        // The id form reads the library's strings whatever the host's resource handle; the
        // status id form reads through the current one, here the test's.
        CProgressDialog dlg(0, IDS_WIZARD_FINISH, IDS_WIZARD_BACK);
        EXPECT_EQ(CString("完成(&E)"), UiWindow(dlg.m_hWnd).Caption());
        dlg.SetStatusString(IDS_TEST_PROGRESS_STATUS);
        EXPECT_EQ(CString("正在处理第一张"), ItemText(dlg, IDC_PROGRESS_STATUS));
        dlg.SetStatusString("coffee.png");
        EXPECT_EQ(CString("coffee.png"), ItemText(dlg, IDC_PROGRESS_STATUS));
    }
}

TEST(ProgressDialog, RemainingTimeIsWholeMinutesOrSecondsOfTheIntegerEstimate)
{
    CHostMainWnd host;
    struct Case { int elapsed; int percent; const char* percentText; const char* remaining; int pos; };
    const Case cases[] = {
        { 60, 50, "50%", "剩余 1 分钟", 50 },       // 60 s left
        { 45, 90, "90%", "剩余 5 秒", 90 },         // 5 s left
        { 800, 10, "10%", "剩余 120 分钟", 10 },    // 7200 s: hours count as minutes
        { 30, 100, "100%", "", 100 },              // nothing left: the label empties
        { 1, 60, "60%", "", 60 },                  // 0 s by integer arithmetic
        { 20, 150, "100%", "", 100 },              // above 100 counts as 100
        { 20, -5, "0%", "未变", 0 },                // below 0 counts as 0: no estimate
        { 20, 0, "0%", "未变", 0 },
    };
    for (const Case& c : cases) {
        CTestProgress dlg(0, "", "");
        dlg.StartedSecondsAgo(c.elapsed);
        dlg.SetDlgItemText(IDC_PROGRESS_REMAINING, "未变");
        dlg.SetPercentageDone(c.percent);
        EXPECT_EQ(CString(c.percentText), ItemText(dlg, IDC_PROGRESS_PERCENT)) << c.percent;
        EXPECT_EQ(CString(c.remaining), ItemText(dlg, IDC_PROGRESS_REMAINING)) << c.elapsed << " s, " << c.percent << "%";
        EXPECT_EQ(c.pos, (int)dlg.SendDlgItemMessage(IDC_PROGRESS_BAR, PBM_GETPOS)) << c.percent;
    }
}

TEST(ProgressDialog, ASecondReportOfThePercentageChangesNothingButStillPumps)
{
    CHostMainWnd host;
    CTestProgress dlg(0, "", "");
    dlg.StartedSecondsAgo(60);
    dlg.SetPercentageDone(50);
    ASSERT_EQ(CString("剩余 1 分钟"), ItemText(dlg, IDC_PROGRESS_REMAINING));
    dlg.StartedSecondsAgo(0);
    dlg.SetDlgItemText(IDC_PROGRESS_PERCENT, "x");
    host.PostMessage(WM_HOST_PING);
    dlg.SetPercentageDone(50);
    EXPECT_EQ(CString("x"), ItemText(dlg, IDC_PROGRESS_PERCENT));
    EXPECT_EQ(CString("剩余 1 分钟"), ItemText(dlg, IDC_PROGRESS_REMAINING));
    EXPECT_EQ(1, host.m_nPings) << "the host's message was handled inside the report";
    host.PostMessage(WM_HOST_PING);
    dlg.SetStatusString("chelsea.png");
    EXPECT_EQ(2, host.m_nPings);

    // A quit request met while pumping is left for the host's loop, with its exit code.
    ::PostQuitMessage(3);
    host.PostMessage(WM_HOST_PING);
    dlg.SetPercentageDone(60);
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(3u, msg.wParam);
}

TEST(ProgressDialog, OnlyTheStopButtonStopsAndTheUserIsAskedOnceAClick)
{
    CHostMainWnd host;
    {
        // No stop button: neither Escape nor the cancel command stops.
        CProgressDialog dlg(0, "无按钮", "");
        dlg.SetFocus();
        UiWindow(dlg.m_hWnd).Key(VK_ESCAPE);
        dlg.PostMessage(WM_CHAR, VK_ESCAPE, 1);
        dlg.PostMessage(WM_COMMAND, IDCANCEL);
        dlg.SetPercentageDone(10);
        EXPECT_FALSE(dlg.HasBeenCancelled());
        EXPECT_TRUE(dlg.IsWindowVisible()) << "the window stays for the host to close";
    }
    {
        CProgressDialog dlg(CProgressDialog::optStopButton, "按 Esc", "");
        dlg.GetDlgItem(IDC_PROGRESS_STOP)->SetFocus();
        UiWindow(dlg.m_hWnd).Key(VK_ESCAPE);
        dlg.SetPercentageDone(10);
        EXPECT_TRUE(dlg.HasBeenCancelled());
        EXPECT_TRUE(::IsWindow(dlg.m_hWnd));
    }
    {
        CProgressDialog dlg(CProgressDialog::optStopButton, "单击", "");
        dlg.SetPercentageDone(5);
        // A click the system has not yet placed (the window just up) is given again.
        DWORD clickAgain = 0;
        UiScript script;
        script.Until("stopped", [&] {
            if (dlg.HasBeenCancelled())
                return true;
            if (::GetTickCount() >= clickAgain) {
                ClickWithMouse(dlg.GetDlgItem(IDC_PROGRESS_STOP)->m_hWnd);
                clickAgain = ::GetTickCount() + 700;
            }
            return false;
        });
        EXPECT_TRUE(script.Run([&] { return WorkUntilDone(dlg, script); }));
    }
    {
        // Asked first: No goes on working (and is not asked again for the same click), Yes stops.
        CProgressDialog dlg(CProgressDialog::optStopButton | CProgressDialog::optConfirmStop, "确认", "确实要终止吗？");
        dlg.SetPercentageDone(5);
        CString question;
        bool askedAgain = false;
        DWORD quietUntil = 0;
        UiScript script;
        DWORD clickAgain = 0;
        script.Until("asked", [&] {
            HWND h = ActiveDialogWindow();
            if (h && ::GetDlgItem(h, 0xFFFF))
                return true;
            if (::GetTickCount() >= clickAgain) {
                ClickWithMouse(dlg.GetDlgItem(IDC_PROGRESS_STOP)->m_hWnd);
                clickAgain = ::GetTickCount() + 700;
            }
            return false;
        });
        script.AnswerMessageBox(IDNO, &question);
        script.Until("no second question", [&] {
            if (!quietUntil)
                quietUntil = ::GetTickCount() + 400;
            HWND h = ActiveDialogWindow();
            if (h && ::GetDlgItem(h, 0xFFFF)) {
                askedAgain = true;
                ::PostMessageA(::GetDlgItem(h, IDNO), BM_CLICK, 0, 0);
                return true;
            }
            return ::GetTickCount() > quietUntil;
        });
        EXPECT_FALSE(script.Run([&] { return WorkUntilDone(dlg, script); })) << "a No leaves the work running";
        EXPECT_EQ(CString("确实要终止吗？"), question);
        EXPECT_FALSE(askedAgain);

        UiScript again;
        again.Until("click", [&] { dlg.GetDlgItem(IDC_PROGRESS_STOP)->PostMessage(BM_CLICK); return true; });
        again.AnswerMessageBox(IDYES);
        again.Until("stopped", [&] { return dlg.HasBeenCancelled() != FALSE; });
        EXPECT_TRUE(again.Run([&] { return WorkUntilDone(dlg, again); }));
        EXPECT_FALSE(host.IsWindowEnabled()) << "still working: the host closes the window";
    }
    EXPECT_TRUE(host.IsWindowEnabled());
}
