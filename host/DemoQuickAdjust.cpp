// The quick adjustment dialogs in the demo host: the one-purpose dialogs on the shown picture,
// which return amounts the host applies, and the thumbnail form on the selected thumbnails.
#include "DemoHost.h"
#include "kxcomdlgres.h"
#include "resource.h"
#include "quickadjust/IM_ADJUST_CBAR.h"
#include "quickadjust/IM_ADJUST_GRAY.h"
#include "quickadjust/IM_ADJUST_IBAC.h"
#include "quickadjust/IM_ADJUST_IHUE.h"
#include "quickadjust/IM_IMAGE_ROTETA.h"
#include <DrawDib.h>
#include <cmath>

namespace {

const char kPopup[] = "快速调整(&Q)";
const char kGrayCaption[] = "图像调整 - 灰度";
const char kIbacCaption[] = "图像调整 - 亮度/对比度";
const char kIhueCaption[] = "图像调整 - 色相/亮度";
const char kCbarCaption[] = "图像调整 - 亮度、对比度、色饱和度";

void RunRotate(CMainFrame& frame)
{
    CIM_IMAGE_ROTETA dlg(&frame);
    if (dlg.DoModal() != IDOK)
        return;
    CString status;
    status.Format("旋转画布: %g 度", dlg.m_fAngle);
    if (frame.Picture().IsValid()) {
        frame.Picture().Rotate((int)std::lround(dlg.m_fAngle * 100.0), 5, RGB(255, 255, 255));
        frame.PictureChanged();
    }
    frame.SetStatus(status);
}

// The host's part of the grey conversion: the dialog's level and amount, as its preview shows
// them. The three other values are the host's to interpret; this host only remembers them.
void RunGray(CMainFrame& frame)
{
    static int values[3] = { 128, 128, 128 }, level = 128, amount = 600;
    CIM_ADJUST_GRAY dlg(frame.SelectedDib(), &frame);
    dlg.m_nValue1 = values[0];
    dlg.m_nValue2 = values[1];
    dlg.m_nValue3 = values[2];
    dlg.m_nLevel = level;
    dlg.m_nAmount = amount;
    if (dlg.DoModal() != IDOK) {
        if (!frame.SelectedDib())
            frame.SetStatus("灰度: 没有图片");
        return;
    }
    values[0] = dlg.m_nValue1;
    values[1] = dlg.m_nValue2;
    values[2] = dlg.m_nValue3;
    level = dlg.m_nLevel;
    amount = dlg.m_nAmount;
    CDrawDib grey;
    grey = frame.Picture();
    grey.BrightProbaility((BYTE)level, amount);
    frame.Picture() = grey;
    frame.PictureChanged();
    CString status;
    status.Format("灰度: 色阶 %d, 强度 %d", level, amount);
    frame.SetStatus(status);
}

void RunBrightnessContrast(CMainFrame& frame)
{
    CIM_ADJUST_IBAC dlg(&frame);
    dlg.SetDib(frame.SelectedDib());
    if (dlg.DoModal() != IDOK)
        return;
    frame.Picture().ChangeContrast(dlg.m_nContrast);
    frame.Picture().ChangeBrightness(dlg.m_nBrightness);
    frame.PictureChanged();
    CString status;
    status.Format("亮度 %d, 对比度 %d", dlg.m_nBrightness, dlg.m_nContrast);
    frame.SetStatus(status);
}

void RunHue(CMainFrame& frame)
{
    CIM_ADJUST_IHUE dlg(&frame);
    dlg.SetDib(frame.SelectedDib());
    if (dlg.DoModal() != IDOK)
        return;
    frame.Picture().ChangeHue(dlg.m_nHue);
    frame.Picture().ChangeBrightness(dlg.m_nBrightness);
    frame.Picture().ChangeSaturation(dlg.m_nSaturation);
    frame.PictureChanged();
    CString status;
    status.Format("色相 %d, 亮度 %d, 饱和度 %d", dlg.m_nHue, dlg.m_nBrightness, dlg.m_nSaturation);
    frame.SetStatus(status);
}

// The dialog adjusts the selected thumbnails itself; the host gives the shown picture the same
// amounts when it is one of them, so its thumbnail and the large view agree.
void RunThumbnails(CMainFrame& frame)
{
    CIM_ADJUST_CBAR dlg(&frame);
    dlg.m_pThumbList = &frame.Thumbs();
    if (dlg.DoModal() != IDOK)
        return;
    CThumbListCtrl& thumbs = frame.Thumbs();
    int count = 0;
    bool shownSelected = false;
    for (int i = thumbs.GetSelectedItem(-1); i >= 0; i = thumbs.GetSelectedItem(i), ++count)
        shownSelected = shownSelected || thumbs.GetItemThumb(i)->m_strPath == frame.SelectedPath();
    if (shownSelected && frame.Picture().IsValid()) {
        frame.Picture().ChangeBrightness(dlg.m_nBrightness);
        frame.Picture().ChangeContrast(dlg.m_nContrast);
        frame.Picture().ChangeSaturation(dlg.m_nSaturation);
        frame.PictureChanged();
    }
    CString status;
    status.Format("%d 张缩略图: 亮度 %d, 对比度 %d, 色饱和度 %d", count, dlg.m_nBrightness, dlg.m_nContrast,
                  dlg.m_nSaturation);
    frame.SetStatus(status);
}

// Key presses on a slider of the dialog, as the user's keyboard sends them.
void PressKeys(HWND hDlg, int sliderId, UINT vk, int times)
{
    HWND slider = ::GetDlgItem(hDlg, sliderId);
    ::SetFocus(slider);
    for (int i = 0; i < times; ++i) {
        ::PostMessageA(slider, WM_KEYDOWN, vk, 1);
        ::PostMessageA(slider, WM_KEYUP, vk, 0xC0000001);
    }
}

void SelectThumbnails(HWND hMain, std::initializer_list<int> items)
{
    HWND list = ::GetDlgItem(hMain, IDC_THUMBS);
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    ::SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&state);
    state.state = LVIS_SELECTED;
    for (int i : items)
        ::SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)i, (LPARAM)&state);
}

const CDemoRegistration registration(kDemoOrderQuickAdjust, [](CDemoBuilder& demo) {
    auto click = [](int id) { return [id](HWND h) { PostClick(h, id); }; };
    const UINT rotate = demo.AddCommand(kPopup, "旋转画布", RunRotate);
    const UINT gray = demo.AddCommand(kPopup, "灰度", RunGray);
    const UINT ibac = demo.AddCommand(kPopup, "亮度/对比度", RunBrightnessContrast);
    const UINT ihue = demo.AddCommand(kPopup, "色相/亮度", RunHue);
    demo.AddSeparator(kPopup);
    const UINT thumbs = demo.AddCommand(kPopup, "选中的缩略图: 亮度、对比度、色饱和度", RunThumbnails);

    demo.AddTour(rotate, {
        { "旋转画布", "10007-rotate", [](HWND h) {
              TypeText(h, IDC_ROTATE_ANGLE, "90");
              PostClick(h, IDOK);
          } },
    });
    demo.AddTour(0, { { kDemoMainCaption, "host-after-rotation", nullptr } });
    demo.AddTour(ibac, {
        { kIbacCaption, "", [](HWND h) {
              PressKeys(h, IDC_QUICK_SLIDER1, VK_NEXT, 1);
              PressKeys(h, IDC_QUICK_SLIDER2, VK_NEXT, 1);
          } },
        { kIbacCaption, "10005-adjust-ibac", click(IDOK) },
    });
    demo.AddTour(ihue, {
        { kIhueCaption, "", [](HWND h) {
              PressKeys(h, IDC_QUICK_SLIDER1, VK_NEXT, 2);
              PressKeys(h, IDC_QUICK_SLIDER3, VK_NEXT, 2);
          } },
        { kIhueCaption, "10006-adjust-ihue", click(IDOK) },
    });
    // Last of the single-picture ones: the others show their previews in colour.
    demo.AddTour(gray, {
        { kGrayCaption, "", [](HWND h) { PressKeys(h, IDC_GRAY_LEVEL, VK_NEXT, 1); } },
        { kGrayCaption, "10003-adjust-gray", click(IDOK) },
    });
    demo.AddTour(0, { { kDemoMainCaption, "host-after-quick-adjust", [](HWND h) { SelectThumbnails(h, { 0, 2, 3 }); } } });
    demo.AddTour(thumbs, {
        { kCbarCaption, "", [](HWND h) {
              TypeText(h, IDC_QUICK_EDIT1, "-300");
              TypeText(h, IDC_QUICK_EDIT3, "-900");
          } },
        // The thumbnails are the preview: the shot takes in the main window behind the dialog.
        { kCbarCaption, "10004-adjust-cbar", click(IDOK), true },
    });
    demo.AddTour(0, { { kDemoMainCaption, "host-after-thumbnail-adjust", nullptr } });
});

} // namespace
