// The image crop: the box the ratio gives, quarter turns, the keys and the double-click that
// confirms.
#include "SliceTestUtil.h"
#include "kxcomdlgres.h"
#include <cstring>

namespace {

const char kCaption[] = "图像剪裁";

class CropDlgTest : public SliceTest
{
};

// The picture turned a quarter clockwise, pixel by pixel: the top-left corner goes to the
// top-right.
CDib QuarterTurned(const CDib& src)
{
    const int W = src.GetWidth(), H = src.GetHeight();
    CDib out;
    out.Create(H, W, 24);
    for (int y = 0; y < W; ++y)
        for (int x = 0; x < H; ++x)
            std::memcpy(out.GetLine(y) + 3 * x, src.GetLine(H - 1 - x) + 3 * y, 3);
    return out;
}

} // namespace

TEST_F(CropDlgTest, TheRatioGivesTheLargestBoxOfItOnTheFirstPicture)
{
    const struct { int w, h; double ratio; CSize box; int kind; } cases[] = {
        { 3000, 1000, 1.5, CSize(1500, 1000), KX_CLIP_RATIO },
        { 1000, 3000, 1.5, CSize(1000, 667), KX_CLIP_RATIO },
        { 300, 200, 0, CSize(300, 200), KX_CLIP_FREE },     // no ratio: the view's own whole-picture box
    };
    for (const auto& c : cases) {
        CDib picture = MakePicture(c.w, c.h);
        struct_LEAD_Bitmap bitmap;
        ASSERT_TRUE(DescribeLeadBitmap(picture, bitmap));
        CTestCropDlg dlg(&bitmap, m_folder.File("picture.jpg"), c.ratio);
        int kind = -2;
        long width = -1, height = -1;
        UiScript script;
        script.OnDialog(kCaption, [&](UiWindow w) {
            dlg.View().GetClipFlag(kind, width, height);
            EXPECT_EQ(c.box, dlg.View().GetClipRect().Size()) << c.w << " x " << c.h;
            EXPECT_EQ(c.box, CSize(dlg.GetClipPicture().GetWidth(), dlg.GetClipPicture().GetHeight())) << "the preview";
            w.Click(IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
        EXPECT_EQ(c.kind, kind);
        if (c.ratio > 0) {
            EXPECT_EQ(c.box, CSize(width, height));
        } else {
            EXPECT_EQ(0, width) << "the view keeps its own settings";
            EXPECT_EQ(0, height);
        }
    }
}

TEST_F(CropDlgTest, EachTurnIsAnExactQuarterAndTheFourthBringsThePictureBack)
{
    const CDib original = MakePicture(40, 30);
    SavePicture("turn.png", original);
    CTestCropDlg dlg(nullptr, m_folder.File("turn.png"), 0);
    CDib once;
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        w.ClickNow(IDC_CROP_ROTATE);
        once = dlg.GetViewPicture();
        EXPECT_EQ(CSize(30, 40), CSize(dlg.GetClipPicture().GetWidth(), dlg.GetClipPicture().GetHeight()))
            << "the preview follows the turn";
        for (int i = 0; i < 3; ++i)
            w.ClickNow(IDC_CROP_ROTATE);
        w.Key(VK_RETURN);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ("", PixelDifference(QuarterTurned(original), once));
    EXPECT_EQ("", PixelDifference(original, dlg.GetViewPicture()));
    EXPECT_EQ("", PixelDifference(original, dlg.GetClipPicture())) << "the whole picture is the free box";

    // Without a picture the button does nothing.
    CTestCropDlg empty(nullptr, m_folder.File("missing.jpg"), 1.5);
    UiScript none;
    none.OnDialog(kCaption, [&](UiWindow w) {
        w.ClickNow(IDC_CROP_ROTATE);
        EXPECT_FALSE(empty.GetViewPicture().IsValid());
        EXPECT_FALSE(empty.GetClipPicture().IsValid());
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, none.Run([&] { return empty.DoModal(); }));
}

TEST_F(CropDlgTest, PageKeysAlwaysChangePicturesAndADoubleClickConfirms)
{
    SavePicture("a.png", MakePicture(60, 40));
    SavePicture("b.png", MakePicture(70, 30));
    SavePicture("c.png", MakePicture(50, 50));
    CTestCropDlg dlg(nullptr, m_folder.File("b.png"), 0);
    auto at = [&](const char* name) {
        return [&dlg, name, this] { return UiWindow(dlg.m_hWnd).Text(IDC_BATCH_SOURCE_PATH) == m_folder.File(name); };
    };
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) { w.Key(VK_NEXT); })
        .Until("Page Down went to c.png", at("c.png"))
        .OnDialog(kCaption, [](UiWindow w) {
            w.Key(VK_PRIOR);
            w.Key(VK_PRIOR);
        })
        .Until("Page Up went to a.png", at("a.png"))
        .OnDialog(kCaption, [&](UiWindow) {
            const CPoint c = dlg.View().PictureToClient(30, 20);
            for (UINT message : { WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP })
                dlg.View().PostMessage(message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(c.x, c.y));
        });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_STREQ(m_folder.File("a.png"), dlg.GetSourcePath());
    EXPECT_EQ("", PixelDifference(MakePicture(60, 40), dlg.GetClipPicture())) << "the clip the host takes";
}
