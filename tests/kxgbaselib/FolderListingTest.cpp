// The one order of a folder's files, and the listing on it.
#include <FolderListing.h>
#include <TestFolder.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<CString> Sorted(std::vector<CString> names)
{
    std::sort(names.begin(), names.end(), [](const CString& a, const CString& b) { return CompareNaturalNoCase(a, b) < 0; });
    return names;
}

std::vector<CString> Names(const CFolderListing& listing)
{
    std::vector<CString> names;
    for (int i = 0; i < listing.GetCount(); ++i)
        names.push_back(listing.GetName(i));
    return names;
}

BOOL IsJpeg(const char* name)
{
    const size_t n = strlen(name);
    return n > 4 && _stricmp(name + n - 4, ".jpg") == 0;
}

TEST(NaturalOrder, DigitRunsByValueLettersWithoutCase)
{
    const std::vector<CString> expected = { "img1.jpg", "IMG2.jpg", "img10.jpg", "img10a.jpg", "img100.jpg", "Img200.jpg", "imga.jpg" };
    EXPECT_EQ(expected, Sorted({ "img100.jpg", "imga.jpg", "Img200.jpg", "img10a.jpg", "IMG2.jpg", "img10.jpg", "img1.jpg" }));
    EXPECT_LT(CompareNaturalNoCase("a9", "a10"), 0);
    EXPECT_LT(CompareNaturalNoCase("2.jpg", "10.jpg"), 0);
    EXPECT_LT(CompareNaturalNoCase("x", "x1"), 0) << "a name before its longer forms";
    // Numbers longer than any integer type still compare by value.
    EXPECT_LT(CompareNaturalNoCase("p99999999999999999999999", "p100000000000000000000000"), 0);
    EXPECT_EQ(0, CompareNaturalNoCase("same.jpg", "same.jpg"));
}

TEST(NaturalOrder, EqualUnderTheRuleStillHasOneOrder)
{
    // Names only a letter's case or leading zeros tell apart are ordered by their bytes, so the
    // order is total and the same in every run.
    EXPECT_NE(0, CompareNaturalNoCase("A.jpg", "a.jpg"));
    EXPECT_EQ(-CompareNaturalNoCase("A.jpg", "a.jpg"), CompareNaturalNoCase("a.jpg", "A.jpg"));
    EXPECT_NE(0, CompareNaturalNoCase("a01", "a1"));
    EXPECT_EQ(-CompareNaturalNoCase("a01", "a1"), CompareNaturalNoCase("a1", "a01"));
    EXPECT_LT(CompareNaturalNoCase("a01", "a2"), 0) << "the leading zero does not change the value";
}

TEST(NaturalOrder, DoubleByteCharactersAreOneUnit)
{
    // Code page 936: the second byte of a character may have the value of a letter or a digit.
    // Read byte by byte, "\xB2\x41" and "\xB2\x61" would be the same letter in two cases, and
    // "\xB2\x32" "0" would end in the number 20; as characters they are ordered by their codes.
    EXPECT_LT(CompareNaturalNoCase("\xB2\x41" "b", "\xB2\x61" "a"), 0);
    EXPECT_GT(CompareNaturalNoCase("\xB2\x32" "0", "\xB2\x31" "99"), 0);
    EXPECT_LT(CompareNaturalNoCase("\xB2\xE2" "2", "\xB2\xE2" "10"), 0) << "numbers after a character still by value";
    EXPECT_GT(CompareNaturalNoCase("\xB2\xE2", "z"), 0) << "double-byte characters after single-byte ones";
}

TEST(FolderListing, FilesTheFilterTakesInNaturalOrder)
{
    TestFolder folder;
    for (const char* name : { "photo10.jpg", "photo9.JPG", "notes.txt", "Photo1.jpg", "b.jpg.bak" })
        folder.Write(name, "x");
    ::CreateDirectoryA(folder.File("album.jpg"), nullptr);   // a folder is never a picture

    CFolderListing listing;
    EXPECT_EQ(3, listing.List(folder.Path(), IsJpeg));
    const std::vector<CString> pictures = { "Photo1.jpg", "photo9.JPG", "photo10.jpg" };
    EXPECT_EQ(pictures, Names(listing));
    EXPECT_EQ(folder.File("photo9.JPG"), listing.GetPathName(1));
    EXPECT_EQ(folder.Path() + "\\", listing.GetFolder());

    EXPECT_EQ(1, listing.Find("photo9.JPG"));
    EXPECT_EQ(-1, listing.Find("photo9.jpg")) << "a name is found only as it is written";
    EXPECT_EQ(-1, listing.Find("notes.txt"));

    EXPECT_EQ(5, listing.List(folder.Path() + "\\", nullptr)) << "every file without a filter, never the folder";
    EXPECT_EQ(3, listing.ListFolderOf(folder.File("photo10.jpg"), IsJpeg));
    EXPECT_EQ(pictures, Names(listing));
}

TEST(FolderListing, MissingFolderListsNothing)
{
    TestFolder folder;
    CFolderListing listing;
    EXPECT_EQ(0, listing.List(folder.File("gone"), IsJpeg));
    EXPECT_EQ(0, listing.List("", IsJpeg));
    EXPECT_EQ(0, listing.ListFolderOf("a.jpg", IsJpeg)) << "a bare name has no folder";
    EXPECT_EQ(0, listing.GetCount());
}

} // namespace
