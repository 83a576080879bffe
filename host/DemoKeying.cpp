// The background removal dialogs in the demo host. The tour makes green-screen pictures of a
// sample photograph, keys one of them in the single dialog (over a colour, over a picture, the
// mask, both saved) and a folder of them in the batch form, which writes numbered composites.
#include "DemoHost.h"
#include "kxcomdlgres.h"
#include "keying/DlgPrimatte.h"
#include "keying/DlgPrimatteBat.h"
#include <KeyScene.h>
#include <colordlg.h>
#include <cstdio>

namespace {

const char kPopup[] = "褪底(&K)";
const char kSingleCaption[] = "图像褪底";
const char kBatchCaption[] = "批量图像褪底";
const int kScreenPictures = 3;

CString OutputFolder() { return DemoOutputFolder(); }
CString ScreenFolder() { return DemoOutputFolder("greenscreen"); }
CString ScreenPicture(int k)
{
    char name[32];
    std::snprintf(name, sizeof name, "\\studio%02d.png", k + 1);
    return ScreenFolder() + name;
}

void RunKeying(CMainFrame& frame)
{
    CDlgPrimatte dlg(&frame);
    frame.SetStatus(dlg.DoModal() == IDOK ? "图像褪底: 完成" : "图像褪底: 放弃");
}

void RunBatchKeying(CMainFrame& frame)
{
    CDlgPrimatteBat dlg(frame.SelectedPath());
    dlg.DoModal();
    frame.SetStatus("批量褪底: 合成图已写入输出文件夹");
}

// Green-screen shots of the sample photographs, for the tour to key.
void MakeScreenPictures(CMainFrame& frame)
{
    DemoMakeOutputFolder("greenscreen");
    const char* const samples[kScreenPictures] = { "astronaut.png", "coffee.png", "chelsea.png" };
    {
        CWaitCursor wait;
        for (int k = 0; k < kScreenPictures; ++k) {
            CDib photo;
            KEYSCENEOPT opt;
            opt.width = 960;
            opt.height = 720;
            opt.seed = (unsigned)k + 1;
            KEYSCENE scene;
            if (photo.Load(DemoFullPath(DemoExecutableFolder() + "..\\samples\\" + samples[k])) == 1
                && MakeKeyScene(photo, opt, OutputFolder(), scene))
                scene.composite.Save(ScreenPicture(k), KXFMT_PNG, 24);
        }
    }
    frame.OpenFolder(ScreenFolder());
    frame.SetStatus("褪底: 绿幕样图已写入");
}

CPrimatteWnd* ViewOf(HWND hDlg) { return DemoChildOf<CPrimatteWnd>(hDlg); }

// A click of the user's on a pixel of the picture in the view.
void ClickPicture(HWND hDlg, double fx, double fy)
{
    CPrimatteWnd* view = ViewOf(hDlg);
    if (!view || !view->GetForeground().IsValid())
        return;
    const CDib& shown = view->GetForeground();
    const CPoint at = view->PictureToClient(shown.GetWidth() * fx, shown.GetHeight() * fy);
    const LPARAM where = MAKELPARAM(at.x, at.y);
    ::PostMessageA(view->m_hWnd, WM_MOUSEMOVE, 0, where);
    ::PostMessageA(view->m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, where);
    ::PostMessageA(view->m_hWnd, WM_LBUTTONUP, 0, where);
}

// The colour dialog: its red, green and blue boxes opened, the colour typed into them, OK.
void ChooseColor(HWND hColorDialog, int r, int g, int b)
{
    ::SendMessageA(::GetDlgItem(hColorDialog, COLOR_MIX), BM_CLICK, 0, 0);
    const int boxes[3] = { COLOR_RED, COLOR_GREEN, COLOR_BLUE };
    const int values[3] = { r, g, b };
    for (int i = 0; i < 3; ++i) {
        char text[8];
        std::snprintf(text, sizeof text, "%d", values[i]);
        TypeText(hColorDialog, boxes[i], text);
    }
    PostClick(hColorDialog, IDOK);
}

const CDemoRegistration registration(kDemoOrderKeying, [](CDemoBuilder& demo) {
    const UINT single = demo.AddCommand(kPopup, "图像褪底", RunKeying);
    const UINT batch = demo.AddCommand(kPopup, "批量褪底", RunBatchKeying);
    demo.AddSeparator(kPopup);
    const UINT samples = demo.AddCommand(kPopup, "制作绿幕样图", MakeScreenPictures);
    auto click = [](int id) { return [id](HWND h) { PostClick(h, id); }; };

    demo.AddTour(samples, {});
    const CString backdrop = DemoFullPath(DemoExecutableFolder() + "..\\samples\\rocket.jpg");
    const CString composite = OutputFolder() + "\\keyed-composite.png";
    const CString mask = OutputFolder() + "\\keyed-mask.png";
    demo.AddTour(single, {
        { kSingleCaption, "10014-keying", click(IDC_PRIM_FOREGROUND) },
        { "请选择前景图", "", [](HWND h) { ChooseFile(h, ScreenPicture(0)); } },
        // The screen picked at a corner of the shot, the composite over a colour of the user's.
        { kSingleCaption, "", [](HWND h) { ClickPicture(h, 0.04, 0.04); } },
        { kSingleCaption, "", click(IDC_PRIM_CHOOSE_COLOR) },
        { "颜色", "", [](HWND h) { ChooseColor(h, 40, 90, 160); } },
        { kSingleCaption, "", click(IDC_PRIM_RECOMPOSE) },
        { kSingleCaption, "10014-keying-over-color", click(IDC_PRIM_CHOOSE_PICTURE) },
        { "请选择缺省背景图片", "", [backdrop](HWND h) { ChooseFile(h, backdrop); } },
        { kSingleCaption, "", click(IDC_PRIM_RECOMPOSE) },
        { kSingleCaption, "10014-keying-over-picture", click(IDC_PRIM_SAVE_COMPOSITE) },
        { "保存合成图", "", [composite](HWND h) { ChooseFile(h, composite); } },
        { kSingleCaption, "", click(IDC_PRIM_SHOW_MASK) },
        { kSingleCaption, "10014-keying-mask", click(IDC_PRIM_SAVE_MASK) },
        { "保存蒙板图", "", [mask](HWND h) { ChooseFile(h, mask); } },
        { kSingleCaption, "", click(IDC_PRIM_APPLY) },
    });

    // The folder of shots keyed one after another: the screen picked once, each picture composed
    // as it is reached, saved with Enter under numbered names.
    const CString outFolder = OutputFolder() + "\\keyed";
    demo.AddTour(0, { { kDemoMainCaption, "", [](HWND h) {
                            if (auto* frame = static_cast<CMainFrame*>(CWnd::FromHandlePermanent(h)))
                                frame->SelectPicture(0);
                        } } });
    std::vector<TourStep> steps = {
        { kBatchCaption, "", [outFolder](HWND h) {
              ::CreateDirectoryA(outFolder, nullptr);
              TypeText(h, IDC_BATCH_FOLDER, outFolder);
              TypeText(h, IDC_BATCH_NAME, "keyed001");
              ::SendDlgItemMessageA(h, IDC_BATCH_TYPE, CB_SETCURSEL, 0, 0);
              ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDC_BATCH_TYPE, CBN_SELCHANGE), (LPARAM)::GetDlgItem(h, IDC_BATCH_TYPE));
              PostClick(h, IDC_PRIM_AUTOCOMPOSE);
              ClickPicture(h, 0.04, 0.04);
          } },
        { kBatchCaption, "", click(IDC_PRIM_RECOMPOSE) },
    };
    // After a save the caption names the saved file ("保存为文件 ... 。") until the dialog closes:
    // the later steps take the dialog by being the active one rather than by its caption.
    for (int k = 0; k < kScreenPictures; ++k)
        steps.push_back({ k == 0 ? kBatchCaption : "", k == 1 ? "10019-keying-batch" : "", click(IDC_PRIM_APPLY) });
    steps.push_back({ "", "10019-keying-batch-saved", click(IDC_PRIM_CLOSE) });
    demo.AddTour(batch, steps);
    demo.AddTour(0, { { kDemoMainCaption, "host-after-keying", [](HWND h) {
                            if (auto* frame = static_cast<CMainFrame*>(CWnd::FromHandlePermanent(h)))
                                frame->OpenFolder(DemoFullPath(DemoExecutableFolder() + "..\\samples"));
                        } } });
});

} // namespace
