// The grey-scale dialog driven as a user drives it: the host's presets on the sliders, the values
// read back, and the preview checked on the pixels.
#include "QuickTestUtil.h"
#include "kxcomdlgres.h"
#include "quickadjust/IM_ADJUST_GRAY.h"
#include <DrawDib.h>

namespace {

const char* const kCaption = "图像调整 - 灰度";

void Preset(CIM_ADJUST_GRAY& dlg, int v1, int v2, int v3, int level, int amount)
{
    dlg.m_nValue1 = v1;
    dlg.m_nValue2 = v2;
    dlg.m_nValue3 = v3;
    dlg.m_nLevel = level;
    dlg.m_nAmount = amount;
}

// The reference the preview starts from: the picture fitted to the view.
CDib Reference(UiWindow w, const CDib& picture)
{
    const CRect fit = Attached<CIM_WINDOW>(w, IDC_GRAY_PREVIEW)->GetPictureRect();
    CDib reference;
    reference.Resize(picture, fit.Width(), fit.Height(), 2);
    return reference;
}

TEST(GrayDlg, PresetsStartTheSlidersAndAMoveReadsThemAllBack)
{
    CDib picture = MakeTestPicture(90, 120);
    CIM_ADJUST_GRAY dlg(&picture);
    Preset(dlg, 10, 20, 30, 140, 100);
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
              const int sliders[] = { IDC_QUICK_SLIDER1, IDC_QUICK_SLIDER2, IDC_QUICK_SLIDER3, IDC_GRAY_LEVEL, IDC_GRAY_AMOUNT };
              const int edits[] = { IDC_QUICK_EDIT1, IDC_QUICK_EDIT2, IDC_QUICK_EDIT3, IDC_GRAY_LEVEL_EDIT, IDC_GRAY_AMOUNT_EDIT };
              const int positions[] = { 10, 20, 30, 140, 3 };   // amount 100 is 3 steps of 30
              for (int i = 0; i < 5; ++i) {
                  EXPECT_EQ(positions[i], Slider(w, sliders[i])->GetPos()) << "slider " << sliders[i];
                  CString text;
                  text.Format("%d", positions[i]);
                  EXPECT_EQ(text, w.Text(edits[i]));
              }
              EXPECT_EQ(255, Slider(w, IDC_GRAY_LEVEL)->GetRangeMax());
              EXPECT_EQ(1000, Slider(w, IDC_GRAY_AMOUNT)->GetRangeMax());
              w.Focus(IDC_QUICK_SLIDER2);
              w.Key(VK_RIGHT);
          })
          .OnDialog(kCaption, [](UiWindow w) { w.Click(IDOK); });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(10, dlg.m_nValue1);
    EXPECT_EQ(21, dlg.m_nValue2);
    EXPECT_EQ(30, dlg.m_nValue3);
    EXPECT_EQ(140, dlg.m_nLevel);
    EXPECT_EQ(90, dlg.m_nAmount) << "the slider holds whole steps of 30";
    EXPECT_FALSE(dlg.m_bPreview);
}

TEST(GrayDlg, PreviewShowsTheLevelAndAmountOnTheReducedPicture)
{
    CDib picture = MakeTestPicture(90, 120);
    const CDib original = picture;
    CIM_ADJUST_GRAY dlg(&picture);
    Preset(dlg, 0, 0, 0, 128, 0);
    CDib reference, atOpen, afterMoves;
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
              reference = Reference(w, original);
              atOpen = Shown(w, IDC_GRAY_PREVIEW);
              w.Focus(IDC_GRAY_AMOUNT);
              w.Key(VK_NEXT);          // 100 steps: amount 3000
              w.Focus(IDC_GRAY_LEVEL);
              w.Key(VK_PRIOR);         // 128 - 25
          })
          .OnDialog(kCaption, [&](UiWindow w) {
              afterMoves = Shown(w, IDC_GRAY_PREVIEW);
              w.Click(IDOK);
          });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(103, dlg.m_nLevel);
    EXPECT_EQ(3000, dlg.m_nAmount);
    EXPECT_EQ("", PixelDifference(reference, atOpen)) << "until a slider moves the view shows the picture";
    CDrawDib expected;
    expected = reference;
    expected.BrightProbaility(103, 3000);
    EXPECT_EQ("", PixelDifference(expected, afterMoves));
    EXPECT_EQ("", PixelDifference(original, picture)) << "the host converts; the dialog never does";
}

TEST(GrayDlg, PreviewCheckBoxIsReturnedAndCancelKeepsTheLastMove)
{
    CDib picture = MakeTestPicture();
    CIM_ADJUST_GRAY dlg(&picture);
    Preset(dlg, 50, 60, 70, 128, 300);
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
              EXPECT_EQ(CString("预览"), w.Text(IDC_GRAY_CHECK_PREVIEW));
              EXPECT_FALSE(w.IsChecked(IDC_GRAY_CHECK_PREVIEW));
              w.ClickNow(IDC_GRAY_CHECK_PREVIEW);
              w.Focus(IDC_QUICK_SLIDER1);
              w.Key(VK_HOME);
          })
          .OnDialog(kCaption, [](UiWindow w) { w.Key(VK_ESCAPE); });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_TRUE(dlg.m_bPreview) << "the check box is read when it is clicked";
    EXPECT_EQ(0, dlg.m_nValue1);
    EXPECT_EQ(300, dlg.m_nAmount);

    // Untouched, Cancel leaves the presets as they were, amount included.
    CIM_ADJUST_GRAY untouched(&picture);
    Preset(untouched, 1, 2, 3, 4, 100);
    UiScript again;
    again.OnDialog(kCaption, [](UiWindow w) { w.Click(IDCANCEL); });
    EXPECT_EQ(IDCANCEL, again.Run([&] { return untouched.DoModal(); }));
    EXPECT_EQ(100, untouched.m_nAmount);
    EXPECT_EQ(4, untouched.m_nLevel);
}

TEST(GrayDlg, TemplateAsTheUserSeesIt)
{
    CDib picture = MakeTestPicture();
    CIM_ADJUST_GRAY dlg(&picture);
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
        ExpectClientInDialogUnits(w, 311, 199);
        EXPECT_EQ(IDOK, w.DefaultButton());
        EXPECT_EQ("KX_IMAGE_PREVIEW_CTRL", w.ClassName(IDC_GRAY_PREVIEW));
        for (int id : { IDC_QUICK_SLIDER1, IDC_QUICK_SLIDER2, IDC_QUICK_SLIDER3, IDC_GRAY_LEVEL, IDC_GRAY_AMOUNT })
            EXPECT_EQ("KX_LINE_TRACKBAR_CTRL", w.ClassName(id));
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
}

TEST(GrayDlg, WithoutAPictureNoDialogOpens)
{
    CIM_ADJUST_GRAY none(nullptr);
    EXPECT_EQ(IDCANCEL, RunExpectingNoDialog([&] { return none.DoModal(); }));
    CDib empty;
    CIM_ADJUST_GRAY invalid(&empty);
    EXPECT_EQ(IDCANCEL, RunExpectingNoDialog([&] { return invalid.DoModal(); }));
}

} // namespace
