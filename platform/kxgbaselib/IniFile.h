// CIniFile: named values in an INI file through the system's private-profile functions.
//
//   CIniFile ini(path);                       // the file need not exist
//   ini.WriteInt("Warm", "red", 20, 10);      // creates file and section, on disk at once
//   int red = ini.GetInt("Warm", "red", 0, 10);
//
// Contract:
// - Every write reaches the file before the call returns and creates the file and the section
//   when needed (the folder must exist). There is no state kept between calls, so several
//   objects on one file always see each other's writes.
// - Names of sections and keys are compared without regard to letter case.
// - GetSectionNames lists the sections in the order they stand in the file, each name once
//   (a hand-edited file with a section twice lists it where it first appears); a missing file
//   has none.
// - A missing key (or section, or file) gives the default. Integers are text in the given radix
//   (2 to 36; 10 writes a signed decimal, other radixes the unsigned digits). Truth values are
//   written as "1" / "0" and read with the rules of CStringEx::Bool.
// - A damaged or hand-edited file never fails a call: what cannot be read as "key=value" under a
//   "[section]" line is skipped, and a duplicate key reads as its first occurrence.
#pragma once
#include "kxgbaselib.h"

class KXGBASE_API CIniFile
{
public:
// Construction
    explicit CIniFile(const char* pszPathName);

// Attributes
    const CString& GetPathName() const { return m_strPath; }

// Sections
    // Whether a section of this name comes back under the same name: not empty, no line break,
    // no blank at either end (the section line is trimmed when read). Brackets inside a name
    // are kept: the line's last "]" ends the name.
    static BOOL IsValidSectionName(const char* pszSection);
    void GetSectionNames(CStringArray* pNames) const;
    BOOL IsSectionExist(const char* pszSection) const;
    // Removes the section with all its keys; TRUE when the file was written.
    BOOL DeleteSection(const char* pszSection);

// Values (the Write... calls return TRUE when the file was written)
    CString GetString(const char* pszSection, const char* pszKey, const char* pszDefault = "") const;
    BOOL WriteString(const char* pszSection, const char* pszKey, const char* pszValue);
    int GetInt(const char* pszSection, const char* pszKey, int nDefault, int nRadix = 10) const;
    BOOL WriteInt(const char* pszSection, const char* pszKey, int nValue, int nRadix = 10);
    BOOL GetBool(const char* pszSection, const char* pszKey, BOOL bDefault) const;
    BOOL WriteBool(const char* pszSection, const char* pszKey, BOOL bValue);

private:
    // The stored text, or FALSE when the key is absent.
    BOOL Lookup(const char* pszSection, const char* pszKey, CString& value) const;

    CString m_strPath;
};
