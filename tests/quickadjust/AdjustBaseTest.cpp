// The dialogs over one picture that preview on a reduced copy (brightness/contrast and
// hue/brightness/saturation), driven as a user drives them; every preview is checked on the
// pixels against the picture operations applied to the reduced copy directly.
#include "QuickTestUtil.h"
#include "kxcomdlgres.h"
#include "quickadjust/IM_ADJUST_IBAC.h"
#include "quickadjust/IM_ADJUST_IHUE.h"
#include <Geometry.h>
#include <functional>

namespace {

const char* const kIbacCaption = "图像调整 - 亮度/对比度";
const char* const kIhueCaption = "图像调整 - 色相/亮度";

// Key presses on a slider: each page is a tenth of the range.
void Press(UiWindow w, int sliderId, UINT vk, int times = 1)
{
    w.Focus(sliderId);
    for (int i = 0; i < times; ++i)
        w.Key(vk);
}

TEST(QuickAdjustBase, ReferenceIsThePictureFittedToTheViewAndCentred)
{
    struct Case { int width, height; };
    // Much wider than tall, much taller than wide, small (enlarged to the view), one row.
    const Case cases[] = { { 400, 100 }, { 60, 300 }, { 8, 6 }, { 3000, 1 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        CDib picture = MakeTestPicture(c.width, c.height);
        const CDib original = picture;
        CIM_ADJUST_IBAC dlg;
        EXPECT_EQ(1, dlg.SetDib(&picture));
        UiScript script;
        script.OnDialog(kIbacCaption, [&](UiWindow w) {
            CIM_WINDOW* view = Attached<CIM_WINDOW>(w, IDC_QUICK_PREVIEW);
            ASSERT_TRUE(view);
            CRect client;
            view->GetClientRect(&client);
            const CDib* store = dlg.GetStoreDib();
            ASSERT_TRUE(store->IsValid());
            // The largest size of the picture's proportions: it touches the view on two sides.
            const bool wide = (long long)c.width * client.Height() >= (long long)c.height * client.Width();
            if (wide) {
                EXPECT_EQ(client.Width(), store->GetWidth());
                EXPECT_NEAR(client.Width() * c.height / (double)c.width, store->GetHeight(), 1.0);
            } else {
                EXPECT_EQ(client.Height(), store->GetHeight());
                EXPECT_NEAR(client.Height() * c.width / (double)c.height, store->GetWidth(), 1.0);
            }
            // Centred, and shown as it is, without a second resampling.
            const CRect shownAt = view->GetPictureRect();
            EXPECT_EQ(store->GetWidth(), shownAt.Width());
            EXPECT_EQ(store->GetHeight(), shownAt.Height());
            EXPECT_LE(std::abs(shownAt.top - (client.bottom - shownAt.bottom)), 1);
            EXPECT_LE(std::abs(shownAt.left - (client.right - shownAt.right)), 1);
            CDib expected;
            expected.Resize(original, store->GetWidth(), store->GetHeight(), 2);
            EXPECT_EQ("", PixelDifference(expected, *store));
            EXPECT_EQ("", PixelDifference(expected, Shown(w, IDC_QUICK_PREVIEW)));
            w.Click(IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
        EXPECT_EQ("", PixelDifference(original, picture)) << "the host's picture is never written";
    }
}

// One case of a dialog: what the user does, the amounts expected back, and the preview expected
// from the reference.
struct PreviewCase
{
    const char* what;
    std::function<void(UiWindow)> act;
    std::vector<int> results;
    std::function<void(CDib&)> expected;
};

template <class TDialog>
void CheckPreviewAndResults(const char* caption, const PreviewCase& c, std::function<std::vector<int>(TDialog&)> results)
{
    SCOPED_TRACE(c.what);
    CDib picture = MakeTestPicture(80, 60);
    const CDib original = picture;
    TDialog dlg;
    dlg.SetDib(&picture);
    CDib shown;
    UiScript script;
    script.OnDialog(caption, c.act).OnDialog(caption, [&](UiWindow w) {
        shown = Shown(w, IDC_QUICK_PREVIEW);
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(c.results, results(dlg));
    CDib expected = *dlg.GetStoreDib();
    c.expected(expected);
    EXPECT_EQ("", PixelDifference(expected, shown));
    EXPECT_EQ("", PixelDifference(original, picture)) << "OK leaves the host's picture to the host";
}

TEST(QuickAdjustIbac, EachSliderReachesThePreviewAndTheResults)
{
    const PreviewCase cases[] = {
        { "brightness up a page", [](UiWindow w) { Press(w, IDC_QUICK_SLIDER1, VK_NEXT); }, { 200, 0 },
          [](CDib& d) { d.ChangeBrightness(200); } },
        { "contrast down two pages", [](UiWindow w) { Press(w, IDC_QUICK_SLIDER2, VK_PRIOR, 2); }, { 0, -400 },
          [](CDib& d) { d.ChangeContrast(-400); } },
        { "both, contrast applied first",
          [](UiWindow w) {
              Press(w, IDC_QUICK_SLIDER1, VK_END);
              Press(w, IDC_QUICK_SLIDER2, VK_NEXT, 3);
          },
          { 1000, 600 },
          [](CDib& d) {
              d.ChangeContrast(600);
              d.ChangeBrightness(1000);
          } },
    };
    for (const PreviewCase& c : cases)
        CheckPreviewAndResults<CIM_ADJUST_IBAC>(kIbacCaption, c, [](CIM_ADJUST_IBAC& d) {
            return std::vector<int>{ d.m_nBrightness, d.m_nContrast };
        });
}

TEST(QuickAdjustIhue, EachSliderReachesThePreviewAndTheResults)
{
    const PreviewCase cases[] = {
        { "hue 180 alone shows only the hue change", [](UiWindow w) { Press(w, IDC_QUICK_SLIDER1, VK_END); },
          { 180, 0, 0 }, [](CDib& d) { d.ChangeHue(180); } },
        { "hue down a page", [](UiWindow w) { Press(w, IDC_QUICK_SLIDER1, VK_PRIOR); }, { -36, 0, 0 },
          [](CDib& d) { d.ChangeHue(-36); } },
        { "brightness", [](UiWindow w) { Press(w, IDC_QUICK_SLIDER2, VK_PRIOR); }, { 0, -200, 0 },
          [](CDib& d) { d.ChangeBrightness(-200); } },
        { "saturation", [](UiWindow w) { Press(w, IDC_QUICK_SLIDER3, VK_HOME); }, { 0, 0, -1000 },
          [](CDib& d) { d.ChangeSaturation(-1000); } },
        { "all three in their order",
          [](UiWindow w) {
              Press(w, IDC_QUICK_SLIDER3, VK_NEXT, 2);
              Press(w, IDC_QUICK_SLIDER2, VK_NEXT);
              Press(w, IDC_QUICK_SLIDER1, VK_NEXT, 3);
          },
          { 108, 200, 400 },
          [](CDib& d) {
              d.ChangeHue(108);
              d.ChangeBrightness(200);
              d.ChangeSaturation(400);
          } },
    };
    for (const PreviewCase& c : cases)
        CheckPreviewAndResults<CIM_ADJUST_IHUE>(kIhueCaption, c, [](CIM_ADJUST_IHUE& d) {
            return std::vector<int>{ d.m_nHue, d.m_nBrightness, d.m_nSaturation };
        });
}

TEST(QuickAdjustBase, EveryRedrawStartsFromTheReference)
{
    CDib picture = MakeTestPicture(80, 60);
    CIM_ADJUST_IBAC dlg;
    dlg.SetDib(&picture);
    CDib afterTwoSteps, backAtZero;
    UiScript script;
    script.OnDialog(kIbacCaption, [](UiWindow w) { Press(w, IDC_QUICK_SLIDER1, VK_NEXT, 2); })
          .OnDialog(kIbacCaption, [&](UiWindow w) {
              afterTwoSteps = Shown(w, IDC_QUICK_PREVIEW);
              Press(w, IDC_QUICK_SLIDER1, VK_PRIOR, 2);
          })
          .OnDialog(kIbacCaption, [&](UiWindow w) {
              EXPECT_EQ(CString("0"), w.Text(IDC_QUICK_EDIT1));
              backAtZero = Shown(w, IDC_QUICK_PREVIEW);
              w.Click(IDOK);
          });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    CDib once = *dlg.GetStoreDib();
    once.ChangeBrightness(400);
    EXPECT_EQ("", PixelDifference(once, afterTwoSteps)) << "two steps are the second position alone";
    EXPECT_EQ("", PixelDifference(*dlg.GetStoreDib(), backAtZero)) << "back at 0 shows the reference unchanged";
    EXPECT_EQ(0, dlg.m_nBrightness);
}

TEST(QuickAdjustBase, CancelKeepsTheLastAmountsAndNeverTouchesThePicture)
{
    CDib picture = MakeTestPicture(80, 60);
    const CDib original = picture;
    CIM_ADJUST_IHUE dlg;
    dlg.SetDib(&picture);
    UiScript script;
    script.OnDialog(kIhueCaption, [](UiWindow w) {
              Press(w, IDC_QUICK_SLIDER1, VK_NEXT);
              Press(w, IDC_QUICK_SLIDER3, VK_PRIOR);
          })
          .OnDialog(kIhueCaption, [](UiWindow w) { w.Key(VK_ESCAPE); });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(36, dlg.m_nHue);
    EXPECT_EQ(0, dlg.m_nBrightness);
    EXPECT_EQ(-200, dlg.m_nSaturation);
    EXPECT_EQ("", PixelDifference(original, picture));
}

TEST(QuickAdjustBase, ASecondRunStartsAtZeroAndReturnsWhatItShows)
{
    CDib picture = MakeTestPicture(80, 60);
    CIM_ADJUST_IBAC dlg;
    dlg.SetDib(&picture);
    UiScript first;
    first.OnDialog(kIbacCaption, [](UiWindow w) { Press(w, IDC_QUICK_SLIDER2, VK_NEXT); })
         .OnDialog(kIbacCaption, [](UiWindow w) { w.Click(IDOK); });
    ASSERT_EQ(IDOK, first.Run([&] { return dlg.DoModal(); }));
    ASSERT_EQ(200, dlg.m_nContrast);

    UiScript second;
    second.OnDialog(kIbacCaption, [&](UiWindow w) {
        EXPECT_EQ(0, Slider(w, IDC_QUICK_SLIDER2)->GetPos());
        EXPECT_EQ(CString("0"), w.Text(IDC_QUICK_EDIT2));
        EXPECT_EQ("", PixelDifference(*dlg.GetStoreDib(), Shown(w, IDC_QUICK_PREVIEW)));
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, second.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(0, dlg.m_nContrast) << "an untouched run must not hand back the previous run's amount";
}

TEST(QuickAdjustBase, WithoutAPictureNoDialogOpens)
{
    CIM_ADJUST_IBAC none;
    EXPECT_EQ(IDCANCEL, RunExpectingNoDialog([&] { return none.DoModal(); }));
    CDib empty;
    CIM_ADJUST_IHUE invalid;
    invalid.SetDib(&empty);
    EXPECT_EQ(IDCANCEL, RunExpectingNoDialog([&] { return invalid.DoModal(); }));
    EXPECT_FALSE(invalid.GetStoreDib()->IsValid());
}

TEST(QuickAdjustBase, UpdateWindowAndRegionAreKeptForTheHost)
{
    CIM_ADJUST_IBAC dlg;
    EXPECT_TRUE(dlg.GetUpdateWindow() == nullptr);
    EXPECT_TRUE(dlg.GetUpdateRegion().IsRectNull());
    CWnd host;
    dlg.SetUpdateWindow(&host);
    dlg.SetUpdateRegion(-5, 10, 300, 200);
    EXPECT_EQ(&host, dlg.GetUpdateWindow());
    EXPECT_EQ(CRect(-5, 10, 300, 200), dlg.GetUpdateRegion());
}

TEST(QuickAdjustBase, TemplatesAsTheUserSeesThem)
{
    CDib picture = MakeTestPicture();
    {
        CIM_ADJUST_IBAC dlg;
        dlg.SetDib(&picture);
        UiScript script;
        script.OnDialog(kIbacCaption, [](UiWindow w) {
            ExpectClientInDialogUnits(w, 295, 127);
            EXPECT_EQ(CString("确定"), w.Text(IDOK));
            EXPECT_EQ(CString("取消"), w.Text(IDCANCEL));
            EXPECT_EQ(IDOK, w.DefaultButton());
            EXPECT_EQ("KX_IMAGE_PREVIEW_CTRL", w.ClassName(IDC_QUICK_PREVIEW));
            for (int id : { IDC_QUICK_SLIDER1, IDC_QUICK_SLIDER2 }) {
                EXPECT_EQ("KX_LINE_TRACKBAR_CTRL", w.ClassName(id));
                EXPECT_EQ(-1000, Slider(w, id)->GetRangeMin());
                EXPECT_EQ(1000, Slider(w, id)->GetRangeMax());
            }
            EXPECT_TRUE(w.Item(IDC_QUICK_SLIDER3) == nullptr);
            // The boxes show the positions; typing there would show a value that is not returned.
            EXPECT_TRUE(::GetWindowLongA(w.Item(IDC_QUICK_EDIT1), GWL_STYLE) & ES_READONLY);
            EXPECT_EQ(CString("0"), w.Text(IDC_QUICK_EDIT2));
            w.Click(IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    }
    {
        CIM_ADJUST_IHUE dlg;
        dlg.SetDib(&picture);
        UiScript script;
        script.OnDialog(kIhueCaption, [](UiWindow w) {
            ExpectClientInDialogUnits(w, 295, 127);
            EXPECT_EQ(-180, Slider(w, IDC_QUICK_SLIDER1)->GetRangeMin());
            EXPECT_EQ(180, Slider(w, IDC_QUICK_SLIDER1)->GetRangeMax());
            EXPECT_EQ(-1000, Slider(w, IDC_QUICK_SLIDER3)->GetRangeMin());
            // Rows from the top: hue, saturation, brightness.
            RECT hue, saturation, brightness;
            ::GetWindowRect(w.Item(IDC_QUICK_SLIDER1), &hue);
            ::GetWindowRect(w.Item(IDC_QUICK_SLIDER3), &saturation);
            ::GetWindowRect(w.Item(IDC_QUICK_SLIDER2), &brightness);
            EXPECT_LT(hue.top, saturation.top);
            EXPECT_LT(saturation.top, brightness.top);
            EXPECT_TRUE(::GetWindowLongA(w.Item(IDC_QUICK_EDIT3), GWL_STYLE) & ES_READONLY);
            w.Click(IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    }
}

} // namespace
