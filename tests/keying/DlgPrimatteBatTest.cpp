// The batch keying dialog on a folder of green-screen pictures: keyed one after another with
// the screen picked once and each picture composed as it is reached, saved under numbered names.
#include "KeyingTestUtil.h"
#include "keying/DlgPrimatteBat.h"
#include <Dib.h>

namespace {

using DlgPrimatteBatTest = KeyingTest;

// Waits until the dialog shows the picture (label 10060 names it) and its composite, then acts.
UiScript& OnComposed(UiScript& script, const CString& path, std::function<void(UiWindow)> act)
{
    return script.Until("the composite of the picture", [path, act] {
        UiWindow w(ActiveDialogWindow());
        // The caption announces each save: the dialog is found by its view.
        CPrimatteViewWnd* view = w ? ViewOf(w) : nullptr;
        if (!view || !view->IsKeyed() || view->m_strFileName.CompareNoCase(path) != 0)
            return false;
        act(w);
        return true;
    });
}

// The output fields typed as the user types them: folder, name, type BMP 24, compose while
// browsing on, the screen picked on the first picture.
void SetUpOutput(UiWindow w, const CString& folder, const char* name)
{
    w.TypeKeys(IDC_BATCH_FOLDER, folder);
    w.TypeKeys(IDC_BATCH_NAME, name);
    w.SelectCombo(IDC_BATCH_TYPE, 1);
    w.ClickNow(IDC_PRIM_AUTOCOMPOSE);
    ClickPicture(w, 2, 2);
}

TEST_F(DlgPrimatteBatTest, FolderIsKeyedPictureByPictureUnderNumberedNames)
{
    const CString first = Picture("a1.png", 0), second = Picture("a2.png", 1), third = Picture("a3.png", 2);
    const CString out = m_folder.File("out");
    ::CreateDirectoryA(out, nullptr);
    CDlgPrimatteBat dlg(first);
    CDib composites[3];
    UiScript script;
    script.OnDialog(kBatchCaption, [&](UiWindow w) {
        for (int id : { IDC_BATCH_FIRST, IDC_BATCH_PREV, IDC_BATCH_NEXT, IDC_BATCH_LAST })
            EXPECT_TRUE(w.IsEnabled(id)) << "untouched until the first browse: " << id;
        EXPECT_EQ(CString(""), w.Text(IDC_BATCH_SOURCE_PATH));
        EXPECT_TRUE(w.IsChecked(IDC_PRIM_SHOW_FOREGROUND));
        EXPECT_EQ(CString("保存"), w.Text(IDC_PRIM_APPLY));
        SetUpOutput(w, out, "keyed001");
    });
    const CString paths[3] = { first, second, third };
    for (int k = 0; k < 3; ++k)
        OnComposed(script, paths[k], [&, k](UiWindow w) {
            if (k > 0) {
                EXPECT_TRUE(w.IsChecked(IDC_PRIM_SHOW_COMPOSITE)) << "composed on arrival";
                EXPECT_EQ(paths[k], w.Text(IDC_BATCH_SOURCE_PATH));
                EXPECT_TRUE(w.IsChecked(IDC_PRIM_OP_FIRST));
            }
            composites[k] = *ViewOf(w)->GetComposite();
            w.Key(VK_RETURN);   // saves
        });
    script.OnDialog(nullptr, [&](UiWindow w) {
        EXPECT_EQ(third, w.Text(IDC_BATCH_SOURCE_PATH)) << "stays at the last picture";
        EXPECT_EQ(CString("保存为文件 ") + out + "\\keyed003.bmp 。", w.Caption());
        EXPECT_EQ(CString("keyed004"), w.Text(IDC_BATCH_NAME));
        w.Click(IDC_PRIM_CLOSE);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }, 30000));

    const char* const names[3] = { "keyed001.bmp", "keyed002.bmp", "keyed003.bmp" };
    for (int k = 0; k < 3; ++k) {
        CDib saved;
        ASSERT_EQ(1, saved.Load(out + "\\" + names[k])) << names[k];
        EXPECT_EQ("", PixelDifference(composites[k], saved)) << names[k];
    }
    EXPECT_NE("", PixelDifference(composites[0], composites[1])) << "each picture keyed on its own";
    EXPECT_EQ(CString("keyed003"), ProfileString("Settings", "Prim filename")) << "stored before the last advance";
    EXPECT_EQ(CString(out + "\\"), ProfileString("Settings", "Prim dirname"));
    EXPECT_EQ(CString("1"), ProfileString("Settings", "Prim filetype"));
    EXPECT_EQ(CString("1"), ProfileString("Settings", "Prim addtail"));
    EXPECT_EQ(CString("250"), ProfileString("Settings", "Prim DPI"));
}

TEST_F(DlgPrimatteBatTest, FailedSaveStaysOnThePictureAndItsNumber)
{
    const CString first = Picture("b1.png", 0);
    Picture("b2.png", 1);
    const CString out = m_folder.File("out");
    ::CreateDirectoryA(out, nullptr);
    m_folder.Write("out\\keyed001.bmp", "held by another program");
    HANDLE busy = ::CreateFileA(out + "\\keyed001.bmp", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, busy);
    CDlgPrimatteBat dlg(first);
    CString message;
    UiScript script;
    script.OnDialog(kBatchCaption, [&](UiWindow w) { SetUpOutput(w, out, "keyed001"); });
    OnComposed(script, first, [](UiWindow w) { w.Key(VK_RETURN); });
    script.AnswerMessageBox(IDOK, &message)
          .OnDialog(kBatchCaption, [&](UiWindow w) {
              EXPECT_EQ(CString(kBatchCaption), w.Caption()) << "no save announced";
              EXPECT_EQ(CString("keyed001"), w.Text(IDC_BATCH_NAME));
              EXPECT_EQ(first, ViewOf(w)->m_strFileName) << "still on the picture";
              w.Click(IDC_PRIM_CLOSE);
          });
    script.Run([&] { return dlg.DoModal(); });
    ::CloseHandle(busy);
    EXPECT_NE(-1, message.Find(out + "\\keyed001.bmp")) << (const char*)message;
}

TEST_F(DlgPrimatteBatTest, SaveWithoutCompositeDoesNothing)
{
    m_folder.Write("broken.jpg", "not a picture");
    CDlgPrimatteBat dlg(m_folder.File("broken.jpg"));
    UiScript script;
    script.OnDialog(kBatchCaption, [](UiWindow w) {
              EXPECT_EQ(CString("图像无法打开"), w.Text(IDC_PRIM_STATUS));
              w.TypeKeys(IDC_BATCH_NAME, "typed");
              w.Key(VK_RETURN);
          })
          .OnDialog(kBatchCaption, [](UiWindow w) {
              EXPECT_EQ(CString(kBatchCaption), w.Caption());
              w.Click(IDC_PRIM_CLOSE);
          });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(CString(""), ProfileString("Settings", "Prim filename")) << "not even the settings written";
}

} // namespace
