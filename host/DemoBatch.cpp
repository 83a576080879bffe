// The batch adjustment dialog in the demo host: "批量调整" on the selected picture walks its
// folder. The tour adjusts the folder of sample photographs, crops them to 3:2 with the clip box
// (dragged by a corner, zoomed), and saves each as a numbered JPEG into the output folder, which
// the dialog offers to create; then a save without a name and one over a file held open by
// another program show their messages.
#include "DemoHost.h"
#include "kxcomdlgres.h"
#include "adjust/DlgAdjustBat.h"
#include <SliceWnd.h>
#include <kxcbaseres.h>

namespace {

const char kPopup[] = "图像调整(&A)";
const char kCaption[] = "图像调整";
const char kCropOptions[] = "剪裁设置";
const int kTourPictures = 6;   // the sample folder's photographs

CString AdjustedFolder() { return DemoOutputFolder("adjusted"); }

void RunBatchAdjust(CMainFrame& frame, int nLayout)
{
    CDlgAdjustBat dlg(frame.SelectedDib(), frame.SelectedPath(), nLayout);
    dlg.DoModal();
    frame.SetStatus("批量调整: 调整后的图像已写入输出文件夹");
}

CSliceWnd* ClipViewOf(HWND hDlg) { return DemoChildOf<CSliceWnd>(hDlg); }

// The clip box's bottom right handle, in the view's client coordinates.
CPoint BoxCorner(CSliceWnd* view)
{
    const CRect box = view->GetClipRect();
    return view->PictureToClient(box.right, box.bottom);
}

void SelectType(HWND hDlg, int index)
{
    ::SendDlgItemMessageA(hDlg, IDC_BATCH_TYPE, CB_SETCURSEL, index, 0);
    ::SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_BATCH_TYPE, CBN_SELCHANGE), (LPARAM)::GetDlgItem(hDlg, IDC_BATCH_TYPE));
}

// The output file the tour holds open while the dialog tries to replace it.
HANDLE& HeldFile()
{
    static HANDLE held = INVALID_HANDLE_VALUE;
    return held;
}

CMainFrame* Frame(HWND hMain) { return static_cast<CMainFrame*>(CWnd::FromHandlePermanent(hMain)); }

const CDemoRegistration registration(kDemoOrderBatch, [](CDemoBuilder& demo) {
    demo.AddSeparator(kPopup);
    const UINT batch = demo.AddCommand(kPopup, "批量调整", [](CMainFrame& f) { RunBatchAdjust(f, 0); });
    const UINT large = demo.AddCommand(kPopup, "批量调整 (大视图, 竖幅)", [](CMainFrame& f) { RunBatchAdjust(f, 1); });
    auto click = [](int id) { return [id](HWND h) { PostClick(h, id); }; };

    demo.AddTour(0, { { kDemoMainCaption, "", [](HWND h) {
                            if (CMainFrame* f = Frame(h)) {
                                f->OpenFolder(DemoFullPath(DemoExecutableFolder() + "..\\samples"));
                                f->SelectPicture(0);
                            }
                        } } });
    std::vector<TourStep> steps = {
        { kCaption, "", [](HWND h) {
              // The dialog makes one missing level of the output folder, not its parent.
              ::CreateDirectoryA(DemoOutputFolder(), nullptr);
              TypeText(h, IDC_BATCH_FOLDER, AdjustedFolder());
              TypeText(h, IDC_BATCH_NAME, "adjusted001");
              SelectType(h, 0);
              TypeText(h, IDC_ADJ_BRIGHT_EDIT, "8");
              TypeText(h, IDC_ADJ_CONTRAST_EDIT, "12");
              TypeText(h, IDC_ADJ_SATU_EDIT, "20");
              TypeText(h, IDC_ADJ_RED_EDIT, "10");
          } },
        { kCaption, "10018-adjust-batch", click(IDC_ADJBAT_CROPSET) },
        // A box of 3:2, the largest that fits, over each picture.
        { kCropOptions, "10018-adjust-batch-crop-options", [](HWND h) {
              ::SendDlgItemMessageA(h, IDC_KX_CROP_RATIO, BM_CLICK, 0, 0);
              TypeText(h, IDC_KX_CROP_WIDTH, "3");
              TypeText(h, IDC_KX_CROP_HEIGHT, "2");
              PostClick(h, IDOK);
          } },
        { kCaption, "clip-box-handles", [](HWND h) {
              // The bottom right handle taken and dragged up and in: the box keeps 3:2.
              if (CSliceWnd* view = ClipViewOf(h)) {
                  const CPoint at = BoxCorner(view);
                  ::PostMessageA(view->m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
                  ::PostMessageA(view->m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
                  ::PostMessageA(view->m_hWnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(at.x - 60, at.y - 15));
              }
          } },
        { kCaption, "clip-ratio-drag", [](HWND h) {
              if (CSliceWnd* view = ClipViewOf(h)) {
                  const CPoint at = BoxCorner(view);
                  ::PostMessageA(view->m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
                  view->SendMessage(WM_KEYDOWN, VK_ADD, 0);
                  view->SendMessage(WM_KEYDOWN, VK_ADD, 0);
              }
          } },
        { kCaption, "clip-zoomed", [](HWND h) {
              if (CSliceWnd* view = ClipViewOf(h))
                  view->SendMessage(WM_KEYDOWN, '1', 0);
              PostClick(h, IDC_ADJBAT_SAVE);
          } },
        // The output folder is new: the dialog asks before it makes it.
        { "", "10018-adjust-batch-create-folder", [](HWND h) { PostClick(h, IDYES); }, true },
    };
    // Saved one after another with Enter; the caption announces each file.
    for (int k = 1; k < kTourPictures; ++k)
        steps.push_back({ "", k == 1 ? "10018-adjust-batch-saved" : "", [](HWND h) {
                              ::PostMessageA(h, WM_KEYDOWN, VK_RETURN, 0);
                          } });
    // A save without a name is refused with its message.
    steps.push_back({ "", "10018-adjust-batch-last", [](HWND h) {
                          TypeText(h, IDC_BATCH_NAME, "\b");   // the name deleted
                          PostClick(h, IDC_ADJBAT_SAVE);
                      } });
    steps.push_back({ "", "10018-adjust-batch-message-name", [](HWND h) { PostClick(h, IDOK); }, true });
    // A file of the output name that another program holds open is not replaced: the message
    // names it, and the dialog stays on the picture under the same number.
    steps.push_back({ "", "", [](HWND h) {
                          HeldFile() = ::CreateFileA(AdjustedFolder() + "\\adjusted006.jpg", GENERIC_READ, 0, nullptr,
                                                     OPEN_EXISTING, 0, nullptr);
                          TypeText(h, IDC_BATCH_NAME, "adjusted006");
                          PostClick(h, IDC_ADJBAT_SAVE);
                      } });
    steps.push_back({ "", "10018-adjust-batch-message-failed", [](HWND h) {
                          PostClick(h, IDOK);
                          if (HeldFile() != INVALID_HANDLE_VALUE)
                              ::CloseHandle(HeldFile());
                          HeldFile() = INVALID_HANDLE_VALUE;
                      }, true });
    steps.push_back({ "", "", click(IDC_ADJBAT_CLOSE) });
    demo.AddTour(batch, steps);
    demo.AddTour(0, {
        { kDemoMainCaption, "", [](HWND h) { if (CMainFrame* f = Frame(h)) f->OpenFolder(AdjustedFolder()); } },
        { kDemoMainCaption, "host-after-batch-adjust", [](HWND h) {
              if (CMainFrame* f = Frame(h)) {
                  f->OpenFolder(DemoFullPath(DemoExecutableFolder() + "..\\samples"));
                  f->SelectPicture(1);
              }
          } },
    });
    // The large form on a landscape photograph: turned to portrait in both views.
    demo.AddTour(large, { { kCaption, "10024-adjust-batch-large", click(IDC_ADJBAT_CLOSE) } });
});

} // namespace
