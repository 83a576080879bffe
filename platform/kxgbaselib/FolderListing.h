// The files of one folder in one stable order, for every list and walk of a folder's pictures.
//
//   CFolderListing pictures;
//   pictures.List("D:\\Photos", CDib::IsImageExt);      // the filter decides what counts
//   for (int i = 0; i < pictures.GetCount(); ++i)
//       Show(pictures.GetPathName(i));
//   const int at = pictures.Find(current.GetFileName()); // exact name, -1 when not listed
//
// The order is the natural order of CompareNaturalNoCase, not the file system's: the same folder
// gives the same order on every volume and every run.
#pragma once
#include "kxgbaselib.h"
#include <vector>

// Compares two file names as a user reads them: letters without regard to case, a run of digits
// by its value ("img2" before "img10", "IMG_1" beside "img_1"), double-byte characters by their
// code. Names equal under that rule ("a01" and "a1", "A" and "a") are ordered by their bytes, so
// the order is total. Negative, 0 or positive, as strcmp.
KXGBASE_API int CompareNaturalNoCase(const char* pszA, const char* pszB);

class KXGBASE_API CFolderListing
{
public:
    // Decides whether a file of the folder is listed, given its name with extension.
    typedef BOOL (*NameFilter)(const char* pszFileName);

// Operations
    // Reads the folder anew: its files (never folders) that pfnAccept takes, every file when it
    // is null. A missing or unreadable folder lists nothing. pszFolder may end in "\" or "/" or
    // not. Returns the count.
    int List(const char* pszFolder, NameFilter pfnAccept);
    // As List, for the folder of the file (a full path).
    int ListFolderOf(const char* pszPathName, NameFilter pfnAccept);

// Attributes
    int GetCount() const { return (int)m_names.size(); }
    // The folder as listed, with a trailing "\" (empty for an empty folder argument).
    const CString& GetFolder() const { return m_strFolder; }
    // Name with extension, and full path, of entry nIndex (0 .. GetCount() - 1).
    const CString& GetName(int nIndex) const { return m_names[(size_t)nIndex]; }
    CString GetPathName(int nIndex) const { return m_strFolder + m_names[(size_t)nIndex]; }
    // The entry whose name is exactly this one, letter case significant; -1 when none.
    int Find(const char* pszFileName) const;

private:
    CString m_strFolder;
    std::vector<CString> m_names;
};
