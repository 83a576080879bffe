// The automatic positioning crop, driven as a user drives it: a folder of scanned sheets cut into
// numbered clips, the keys, the double-click, the stored settings and a save that fails.
#include "SliceTestUtil.h"
#include "kxcomdlgres.h"
#include <KXDiskFile.h>
#include <memory>

namespace {

const char kCaption[] = "图像自动定位剪裁";

// Two sheets of two prints each; the finder reads them row by row.
const Print kSheet1[] = { { CRect(80, 120, 380, 400), { 150, 30, 30 } }, { CRect(460, 100, 720, 420), { 40, 60, 120 } } };
const Print kSheet2[] = { { CRect(100, 100, 500, 400), { 20, 110, 40 } }, { CRect(140, 600, 620, 900), { 30, 30, 30 } } };

class SliceDlgTest : public SliceTest
{
protected:
    void SetUp() override
    {
        SliceTest::SetUp();
        SavePicture("scan1.png", PaintSheet({ kSheet1[0], kSheet1[1] }));
        SavePicture("scan2.png", PaintSheet({ kSheet2[0], kSheet2[1] }));
        m_out = m_folder.File("out");
        ::CreateDirectoryA(m_out, nullptr);
        m_out += "\\";
    }
    // A step that waits until the view stands at the hop position.
    static UiScript& AtHop(UiScript& script, CTestSliceDlg& dlg, int index)
    {
        return script.Until(("hop position " + std::to_string(index)).c_str(),
                            [&dlg, index] { return dlg.View().GetHopIndex() == index; });
    }
    CString m_out;
};

} // namespace

TEST_F(SliceDlgTest, AFolderOfTwoSheetsBecomesNumberedClips)
{
    StoreSlice("clip001", 1, m_out, 1, 0);
    CTestSliceDlg dlg(nullptr, m_folder.File("scan1.png"));
    std::unique_ptr<UiMessageLog> caption;
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        caption = std::make_unique<UiMessageLog>(w.Handle(), std::vector<UINT>{ WM_NCACTIVATE });
        EXPECT_EQ(0, dlg.View().GetHopIndex()) << "the box starts on the first print";
        EXPECT_EQ(m_out + "clip001.bmp", w.Text(IDC_BATCH_NEXT_PATH));
        EXPECT_EQ(m_folder.File("scan1.png"), w.Text(IDC_BATCH_SOURCE_PATH));
        EXPECT_EQ(CString("BMP   [24-bit]"), w.ComboItem(IDC_BATCH_TYPE, 1));
        w.Click(IDC_SLICE_SAVE);
    });
    AtHop(script, dlg, 1).OnDialog(kCaption, [&](UiWindow w) {
        EXPECT_EQ(CString("clip002"), w.Text(IDC_BATCH_NAME));
        EXPECT_EQ(m_out + "clip002.bmp", w.Text(IDC_BATCH_NEXT_PATH));
        EXPECT_EQ(m_folder.File("scan1.png"), w.Text(IDC_BATCH_SOURCE_PATH)) << "still on the first sheet";
        w.Key(VK_RETURN);   // Enter saves as well
    });
    OnCaptionStarting(script, "剪裁成文件", [&](UiWindow w) {
        EXPECT_EQ(CString("剪裁成文件 ") + m_out + "clip002.bmp 。", w.Caption());
        EXPECT_EQ(m_folder.File("scan2.png"), w.Text(IDC_BATCH_SOURCE_PATH)) << "the next sheet";
        EXPECT_EQ(0, dlg.View().GetHopIndex());
        EXPECT_FALSE(w.IsEnabled(IDC_BATCH_NEXT));
    })
        .Until("the caption flashed once and looks active again", [&] {
            const auto& m = caption->Messages();
            return m.size() >= 2 && m.back().wParam == TRUE;
        })
        .OnDialog(nullptr, [&](UiWindow w) {
            caption.reset();
            w.Click(IDC_SLICE_SAVE);
        });
    AtHop(script, dlg, 1).OnDialog(nullptr, [](UiWindow w) { w.Click(IDC_SLICE_SAVE); })
        .Until("the last clip", [&] { return CKXDiskFile(m_out + "clip004.bmp").Exist(); })
        .OnDialog(nullptr, [&](UiWindow w) {
            EXPECT_EQ(CString("clip005"), w.Text(IDC_BATCH_NAME));
            EXPECT_EQ(m_folder.File("scan2.png"), w.Text(IDC_BATCH_SOURCE_PATH)) << "no picture after the last";
            w.Key(VK_ESCAPE);       // does not close
            w.Close();              // nor does the caption's close
        })
        .OnDialog(nullptr, [](UiWindow w) { w.Click(IDC_SLICE_CLOSE); });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));

    const Print* expected[] = { &kSheet1[0], &kSheet1[1], &kSheet2[0], &kSheet2[1] };
    for (int i = 0; i < 4; ++i) {
        CString name;
        name.Format("clip%03d.bmp", i + 1);
        CDib clip;
        ASSERT_EQ(1, clip.Load(m_out + name)) << name;
        EXPECT_EQ("", NotThePrint(clip, *expected[i])) << name;
    }
    EXPECT_EQ(std::vector<std::string>({ "clip001.bmp", "clip002.bmp", "clip003.bmp", "clip004.bmp" }), FilesIn(m_out, "*"));
    EXPECT_STREQ("clip005", Stored("Slice filename"));
    EXPECT_STREQ(m_out, Stored("Slice dirname"));
    EXPECT_STREQ("1", Stored("Slice filetype"));
}

TEST_F(SliceDlgTest, PageKeysHopWhileThePictureHasPositionsAndElseMovePictures)
{
    // A plain picture before and after the sheet: nothing on it to hop to.
    SavePicture("a-plain.png", Sheet(300, 200, kLid));
    SavePicture("z-plain.png", Sheet(300, 200, kLid));
    StoreSlice("p", 1, m_out, 1, 0);
    CTestSliceDlg dlg(nullptr, m_folder.File("a-plain.png"));
    auto source = [&](const char* name) {
        return [&dlg, name, this]() {
            return UiWindow(dlg.m_hWnd).Text(IDC_BATCH_SOURCE_PATH) == m_folder.File(name);
        };
    };
    CRect first, second;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) {
              w.Focus(IDC_SLICE_ZOOMIN);
              w.Key(VK_NEXT);
          })
        .Until("Page Down moved to the sheet", source("scan1.png"))
        .OnDialog(kCaption, [&](UiWindow w) {
            first = dlg.View().GetClipRect();
            w.Key(VK_NEXT);
        });
    AtHop(script, dlg, 1).OnDialog(kCaption, [&](UiWindow w) {
        second = dlg.View().GetClipRect();
        w.Key(VK_NEXT);             // no position after the last: the box stays, so does the sheet
        w.Key(VK_PRIOR);
    });
    AtHop(script, dlg, 0).OnDialog(kCaption, [&](UiWindow w) {
        EXPECT_EQ(first, dlg.View().GetClipRect());
        EXPECT_EQ(m_folder.File("scan1.png"), w.Text(IDC_BATCH_SOURCE_PATH));
        w.Key(VK_PRIOR);            // before the first position: still the sheet
        w.Click(IDC_BATCH_LAST);
    })
        .Until("\"->|\" reached the last picture", source("z-plain.png"))
        .OnDialog(kCaption, [](UiWindow w) { w.Key(VK_PRIOR); })
        .Until("Page Up moved back", source("scan2.png"))
        .OnDialog(kCaption, [](UiWindow w) { w.Click(IDC_SLICE_CLOSE); });
    script.Run([&] { return dlg.DoModal(); });
    EXPECT_TRUE(kSheet1[0].rect.PtInRect(first.CenterPoint())) << "the left print first";
    EXPECT_TRUE(kSheet1[1].rect.PtInRect(second.CenterPoint())) << "then the right one";
}

TEST_F(SliceDlgTest, ArrowsMoveTheBoxExceptWhereTheyMoveTheCaret)
{
    StoreSlice("name", 1, m_out, 1, 0);
    CTestSliceDlg dlg(nullptr, m_folder.File("scan1.png"));
    CRect start;
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
              start = dlg.View().GetClipRect();
              w.Focus(IDC_BATCH_NAME);
              ::SendDlgItemMessageA(w.Handle(), IDC_BATCH_NAME, EM_SETSEL, 4, 4);
              w.Key(VK_LEFT);
              w.Key(VK_LEFT);
          })
        .Until("the caret moved", [&] {
            DWORD from = 0;
            ::SendDlgItemMessageA(dlg.m_hWnd, IDC_BATCH_NAME, EM_GETSEL, (WPARAM)&from, 0);
            return from == 2;
        })
        .OnDialog(kCaption, [&](UiWindow w) {
            EXPECT_EQ(start, dlg.View().GetClipRect()) << "the box stays while the name is edited";
            w.Focus(IDC_SLICE_HOPSET);
            w.Key(VK_RIGHT);
        })
        .Until("the box moved", [&] { return dlg.View().GetClipRect() != start; })
        .OnDialog(kCaption, [](UiWindow w) { w.Click(IDC_SLICE_CLOSE); });
    script.Run([&] { return dlg.DoModal(); });
}

TEST_F(SliceDlgTest, ADoubleClickOnTheViewSaves)
{
    StoreSlice("dbl1", 1, m_out, 1, 0);
    CTestSliceDlg dlg(nullptr, m_folder.File("scan1.png"));
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow) {
              // The user's double-click in the middle of the box, as the system delivers it.
              const CRect box = dlg.View().GetClipRect();
              const CPoint at = dlg.View().PictureToClient((box.left + box.right) / 2.0, (box.top + box.bottom) / 2.0);
              const LPARAM where = MAKELPARAM(at.x, at.y);
              for (UINT message : { WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP })
                  dlg.View().PostMessage(message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, where);
          })
        .Until("the clip saved", [&] { return CKXDiskFile(m_out + "dbl1.bmp").Exist(); });
    AtHop(script, dlg, 1).OnDialog(kCaption, [](UiWindow w) { w.Click(IDC_SLICE_CLOSE); });
    script.Run([&] { return dlg.DoModal(); });
    CDib clip;
    ASSERT_EQ(1, clip.Load(m_out + "dbl1.bmp"));
    EXPECT_EQ("", NotThePrint(clip, kSheet1[0]));
}

TEST_F(SliceDlgTest, SettingsAreStoredOnlyByASaveThatPassedTheChecks)
{
    for (int stored : { 5, -3 }) {
        StoreSlice("kept1", 1, m_out, stored, 250);
        CTestSliceDlg dlg(nullptr, m_folder.File("scan1.png"));
        CString first, second;
        UiScript script;
        script.OnDialog(kCaption, [](UiWindow w) {
                  EXPECT_EQ(-1, w.ComboSelection(IDC_BATCH_TYPE)) << "no type of the list";
                  w.TypeKeys(IDC_BATCH_NAME, "typed1");
                  w.Click(IDC_SLICE_SAVE);
              })
            .AnswerMessageBox(IDOK, &first)
            .OnDialog(kCaption, [](UiWindow w) {
                w.TypeKeys(IDC_BATCH_NAME, "\b");   // the name selected and deleted
                w.SelectCombo(IDC_BATCH_TYPE, 0);
                w.Click(IDC_SLICE_SAVE);
            })
            .AnswerMessageBox(IDOK, &second)
            .OnDialog(kCaption, [&](UiWindow w) {
                EXPECT_STREQ("kept1", Stored("Slice filename")) << "refused saves store nothing";
                EXPECT_STREQ(std::to_string(stored).c_str(), Stored("Slice filetype"));
                EXPECT_EQ(0, dlg.View().GetHopIndex()) << "nor hop";
                w.TypeKeys(IDC_BATCH_NAME, "typed1");
                w.TypeKeys(IDC_BATCH_DPI, "300");
                w.Click(IDC_SLICE_SAVE);
            });
        AtHop(script, dlg, 1).OnDialog(kCaption, [](UiWindow w) { w.Click(IDC_SLICE_CLOSE); });
        script.Run([&] { return dlg.DoModal(); });
        EXPECT_STREQ("请选择文件存储类型!", first) << "stored type " << stored;
        EXPECT_STREQ("请输入文件名称!", second);
        EXPECT_STREQ("typed2", Stored("Slice filename"));
        EXPECT_STREQ("0", Stored("Slice filetype"));
        EXPECT_STREQ("300", Stored("Slice DPI"));
        FILEINFO info = {};
        CDib saved;
        ASSERT_EQ(1, saved.Load(m_out + "typed1.jpg", 0, 1, nullptr, &info));
        EXPECT_EQ(300, info.xRes);
        ::DeleteFileA(m_out + "typed1.jpg");
    }
}

TEST_F(SliceDlgTest, AFailedSaveIsReportedAndNeitherNumbersNorHops)
{
    StoreSlice("busy001", 1, m_out, 1, 0);
    // Another program holds the file the save would replace.
    m_folder.Write("out\\busy001.bmp", "held open");
    HANDLE busy = ::CreateFileA(m_out + "busy001.bmp", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, busy);
    CTestSliceDlg dlg(nullptr, m_folder.File("scan1.png"));
    CString text;
    UiScript script;
    script.OnDialog(kCaption, [](UiWindow w) { w.Click(IDC_SLICE_SAVE); })
        .AnswerMessageBox(IDOK, &text)
        .OnDialog(kCaption, [&](UiWindow w) {
            EXPECT_EQ(CString(kCaption), w.Caption()) << "nothing announced";
            EXPECT_EQ(CString("busy001"), w.Text(IDC_BATCH_NAME));
            EXPECT_EQ(0, dlg.View().GetHopIndex());
            EXPECT_EQ(m_folder.File("scan1.png"), w.Text(IDC_BATCH_SOURCE_PATH));
            w.Click(IDC_SLICE_CLOSE);
        });
    script.Run([&] { return dlg.DoModal(); });
    ::CloseHandle(busy);
    EXPECT_NE(-1, text.Find(m_out + "busy001.bmp")) << "the message names the file: " << (const char*)text;
    EXPECT_EQ("held open", m_folder.Read("out\\busy001.bmp"));
}
