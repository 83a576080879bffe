// The progress window in the demo host: print files of every picture of the folder, made under
// the progress window, which the user can stop.
#include "DemoHost.h"
#include "kxcomdlgres.h"
#include "common/ProgressDialog.h"
#include <Geometry.h>

namespace {

const char kPopup[] = "通用(&G)";
const char kCaption[] = "制作冲印文件";
const char kStopPrompt[] = "确实要终止制作冲印文件吗？";

// The print sizes a photo shop takes, in pixels at 300 dpi, landscape.
struct PrintSize { const char* name; int width, height; };
const PrintSize kPrintSizes[] = {
    { "6寸", 1800, 1200 },
    { "7寸", 2100, 1500 },
    { "A4", 3508, 2480 },
};
const int kPrintDpi = 300;

// The picture enlarged (or reduced) to fill the print as far as its proportions allow, turned to
// the print's orientation.
bool MakePrint(const CDib& picture, const PrintSize& size, CDib& print)
{
    const bool portrait = picture.GetHeight() > picture.GetWidth();
    const CRect paper(0, 0, portrait ? size.height : size.width, portrait ? size.width : size.height);
    CRect fit;
    if (!GetProporCerterRect(paper, picture.GetWidth(), picture.GetHeight(), fit) || !print.Resize(picture, fit.Width(), fit.Height(), 2))
        return false;
    print.SetXRes(kPrintDpi);
    print.SetYRes(kPrintDpi);
    return true;
}

void RunPrints(CMainFrame& frame)
{
    CThumbListCtrl& list = frame.Thumbs();
    const int pictures = list.GetItemCount();
    if (pictures == 0)
        return;
    const CString folder = DemoMakeOutputFolder("prints") + "\\";
    const int steps = pictures * (int)(sizeof kPrintSizes / sizeof kPrintSizes[0]);

    CProgressDialog progress(CProgressDialog::optStopButton | CProgressDialog::optConfirmStop, kCaption, kStopPrompt, &frame);
    int written = 0, failed = 0, step = 0;
    for (int i = 0; i < pictures && !progress.HasBeenCancelled(); ++i) {
        const CString path = list.GetItemThumb(i)->m_strPath;
        const CString name = path.Mid(path.ReverseFind('\\') + 1);
        CString title = name.Left(name.ReverseFind('.') > 0 ? name.ReverseFind('.') : name.GetLength());
        progress.SetStatusString("读取 " + name);
        CDib picture;
        if (picture.Load(path) != 1) {
            failed += 3;
            step += 3;
            continue;
        }
        for (const PrintSize& size : kPrintSizes) {
            if (progress.HasBeenCancelled())
                break;
            progress.SetStatusString(CString(size.name) + ": " + name);
            CDib print;
            const CString out = folder + title + "-" + size.name + ".jpg";
            // Each half of the step reports, so the host's windows answer between them.
            const bool made = MakePrint(picture, size, print);
            progress.SetPercentageDone((2 * step + 1) * 100 / (2 * steps));
            if (made && print.Save(out, KXFMT_JPEG, 24, 2) == 1)
                ++written;
            else
                ++failed;
            ++step;
            progress.SetPercentageDone(step * 100 / steps);
        }
    }
    const bool stopped = progress.HasBeenCancelled() != FALSE;
    progress.DestroyWindow();
    CString status;
    status.Format("%s %d 个冲印文件", stopped ? "已终止, 写了" : "写了", written);
    if (failed) {
        CString more;
        more.Format(", %d 个失败", failed);
        status += more;
    }
    frame.SetStatus(status + " (" + folder + ")");
}

const CDemoRegistration registration(kDemoOrderCommon, [](CDemoBuilder& demo) {
    const UINT prints = demo.AddCommand(kPopup, "制作冲印文件 (6寸、7寸、A4)", RunPrints);
    demo.AddTour(prints, {
        // The work runs; the user stops it and says yes to the question (the application's).
        { kCaption, "16469-progress", [](HWND h) { PostClick(h, IDC_PROGRESS_STOP); } },
        { AfxGetApp()->m_pszAppName, "16469-progress-stop-prompt", [](HWND h) { PostClick(h, IDYES); }, true },
    });
    demo.AddTour(0, { { kDemoMainCaption, "host-after-prints", nullptr } });
});

} // namespace
