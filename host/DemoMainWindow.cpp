// The host's own part of the tour: its main window at the start, and its folder browser.
#include "DemoHost.h"
#include "resource.h"

namespace {

const CDemoRegistration start(kDemoOrderHost, [](CDemoBuilder& demo) {
    demo.AddTour(0, { { kDemoMainCaption, "host-main-window", nullptr } });
});

// After the library's dialogs: the shell's browser that "打开文件夹" opens.
const CDemoRegistration folderBrowser(kDemoOrderProducts + 10, [](CDemoBuilder& demo) {
    demo.AddTour(ID_FILE_OPENFOLDER, { { "", "shell-folder-browser", [](HWND h) { PostClick(h, IDCANCEL); } } });
});

} // namespace
