// The image file dialog on the system's real open and save dialog.
#include "AdjustTestUtil.h"
#include "outfile/ImgFileDialog.h"
#include "kxcomdlgres.h"
#include <dlgs.h>
#include <commctrl.h>
#include <algorithm>

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

namespace {

struct FrameLayout
{
    int width = 0, height = 0;
    CRect client;
    CRect preview;        // empty when the frame has none
    bool previewVisible = false;
    int previewId = 0;
    CString okClass;      // of the frame's item IDOK: its button, never the preview
    int controlsBottom = 0;   // lowest of the file-type row and the two buttons
};

CRect RectIn(HWND frame, HWND child)
{
    CRect rc;
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

FrameLayout Measure(UiWindow frame)
{
    FrameLayout m;
    CRect window;
    ::GetWindowRect(frame.Handle(), &window);
    m.width = window.Width();
    m.height = window.Height();
    ::GetClientRect(frame.Handle(), &m.client);
    if (HWND preview = ::FindWindowExA(frame.Handle(), nullptr, "KX_IMAGE_PREVIEW_CTRL", nullptr)) {
        m.preview = RectIn(frame.Handle(), preview);
        m.previewVisible = ::IsWindowVisible(preview) != 0;
        m.previewId = ::GetDlgCtrlID(preview);
    }
    m.okClass = frame.ClassName(IDOK);
    for (int id : { (int)cmb1, (int)IDOK, (int)IDCANCEL })
        m.controlsBottom = std::max(m.controlsBottom, (int)RectIn(frame.Handle(), frame.Item(id)).bottom);
    return m;
}

FrameLayout RunAndMeasure(BOOL open)
{
    CImgFileDialog dlg(open);
    dlg.m_lpszCaption = kTitle;
    FrameLayout m;
    UiScript script;
    script.OnDialog(kTitle, [&m](UiWindow frame) { m = Measure(frame); frame.Click(IDCANCEL); });
    script.Run([&] { return dlg.DoModal(); });
    return m;
}

// The file dialog remembers its size for the next one of the process; the preview's strip must
// not travel with it into a save dialog, nor pile up over open dialogs.
TEST(ImgFileDialog, OpenFormAddsAWholePreviewBelowTheControlsAndSaveFormKeepsItsSize)
{
    const FrameLayout save1 = RunAndMeasure(FALSE), open1 = RunAndMeasure(TRUE);
    const FrameLayout save2 = RunAndMeasure(FALSE), open2 = RunAndMeasure(TRUE);
    for (const FrameLayout* save : { &save1, &save2 })
        EXPECT_TRUE(save->preview.IsRectEmpty());
    EXPECT_EQ(save1.height, save2.height);
    for (const FrameLayout* open : { &open1, &open2 }) {
        const int n = open == &open1 ? 1 : 2;
        EXPECT_EQ(save1.height + 100, open->height) << n;
        EXPECT_EQ(100, open->preview.Width()) << n;
        EXPECT_EQ(100, open->preview.Height()) << n;
        EXPECT_TRUE(open->previewVisible) << n;
        EXPECT_EQ(IDC_IMGFILE_PREVIEW, open->previewId) << n;
        EXPECT_EQ(CString("Button"), open->okClass) << n;
        // Wholly inside the frame, below the standard controls, centred on the frame's width.
        EXPECT_GE(open->preview.top, open->controlsBottom) << n;
        EXPECT_LE(open->preview.bottom, open->client.bottom) << n;
        EXPECT_EQ(open->width / 2 - 50, open->preview.left) << n;
    }
}

// Selects the file of this name in the dialog's folder view, as a click on it does.
bool SelectInFolderView(UiWindow frame, const char* name)
{
    HWND view = ::FindWindowExA(frame.Handle(), nullptr, "SHELLDLL_DefView", nullptr);
    HWND list = view ? ::FindWindowExA(view, nullptr, "SysListView32", nullptr) : nullptr;
    if (!list)
        return false;
    const int count = (int)::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[MAX_PATH] = "";
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)&item);
        // The view may hide known extensions.
        const CString shown(text), full(name);
        if (shown.CompareNoCase(full) != 0 && shown.CompareNoCase(full.Left(full.ReverseFind('.'))) != 0)
            continue;
        LVITEMA state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&state);
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(list, LVM_SETITEMSTATE, i, (LPARAM)&state);
        return true;
    }
    return false;
}

TEST(ImgFileDialog, PreviewShowsTheSelectedFileAndEmptiesOnABrokenOne)
{
    TestFolder folder;
    CDib red;
    red.Create(60, 30, 24);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            BYTE* p = red.GetLine(y) + 3 * x;
            p[0] = 0; p[1] = 0; p[2] = 255;
        }
    ASSERT_EQ(1, red.Save(folder.File("red.bmp"), KXFMT_BMP, 24));
    folder.Write("broken.jpg", "not a picture at all");

    CImgFileDialog dlg(TRUE);
    dlg.m_lpszCaption = kTitle;
    const CString dir = folder.Path();
    dlg.m_ofn.lpstrInitialDir = dir;
    CIM_WINDOW* preview = nullptr;
    int widthOfRed = 0, heightOfRed = 0;
    bool emptyAfterBroken = false;
    UiScript script;
    script.Until("the folder's files listed and the picture selected", [&] {
              UiWindow frame(ActiveDialogWindow());
              return frame.Caption() == kTitle && SelectInFolderView(frame, "red.bmp");
          })
          .Until("the preview holding the picture", [&] {
              UiWindow frame(ActiveDialogWindow());
              HWND h = ::FindWindowExA(frame.Handle(), nullptr, "KX_IMAGE_PREVIEW_CTRL", nullptr);
              preview = h ? static_cast<CIM_WINDOW*>(CWnd::FromHandlePermanent(h)) : nullptr;
              if (!preview || !preview->GetDib()->IsValid())
                  return false;
              widthOfRed = preview->GetDib()->GetWidth();
              heightOfRed = preview->GetDib()->GetHeight();
              return true;
          })
          .Until("the broken file selected", [&] { return SelectInFolderView(UiWindow(ActiveDialogWindow()), "broken.jpg"); })
          .Until("the preview emptied", [&] {
              emptyAfterBroken = !preview->GetDib()->IsValid();
              return emptyAfterBroken;
          })
          .OnDialog(kTitle, [](UiWindow frame) { frame.Click(IDCANCEL); });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(60, widthOfRed);
    EXPECT_EQ(30, heightOfRed);
    EXPECT_TRUE(emptyAfterBroken);
}

} // namespace
