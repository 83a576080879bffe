// The image file dialog on the system's real open and save dialog.
#include "AdjustTestUtil.h"
#include "outfile/ImgFileDialog.h"
#include <dlgs.h>

namespace {

const char* const kTitle = "选择图片测试";

TEST(ImgFileDialog, SaveStartsOnJpegAndOpenOnAllImageFiles)
{
    for (BOOL open : { FALSE, TRUE }) {
        CImgFileDialog dlg(open);
        dlg.m_lpszCaption = kTitle;
        EXPECT_EQ(0x880026u, dlg.m_ofn.Flags);
        EXPECT_STREQ("CImgFileDialog", dlg.GetRuntimeClass()->m_lpszClassName);
        UiScript script;
        script.OnDialog(kTitle, [open](UiWindow frame) {
            const int row = frame.ComboSelection(cmb1);
            EXPECT_EQ(open ? 0 : 1, row) << (open ? "open" : "save");
            EXPECT_EQ(CString(open ? "All Image Files (*.*)" : "JPEG [24-bit] (*.JPG;*.JPE)"), frame.ComboItem(cmb1, row));
            EXPECT_EQ(6, frame.ComboCount(cmb1));
            frame.Click(IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
        EXPECT_EQ(CString("jpg"), dlg.m_strExt);
        EXPECT_EQ(10, dlg.m_nFormat);
        EXPECT_EQ(24, dlg.m_nBits);
    }
}

TEST(ImgFileDialog, ChoosingATypeKeepsItsExtensionCodeAndBits)
{
    struct Case { int index; const char* ext; int format; int bits; };
    const Case cases[] = { { 3, "tif", 3, 32 }, { 4, "bmp", 6, 24 }, { 5, "bmp", 6, 32 }, { 0, "jpg", 10, 24 } };
    for (const Case& c : cases) {
        CImgFileDialog dlg(FALSE);
        dlg.m_lpszCaption = kTitle;
        UiScript script;
        // A pick in the list ends with CBN_SELENDOK, which is what the dialog acts on.
        auto pick = [](UiWindow frame, int index) {
            frame.SelectCombo(cmb1, index);
            ::SendMessageA(frame.Handle(), WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK), (LPARAM)frame.Item(cmb1));
        };
        script.OnDialog(kTitle, [&c, pick](UiWindow frame) { pick(frame, 2); pick(frame, c.index); })
              .OnDialog(kTitle, [](UiWindow frame) { frame.Click(IDCANCEL); });
        script.Run([&] { return dlg.DoModal(); });
        EXPECT_EQ(CString(c.ext), dlg.m_strExt) << c.index;
        EXPECT_EQ(c.format, dlg.m_nFormat) << c.index;
        EXPECT_EQ(c.bits, dlg.m_nBits) << c.index;
    }
}

} // namespace
