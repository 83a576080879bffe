// The crop dialogs in the demo host: scans of prints made from the sample photographs, cut into
// numbered clips by the automatic positioning crop, and the image crop with a fixed ratio.
#include "DemoHost.h"
#include "kxcomdlgres.h"
#include "slice/CropDlg.h"
#include "slice/SliceDlg.h"
#include <LeadBitmap.h>
#include <ScanSheet.h>

namespace {

const char kPopup[] = "剪裁(&S)";
const char kSliceCaption[] = "图像自动定位剪裁";
const char kCropCaption[] = "图像剪裁";
const double kCropRatio = 1.5;

// Two flatbed scans the tour cuts up: prints at small tilts on the lid's white, and on a textured
// background with white-bordered prints.
const struct { const char* name; int prints; bool textured; int borders; unsigned seed; } kSheets[] = {
    { "scan01.png", 4, false, 1, 3 },
    { "scan02.png", 3, true, 2, 5 },
};

// Beside the tour's other output, not in it: the output settings tour asks to create that folder.
CString SliceFolder() { return DemoFullPath(DemoExecutableFolder() + "..\\slice"); }
CString ScanFolder() { return SliceFolder() + "\\scans"; }
CString ClipFolder() { return SliceFolder() + "\\clips"; }

// The host's picture folder before the scans were shown, to go back to.
CString& PictureFolder()
{
    static CString folder;
    return folder;
}

// Lays the photographs of the host's folder on scanned sheets and shows the sheets.
void MakeScans(CMainFrame& frame)
{
    std::vector<CDib> photos;
    if (!LoadSamplePhotos(frame.GetFolder(), photos)) {
        frame.SetStatus("扫描样张: 文件夹中没有照片");
        return;
    }
    PictureFolder() = frame.GetFolder();
    const CString folder = ScanFolder();
    ::CreateDirectoryA(SliceFolder(), nullptr);
    ::CreateDirectoryA(folder, nullptr);
    int made = 0;
    {
        CWaitCursor wait;
        for (const auto& s : kSheets) {
            SCANSHEETOPT opt;
            opt.prints = s.prints;
            opt.textured = s.textured;
            opt.borders = s.borders;
            opt.seed = s.seed;
            CDib sheet;
            std::vector<CTiltRect> truth;
            if (MakeScanSheet(photos, opt, sheet, truth) && sheet.Save(folder + "\\" + s.name, KXFMT_PNG, 24) == 1)
                ++made;
        }
    }
    frame.OpenFolder(folder);
    CString status;
    status.Format("扫描样张: %d 张已写入 %s", made, (const char*)folder);
    frame.SetStatus(status);
}

// The selected picture as the host hands it over: its pixels described, its path.
bool Selected(CMainFrame& frame, struct_LEAD_Bitmap& bitmap, CString& path)
{
    path = frame.SelectedPath();
    return frame.SelectedDib() && DescribeLeadBitmap(frame.Picture(), bitmap);
}

void RunSlice(CMainFrame& frame)
{
    struct_LEAD_Bitmap bitmap;
    CString path;
    const bool have = Selected(frame, bitmap, path);
    CSliceDlg dlg(have ? &bitmap : nullptr, path);
    dlg.DoModal();
    frame.SetStatus("自动定位剪裁: 已关闭");
}

// The crop replaces the shown picture with the marked part of it, when the user stayed on it.
void RunCrop(CMainFrame& frame)
{
    struct_LEAD_Bitmap bitmap;
    CString path;
    const bool have = Selected(frame, bitmap, path);
    CCropDlg dlg(have ? &bitmap : nullptr, path, kCropRatio);
    if (dlg.DoModal() != IDOK)
        return;
    const CDib& clip = dlg.GetClipPicture();
    CString status;
    if (!clip.IsValid()) {
        status = "图像剪裁: 没有剪裁区域";
    } else if (dlg.GetSourcePath().CompareNoCase(path) == 0) {
        frame.Picture() = clip;
        frame.PictureChanged();
        status.Format("图像剪裁: %d x %d", clip.GetWidth(), clip.GetHeight());
    } else {
        status.Format("图像剪裁: %s 的剪裁区域 %d x %d", (const char*)dlg.GetSourcePath(), clip.GetWidth(), clip.GetHeight());
    }
    frame.SetStatus(status);
}

CMainFrame* Frame(HWND hMain) { return static_cast<CMainFrame*>(CWnd::FromHandlePermanent(hMain)); }

const CDemoRegistration registration(kDemoOrderSlice, [](CDemoBuilder& demo) {
    const UINT scans = demo.AddCommand(kPopup, "制作扫描样张", MakeScans);
    demo.AddSeparator(kPopup);
    const UINT slice = demo.AddCommand(kPopup, "自动定位剪裁", RunSlice);
    const UINT crop = demo.AddCommand(kPopup, "图像剪裁 (3:2)", RunCrop);
    auto click = [](int id) { return [id](HWND h) { PostClick(h, id); }; };

    demo.AddTour(scans, { { kDemoMainCaption, "host-scans", nullptr } });
    std::vector<TourStep> steps = {
        { kSliceCaption, "", [](HWND h) {
              ::CreateDirectoryA(ClipFolder(), nullptr);
              TypeText(h, IDC_BATCH_NAME, "print001");
              TypeText(h, IDC_BATCH_FOLDER, ClipFolder());
              PostClick(h, IDC_SLICE_HOPSET);
          } },
        { "定位设置", "10013-slice-hop-options", click(IDCANCEL) },
        { kSliceCaption, "", click(IDC_SLICE_CROPOPT) },
        { "剪裁设置", "10013-slice-crop-options", click(IDCANCEL) },
    };
    // One shot of the clip box on each print, then its save; the caption announces each finished
    // sheet, so the steps after the first sheet wait for the dialog by no caption.
    int shot = 0;
    for (const auto& s : kSheets)
        for (int i = 1; i <= s.prints; ++i) {
            CString name;
            name.Format("10013-slice-%.6s-hop%d", s.name, i);
            steps.push_back({ shot++ < kSheets[0].prints ? kSliceCaption : "", name, click(IDC_SLICE_SAVE) });
        }
    steps.push_back({ "", "10013-slice-done", click(IDC_SLICE_CLOSE) });
    demo.AddTour(slice, steps);
    demo.AddTour(0, {
        { kDemoMainCaption, "", [](HWND h) { if (CMainFrame* f = Frame(h)) f->OpenFolder(ClipFolder()); } },
        { kDemoMainCaption, "host-slice-clips", [](HWND h) {
              CMainFrame* f = Frame(h);
              if (f && !PictureFolder().IsEmpty())
                  f->OpenFolder(PictureFolder());
          } },
    });
    demo.AddTour(crop, {
        { kCropCaption, "10016-crop", click(IDC_CROP_ROTATE) },
        { kCropCaption, "10016-crop-rotated", click(IDOK) },
    });
    demo.AddTour(0, { { kDemoMainCaption, "host-after-crop", nullptr } });
});

} // namespace
