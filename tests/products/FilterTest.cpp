// The picture check's settings and results dialogs: the standard picture chosen through the image
// file dialog, the checks and limits as the host gives them, the values, bars and verdicts shown.
#include "ProductsTestUtil.h"
#include <DialogTestUtil.h>
#include <UiDriver.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <kxcomdlgres.h>
#include <products/DlgFilter.h>

namespace {

const char kSettingsCaption[] = "图像检测设置";
const char kResultsCaption[] = "检测结果";
const char kChooseCaption[] = "选择标准图";

// A picture file of one colour, w x h.
CString WritePicture(const TestFolder& folder, const char* name, int w, int h, COLORREF color)
{
    CDib dib;
    dib.Create(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            BYTE* p = dib.GetLine(y) + 3 * x;
            p[0] = GetBValue(color);
            p[1] = GetGValue(color);
            p[2] = GetRValue(color);
        }
    dib.Save(folder.File(name), KXFMT_BMP, 24);
    return folder.File(name);
}

int BarPos(UiWindow w, int id) { return (int)::SendMessageA(w.Item(id), PBM_GETPOS, 0, 0); }

const int kLimitIds[] = { IDC_FILTER_LIM_FINAL, IDC_FILTER_LIM_OVERALL, IDC_FILTER_LIM_COLOR, IDC_FILTER_LIM_BRIGHT,
                          IDC_FILTER_LIM_CONTRAST, IDC_FILTER_LIM_BACK, IDC_FILTER_LIM_HEAD };

} // namespace

TEST(FilterSysset, OpensWithTheOverallCheckOnAndEveryLimitZero)
{
    CDlgFilterSysset dlg;
    UiScript script;
    script.OnDialog(kSettingsCaption, [](UiWindow w) {
        EXPECT_TRUE(w.IsChecked(IDC_FILTER_CHK_OVERALL));
        EXPECT_FALSE(w.IsEnabled(IDC_FILTER_CHK_OVERALL));
        for (int id : { IDC_FILTER_CHK_COLOR, IDC_FILTER_CHK_BRIGHT, IDC_FILTER_CHK_CONTRAST, IDC_FILTER_CHK_BACK, IDC_FILTER_CHK_HEAD })
            EXPECT_FALSE(w.IsChecked(id)) << id;
        for (int id : kLimitIds)
            EXPECT_EQ(CString("0"), w.Text(id)) << id;
        EXPECT_EQ(CString(""), w.Text(IDC_FILTER_STD_PATH));
        EXPECT_FALSE(Attached<CIM_WINDOW>(w, IDC_FILTER_STD_VIEW)->GetDib()->IsValid());
        w.Click(IDOK);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(1, dlg.m_bOverall);
    EXPECT_EQ(0, dlg.m_nHeadLimit);
}

TEST(FilterSysset, ChoosingTheStandardTakesEveryFieldAndStaysAfterCancel)
{
    TestFolder folder;
    const CString standard = WritePicture(folder, "standard.bmp", 300, 400, RGB(40, 90, 200));
    CDlgFilterSysset dlg;
    dlg.m_bColor = 1;
    dlg.m_nColorLimit = 4;
    UiScript script;
    script.OnDialog(kSettingsCaption, [](UiWindow w) {
        w.TypeKeys(IDC_FILTER_LIM_BRIGHT, "8");
        w.TypeKeys(IDC_FILTER_LIM_FINAL, "25");
        w.ClickNow(IDC_FILTER_CHK_HEAD);
        w.ClickNow(IDC_FILTER_CHK_COLOR);
        w.Click(IDC_FILTER_SET_STD);
    });
    script.AnswerFileDialog(kChooseCaption, standard);
    script.OnDialog(kSettingsCaption, [&standard](UiWindow w) {
        EXPECT_EQ(standard, w.Text(IDC_FILTER_STD_PATH));
        const CDib* shown = Attached<CIM_WINDOW>(w, IDC_FILTER_STD_VIEW)->GetDib();
        ASSERT_TRUE(shown->IsValid());
        RECT r;
        ::GetClientRect(w.Item(IDC_FILTER_STD_VIEW), &r);
        EXPECT_LE(shown->GetHeight(), r.bottom) << "loaded reduced to the view";
        EXPECT_EQ(RGB(40, 90, 200), RGB(shown->GetBits()[2], shown->GetBits()[1], shown->GetBits()[0]));
        EXPECT_EQ(CString("8"), w.Text(IDC_FILTER_LIM_BRIGHT)) << "what was typed stays";
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(standard, dlg.m_strStdPic);
    EXPECT_EQ(8, dlg.m_nBrightLimit);
    EXPECT_EQ(25, dlg.m_nFinalLimit);
    EXPECT_EQ(1, dlg.m_bHead);
    EXPECT_EQ(0, dlg.m_bColor);
    EXPECT_EQ(4, dlg.m_nColorLimit);
}

TEST(FilterSysset, AFileThatIsNoPictureDoesNotBecomeTheStandard)
{
    TestFolder folder;
    const CString standard = WritePicture(folder, "standard.bmp", 60, 80, RGB(250, 250, 250));
    folder.Write("broken.jpg", "no picture here");
    CDlgFilterSysset dlg;
    dlg.m_strStdPic = standard;
    CString message;
    UiScript script;
    script.OnDialog(kSettingsCaption, [](UiWindow w) {
        EXPECT_TRUE(Attached<CIM_WINDOW>(w, IDC_FILTER_STD_VIEW)->GetDib()->IsValid()) << "the stored standard shows at opening";
        w.Click(IDC_FILTER_SET_STD);
    });
    script.AnswerFileDialog(kChooseCaption, folder.File("broken.jpg"));
    script.AnswerMessageBox(IDOK, &message)
          .OnDialog(kSettingsCaption, [&standard](UiWindow w) {
              EXPECT_EQ(standard, w.Text(IDC_FILTER_STD_PATH));
              EXPECT_TRUE(Attached<CIM_WINDOW>(w, IDC_FILTER_STD_VIEW)->GetDib()->IsValid()) << "the old standard still shows";
              w.Click(IDOK);
          });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(CString("无法读取标准图 ") + folder.File("broken.jpg") + " 。", message);
    EXPECT_EQ(standard, dlg.m_strStdPic);
}

TEST(FilterDetail, ValuesBarsAndVerdictsAsTheHostGivesThem)
{
    CDlgFilterDetail dlg;
    dlg.m_dResult = 30;
    dlg.m_dContrast = 12;
    dlg.m_dBright = 3.14159;
    dlg.m_dColor = 7.5;
    dlg.m_dBack = -2;
    dlg.m_dOverall = 39.996;
    dlg.m_dHead = 1e12;
    dlg.m_strBright = "偏暗";
    dlg.m_strColor = "偏红";
    dlg.m_strHead = "头偏左";
    dlg.m_strConsist = "不合格：亮度";
    UiScript script;
    script.OnDialog(kResultsCaption, [](UiWindow w) {
        EXPECT_EQ(50, BarPos(w, IDC_FILTER_BAR_RESULT));
        EXPECT_EQ(100, BarPos(w, IDC_FILTER_BAR_CONTRAST)) << "beyond the full scale: a full bar";
        EXPECT_EQ(21, BarPos(w, IDC_FILTER_BAR_BRIGHT));
        EXPECT_EQ(50, BarPos(w, IDC_FILTER_BAR_COLOR));
        EXPECT_EQ(0, BarPos(w, IDC_FILTER_BAR_BACK));
        EXPECT_EQ(100, BarPos(w, IDC_FILTER_BAR_OVERALL));
        EXPECT_EQ(100, BarPos(w, IDC_FILTER_BAR_HEAD));
        EXPECT_EQ(CString("3.14"), w.Text(IDC_FILTER_VAL_BRIGHT));
        EXPECT_EQ(CString("40"), w.Text(IDC_FILTER_VAL_OVERALL));
        EXPECT_EQ(CString("1000000000000"), w.Text(IDC_FILTER_VAL_HEAD)) << "too large to round: every digit kept";
        // The host's texts replace the placeholders, empty ones included.
        EXPECT_EQ(CString("偏暗"), w.Text(IDC_FILTER_TXT_BRIGHT));
        EXPECT_EQ(CString("偏红"), w.Text(IDC_FILTER_TXT_COLOR));
        EXPECT_EQ(CString("头偏左"), w.Text(IDC_FILTER_TXT_HEAD));
        EXPECT_EQ(CString(""), w.Text(IDC_FILTER_TXT_CONTRAST));
        EXPECT_EQ(CString(""), w.Text(IDC_FILTER_TXT_BACK));
        EXPECT_EQ(CString("不合格：亮度"), w.Text(IDC_FILTER_TXT_CONSIST));
        EXPECT_FALSE(Attached<CIM_WINDOW>(w, IDC_FILTER_STD_PICTURE)->GetDib()->IsValid());
        EXPECT_FALSE(Attached<CIM_WINDOW>(w, IDC_FILTER_TEST_PICTURE)->GetDib()->IsValid());
        EXPECT_EQ(IDOK, w.DefaultButton());
        w.Click(IDOK);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_DOUBLE_EQ(3.14, dlg.m_dBright) << "stored back as shown";
    EXPECT_DOUBLE_EQ(40, dlg.m_dOverall);
    EXPECT_DOUBLE_EQ(7.5, dlg.m_dColor);
    EXPECT_DOUBLE_EQ(1e12, dlg.m_dHead);
    EXPECT_EQ(CString("偏暗"), dlg.m_strBright);
}

TEST(FilterDetail, BothPicturesShowReducedAndTheHostsIsNotChanged)
{
    TestFolder folder;
    const CString standard = WritePicture(folder, "standard.bmp", 600, 800, RGB(10, 200, 30));
    CDib test;
    test.Create(1200, 400, 24);
    for (int y = 0; y < 400; ++y)
        memset(test.GetLine(y), 90, 1200 * 3);
    const CDib before = test;
    CDlgFilterDetail dlg;
    dlg.m_strStdPic = standard;
    dlg.m_pTestDib = &test;
    UiScript script;
    script.OnDialog(kResultsCaption, [](UiWindow w) {
        RECT r;
        ::GetWindowRect(w.Item(IDC_FILTER_TEST_PICTURE), &r);
        const CDib* shownStd = Attached<CIM_WINDOW>(w, IDC_FILTER_STD_PICTURE)->GetDib();
        const CDib* shownTest = Attached<CIM_WINDOW>(w, IDC_FILTER_TEST_PICTURE)->GetDib();
        ASSERT_TRUE(shownStd->IsValid());
        ASSERT_TRUE(shownTest->IsValid());
        EXPECT_LE(shownTest->GetWidth(), r.right - r.left);
        EXPECT_NEAR(3.0, (double)shownTest->GetWidth() / shownTest->GetHeight(), 0.05) << "proportions kept";
        EXPECT_NEAR(0.75, (double)shownStd->GetWidth() / shownStd->GetHeight(), 0.02);
        EXPECT_EQ(90, shownTest->GetBits()[0]);
        w.Click(IDOK);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    ASSERT_EQ(1200, test.GetWidth());
    EXPECT_EQ(0, memcmp(before.GetBits(), test.GetBits(), (size_t)test.GetStride() * 400));
}
