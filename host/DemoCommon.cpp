// The general-purpose dialogs in the demo host.
#include "DemoHost.h"
#include "kxcomdlgres.h"
#include "common/FileLocation.h"
#include <KXDiskFile.h>

namespace {

const char kPopup[] = "通用(&G)";

// A picture whose stored folder is gone: ask where it lies now.
void RunFileLocation(CMainFrame& frame)
{
    CString name = frame.SelectedPath();
    name = name.Mid(name.ReverseFind('\\') + 1);
    if (name.IsEmpty())
        return;
    CKXDiskFile file("C:\\照片\\旧位置\\" + name);
    CFileLocation dlg(&frame);
    dlg.m_pFile = &file;
    dlg.m_strMessage.Format("找不到图像文件 %s。\n请指定它现在所在的文件夹。", (const char*)name);
    if (dlg.GetDefault() || dlg.DoModal() == IDOK)
        frame.SetStatus("找到 " + file.GetPathName());
}

const CDemoRegistration registration(kDemoOrderCommon, [](CDemoBuilder& demo) {
    const UINT fileloc = demo.AddCommand(kPopup, "设置图像文件路径", RunFileLocation);
    const CString samples = DemoFullPath(DemoExecutableFolder() + "..\\samples");
    demo.AddTour(fileloc, {
        { "设置图像文件路径", "10000-file-location", [samples](HWND h) {
              TypeText(h, IDC_FILELOC_LOCATION, samples);
              PostClick(h, IDOK);
          } },
    });
});

} // namespace
