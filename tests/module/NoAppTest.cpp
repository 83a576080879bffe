// A host without an application object: the dialogs run on their defaults, nothing crashes and
// nothing is written. This executable has its own main and no CWinApp.
#include "UiDriver.h"
#include "TestFolder.h"
#include "common/FileLocation.h"
#include "module/KxDialog.h"
#include "outfile/ImgFileConfig.h"
#include <kxcomdlgres.h>
#include <gtest/gtest.h>

namespace {

TEST(NoApplicationObject, ProfileReadsGiveDefaultsAndWritesAreRefused)
{
    ASSERT_EQ(nullptr, AfxGetApp());
    EXPECT_EQ(nullptr, CHostProfile::GetApp());
    EXPECT_EQ(CString("默认"), CHostProfile::GetString("Option", "img_std_pic", "默认"));
    EXPECT_EQ(CString(""), CHostProfile::GetString("Option", "img_std_pic"));
    EXPECT_EQ(250u, CHostProfile::GetInt("outfil", "DPI", 250));
    EXPECT_FALSE(CHostProfile::WriteString("outfil", "picname", "x"));
    EXPECT_FALSE(CHostProfile::WriteInt("outfil", "DPI", 300));
}

TEST(NoApplicationObject, DialogsThatKeepSettingsRunOnTheirDefaults)
{
    // The output settings read the profile in their constructor.
    CImgFileConfig config;
    EXPECT_EQ(CString("Img"), config.m_strOutName);
    EXPECT_EQ(250, config.m_nDPI);
    EXPECT_EQ(CString("C:\\"), config.m_strOutPath);

    // The file-location dialog reads its recent folders at opening and writes them when it closes.
    TestFolder folder;
    ::CreateDirectoryA(folder.File("here"), nullptr);
    folder.Write("here\\a.jpg", "picture");
    CKXDiskFile file(folder.File("gone\\a.jpg"));
    CFileLocation dlg;
    dlg.m_pFile = &file;
    EXPECT_FALSE(dlg.GetDefault()) << "no last folder without a profile";
    UiScript script;
    script.OnDialog("设置图像文件路径", [&](UiWindow w) {
        EXPECT_EQ(0, w.ComboCount(IDC_FILELOC_LOCATION));
        w.TypeKeys(IDC_FILELOC_LOCATION, folder.File("here"));
        w.Click(IDOK);
    });
    EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(folder.File("here\\a.jpg"), file.GetPathName());
}

} // namespace

int main(int argc, char** argv)
{
    AfxWinInit(::GetModuleHandleA(nullptr), nullptr, ::GetCommandLineA(), SW_SHOWNORMAL);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
