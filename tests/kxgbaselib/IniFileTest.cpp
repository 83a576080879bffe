// CIniFile: what the profile store of the adjustment dialogs relies on.
#include <IniFile.h>
#include <TestFolder.h>
#include <gtest/gtest.h>

TEST(IniFile, MissingFileGivesDefaultsAndIsNotCreatedByReading)
{
    TestFolder folder;
    CIniFile ini(folder.File("adjust.cfg"));
    CStringArray names;
    names.Add("stale");
    ini.GetSectionNames(&names);
    EXPECT_EQ(0, names.GetSize());
    EXPECT_FALSE(ini.IsSectionExist("Warm"));
    EXPECT_EQ(100, ini.GetInt("Warm", "gamma", 100, 10));
    EXPECT_TRUE(ini.GetBool("Warm", "togray", TRUE));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(folder.File("adjust.cfg")));
}

TEST(IniFile, WritesReachTheFileAtOnceAndSectionsKeepFileOrder)
{
    TestFolder folder;
    const CString path = folder.File("adjust.cfg");
    CIniFile ini(path);
    ini.WriteInt("Warm", "red", 20, 10);
    ini.WriteInt("Cold", "blue", -35, 10);
    ini.WriteBool("Warm", "togray", TRUE);
    ini.WriteInt("Alpha", "red", 1, 10);
    // Another object (as the next dialog operation makes) sees everything at once.
    CIniFile other(path);
    EXPECT_EQ(20, other.GetInt("WARM", "Red", 0, 10));
    EXPECT_EQ(-35, other.GetInt("Cold", "blue", 0, 10));
    EXPECT_TRUE(other.GetBool("Warm", "togray", FALSE));
    EXPECT_NE(std::string::npos, folder.Read("adjust.cfg").find("blue=-35"));

    CStringArray names;
    other.GetSectionNames(&names);
    ASSERT_EQ(3, names.GetSize());
    EXPECT_STREQ("Warm", names[0]);
    EXPECT_STREQ("Cold", names[1]);
    EXPECT_STREQ("Alpha", names[2]);

    // Replacing keeps one entry of the key.
    other.WriteInt("Warm", "red", -7, 10);
    EXPECT_EQ(-7, ini.GetInt("Warm", "red", 0, 10));
    const std::string text = folder.Read("adjust.cfg");
    EXPECT_EQ(text.find("red=-7"), text.rfind("red=-7"));
    EXPECT_EQ(std::string::npos, text.find("red=20"));
}

TEST(IniFile, DeleteSectionRemovesItsKeysOnly)
{
    TestFolder folder;
    CIniFile ini(folder.File("adjust.cfg"));
    ini.WriteInt("A", "red", 1, 10);
    ini.WriteInt("B", "red", 2, 10);
    ini.WriteInt("C", "red", 3, 10);
    ini.DeleteSection("b");
    EXPECT_FALSE(ini.IsSectionExist("B"));
    EXPECT_EQ(0, ini.GetInt("B", "red", 0, 10));
    EXPECT_TRUE(ini.IsSectionExist("A"));
    EXPECT_EQ(3, ini.GetInt("C", "red", 0, 10));
    // Writing again into a deleted section brings it back without its old keys.
    ini.WriteInt("B", "green", 5, 10);
    EXPECT_EQ(0, ini.GetInt("B", "red", 0, 10));
    EXPECT_EQ(5, ini.GetInt("B", "green", 0, 10));
}

TEST(IniFile, OtherRadixesAndTruthTexts)
{
    TestFolder folder;
    CIniFile ini(folder.File("x.ini"));
    ini.WriteInt("S", "mask", 255, 16);
    EXPECT_STREQ("ff", ini.GetString("S", "mask"));
    EXPECT_EQ(255, ini.GetInt("S", "mask", 0, 16));
    ini.WriteString("S", "yes", "Yes");
    ini.WriteString("S", "zero", "0");
    ini.WriteString("S", "empty", "");
    EXPECT_TRUE(ini.GetBool("S", "yes", FALSE));
    EXPECT_FALSE(ini.GetBool("S", "zero", TRUE));
    // An empty value is present: it is false, not the default.
    EXPECT_FALSE(ini.GetBool("S", "empty", TRUE));
}

TEST(IniFile, HandEditedAndDamagedFilesGiveSensibleValues)
{
    TestFolder folder;
    const std::string longLine(100000, 'x');
    folder.Write("adjust.cfg",
                 "[Warm]\r\nred=12\r\nred=99\ngreen = 4 \n"
                 "junk line without equals\n" + longLine + "\n"
                 "sharp=" + longLine + "\n"
                 "[Broken\nblue=7\n"
                 "[Cold]\r\ngamma=150\r\n");
    CIniFile ini(folder.File("adjust.cfg"));
    EXPECT_EQ(12, ini.GetInt("Warm", "red", 0, 10));    // the first of duplicate keys
    EXPECT_EQ(4, ini.GetInt("Warm", "green", 0, 10));   // blanks around the value dropped
    EXPECT_EQ(150, ini.GetInt("Cold", "gamma", 100, 10));
    EXPECT_EQ(100000, ini.GetString("Warm", "sharp").GetLength());
    EXPECT_EQ(255, ini.GetInt("Cold", "outhigh", 255, 10));
    CStringArray names;
    ini.GetSectionNames(&names);
    ASSERT_GE(names.GetSize(), 2);
    EXPECT_STREQ("Warm", names[0]);
    EXPECT_STREQ("Cold", names[names.GetSize() - 1]);

    // Binary garbage: every read gives its default, and a write still works.
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += (char)((i * 7919 + 13) % 256);
    folder.Write("garbage.cfg", garbage);
    CIniFile bad(folder.File("garbage.cfg"));
    CStringArray none;
    bad.GetSectionNames(&none);
    EXPECT_EQ(100, bad.GetInt("Warm", "gamma", 100, 10));
    bad.WriteInt("Warm", "gamma", 120, 10);
    EXPECT_EQ(120, bad.GetInt("Warm", "gamma", 100, 10));
}

// A section name comes back from the file as it was written exactly when IsValidSectionName
// says so: the file trims the blanks at either end, and keeps brackets inside a name.
TEST(IniFile, SectionNamesThatRoundTripAreTheValidOnes)
{
    TestFolder folder;
    const CString path = folder.File("names.ini");
    for (const char* name : { "暖色", "a b", "x=y", ";note", "a/b*c", "a]b", "[x", "a]b]c", " lead", "trail " }) {
        ::DeleteFileA(path);
        CIniFile ini(path);
        ini.WriteInt(name, "red", 5, 10);
        CStringArray names;
        ini.GetSectionNames(&names);
        const bool same = names.GetSize() == 1 && names[0] == name && ini.GetInt(name, "red", 0, 10) == 5;
        EXPECT_EQ(same, CIniFile::IsValidSectionName(name) != FALSE) << "[" << name << "]";
    }
    EXPECT_FALSE(CIniFile::IsValidSectionName(""));
    EXPECT_FALSE(CIniFile::IsValidSectionName("two\nlines"));
}
