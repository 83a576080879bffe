// The image adjustment dialogs in the demo host.
#include "DemoHost.h"
#include "kxcomdlgres.h"
#include "adjust/DlgAdjust.h"

namespace {

const char kPopup[] = "图像调整(&A)";

// The dialog adjusts the selected picture in place when the user confirms.
void RunAdjust(CMainFrame& frame, int nLayout)
{
    CDlgAdjust dlg(frame.SelectedDib(), &frame, nLayout);
    if (dlg.DoModal() != IDOK)
        return;
    frame.PictureChanged();
    frame.SetStatus("图像调整: 已应用");
}

const CDemoRegistration registration(kDemoOrderAdjust, [](CDemoBuilder& demo) {
    const UINT adjust = demo.AddCommand(kPopup, "图像调整", [](CMainFrame& f) { RunAdjust(f, 0); });
    const UINT large = demo.AddCommand(kPopup, "图像调整 (大视图)", [](CMainFrame& f) { RunAdjust(f, 1); });
    auto click = [](int id) { return [id](HWND h) { PostClick(h, id); }; };
    demo.AddTour(adjust, {
        { "图像调整", "", [](HWND h) {
              TypeText(h, IDC_ADJ_BRIGHT_EDIT, "15");
              TypeText(h, IDC_ADJ_SATU_EDIT, "40");
              TypeText(h, IDC_ADJ_RED_EDIT, "20");
          } },
        { "图像调整", "10017-adjust", click(IDC_ADJ_SAVE_PROFILE) },
        { "保存方案...", "10025-adjust-name", click(IDCANCEL) },
        { "图像调整", "", click(IDC_ADJ_HELP) },
        { "副键盘调整", "10020-adjust-keypad", [](HWND h) { ::PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); } },
        { "图像调整", "", click(IDC_ADJ_SET_STD) },
        { "选择标准图", "imgfiledialog-open", [](HWND h) { ::PostMessageA(h, WM_COMMAND, IDCANCEL, 0); } },
        { "图像调整", "", click(IDOK) },
    });
    demo.AddTour(0, { { kDemoMainCaption, "host-after-adjust", nullptr } });
    demo.AddTour(large, {
        { "图像调整", "", [](HWND h) { TypeText(h, IDC_ADJ_CONTRAST_EDIT, "30"); } },
        { "图像调整", "10023-adjust-large", click(IDCANCEL) },
    });
});

} // namespace
