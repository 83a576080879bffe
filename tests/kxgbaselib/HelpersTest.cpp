// CStringEx, CKXDiskFile, Round and GetProporCerterRect.
#include <Geometry.h>
#include <KXDiskFile.h>
#include <StringEx.h>
#include <TestFolder.h>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>

TEST(StringEx, FieldsBySeparator)
{
    EXPECT_EQ(0, CStringEx("").GetFieldCount('-'));
    EXPECT_EQ(1, CStringEx("3").GetFieldCount('-'));
    CStringEx range("2-5");
    ASSERT_EQ(2, range.GetFieldCount('-'));
    EXPECT_STREQ("2", range.GetField(0, '-'));
    EXPECT_STREQ("5", range.GetField(1, '-'));
    EXPECT_STREQ("", range.GetField(2, '-'));
    EXPECT_STREQ("", range.GetField(-1, '-'));
    CStringEx gaps("a--b-");
    EXPECT_EQ(4, gaps.GetFieldCount('-'));
    EXPECT_STREQ("", gaps.GetField(1, '-'));
    EXPECT_STREQ("b", gaps.GetField(2, '-'));
    EXPECT_STREQ("", gaps.GetField(3, '-'));
    CStringEx words("one, two, three");
    EXPECT_EQ(3, words.GetFieldCount(", "));
    EXPECT_STREQ("three", words.GetField(2, ", "));
}

TEST(StringEx, Conversions)
{
    EXPECT_EQ(85, CStringEx("85").Int());
    EXPECT_EQ(-12, CStringEx("  -12px").Int());
    EXPECT_EQ(0, CStringEx("abc").Int());
    EXPECT_EQ(0, CStringEx("").Int());
    EXPECT_EQ(INT_MAX, CStringEx("99999999999").Int());     // clamped, not wrapped
    EXPECT_EQ(INT_MIN, CStringEx("-99999999999").Int());
    EXPECT_DOUBLE_EQ(1.25, CStringEx("1.25").Double());
    EXPECT_DOUBLE_EQ(0.0, CStringEx("x1").Double());
    EXPECT_FALSE(CStringEx("0").Bool());
    EXPECT_FALSE(CStringEx("").Bool());
    EXPECT_FALSE(CStringEx("false").Bool());
    EXPECT_FALSE(CStringEx("0.0").Bool());
    EXPECT_TRUE(CStringEx("1").Bool());
    EXPECT_TRUE(CStringEx("-1").Bool());
    EXPECT_TRUE(CStringEx(" TRUE ").Bool());
    EXPECT_TRUE(CStringEx("yes").Bool());
}

TEST(KXDiskFile, PartsOfPathsWithAndWithoutFoldersAndExtensions)
{
    CKXDiskFile full("C:\\App\\bin\\host.exe");
    EXPECT_STREQ("C:\\App\\bin\\", full.GetPath());
    EXPECT_STREQ("host.exe", full.GetFileName());
    EXPECT_STREQ("host", full.GetTitle());
    EXPECT_STREQ("exe", full.GetExtension());
    full.SetFileName("adjust.cfg");
    EXPECT_STREQ("C:\\App\\bin\\adjust.cfg", full.GetPathName());

    CKXDiskFile bare("photo.tar.gz");
    EXPECT_STREQ("", bare.GetPath());
    EXPECT_STREQ("photo.tar", bare.GetTitle());
    EXPECT_STREQ("gz", bare.GetExtension());
    CKXDiskFile noExt("D:/pics/README");
    EXPECT_STREQ("README", noExt.GetTitle());
    EXPECT_STREQ("", noExt.GetExtension());
    EXPECT_STREQ("D:/pics/", noExt.GetPath());
    CKXDiskFile dotInFolder("C:\\v1.2\\file");
    EXPECT_STREQ("", dotInFolder.GetExtension());
    CKXDiskFile drive("C:a.jpg");
    EXPECT_STREQ("a.jpg", drive.GetFileName());

    // SetPath: with or without the trailing backslash, the same place.
    CKXDiskFile moved("C:\\old\\a.jpg");
    moved.SetPath("D:\\new");
    EXPECT_STREQ("D:\\new\\a.jpg", moved.GetPathName());
    moved.SetPath("D:\\new\\");
    EXPECT_STREQ("D:\\new\\a.jpg", moved.GetPathName());
    moved.SetPath("E:");
    EXPECT_STREQ("E:\\a.jpg", moved.GetPathName());
    moved.SetPath("");
    EXPECT_STREQ("a.jpg", moved.GetPathName());
    moved.SetPath("C:\\x");
    moved.SetFileName("sub\\b.png");
    EXPECT_STREQ("C:\\x\\sub\\", moved.GetPath());
    EXPECT_STREQ("b.png", moved.GetFileName());
}

TEST(KXDiskFile, DoubleByteNamesAreNotSplitAtTheirSecondByte)
{
    // In code page 936 "\xD5\x5C" is one character whose second byte is the value of "\".
    CKXDiskFile f("C:\\\xB2\xE2\xCA\xD4\\\xD5\x5C.jpg");
    EXPECT_STREQ("C:\\\xB2\xE2\xCA\xD4\\", f.GetPath());
    EXPECT_STREQ("\xD5\x5C.jpg", f.GetFileName());
    CKXDiskFile g("C:\\x\\a.jpg");
    g.SetPath("C:\\\xD5\x5C");
    EXPECT_STREQ("C:\\\xD5\x5C\\a.jpg", g.GetPathName());
}

TEST(KXDiskFile, ExistTestsFilesOnly)
{
    TestFolder folder;
    folder.Write("a.jpg", "x");
    ::CreateDirectoryA(folder.File("dir.jpg"), nullptr);
    EXPECT_TRUE(CKXDiskFile(folder.File("a.jpg")).Exist());
    EXPECT_FALSE(CKXDiskFile(folder.File("b.jpg")).Exist());
    EXPECT_FALSE(CKXDiskFile(folder.File("dir.jpg")).Exist());
    EXPECT_FALSE(CKXDiskFile("").Exist());
    CKXDiskFile moved("Z:\\nowhere\\a.jpg");
    moved.SetPath(folder.Path());
    EXPECT_TRUE(moved.Exist());

    // And the other way round for folders.
    EXPECT_TRUE(CKXDiskFile::IsFolder(folder.File("dir.jpg")));
    EXPECT_TRUE(CKXDiskFile::IsFolder(folder.File("dir.jpg\\")));
    EXPECT_FALSE(CKXDiskFile::IsFolder(folder.File("a.jpg")));
    EXPECT_FALSE(CKXDiskFile::IsFolder(folder.File("missing")));
    EXPECT_FALSE(CKXDiskFile::IsFolder(""));
    EXPECT_FALSE(CKXDiskFile::IsFolder(nullptr));
}

TEST(Geometry, RoundAndProportionalFit)
{
    EXPECT_EQ(3, Round(2.5));
    EXPECT_EQ(-3, Round(-2.5));
    EXPECT_EQ(2, Round(2.49));
    EXPECT_EQ(INT_MAX, Round(1e20));
    EXPECT_EQ(INT_MIN, Round(-1e20));
    EXPECT_EQ(0, Round(std::nan("")));

    const CRect frame(10, 20, 210, 120);   // 200 x 100
    CRect r;
    EXPECT_TRUE(GetProporCerterRect(frame, 400, 100, r));   // wide: full width
    EXPECT_EQ(CRect(10, 45, 210, 95), r);
    EXPECT_TRUE(GetProporCerterRect(frame, 300, 300, r));   // square: full height, centred
    EXPECT_EQ(CRect(60, 20, 160, 120), r);
    EXPECT_TRUE(GetProporCerterRect(frame, 2, 1, r));       // exactly the frame's shape
    EXPECT_EQ(frame, r);
    EXPECT_TRUE(GetProporCerterRect(CRect(0, 0, 101, 100), 1, 1, r));   // spare pixel right
    EXPECT_EQ(CRect(0, 0, 100, 100), r);
    EXPECT_TRUE(GetProporCerterRect(frame, 10000, 1, r));   // never thinner than a pixel
    EXPECT_EQ(1, r.Height());
    EXPECT_FALSE(GetProporCerterRect(frame, 0, 100, r));
    EXPECT_TRUE(r.IsRectEmpty());
    EXPECT_FALSE(GetProporCerterRect(CRect(5, 5, 5, 50), 1, 1, r));
}

TEST(Geometry, FitReducesButNeverEnlarges)
{
    EXPECT_EQ(CSize(50, 40), GetProporFitSize(50, 40, 100, 100)) << "a picture that fits keeps its size";
    EXPECT_EQ(CSize(100, 50), GetProporFitSize(1600, 800, 100, 100));
    EXPECT_EQ(CSize(30, 90), GetProporFitSize(1000, 3000, 100, 90));
    EXPECT_EQ(CSize(100, 1), GetProporFitSize(100000, 1, 100, 100)) << "never thinner than a pixel";
    EXPECT_EQ(CSize(0, 0), GetProporFitSize(0, 10, 100, 100));
    EXPECT_EQ(CSize(0, 0), GetProporFitSize(10, 10, 0, 100));

    CRect r;
    EXPECT_TRUE(GetProporCenterFitRect(CRect(10, 20, 210, 120), 50, 40, r));
    EXPECT_EQ(CRect(85, 50, 135, 90), r) << "own size, centred";
    EXPECT_TRUE(GetProporCenterFitRect(CRect(10, 20, 210, 120), 400, 400, r));
    EXPECT_EQ(CRect(60, 20, 160, 120), r) << "reduced as GetProporCerterRect does";
    EXPECT_FALSE(GetProporCenterFitRect(CRect(0, 0, 0, 0), 4, 4, r));
}

TEST(KXDiskFile, FileBesideTheExecutable)
{
    const CString folder = GetExecutableFolder();
    ASSERT_FALSE(folder.IsEmpty());
    EXPECT_EQ('\\', folder[folder.GetLength() - 1]);
    EXPECT_EQ(ExecutableFolder(), folder);
    EXPECT_EQ(folder + "adjust.cfg", GetFileBesideExecutable("adjust.cfg"));
    EXPECT_EQ(folder + "profile\\lcd_system.ini", GetFileBesideExecutable("profile\\lcd_system.ini"));
}
