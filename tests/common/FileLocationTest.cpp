// The file-location dialog: recent folders in the profile, typed and browsed folders, OK only
// where the file is, and GetDefault.
#include "BrowserDriver.h"
#include <common/FileLocation.h>
#include <TestFolder.h>
#include <gtest/gtest.h>
#include <kxcomdlgres.h>

namespace {


const char kCaption[] = "设置图像文件路径";

struct Fixture
{
    Fixture()
    {
        AfxGetApp()->SetProfileName(folder.File("profile.ini"));
        ::CreateDirectoryA(folder.File("here"), nullptr);
        ::CreateDirectoryA(folder.File("other"), nullptr);
        folder.Write("here\\a.jpg", "picture");
    }
    CString Loc(const char* key) { return AfxGetApp()->GetProfileString("Fileloc", key, "(absent)"); }
    void SetLoc(const char* key, const char* value) { AfxGetApp()->WriteProfileString("Fileloc", key, value); }
    TestFolder folder;
};

// Types into the edit of a drop-down combo box, as the keyboard would.
void TypeCombo(UiWindow dlg, int id, const char* text)
{
    HWND edit = ::FindWindowExA(dlg.Item(id), nullptr, "Edit", nullptr);
    ::SetFocus(edit);
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    ::SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM)text);
}

std::vector<std::string> Items(UiWindow dlg)
{
    std::vector<std::string> out;
    for (const CString& s : dlg.ComboItems(IDC_FILELOC_LOCATION))
        out.push_back(s.GetString());
    return out;
}

} // namespace

TEST(FileLocation, NoFileMeansNoDialog)
{
    Fixture fx;
    CFileLocation dlg;
    UiScript none;
    EXPECT_EQ(IDCANCEL, none.Run([&] { return dlg.DoModal(); }));
    EXPECT_FALSE(dlg.GetDefault());
    EXPECT_STREQ("(absent)", fx.Loc("LOC"));
}

TEST(FileLocation, RecentListStopsAtTheFirstGapAndTypedFoldersAreAddedOnce)
{
    Fixture fx;
    fx.SetLoc("LOC1", "C:\\Pictures");
    fx.SetLoc("LOC3", "C:\\Third");
    CKXDiskFile file(fx.folder.File("gone\\a.jpg"));
    CFileLocation dlg;
    dlg.m_pFile = &file;
    dlg.m_strMessage = "Where is a.jpg?";
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        EXPECT_EQ((std::vector<std::string>{"C:\\Pictures"}), Items(w));
        EXPECT_STREQ("Where is a.jpg?", w.Text(IDC_FILELOC_MESSAGE));
        // Already listed in another letter case: leaving the box adds nothing.
        TypeCombo(w, IDC_FILELOC_LOCATION, "c:\\PICTURES");
        w.Focus(IDCANCEL);
        EXPECT_EQ(1, w.ComboCount(IDC_FILELOC_LOCATION));
        // A new folder goes on top.
        TypeCombo(w, IDC_FILELOC_LOCATION, "D:\\New");
        w.Focus(IDCANCEL);
        EXPECT_EQ((std::vector<std::string>{"D:\\New", "C:\\Pictures"}), Items(w));
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    // Closing writes the whole list and the last location, even on cancel.
    EXPECT_STREQ("D:\\New", fx.Loc("LOC1"));
    EXPECT_STREQ("C:\\Pictures", fx.Loc("LOC2"));
    EXPECT_STREQ("D:\\New", fx.Loc("LOC"));
    EXPECT_STREQ(fx.folder.File("gone\\a.jpg"), file.GetPathName());
}

TEST(FileLocation, BrowsingToANewFolderPutsItOnTop)
{
    Fixture fx;
    fx.SetLoc("LOC1", fx.folder.File("other"));
    CKXDiskFile file(fx.folder.File("gone\\a.jpg"));
    CFileLocation dlg;
    dlg.m_pFile = &file;
    const CString target = fx.folder.File("here");
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) { w.Click(IDC_FILELOC_BROWSE); });
    PickInFolderBrowser(script, target, "here");
    OnFolderBrowser(script, [](HWND h) { EXPECT_TRUE(BrowserShows(h, "设置文件 a.jpg 的存放位置")); }, IDOK, "here");
    script.OnDialog(kCaption, [&](UiWindow w) {
        EXPECT_STREQ(target, w.Text(IDC_FILELOC_LOCATION));
        EXPECT_EQ(2, w.ComboCount(IDC_FILELOC_LOCATION));
        EXPECT_STREQ(target, w.ComboItem(IDC_FILELOC_LOCATION, 0));
        w.Click(IDOK);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_STREQ(fx.folder.File("here\\a.jpg"), file.GetPathName());
    EXPECT_STREQ(target, fx.Loc("LOC1"));
    EXPECT_STREQ(fx.folder.File("other"), fx.Loc("LOC2"));
    EXPECT_STREQ(target, fx.Loc("LOC"));
}

TEST(FileLocation, OkStaysOpenUntilTheFolderHoldsTheFile)
{
    Fixture fx;
    CKXDiskFile file(fx.folder.File("gone\\a.jpg"));
    CFileLocation dlg;
    dlg.m_pFile = &file;
    UiScript script;
    script.OnDialog(kCaption, [&](UiWindow w) {
        TypeCombo(w, IDC_FILELOC_LOCATION, fx.folder.File("other"));
        w.Click(IDOK);
    })
        .OnDialog(kCaption, [&](UiWindow w) {
            // Still open, and the host's file keeps its path.
            EXPECT_STREQ(fx.folder.File("gone\\a.jpg"), file.GetPathName());
            TypeCombo(w, IDC_FILELOC_LOCATION, fx.folder.File("here") + "\\");
            w.Click(IDOK);
        });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_STREQ(fx.folder.File("here\\a.jpg"), file.GetPathName());
}

TEST(FileLocation, GetDefaultTriesTheLastLocation)
{
    Fixture fx;
    CKXDiskFile file(fx.folder.File("gone\\a.jpg"));
    CFileLocation dlg;
    dlg.m_pFile = &file;
    EXPECT_FALSE(dlg.GetDefault());   // empty profile, empty location
    EXPECT_STREQ(fx.folder.File("gone\\a.jpg"), file.GetPathName());

    fx.SetLoc("LOC", fx.folder.File("other"));
    EXPECT_FALSE(dlg.GetDefault());   // moved there, still not found
    EXPECT_STREQ(fx.folder.File("other\\a.jpg"), file.GetPathName());

    CFileLocation next;
    next.m_pFile = &file;
    fx.SetLoc("LOC", fx.folder.File("here"));
    EXPECT_TRUE(next.GetDefault());
    EXPECT_STREQ(fx.folder.File("here\\a.jpg"), file.GetPathName());
    EXPECT_TRUE(next.GetDefault());   // found where it is, the profile aside
}
