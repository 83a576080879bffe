// The output file settings dialog over the format catalogue, driven as a user would.
#include <outfile/ImgFileConfig.h>
#include <IniStdioFile.h>
#include <TestFolder.h>
#include <BrowserDriver.h>
#include <gtest/gtest.h>
#include <kxcomdlgres.h>

namespace {


const char kCaption[] = "输出文件设置";

// The catalogue is read beside the running executable: put one there for the test and take it
// away afterwards.
class CatalogueBesideExe
{
public:
    explicit CatalogueBesideExe(const char* text) : m_path(ExecutableFolder() + "filpict.cfg")
    {
        Remove();
        if (text) {
            HANDLE h = ::CreateFileA(m_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD n = 0;
            ::WriteFile(h, text, (DWORD)strlen(text), &n, nullptr);
            ::CloseHandle(h);
        }
    }
    ~CatalogueBesideExe() { Remove(); }
    CString Value(const char* section, const char* key) const
    {
        CIniStdioFile f(0);
        f.Open(m_path, 1, 0, 0, 0);
        return f.GetValue(section, key, "(absent)");
    }
    bool Exists() const { return ::GetFileAttributesA(m_path) != INVALID_FILE_ATTRIBUTES; }

private:
    void Remove() const
    {
        ::DeleteFileA(m_path);
        ::DeleteFileA(m_path + ".kxtmp");
    }
    CString m_path;
};

const char kCatalogue[] =
    "[PictConfig]\nsuportnum=3\ndefault=1\n"
    "[PictType1]\ntype=JPEG\ntypeext=jpg\nsubnum=1\nsubtype1=Baseline\nsubfmt1=10\ndefsub=0\n"
    "qfactor=1\nqmin=2\nqmax=255\ndefaultq=40\n"
    "[PictType2]\ntype=TIFF\ntypeext=tif\nformat=3\nsubnum=2\nsubtype1=Plain\nsubfmt1=3\n"
    "subtype2=Other\nsubfmt2=4\ndefsub=0\nqfactor=1\n"
    "[FMT_CL_3]\nsuportnum=1\nmode_val=286331153\ndefault=0\n"
    "[FMT_CL_10]\nsuportnum=1\nmode_val=65537\ndefault=1\n";

// A dialog with a profile of the test's own and the page limits 1 to 10.
struct Fixture
{
    Fixture() { AfxGetApp()->SetProfileName(folder.File("profile.ini")); }
    CString Profile(const char* key) { return AfxGetApp()->GetProfileString("outfil", key, "(absent)"); }
    TestFolder folder;
};

void PrepareValid(CImgFileConfig& dlg, const TestFolder& folder)
{
    dlg.m_nFirstPage = 1;
    dlg.m_nLastPage = 10;
    dlg.m_nCurPage = 7;
    dlg.m_strOutPath = folder.Path() + "\\";
}

std::vector<std::string> Items(UiWindow dlg, int id)
{
    std::vector<std::string> out;
    for (const CString& s : dlg.ComboItems(id))
        out.push_back(s.GetString());
    return out;
}

} // namespace

TEST(ImgFileConfig, CatalogueTypesSubFormatsQualityAndColourModes)
{
    Fixture fx;
    CatalogueBesideExe cat(kCatalogue);
    CImgFileConfig dlg;
    PrepareValid(dlg, fx.folder);
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        // "suportnum" 3 with two sections: the third reads "no value"; "default" 1 is TIFF.
        EXPECT_EQ((std::vector<std::string>{"JPEG", "TIFF", "no value"}), Items(w, IDC_OUTFIL_TYPE));
        EXPECT_EQ(1, w.ComboSelection(IDC_OUTFIL_TYPE));
        EXPECT_TRUE(w.IsEnabled(IDC_OUTFIL_SUBTYPE));
        EXPECT_EQ((std::vector<std::string>{"Plain", "Other"}), Items(w, IDC_OUTFIL_SUBTYPE));
        EXPECT_EQ(0, w.ComboSelection(IDC_OUTFIL_SUBTYPE));
        EXPECT_EQ(8, w.ComboCount(IDC_OUTFIL_COLMODE));   // every mode of FMT_CL_3, table order
        EXPECT_STREQ("64-bit CMYK", w.ComboItem(IDC_OUTFIL_COLMODE, 7));
        // The page text shows the limits and "all pages" is chosen.
        EXPECT_STREQ("1-10", w.Text(IDC_OUTFIL_EDIT_RANG));
        EXPECT_TRUE(w.IsChecked(IDC_OUTFIL_RANGE_ALL));
        EXPECT_TRUE(w.IsEnabled(IDC_OUTFIL_RANGE_PAGES));

        // A sub-format whose FMT_CL section is absent offers 24-bit RGB only.
        w.SelectCombo(IDC_OUTFIL_SUBTYPE, 1);
        EXPECT_EQ((std::vector<std::string>{"24-bit RGB"}), Items(w, IDC_OUTFIL_COLMODE));
        EXPECT_EQ(0, w.ComboSelection(IDC_OUTFIL_COLMODE));

        // JPEG: quality range and position from the catalogue; mode_val 65537 offers RGB then CMYK.
        w.SelectCombo(IDC_OUTFIL_TYPE, 0);
        EXPECT_TRUE(w.IsEnabled(IDC_OUTFIL_QUALITY));
        HWND slider = w.Item(IDC_OUTFIL_QUALITY);
        EXPECT_EQ(2, (int)::SendMessageA(slider, TBM_GETRANGEMIN, 0, 0));
        EXPECT_EQ(255, (int)::SendMessageA(slider, TBM_GETRANGEMAX, 0, 0));
        EXPECT_EQ(40, (int)::SendMessageA(slider, TBM_GETPOS, 0, 0));
        EXPECT_EQ((std::vector<std::string>{"24-bit RGB", "24-bit CMYK"}), Items(w, IDC_OUTFIL_COLMODE));
        EXPECT_EQ(1, w.ComboSelection(IDC_OUTFIL_COLMODE));   // FMT_CL_10 "default"

        // A type without a section: no sub-formats, the slider disabled, code 10's modes.
        w.SelectCombo(IDC_OUTFIL_TYPE, 2);
        EXPECT_FALSE(w.IsEnabled(IDC_OUTFIL_SUBTYPE));
        EXPECT_EQ(0, w.ComboCount(IDC_OUTFIL_SUBTYPE));
        EXPECT_FALSE(w.IsEnabled(IDC_OUTFIL_QUALITY));
        EXPECT_EQ(2, w.ComboCount(IDC_OUTFIL_COLMODE));

        // Picking a colour mode writes its index at once.
        w.SelectCombo(IDC_OUTFIL_TYPE, 1);
        w.SelectComboText(IDC_OUTFIL_COLMODE, "32-bit CMYK");
        EXPECT_STREQ("5", cat.Value("FMT_CL_3", "default"));
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    // Cancel keeps the type default and writes no profile value.
    EXPECT_STREQ("1", cat.Value("PictConfig", "default"));
    EXPECT_STREQ("(absent)", fx.Profile("picname"));
}

TEST(ImgFileConfig, TiffInCmykReportsCode85OnlyFor24And32Bits)
{
    Fixture fx;
    CatalogueBesideExe cat(kCatalogue);
    struct Case { const char* mode; int format; int bits; int value; };
    for (const Case& c : { Case{ "32-bit CMYK", 85, 32, 0x100000 }, Case{ "24-bit CMYK", 85, 24, 0x10000 },
                           Case{ "48-bit CMYK", 3, 48, 0x1000000 }, Case{ "32-bit RGB", 3, 32, 0x10 } }) {
        CImgFileConfig dlg;
        PrepareValid(dlg, fx.folder);
        UiScript script;
        script.OnDialog(kCaption, [&](UiWindow w) {
            w.SelectComboText(IDC_OUTFIL_COLMODE, c.mode);
            w.Click(IDOK);
        });
        ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); })) << c.mode;
        EXPECT_EQ(c.format, dlg.m_nFormat) << c.mode;
        EXPECT_EQ(c.bits, dlg.m_nBitsPerPixel) << c.mode;
        EXPECT_EQ(c.value, dlg.m_nColorMode) << c.mode;
        EXPECT_STREQ("tif", dlg.m_strTypeExt);
    }
}

TEST(ImgFileConfig, ConfirmingWritesTypeQualityAndProfile)
{
    Fixture fx;
    CatalogueBesideExe cat(kCatalogue);
    CImgFileConfig dlg;
    PrepareValid(dlg, fx.folder);
    CString refusal;
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
              w.SelectCombo(IDC_OUTFIL_TYPE, 0);
              ::SendMessageA(w.Item(IDC_OUTFIL_QUALITY), TBM_SETPOS, TRUE, 77);
              w.Type(IDC_OUTFIL_NAME, "Scan");
              w.TypeKeys(IDC_OUTFIL_DPI, "3000");   // beyond the up-down's range
              w.Click(IDOK);
          })
          .AnswerMessageBox(IDOK, &refusal)
          .OnDialog(kCaption, [](UiWindow w) {
              EXPECT_TRUE(w.HasFocus(IDC_OUTFIL_DPI)) << "the refused edit takes the focus";
              w.TypeKeys(IDC_OUTFIL_DPI, "1200");
              w.Click(IDOK);
          });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_STREQ("请输入一个 50 到 2000 之间的整数。", refusal);
    EXPECT_EQ(10, dlg.m_nFormat);
    EXPECT_EQ(77, dlg.m_nQuality);
    EXPECT_STREQ("jpg", dlg.m_strTypeExt);
    EXPECT_EQ(1, dlg.GetFromPage());
    EXPECT_EQ(10, dlg.GetToPage());
    EXPECT_STREQ("0", cat.Value("PictConfig", "default"));
    EXPECT_STREQ("77", cat.Value("PictType1", "defaultq"));
    EXPECT_STREQ("Scan", fx.Profile("picname"));
    EXPECT_STREQ(fx.folder.Path() + "\\", fx.Profile("picpath"));
    EXPECT_STREQ("1200", fx.Profile("DPI"));

    // The next dialog starts from them.
    CImgFileConfig again;
    EXPECT_STREQ("Scan", again.m_strOutName);
    EXPECT_EQ(1200, again.m_nDPI);
}

TEST(ImgFileConfig, PageRangesAreCheckedAndRefusedRangesKeepTheDialogOpen)
{
    Fixture fx;
    CatalogueBesideExe cat(kCatalogue);
    struct Case { const char* text; int from; int to; };
    for (const Case& c : { Case{ "3", 3, 3 }, Case{ "2-5", 2, 5 } }) {
        CImgFileConfig dlg;
        PrepareValid(dlg, fx.folder);
        UiScript script;
        script.OnDialog(kCaption, [&](UiWindow w) {
            w.Type(IDC_OUTFIL_EDIT_RANG, c.text);   // focus on the page text picks "pages"
            EXPECT_TRUE(w.IsChecked(IDC_OUTFIL_RANGE_PAGES));
            EXPECT_FALSE(w.IsChecked(IDC_OUTFIL_RANGE_ALL));
            w.Click(IDOK);
        });
        ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); })) << c.text;
        EXPECT_EQ(c.from, dlg.GetFromPage()) << c.text;
        EXPECT_EQ(c.to, dlg.GetToPage()) << c.text;
    }

    AfxGetApp()->SetProfileName(fx.folder.File("profile2.ini"));
    CImgFileConfig dlg;
    PrepareValid(dlg, fx.folder);
    CString refused[3];
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) { w.Type(IDC_OUTFIL_EDIT_RANG, "5-2"); w.Click(IDOK); })
        .AnswerMessageBox(IDOK, &refused[0])
        .OnDialog(kCaption, [&](UiWindow w) { w.Type(IDC_OUTFIL_EDIT_RANG, "0"); w.Click(IDOK); })
        .AnswerMessageBox(IDOK, &refused[1])
        .OnDialog(kCaption, [&](UiWindow w) { w.Type(IDC_OUTFIL_EDIT_RANG, ""); w.Click(IDOK); })
        .AnswerMessageBox(IDOK, &refused[2])
        .OnDialog(kCaption, [&](UiWindow w) {
            // Nothing reached the profile while the range was refused.
            EXPECT_STREQ("(absent)", fx.Profile("picname"));
            w.ClickNow(IDC_OUTFIL_RANGE_CURRENT);
            EXPECT_FALSE(w.IsChecked(IDC_OUTFIL_RANGE_PAGES));
            w.Click(IDOK);
        });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    for (const CString& text : refused)
        EXPECT_STREQ("输入的页面范围无效。", text);
    EXPECT_EQ(7, dlg.GetFromPage());
    EXPECT_EQ(7, dlg.GetToPage());
    EXPECT_STREQ("Img", fx.Profile("picname"));
}

TEST(ImgFileConfig, OptionBit0DisablesThePageChoice)
{
    Fixture fx;
    CatalogueBesideExe cat(kCatalogue);
    CImgFileConfig dlg;
    PrepareValid(dlg, fx.folder);
    dlg.m_nFirstPage = 4;
    dlg.m_nLastPage = 4;
    dlg.m_nOption = 1;
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        for (int id : { IDC_OUTFIL_RANGE_ALL, IDC_OUTFIL_RANGE_CURRENT, IDC_OUTFIL_RANGE_PAGES, IDC_OUTFIL_EDIT_RANG })
            EXPECT_FALSE(w.IsEnabled(id)) << id;
        EXPECT_TRUE(w.IsChecked(IDC_OUTFIL_RANGE_ALL));
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(4, dlg.GetFromPage());
    EXPECT_EQ(4, dlg.GetToPage());
}

TEST(ImgFileConfig, MissingOutputFolderIsCreatedOnYesOneLevelOnly)
{
    Fixture fx;
    CatalogueBesideExe cat(kCatalogue);
    const CString fresh = fx.folder.File("out") + "\\";
    CImgFileConfig dlg;
    PrepareValid(dlg, fx.folder);
    CString question, again, empty;
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) { w.Type(IDC_OUTFIL_NAME, ""); w.Click(IDOK); })
        .AnswerMessageBox(IDOK, &empty)
        .OnDialog(kCaption, [&](UiWindow w) {
            w.Type(IDC_OUTFIL_NAME, "Img");
            w.Type(IDC_OUTFIL_PATH, fresh);
            w.Click(IDOK);
        })
        .AnswerMessageBox(IDNO, &question)
        .OnDialog(kCaption, [&](UiWindow w) {
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(fresh));
            w.Click(IDOK);
        })
        .AnswerMessageBox(IDYES, &again);
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_STREQ("请输入输出文件名称和位置。", empty);
    EXPECT_STREQ("文件存储位置不存在，要创建吗？", question);
    EXPECT_STREQ(question, again);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(fresh));
    EXPECT_STREQ(fresh, dlg.m_strOutPath);

    // A folder whose parent is missing too cannot be made in one step.
    const CString deep = fx.folder.File("a\\b");
    CImgFileConfig dlg2;
    PrepareValid(dlg2, fx.folder);
    dlg2.m_strOutPath = deep;
    CString failed;
    UiScript script2;
    script2.OnDialog(kCaption, [&](UiWindow w) { w.Click(IDOK); })
        .AnswerMessageBox(IDYES)
        .AnswerMessageBox(IDOK, &failed)
        .OnDialog(kCaption, [&](UiWindow w) { w.Click(IDCANCEL); });
    EXPECT_EQ(IDCANCEL, script2.Run([&] { return dlg2.DoModal(); }));
    EXPECT_STREQ("文件存储位置创建失败，请重新选择存储位置。", failed);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(fx.folder.File("a")));
}

TEST(ImgFileConfig, MissingCatalogueLeavesTheTemplateColourEntry)
{
    Fixture fx;
    CatalogueBesideExe cat(nullptr);
    CImgFileConfig dlg;
    PrepareValid(dlg, fx.folder);
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        EXPECT_EQ(0, w.ComboCount(IDC_OUTFIL_TYPE));
        EXPECT_EQ(-1, w.ComboSelection(IDC_OUTFIL_TYPE));
        EXPECT_EQ((std::vector<std::string>{std::string("24 位 RGB")}), Items(w, IDC_OUTFIL_COLMODE));
        EXPECT_FALSE(w.IsEnabled(IDC_OUTFIL_SUBTYPE));
        EXPECT_FALSE(w.IsEnabled(IDC_OUTFIL_QUALITY));
        w.Click(IDOK);
    });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_STREQ("", dlg.m_strTypeExt);
    EXPECT_EQ(10, dlg.m_nFormat);
    EXPECT_EQ(24, dlg.m_nBitsPerPixel);
    EXPECT_EQ(1, dlg.m_nColorMode);
    EXPECT_STREQ("-1", cat.Value("PictConfig", "default"));
    EXPECT_STREQ("(absent)", cat.Value("PictType0", "defaultq"));
}

TEST(ImgFileConfig, HandEditedCountsNeitherHangNorCrash)
{
    Fixture fx;
    for (const char* text : { "[PictConfig]\nsuportnum=2000000000\ndefault=7\n"
                              "[PictType1]\ntype=Huge\nsubnum=2000000000\ndefsub=5000\n",
                              "[PictConfig]\nsuportnum=-5\n[PictType1]\ntype=Never\n" }) {
        CatalogueBesideExe cat(text);
        CImgFileConfig dlg;
        PrepareValid(dlg, fx.folder);
        const bool huge = strstr(text, "Huge") != nullptr;
        const int cap = CPictCatalog::kMaxEntries;
        UiScript script;
        script.OnDialog(kCaption, [&](UiWindow w) {
            if (huge) {
                EXPECT_EQ(cap, w.ComboCount(IDC_OUTFIL_TYPE));
                EXPECT_STREQ("Huge", w.ComboItem(IDC_OUTFIL_TYPE, 0));
                EXPECT_EQ(7, w.ComboSelection(IDC_OUTFIL_TYPE));
                w.SelectCombo(IDC_OUTFIL_TYPE, 0);
                EXPECT_EQ(cap, w.ComboCount(IDC_OUTFIL_SUBTYPE));
                EXPECT_EQ(-1, w.ComboSelection(IDC_OUTFIL_SUBTYPE));
            } else {
                EXPECT_EQ(0, w.ComboCount(IDC_OUTFIL_TYPE));
            }
            w.Click(IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }, 30000));
    }
}

TEST(ImgFileConfig, ResolutionUpDownStopsAtItsEnds)
{
    Fixture fx;
    CatalogueBesideExe cat(kCatalogue);
    CImgFileConfig dlg;
    PrepareValid(dlg, fx.folder);
    dlg.m_nDPI = 1999;
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        w.Focus(IDC_OUTFIL_DPI);
        w.Key(VK_UP);
        w.Key(VK_UP);
        w.Key(VK_UP);
    })
        .Until("2000 after three steps up", [] { return UiWindow(ActiveDialogWindow()).Text(IDC_OUTFIL_DPI) == "2000"; })
        .OnDialog(kCaption, [&](UiWindow w) {
            w.Type(IDC_OUTFIL_DPI, "51");
            w.Key(VK_DOWN);
            w.Key(VK_DOWN);
        })
        .Until("50 after two steps down", [] { return UiWindow(ActiveDialogWindow()).Text(IDC_OUTFIL_DPI) == "50"; })
        .OnDialog(kCaption, [&](UiWindow w) { w.Click(IDOK); });
    ASSERT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(50, dlg.m_nDPI);
}
