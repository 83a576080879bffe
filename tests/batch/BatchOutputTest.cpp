// The batch output: naming rules, and the save with its checks and messages in a dialog that
// carries the output controls as every batch dialog does.
#include "BatchTestUtil.h"
#include "batch/BatchOutput.h"
#include "batchtest.h"
#include "kxcomdlgres.h"
#include <KXDiskFile.h>

namespace {

class CBatchOutputDlg : public CDialog
{
public:
    CBatchOutputDlg(const CBatchOutputStyle& style, const char* source)
        : CDialog(IDD_BATCH_TEST), m_output(style), m_strSource(source) {}

    CBatchOutput m_output;
    CString m_strSource;
    CDib m_picture;
    std::vector<CBatchOutput::SaveResult> m_results;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        CDialog::DoDataExchange(pDX);
        m_output.DoDataExchange(pDX);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_output.Load(m_strSource);
        UpdateData(FALSE);
        return TRUE;
    }
    void OnSave()
    {
        const CBatchOutput::SaveResult result = m_output.Save(this, &m_picture, m_strSource);
        m_results.push_back(result);
        if (result == CBatchOutput::Saved)
            m_output.AnnounceSaved(this);
    }
    void OnTail() { m_output.NumberingSwitched(this, m_strSource); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBatchOutputDlg, CDialog)
    ON_BN_CLICKED(IDC_TEST_SAVE, OnSave)
    ON_BN_CLICKED(IDC_BATCH_AUTONUMBER, OnTail)
END_MESSAGE_MAP()

const char* const kCaption = "批量测试";

class BatchOutputTest : public BatchTest
{
protected:
    // The stored settings a dialog opens with.
    void Store(const char* prefix, const char* name, int tail, const char* folder, int type, int dpi)
    {
        CWinApp* app = AfxGetApp();
        CString key;
        key.Format("%s filename", prefix);
        app->WriteProfileString("Settings", key, name);
        key.Format("%s addtail", prefix);
        app->WriteProfileInt("Settings", key, tail);
        key.Format("%s dirname", prefix);
        app->WriteProfileString("Settings", key, folder);
        key.Format("%s filetype", prefix);
        app->WriteProfileInt("Settings", key, type);
        key.Format("%s DPI", prefix);
        app->WriteProfileInt("Settings", key, dpi);
    }
    CString Stored(const char* prefix, const char* what)
    {
        CString key;
        key.Format("%s %s", prefix, what);
        return AfxGetApp()->GetProfileString("Settings", key, "<none>");
    }
};

} // namespace

TEST(BatchNaming, NumberingCountsTheTrailingDigitsUp)
{
    const struct { const char* name; const char* next; } cases[] = {
        { "shot007", "shot008" }, { "a999", "a1000" }, { "p09", "p10" }, { "007", "008" },
        { "photo", "photo" }, { "img12345678", "img12345679" }, { "IMG1234567", "IMG1234568" },
        { "x999999", "x1000000" }, { "50%off01", "50%off02" }, { "50%s%d9", "50%s%d10" },
        { "照片9", "照片10" }, { "9照片", "9照片" }, { "", "" },
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.next, CBatchOutput::AdvanceName(c.name)) << c.name;
}

TEST(BatchNaming, FoldersEndInExactlyOneSeparator)
{
    EXPECT_STREQ("D:\\out\\", CBatchOutput::NormalizeFolder("D:\\out"));
    EXPECT_STREQ("D:\\out\\", CBatchOutput::NormalizeFolder("D:\\out\\\\\\"));
    EXPECT_STREQ("C:\\", CBatchOutput::NormalizeFolder("C:\\"));
    EXPECT_STREQ("\\", CBatchOutput::NormalizeFolder("\\\\\\"));

    CBatchOutput output(KX_BATCH_ADJUST);
    output.m_strFolder = "D:\\out";
    output.m_strName = "a";
    output.m_nType = 0;
    EXPECT_STREQ("D:\\outa.jpg", output.GetPathName()) << "the folder is used as stored";
    output.m_strFolder = CBatchOutput::NormalizeFolder(output.m_strFolder);
    EXPECT_STREQ("D:\\out\\a.jpg", output.GetPathName());
    const char* extensions[] = { ".jpg", ".bmp", ".tif", ".bmp", ".tif" };
    for (int type = 0; type < 5; ++type) {
        output.m_nType = type;
        EXPECT_STREQ(CString("D:\\out\\a") + extensions[type], output.GetPathName());
    }
    for (int bad : { -1, 5, 1000 }) {
        output.m_nType = bad;
        EXPECT_STREQ("", output.GetPathName()) << "type " << bad;
    }
    output.m_nType = 0;
    output.m_strName.Empty();
    EXPECT_STREQ("", output.GetPathName());
}

TEST_F(BatchOutputTest, SaveWritesTheNumberedFileAndAnnouncesIt)
{
    const CString out = m_folder.File("out");
    ::CreateDirectoryA(out, nullptr);
    Store("Adjust", "shot007", 1, out, 0, 300);
    CBatchOutputDlg dlg(KX_BATCH_ADJUST, m_folder.File("source.jpg"));
    dlg.m_picture = MakePicture(40, 30);
    dlg.m_picture.SetXRes(72);
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
              EXPECT_EQ(CString("shot007"), w.Text(IDC_BATCH_NAME));
              EXPECT_TRUE(w.IsChecked(IDC_BATCH_AUTONUMBER));
              EXPECT_EQ(out, w.Text(IDC_BATCH_FOLDER));
              EXPECT_EQ(0, w.ComboSelection(IDC_BATCH_TYPE));
              EXPECT_EQ(CString("300"), w.Text(IDC_BATCH_DPI));
              w.Click(IDC_TEST_SAVE);
          });
    OnCaptionStarting(script, "保存为文件", [&](UiWindow w) {
              EXPECT_EQ(CString("shot008"), w.Text(IDC_BATCH_NAME));
              EXPECT_EQ(out + "\\", w.Text(IDC_BATCH_FOLDER)) << "normalised by the save";
              EXPECT_EQ(CString("保存为文件 ") + out + "\\shot007.jpg 。", w.Caption());
              w.Click(IDC_TEST_SAVE);
          })
        .Until("second save", [&] { return dlg.m_results.size() == 2; })
        .OnDialog(nullptr, [&](UiWindow w) { w.Click(IDCANCEL); });
    script.Run([&] { return dlg.DoModal(); });
    ASSERT_EQ(2u, dlg.m_results.size());
    EXPECT_EQ(CBatchOutput::Saved, dlg.m_results[1]);
    FILEINFO info = {};
    CDib saved;
    ASSERT_EQ(1, saved.Load(out + "\\shot007.jpg", 0, 1, nullptr, &info));
    EXPECT_EQ(KXFMT_JPEG, info.format);
    EXPECT_EQ(300, info.xRes);
    EXPECT_EQ(40, saved.GetWidth());
    EXPECT_TRUE(CKXDiskFile(out + "\\shot008.jpg").Exist());
    // Each save stores what it started with; the advanced name waits for the next one.
    EXPECT_STREQ("shot008", Stored("Adjust", "filename"));
    EXPECT_STREQ(out + "\\", Stored("Adjust", "dirname"));
}

TEST_F(BatchOutputTest, EachCheckStopsTheSaveWithItsMessage)
{
    const CString source = m_folder.File("Pics\\a.jpg");
    ::CreateDirectoryA(m_folder.File("Pics"), nullptr);
    struct Case
    {
        const char* what;
        CString name, folder;
        int type;
        const char* message;   // what the box says; null for the question of a missing folder
    };
    const Case cases[] = {
        { "no name", "", m_folder.Path(), 0, "请输入文件名称!" },
        { "separator in the name", "..\\up", m_folder.Path(), 0, "文件名称不能包含下列字符: \\ / : * ? \" < > |" },
        { "no folder", "x", "", 0, "请输入文件存储位置!" },
        { "no type", "x", m_folder.Path(), -1, "请选择文件存储类型!" },
        { "the source itself, in other letter case", "A", m_folder.File("PICS"), 0,
          "文件存储位置与源文件位置相同, 请重新选择文件存储位置!" },
        { "parent of the folder missing", "x", m_folder.File("no\\such"), 0, nullptr },
    };
    for (const Case& c : cases) {
        Store("Adjust", "", 1, "", 2, 250);
        CBatchOutputDlg dlg(KX_BATCH_ADJUST, source);
        dlg.m_picture = MakePicture(8, 8);
        CString text, question;
        UiScript script;
        script.OnDialog(kCaption, [&](UiWindow w) {
            w.TypeKeys(IDC_BATCH_NAME, c.name);
            w.TypeKeys(IDC_BATCH_FOLDER, c.folder);
            w.SelectCombo(IDC_BATCH_TYPE, c.type);
            w.Click(IDC_TEST_SAVE);
        });
        if (!c.message)
            script.AnswerMessageBox(IDYES, &question);
        script.AnswerMessageBox(IDOK, &text).OnDialog(kCaption, [](UiWindow w) {
            EXPECT_EQ(CString(kCaption), w.Caption()) << "nothing announced";
            w.Click(IDCANCEL);
        });
        script.Run([&] { return dlg.DoModal(); });
        if (c.message) {
            EXPECT_STREQ(c.message, text) << c.what;
        } else {
            EXPECT_STREQ("文件存储位置不存在, 要创建吗?", question);
            EXPECT_STREQ("文件存储位置创建失败, 请重新指定位置!", text);
        }
        ASSERT_EQ(1u, dlg.m_results.size()) << c.what;
        EXPECT_EQ(CBatchOutput::Refused, dlg.m_results[0]) << c.what;
        // What was typed is kept for the next dialog, though the save was refused.
        EXPECT_STREQ(c.name, Stored("Adjust", "filename")) << c.what;
        EXPECT_STREQ(c.folder, Stored("Adjust", "dirname")) << c.what;
    }
    EXPECT_EQ(std::vector<std::string>({ "Pics", "host.ini" }), FilesIn(m_folder.Path(), "*"))
        << "no refused save wrote anything";
}

TEST_F(BatchOutputTest, AMissingFolderIsCreatedOnlyWhenTheUserSaysYes)
{
    const CString target = m_folder.File("new");
    for (int answer : { IDNO, IDYES }) {
        Store("Adjust", "pic1", 1, target + "\\\\", 1, 0);
        CBatchOutputDlg dlg(KX_BATCH_ADJUST, m_folder.File("src.jpg"));
        dlg.m_picture = MakePicture(8, 8);
        UiScript script;
        script.OnDialog(kCaption, [](UiWindow w) { w.Click(IDC_TEST_SAVE); }).AnswerMessageBox(answer);
        OnCaptionStarting(script, answer == IDYES ? "保存为文件" : kCaption, [](UiWindow w) { w.Click(IDCANCEL); });
        script.Run([&] { return dlg.DoModal(); });
        EXPECT_EQ(answer == IDYES, CKXDiskFile(target + "\\pic1.bmp").Exist());
        EXPECT_EQ(answer == IDYES ? CBatchOutput::Saved : CBatchOutput::Refused, dlg.m_results.at(0));
    }
}

// One save of a picture as name into folder that must fail: the message names the file, the
// name stays, nothing is announced.
static void ExpectFailedSave(const char* folder, const char* name)
{
    CBatchOutputDlg dlg(KX_BATCH_ADJUST, "C:\\src.jpg");
    dlg.m_picture = MakePicture(16, 16);
    CString text;
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
              w.TypeKeys(IDC_BATCH_NAME, name);
              w.TypeKeys(IDC_BATCH_FOLDER, folder);
              w.Click(IDC_TEST_SAVE);
          })
        .AnswerMessageBox(IDOK, &text)
        .OnDialog(kCaption, [&](UiWindow w) {
            EXPECT_EQ(CString(name), w.Text(IDC_BATCH_NAME)) << "the number does not advance";
            w.Click(IDCANCEL);
        });
    script.Run([&] { return dlg.DoModal(); });
    ASSERT_EQ(1u, dlg.m_results.size());
    EXPECT_EQ(CBatchOutput::Failed, dlg.m_results[0]) << name;
    const CString path = CBatchOutput::NormalizeFolder(folder) + name + ".jpg";
    EXPECT_NE(-1, text.Find(path)) << "the message names the file: " << (const char*)text;
}

TEST_F(BatchOutputTest, AFileInUseIsNotReplacedAndTheFailureIsReported)
{
    Store("Adjust", "", 1, "", 0, 0);
    m_folder.Write("busy001.jpg", "held open");
    HANDLE busy = ::CreateFileA(m_folder.File("busy001.jpg"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, busy);
    ExpectFailedSave(m_folder.Path(), "busy001");
    ::CloseHandle(busy);
    EXPECT_EQ("held open", m_folder.Read("busy001.jpg"));
}

TEST_F(BatchOutputTest, AReadOnlyFolderOrFileIsReportedAndNothingAdvances)
{
    // Made by the run's fixture: see CMakeLists.txt.
    const CString folder = ExecutableFolder() + "batch-readonly";
    HANDLE probe = ::CreateFileA(folder + "\\probe.tmp", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        ::CloseHandle(probe);
        GTEST_SKIP() << "no read-only folder on this machine (the fixture needs root for chattr)";
    }
    Store("Adjust", "", 1, "", 0, 0);
    ExpectFailedSave(folder, "new001");
    ExpectFailedSave(folder, "kept001");
    EXPECT_EQ(std::vector<std::string>({ "kept001.jpg" }), FilesIn(folder, "*"));
    std::string kept;
    {
        HANDLE h = ::CreateFileA(folder + "\\kept001.jpg", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        char buf[64] = {};
        DWORD got = 0;
        ::ReadFile(h, buf, sizeof buf - 1, &got, nullptr);
        ::CloseHandle(h);
        kept.assign(buf, got);
    }
    EXPECT_EQ("the user picture", kept) << "the earlier picture is intact";
}

TEST_F(BatchOutputTest, OpeningTakesTheStoredSettingsAndTheSourceTitleWithoutNumbering)
{
    struct Case { int tail; int type; const char* name; int selection; };
    const Case cases[] = {
        { 0, 1, "holiday", 1 },     // numbering off: named after the source, whatever was stored
        { 1, -1, "stored", -1 },    // no type stored: no selection
        { 1, 9, "stored", -1 },     // a hand-edited type beyond the list: no selection either
    };
    for (const Case& c : cases) {
        Store("Adjust", "stored", c.tail, "D:\\out", c.type, 250);
        CBatchOutputDlg dlg(KX_BATCH_ADJUST, "D:\\pics\\holiday.jpg");
        UiScript script;
        script.OnDialog(kCaption, [&](UiWindow w) {
            EXPECT_EQ(CString(c.name), w.Text(IDC_BATCH_NAME));
            EXPECT_EQ(c.selection, w.ComboSelection(IDC_BATCH_TYPE));
            EXPECT_EQ(5, w.ComboCount(IDC_BATCH_TYPE));
            w.Click(IDCANCEL);
        });
        script.Run([&] { return dlg.DoModal(); });
    }
}

TEST_F(BatchOutputTest, SwitchingNumberingShowsTheNextPathOrNamesTheOutputAfterTheSource)
{
    Store("Adjust", "card01", 1, "D:\\out\\", 2, 250);
    CBatchOutputDlg dlg(KX_BATCH_ADJUST, "D:\\pics\\beach.jpg");
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        w.ClickNow(IDC_BATCH_AUTONUMBER);   // off
        EXPECT_EQ(CString("beach"), w.Text(IDC_BATCH_NAME));
        w.TypeKeys(IDC_BATCH_NAME, "card01");
        w.ClickNow(IDC_BATCH_AUTONUMBER);   // on again
        EXPECT_EQ(CString("D:\\out\\card01.tif"), w.Text(IDC_BATCH_NEXT_PATH));
        EXPECT_EQ(CString("card01"), w.Text(IDC_BATCH_NAME));
        w.Click(IDCANCEL);
    });
    script.Run([&] { return dlg.DoModal(); });
    EXPECT_STREQ("card01", Stored("Adjust", "filename")) << "closing writes nothing";
}

TEST_F(BatchOutputTest, SliceStoresOnlyWhatPassedTheChecksWithTheAdvancedName)
{
    const CString source = m_folder.File("sheet.jpg");
    Store("Slice", "clip1", 1, m_folder.Path(), 0, 0);
    CBatchOutputDlg dlg(KX_BATCH_SLICE, source);
    dlg.m_picture = MakePicture(10, 10);
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
              w.TypeKeys(IDC_BATCH_NAME, "SHEET");   // the source itself
              w.Click(IDC_TEST_SAVE);
          })
        .AnswerMessageBox(IDOK)
        .Until("refused", [&] { return dlg.m_results.size() == 1; })
        .Until("stored nothing", [&] {
            EXPECT_STREQ("clip1", Stored("Slice", "filename")) << "a refused save stores nothing";
            return true;
        })
        .OnDialog(kCaption, [&](UiWindow w) {
            w.TypeKeys(IDC_BATCH_NAME, "clip7");
            w.Click(IDC_TEST_SAVE);
        });
    OnCaptionStarting(script, "剪裁成文件", [&](UiWindow w) { w.Click(IDCANCEL); });
    script.Run([&] { return dlg.DoModal(); });
    EXPECT_TRUE(CKXDiskFile(m_folder.File("clip7.jpg")).Exist());
    EXPECT_STREQ("clip8", Stored("Slice", "filename"));
    EXPECT_STREQ(m_folder.Path() + "\\", Stored("Slice", "dirname"));
}

TEST_F(BatchOutputTest, AnOverlongPathIsRefusedAndResolutionZeroKeepsThePictures)
{
    Store("Adjust", "", 1, m_folder.Path(), 1, 0);
    const std::string longName(260 - m_folder.Path().GetLength(), 'n');
    CBatchOutputDlg dlg(KX_BATCH_ADJUST, "C:\\src.jpg");
    dlg.m_picture = MakePicture(10, 10);
    dlg.m_picture.SetXRes(123);
    dlg.m_picture.SetYRes(123);
    CString text;
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
              w.TypeKeys(IDC_BATCH_NAME, longName.c_str());
              w.Click(IDC_TEST_SAVE);
          })
        .AnswerMessageBox(IDOK, &text)
        .OnDialog(kCaption, [&](UiWindow w) {
            w.TypeKeys(IDC_BATCH_NAME, "dpi");
            w.Click(IDC_TEST_SAVE);
        });
    OnCaptionStarting(script, "保存为文件", [&](UiWindow w) { w.Click(IDCANCEL); });
    script.Run([&] { return dlg.DoModal(); });
    EXPECT_EQ(0, text.Find("文件路径太长")) << (const char*)text;
    EXPECT_NE(-1, text.Find(longName.c_str()));
    ASSERT_EQ(2u, dlg.m_results.size());
    EXPECT_EQ(CBatchOutput::Refused, dlg.m_results[0]);
    FILEINFO info = {};
    CDib saved;
    ASSERT_EQ(1, saved.Load(m_folder.File("dpi.bmp"), 0, 1, nullptr, &info));
    EXPECT_EQ(123, info.xRes) << "resolution 0 keeps the picture's own";
}
