// The folder browser: start folder, root, cancel, and what a copy calls back into.
#include "BrowserDriver.h"
#include <common/FolderDialog.h>
#include <TestFolder.h>
#include <gtest/gtest.h>

TEST(FolderDialog, OpensOnTheStartFolderAndReturnsTheChoice)
{
    TestFolder folder;
    ::CreateDirectoryA(folder.File("pick"), nullptr);
    CFolderDialog dlg(folder.File("pick"), nullptr, nullptr);
    dlg.m_strTitle = "Where to?";
    UiScript script;
    OnFolderBrowser(script, [](HWND h) {
        EXPECT_TRUE(BrowserShows(h, "Where to?"));
        EXPECT_STREQ("pick", TreeItemText(h, TVGN_CARET));
    }, IDOK, "pick");
    EXPECT_EQ(1, script.Run([&] { return (INT_PTR)dlg.DoBrowse(); }));
    EXPECT_STREQ(folder.File("pick"), dlg.GetFolder());
}

TEST(FolderDialog, RootLimitsTheTree)
{
    TestFolder folder;
    ::CreateDirectoryA(folder.File("a"), nullptr);
    ::CreateDirectoryA(folder.File("a\\b"), nullptr);
    CFolderDialog dlg(folder.File("a\\b"), nullptr, folder.Path());
    const CString rootName = folder.Path().Mid(folder.Path().ReverseFind('\\') + 1);
    UiScript script;
    OnFolderBrowser(script, [&](HWND h) {
        EXPECT_STREQ(rootName, TreeItemText(h, TVGN_ROOT));
        EXPECT_STREQ("b", TreeItemText(h, TVGN_CARET));
    }, IDOK, "b");
    EXPECT_EQ(1, script.Run([&] { return (INT_PTR)dlg.DoBrowse(); }));
    EXPECT_STREQ(folder.File("a\\b"), dlg.GetFolder());

    // A root that does not exist: no browser, no folder.
    CFolderDialog lost(nullptr, nullptr, folder.File("missing"));
    UiScript none;
    EXPECT_EQ(0, none.Run([&] { return (INT_PTR)lost.DoBrowse(); }));
    EXPECT_STREQ("", lost.GetFolder());
}

TEST(FolderDialog, CancelLeavesTheFolderAndCopiesCallBackIntoThemselves)
{
    TestFolder folder;
    ::CreateDirectoryA(folder.File("one"), nullptr);
    ::CreateDirectoryA(folder.File("two"), nullptr);
    CFolderDialog copy;
    {
        CFolderDialog original(folder.File("one"), nullptr, nullptr);
        UiScript script;
        OnFolderBrowser(script, nullptr, IDCANCEL);
        EXPECT_EQ(0, script.Run([&] { return (INT_PTR)original.DoBrowse(); }));
        EXPECT_STREQ("", original.GetFolder());
        copy = original;
    }
    // The original is gone: the copy's start-folder callback must use the copy.
    UiScript script;
    OnFolderBrowser(script, [](HWND h) { EXPECT_STREQ("one", TreeItemText(h, TVGN_CARET)); }, IDOK, "one");
    EXPECT_EQ(1, script.Run([&] { return (INT_PTR)copy.DoBrowse(); }));
    EXPECT_STREQ(folder.File("one"), copy.GetFolder());
}

