// The quick adjustment dialogs in the demo host.
#include "DemoHost.h"
#include "kxcomdlgres.h"
#include "quickadjust/IM_IMAGE_ROTETA.h"
#include <cmath>

namespace {

const char kPopup[] = "快速调整(&Q)";

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

const CDemoRegistration registration(kDemoOrderQuickAdjust, [](CDemoBuilder& demo) {
    const UINT rotate = demo.AddCommand(kPopup, "旋转画布", RunRotate);
    demo.AddTour(rotate, {
        { "旋转画布", "10007-rotate", [](HWND h) {
              TypeText(h, IDC_ROTATE_ANGLE, "90");
              PostClick(h, IDOK);
          } },
    });
    demo.AddTour(0, { { kDemoMainCaption, "host-after-rotation", nullptr } });
});

} // namespace
