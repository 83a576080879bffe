// A host's wizard of three pages, each a number of pictures, driven through its Back and Next
// buttons; and a host's expanding dialog, driven through its button.
#include <UiDriver.h>
#include <common/ExpandDialog.h>
#include <common/WizardDialog.h>
#include <gtest/gtest.h>
#include "commontestres.h"

namespace {

const char kWizardCaption[] = "新建相册";
const CString kBack = "<< 上一步(&B)";
const CString kNext = "下一步(&N) >>";
const CString kFinish = "完成(&E)";

class CCountPage : public CWizardPage
{
public:
    CCountPage(const char* title, int count) : CWizardPage(IDD_TEST_WIZ_PAGE), m_nCount(count) { m_strTitle = title; }
    int m_nCount;
    int m_nSaved = 0;   // data exchanges from the controls

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_TEST_PAGE_COUNT, m_nCount);
        DDV_MinMaxInt(pDX, m_nCount, 1, 99);
        m_nSaved += pDX->m_bSaveAndValidate;
    }
};

class CTestWizard : public CWizardDialog
{
public:
    explicit CTestWizard(bool bPageArea = true) : CWizardDialog(IDD_TEST_WIZARD)
    {
        m_nPageAreaID = bPageArea ? IDC_TEST_WIZ_AREA : 0;
        m_nBackID = IDC_TEST_WIZ_BACK;
        m_nNextID = IDC_TEST_WIZ_NEXT;
    }
};

// What the user sees of the wizard: which page shows, the buttons and the title.
struct WizardState
{
    int shown = -1;
    CString title, back, next;
    bool backEnabled = false, nextEnabled = false;
};

WizardState Look(UiWindow w, std::initializer_list<CWizardPage*> pages)
{
    WizardState s;
    int i = 0;
    for (CWizardPage* p : pages) {
        if (p->m_hWnd && p->IsWindowVisible())
            s.shown = s.shown == -1 ? i : -2;   // -2: more than one page shows
        ++i;
    }
    s.title = w.Caption();
    s.back = w.Text(IDC_TEST_WIZ_BACK);
    s.next = w.Text(IDC_TEST_WIZ_NEXT);
    s.backEnabled = w.IsEnabled(IDC_TEST_WIZ_BACK);
    s.nextEnabled = w.IsEnabled(IDC_TEST_WIZ_NEXT);
    return s;
}

#define EXPECT_WIZARD(w, pages, shown_, title_, back_, backOn, next_, nextOn) \
    do { \
        const WizardState s_ = Look(w, pages); \
        EXPECT_EQ(shown_, s_.shown); \
        EXPECT_EQ(CString(title_), s_.title); \
        EXPECT_EQ(back_, s_.back); \
        EXPECT_EQ(backOn, s_.backEnabled); \
        EXPECT_EQ(next_, s_.next); \
        EXPECT_EQ(nextOn, s_.nextEnabled); \
    } while (0)

} // namespace

TEST(WizardDialog, NextAndBackWalkThePagesAndFinishTakesEveryPage)
{
    CCountPage first("张数", 4), second("", 8), third("封面", 1);
    CTestWizard wizard;
    wizard.AddPage(&first);
    wizard.AddPage(&second);
    wizard.AddPage(&third);
    UiScript script;
    script.OnDialog("新建相册 - 张数", [&](UiWindow w) {
        const auto pages = { (CWizardPage*)&first, (CWizardPage*)&second, (CWizardPage*)&third };
        EXPECT_WIZARD(w, pages, 0, "新建相册 - 张数", kBack, false, kNext, true);
        CRect area, page;
        ::GetWindowRect(w.Item(IDC_TEST_WIZ_AREA), &area);
        first.GetWindowRect(&page);
        EXPECT_EQ(area, page) << "the page takes the page area";
        EXPECT_FALSE(w.IsVisible(IDC_TEST_WIZ_AREA));
        EXPECT_EQ(CString("4"), UiWindow(first.m_hWnd).Text(IDC_TEST_PAGE_COUNT));

        UiWindow(first.m_hWnd).TypeKeys(IDC_TEST_PAGE_COUNT, "12");
        w.ClickNow(IDC_TEST_WIZ_NEXT);
        EXPECT_WIZARD(w, pages, 1, "新建相册", kBack, true, kNext, true);
        EXPECT_EQ(12, first.m_nCount);
        w.ClickNow(IDC_TEST_WIZ_NEXT);
        EXPECT_WIZARD(w, pages, 2, "新建相册 - 封面", kBack, true, kFinish, true);
        w.ClickNow(IDC_TEST_WIZ_BACK);
        EXPECT_WIZARD(w, pages, 1, "新建相册", kBack, true, kNext, true);
        w.ClickNow(IDC_TEST_WIZ_BACK);
        EXPECT_WIZARD(w, pages, 0, "新建相册 - 张数", kBack, false, kNext, true);
        w.ClickNow(IDC_TEST_WIZ_NEXT);
        w.ClickNow(IDC_TEST_WIZ_NEXT);
        UiWindow(third.m_hWnd).TypeKeys(IDC_TEST_PAGE_COUNT, "2");
        first.m_nSaved = second.m_nSaved = third.m_nSaved = 0;
        w.Click(IDC_TEST_WIZ_NEXT);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return wizard.DoModal(); }));
    EXPECT_EQ(1, first.m_nSaved);
    EXPECT_EQ(1, second.m_nSaved);
    EXPECT_EQ(1, third.m_nSaved);
    EXPECT_EQ(12, first.m_nCount);
    EXPECT_EQ(2, third.m_nCount);
    EXPECT_EQ(nullptr, first.m_hWnd) << "the pages' windows are closed";
    EXPECT_EQ(nullptr, third.m_hWnd);
}

TEST(WizardDialog, APageThatRefusesItsDataKeepsTheWizardOnIt)
{
    CCountPage first("张数", 4), second("封面", 1);
    CTestWizard wizard;
    wizard.AddPage(&first);
    wizard.AddPage(&second);
    CString notANumber, outOfRange;
    UiScript script;
    script.OnDialog("新建相册 - 张数", [&](UiWindow w) {
        UiWindow(first.m_hWnd).TypeKeys(IDC_TEST_PAGE_COUNT, "十");
        w.Click(IDC_TEST_WIZ_NEXT);
    });
    script.AnswerMessageBox(IDOK, &notANumber);
    script.OnDialog("新建相册 - 张数", [&](UiWindow w) {
        const auto pages = { (CWizardPage*)&first, (CWizardPage*)&second };
        EXPECT_WIZARD(w, pages, 0, "新建相册 - 张数", kBack, false, kNext, true);
        EXPECT_TRUE(UiWindow(first.m_hWnd).HasFocus(IDC_TEST_PAGE_COUNT));
        UiWindow(first.m_hWnd).TypeKeys(IDC_TEST_PAGE_COUNT, "3");
        w.ClickNow(IDC_TEST_WIZ_NEXT);
        // Finish with a wrong value on the last page: the wizard stays, nothing is ended.
        UiWindow(second.m_hWnd).TypeKeys(IDC_TEST_PAGE_COUNT, "100");
        w.Click(IDC_TEST_WIZ_NEXT);
    });
    script.AnswerMessageBox(IDOK, &outOfRange);
    script.OnDialog("新建相册 - 封面", [&](UiWindow w) {
        const auto pages = { (CWizardPage*)&first, (CWizardPage*)&second };
        EXPECT_WIZARD(w, pages, 1, "新建相册 - 封面", kBack, true, kFinish, true);
        UiWindow(second.m_hWnd).TypeKeys(IDC_TEST_PAGE_COUNT, "9");
        w.Click(IDC_TEST_WIZ_NEXT);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return wizard.DoModal(); }));
    EXPECT_EQ(CString("请输入一个整数。"), notANumber);
    EXPECT_EQ(CString("请输入一个 1 到 99 之间的整数。"), outOfRange);
    EXPECT_EQ(3, first.m_nCount);
    EXPECT_EQ(9, second.m_nCount);
}

TEST(WizardDialog, APageStatusDecidesNextWhileItShows)
{
    CCountPage first("", 1), second("", 1), third("", 1);
    CTestWizard wizard;
    wizard.AddPage(&first);
    wizard.AddPage(&second);
    wizard.AddPage(&third);
    UiScript script;
    script.OnDialog(kWizardCaption, [&](UiWindow w) {
        w.ClickNow(IDC_TEST_WIZ_NEXT);
        second.m_nStatus = 0;
        second.StatusChanged();
        EXPECT_FALSE(w.IsEnabled(IDC_TEST_WIZ_NEXT));
        second.m_nStatus = 1;
        second.StatusChanged();
        EXPECT_TRUE(w.IsEnabled(IDC_TEST_WIZ_NEXT));
        second.m_nStatus = 0;
        second.StatusChanged();
        w.ClickNow(IDC_TEST_WIZ_BACK);
        EXPECT_TRUE(w.IsEnabled(IDC_TEST_WIZ_NEXT));
        // A hidden page's change waits until it shows.
        third.m_nStatus = 0;
        third.StatusChanged();
        EXPECT_TRUE(w.IsEnabled(IDC_TEST_WIZ_NEXT));
        w.ClickNow(IDC_TEST_WIZ_NEXT);
        EXPECT_FALSE(w.IsEnabled(IDC_TEST_WIZ_NEXT)) << "the second page's stored status";
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return wizard.DoModal(); }));
    EXPECT_EQ(2, first.m_nSaved) << "left twice";
    EXPECT_EQ(0, third.m_nSaved) << "Cancel takes no page's data";
    EXPECT_EQ(nullptr, second.m_hWnd);
}

TEST(WizardDialog, PagesAreListedOnceAndAWizardWithoutPageAreaRefusesToRun)
{
    CCountPage a("", 1), b("", 1), c("", 1);
    CTestWizard wizard;
    wizard.AddPage(&a);
    wizard.AddPage(&a);
    wizard.AddPage(&b);
    EXPECT_EQ(2, wizard.GetPageCount());
    wizard.RemovePage(&a);
    wizard.RemovePage(&a);
    EXPECT_EQ(1, wizard.GetPageCount());
    wizard.AddPage(&a);
    wizard.InsertPage(&c, 0);
    ASSERT_EQ(3, wizard.GetPageCount());
    EXPECT_EQ(&c, wizard.GetPage(0));
    EXPECT_EQ(&b, wizard.GetPage(1));
    EXPECT_EQ(&a, wizard.GetPage(2)) << "a page taken out and added again comes last";

    // One page: Finish at once, Back disabled.
    CCountPage only("", 5);
    CTestWizard single;
    single.AddPage(&only);
    UiScript script;
    script.OnDialog(kWizardCaption, [&](UiWindow w) {
        const auto pages = { (CWizardPage*)&only };
        EXPECT_WIZARD(w, pages, 0, "新建相册", kBack, false, kFinish, true);
        w.Click(IDC_TEST_WIZ_NEXT);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return single.DoModal(); }));

    CTestWizard noArea(false);
    noArea.AddPage(&only);
    EXPECT_EQ(-1, noArea.DoModal());
    EXPECT_EQ(nullptr, only.m_hWnd);
    CTestWizard wrongArea;
    wrongArea.m_nPageAreaID = 12345;
    wrongArea.AddPage(&only);
    EXPECT_EQ(-1, wrongArea.DoModal());
    EXPECT_EQ(nullptr, only.m_hWnd);
}

// ---- the expanding dialog --------------------------------------------------------------------

namespace {

const char kExpandCaption[] = "图片属性";

class CTestExpand : public CExpandDialog
{
public:
    explicit CTestExpand(BOOL bStaysUsable = TRUE)
        : CExpandDialog(IDD_TEST_EXPAND, IDC_TEST_EXP_MARKER, IDC_TEST_EXP_MORE, "更多 >>", "<< 收起", nullptr, bStaysUsable)
    {
    }
    BOOL m_bRefuse = FALSE;
    std::vector<BOOL> m_expanded;   // what OnDialogExpanded was told

protected:
    BOOL OnDialogExpanding(BOOL bExpanded) override { return !m_bRefuse && CExpandDialog::OnDialogExpanding(bExpanded); }
    void OnDialogExpanded(BOOL bExpanded) override { m_expanded.push_back(bExpanded); }
};

CSize WindowSize(HWND h)
{
    CRect r;
    ::GetWindowRect(h, &r);
    return r.Size();
}

} // namespace

TEST(ExpandDialog, OpensReducedToTheMarkerAndTheButtonTogglesTheForm)
{
    CTestExpand dlg;
    UiScript script;
    script.OnDialog(kExpandCaption, [&](UiWindow w) {
        CRect marker, window;
        ::GetWindowRect(w.Item(IDC_TEST_EXP_MARKER), &marker);
        ::GetWindowRect(w.Handle(), &window);
        EXPECT_FALSE(dlg.IsExpanded());
        EXPECT_EQ(CSize(marker.right - window.left, marker.bottom - window.top), window.Size());
        EXPECT_FALSE(w.IsVisible(IDC_TEST_EXP_MARKER));
        EXPECT_EQ(CString("更多 >>"), w.Text(IDC_TEST_EXP_MORE));
        EXPECT_TRUE(w.IsEnabled(IDC_TEST_EXP_INSIDE));
        EXPECT_TRUE(w.IsEnabled(IDC_TEST_EXP_ACROSS)) << "partly inside stays usable";
        EXPECT_FALSE(w.IsEnabled(IDC_TEST_EXP_OUTSIDE));
        EXPECT_FALSE(w.IsEnabled(IDC_TEST_EXP_APPLY));

        w.ClickNow(IDC_TEST_EXP_MORE);
        EXPECT_TRUE(dlg.IsExpanded());
        CRect full;
        dlg.GetWindowRect(&full);
        EXPECT_GT(full.Width(), window.Width());
        EXPECT_GT(full.Height(), window.Height());
        EXPECT_EQ(window.TopLeft(), full.TopLeft()) << "expanding does not move a dialog that fits";
        EXPECT_EQ(CString("<< 收起"), w.Text(IDC_TEST_EXP_MORE));
        EXPECT_TRUE(w.IsEnabled(IDC_TEST_EXP_OUTSIDE));
        EXPECT_FALSE(w.IsEnabled(IDC_TEST_EXP_APPLY)) << "the dialog's own disabled button stays disabled";
        EXPECT_FALSE(w.IsVisible(IDC_TEST_EXP_MARKER));
        EXPECT_TRUE(w.HasFocus(IDC_TEST_EXP_OUTSIDE)) << "the focus goes to the control after the button";

        w.ClickNow(IDC_TEST_EXP_MORE);
        EXPECT_FALSE(dlg.IsExpanded());
        EXPECT_EQ(window.Size(), WindowSize(w.Handle()));
        EXPECT_FALSE(w.IsEnabled(IDC_TEST_EXP_OUTSIDE));
        EXPECT_TRUE(w.HasFocus(IDC_TEST_EXP_ACROSS)) << "the next control the keyboard can reach";

        // Expanded again at the foot of the screen: the dialog moves back into view.
        CRect work;
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        dlg.SetWindowPos(nullptr, window.left, work.bottom - window.Height() - 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        EXPECT_TRUE(dlg.Expand(TRUE));
        dlg.GetWindowRect(&full);
        EXPECT_LE(full.bottom, work.bottom);
        EXPECT_GT(full.Height(), window.Height());
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ((std::vector<BOOL>{ TRUE, FALSE, TRUE }), dlg.m_expanded);
}

TEST(ExpandDialog, ARefusedChangeKeepsTheFormAndAOneWayButtonIsDisabledOnceExpanded)
{
    CTestExpand dlg(FALSE);
    UiScript script;
    script.OnDialog(kExpandCaption, [&](UiWindow w) {
        dlg.m_bRefuse = TRUE;
        const CSize reduced = WindowSize(w.Handle());
        EXPECT_FALSE(dlg.Expand(TRUE));
        w.ClickNow(IDC_TEST_EXP_MORE);
        EXPECT_FALSE(dlg.IsExpanded());
        EXPECT_EQ(reduced, WindowSize(w.Handle()));
        EXPECT_TRUE(dlg.m_expanded.empty()) << "no change, no notification";
        EXPECT_TRUE(dlg.Expand(FALSE)) << "already reduced";

        dlg.m_bRefuse = FALSE;
        w.ClickNow(IDC_TEST_EXP_MORE);
        EXPECT_TRUE(dlg.IsExpanded());
        EXPECT_FALSE(w.IsEnabled(IDC_TEST_EXP_MORE));
        EXPECT_EQ(CString("更多 >>"), w.Text(IDC_TEST_EXP_MORE)) << "a final expansion keeps the text";
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));

    // Without a marker the dialog keeps its template size and counts as expanded.
    class CPlain : public CExpandDialog
    {
    public:
        CPlain() : CExpandDialog(IDD_TEST_EXPAND) {}
    } plain;
    UiScript look;
    look.OnDialog(kExpandCaption, [&](UiWindow w) {
        EXPECT_TRUE(plain.IsExpanded());
        EXPECT_TRUE(w.IsVisible(IDC_TEST_EXP_MARKER));
        EXPECT_TRUE(w.IsEnabled(IDC_TEST_EXP_OUTSIDE));
        CRect r(0, 0, 200, 120);
        ::MapDialogRect(w.Handle(), &r);
        CRect client;
        ::GetClientRect(w.Handle(), &client);
        EXPECT_EQ(r.Size(), client.Size());
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, look.Run([&] { return plain.DoModal(); }));
}
