// CIniStdioFile: the catalogue and card-settings reader.
#include <IniStdioFile.h>
#include <TestFolder.h>
#include <gtest/gtest.h>

namespace {
std::vector<std::string> Keys(const CIniStdioFile& f, const char* section)
{
    CStringArray keys;
    f.GetKeysInSection(section, keys);
    std::vector<std::string> out;
    for (int i = 0; i < keys.GetSize(); ++i)
        out.push_back(keys[i].GetString());
    return out;
}
} // namespace

TEST(IniStdioFile, KeysInFileOrderAndTheLeadingKeysUnderTheEmptyName)
{
    TestFolder folder;
    folder.Write("lcd_system.ini",
                 "; screens\nlcd_type=3\nwide = \"16:9\"\n\n"
                 "[Sizes]\nz=1\na=2\nm=3\nA=4\n");
    CIniStdioFile f(4);
    ASSERT_TRUE(f.Open(folder.File("lcd_system.ini"), 1, 1, 1, 0));
    EXPECT_EQ(3, f.GetValueInt("", "lcd_type", 0));
    EXPECT_STREQ("16:9", f.GetValue("", "wide", ""));      // quotes dropped
    EXPECT_EQ((std::vector<std::string>{"lcd_type", "wide"}), Keys(f, ""));
    EXPECT_EQ((std::vector<std::string>{"z", "a", "m"}), Keys(f, "sizes"));   // "A" is "a" again
    EXPECT_EQ(2, f.GetValueInt("SIZES", "A", 0));
    EXPECT_STREQ("no value", f.GetValue("Sizes", "q", "no value"));
    EXPECT_STREQ("no value", f.GetValue("Other", "z", "no value"));
    EXPECT_EQ(-1, f.GetValueInt("Other", "z", -1));
    EXPECT_TRUE(Keys(f, "Other").empty());
}

TEST(IniStdioFile, WriteThroughKeepsTheRestOfTheFile)
{
    TestFolder folder;
    folder.Write("filpict.cfg", "; catalogue\r\n[PictConfig]\r\nsuportnum=2\r\ndefault=0\r\n; end\r\n\r\n[PictType1]\r\ntype=JPEG\r\n");
    {
        CIniStdioFile f(4);
        ASSERT_TRUE(f.Open(folder.File("filpict.cfg"), 1, 1, 1, 0));
        EXPECT_TRUE(f.SetValue("PictConfig", "default", "1"));
        EXPECT_TRUE(f.SetValue("PictConfig", "added", "x"));
        EXPECT_TRUE(f.SetValue("FMT_CL_3", "default", "2"));
        // On the disk before the object goes away.
        EXPECT_EQ("; catalogue\r\n[PictConfig]\r\nsuportnum=2\r\ndefault=1\r\nadded=x\r\n; end\r\n\r\n"
                  "[PictType1]\r\ntype=JPEG\r\n\r\n[FMT_CL_3]\r\ndefault=2\r\n",
                  folder.Read("filpict.cfg"));
    }
    CIniStdioFile again(4);
    ASSERT_TRUE(again.Open(folder.File("filpict.cfg"), 1, 1, 1, 0));
    EXPECT_EQ(1, again.GetValueInt("PictConfig", "default", 0));
    EXPECT_EQ(2, again.GetValueInt("FMT_CL_3", "default", 0));
}

TEST(IniStdioFile, WithoutWriteThroughValuesReachTheDiskOnClose)
{
    TestFolder folder;
    folder.Write("a.cfg", "[S]\nk=1\n");
    {
        CIniStdioFile f(0);
        ASSERT_TRUE(f.Open(folder.File("a.cfg"), 1, 1, 1, 0));
        f.SetValue("S", "k", "2");
        f.SetValue("", "top", " padded ");
        EXPECT_EQ("[S]\nk=1\n", folder.Read("a.cfg"));
        EXPECT_STREQ("2", f.GetValue("S", "k", ""));
    }
    // LF endings kept; a value with outer blanks is quoted so it reads back the same.
    EXPECT_EQ("top=\" padded \"\n[S]\nk=2\n", folder.Read("a.cfg"));
    CIniStdioFile f(0);
    ASSERT_TRUE(f.Open(folder.File("a.cfg"), 1, 1, 1, 0));
    EXPECT_STREQ(" padded ", f.GetValue("", "top", ""));
}

TEST(IniStdioFile, MissingFilesReadOnlyModeAndUnstorableNames)
{
    TestFolder folder;
    CIniStdioFile strict(4);
    EXPECT_FALSE(strict.Open(folder.File("none.cfg"), 1, 1, 0, 0));
    EXPECT_FALSE(strict.SetValue("S", "k", "v"));

    CIniStdioFile f(4);
    ASSERT_TRUE(f.Open(folder.File("new.cfg"), 1, 1, 1, 0));
    EXPECT_STREQ("d", f.GetValue("S", "k", "d"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(folder.File("new.cfg")));  // not yet
    EXPECT_FALSE(f.SetValue("S", "a=b", "v"));
    EXPECT_FALSE(f.SetValue("S]", "k", "v"));
    EXPECT_FALSE(f.SetValue("S", "k", "two\nlines"));
    EXPECT_TRUE(f.SetValue("S", "k", "v"));
    EXPECT_EQ("[S]\r\nk=v\r\n", folder.Read("new.cfg"));

    folder.Write("ro.cfg", "[S]\nk=1\n");
    {
        CIniStdioFile ro(CIniStdioFile::modeReadOnly | CIniStdioFile::modeWriteThrough);
        ASSERT_TRUE(ro.Open(folder.File("ro.cfg"), 1, 1, 1, 0));
        EXPECT_FALSE(ro.SetValue("S", "k", "2"));
        EXPECT_EQ(1, ro.GetValueInt("S", "k", 0));
    }
    EXPECT_EQ("[S]\nk=1\n", folder.Read("ro.cfg"));
}

TEST(IniStdioFile, DamagedFilesNeverFail)
{
    TestFolder folder;
    const std::string longLine(100000, 'q');
    std::string garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += (char)((i * 31 + 7) % 256);   // NULs, CRs, brackets and "=" among them
    folder.Write("bad.cfg", garbage + "\n[PictConfig\r\nsuportnum=4\nsuportnum=9\n" + longLine +
                            "\nlong=" + longLine + "\n[PictType1]\ntype=TIFF\r\n[pictconfig]\ndefault=1\n");
    CIniStdioFile f(4);
    ASSERT_TRUE(f.Open(folder.File("bad.cfg"), 1, 1, 1, 0));
    // The header without "]" still names its section; the first duplicate wins.
    EXPECT_EQ(4, f.GetValueInt("PictConfig", "suportnum", 0));
    EXPECT_EQ(100000, f.GetValue("PictConfig", "long", "").GetLength());
    // A second section of the same name adds to the first.
    EXPECT_EQ(1, f.GetValueInt("PictConfig", "default", 0));
    EXPECT_STREQ("TIFF", f.GetValue("PictType1", "type", ""));
    EXPECT_EQ(0, f.GetValueInt("PictType2", "subnum", 0));

    // Changing a duplicate changes the one that is read, and the garbage survives the rewrite.
    EXPECT_TRUE(f.SetValue("PictConfig", "suportnum", "2"));
    f.Close();
    const std::string text = folder.Read("bad.cfg");
    EXPECT_EQ(0u, text.find(garbage.substr(0, 100)));
    EXPECT_NE(std::string::npos, text.find("suportnum=2\nsuportnum=9\n"));
    EXPECT_TRUE(f.Open(folder.File("bad.cfg"), 1, 1, 1, 0));
    EXPECT_EQ(2, f.GetValueInt("PictConfig", "suportnum", 0));
}
