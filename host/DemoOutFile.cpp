// The output file dialogs in the demo host.
#include "DemoHost.h"
#include "kxcomdlgres.h"
#include "outfile/ImgFileConfig.h"

namespace {

const char kPopup[] = "输出文件(&O)";

// The host's side of the output settings: write the shown picture where and how the user said.
void RunOutFile(CMainFrame& frame)
{
    CImgFileConfig dlg(&frame);
    dlg.m_nFirstPage = dlg.m_nLastPage = dlg.m_nCurPage = 1;
    if (dlg.DoModal() != IDOK || !frame.Picture().IsValid())
        return;
    CString folder = dlg.m_strOutPath;
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] != '\\')
        folder += '\\';
    CString path;
    path.Format("%s%s.%s", (const char*)folder, (const char*)dlg.m_strOutName,
                (const char*)(dlg.m_strTypeExt.IsEmpty() ? CString("jpg") : dlg.m_strTypeExt));
    CDib out(frame.Picture());
    out.SetXRes(dlg.m_nDPI);
    out.SetYRes(dlg.m_nDPI);
    CString status;
    if (out.Save(path, dlg.m_nFormat, dlg.m_nBitsPerPixel, dlg.m_nQuality > 0 ? dlg.m_nQuality : 2) == 1)
        status.Format("已保存 %s (%d DPI)", (const char*)path, dlg.m_nDPI);
    else
        status.Format("无法保存 %s", (const char*)path);
    frame.SetStatus(status);
}

const CDemoRegistration registration(kDemoOrderOutFile, [](CDemoBuilder& demo) {
    const UINT outfile = demo.AddCommand(kPopup, "输出文件设置", RunOutFile);
    // A folder that does not exist yet is created on the user's Yes, then the host writes the
    // picture there. One of its own: the tours before it have made the output folder already.
    const CString output = DemoOutputFolder("settings") + "\\";
    demo.AddTour(outfile, {
        { "输出文件设置", "10011-output-settings", [output](HWND h) {
              TypeText(h, IDC_OUTFIL_NAME, "tour-output");
              TypeText(h, IDC_OUTFIL_PATH, output);
              PostClick(h, IDOK);
          } },
        { AfxGetApp()->m_pszAppName, "20105-create-folder", [](HWND h) { PostClick(h, IDYES); } },
    });
    demo.AddTour(0, { { kDemoMainCaption, "host-after-output", nullptr } });
});

} // namespace
