// CPictCatalog: the picture format catalogue "filpict.cfg" beside the host's executable - the
// picture types with their sub-formats, quality ranges and format codes, the colour modes of
// each format code, and the choices last made, which are written back into it.
//
//   CPictCatalog cat;
//   cat.Open(CPictCatalog::DefaultPath());
//   for (int i = 0; i < cat.GetTypeCount(); ++i) list.AddString(cat.GetTypeName(i));
//
// Types and sub-formats are counted from 0 here; the file counts its sections and keys from 1
// ("PictType1", "subtype1"). Every value missing from the file has its fixed default, so a
// missing or partial catalogue is never an error.
#pragma once
#include "module/kxcomdlglib.h"
#include <IniStdioFile.h>

class KXCOMDLG_API CPictCatalog
{
public:
    // One colour mode a format may offer: its bit in "mode_val", its list text, its depth.
    struct ColorMode
    {
        UINT nValue;
        const char* pszText;
        int nBitsPerPixel;
    };
    static const ColorMode s_colorModes[8];
    static const int kColorModeCount = 8;
    // The row whose text this is, or null.
    static const ColorMode* FindColorMode(const char* pszText);

    // Hand-edited counts above this are taken as this many: a list of two thousand million
    // entries would never finish filling.
    static const int kMaxEntries = 256;

// Construction
    CPictCatalog();
    // "filpict.cfg" in the folder of the running program's executable.
    static CString DefaultPath();
    // Opens the file for reading and later writing of values; FALSE when it cannot be read.
    BOOL Open(const char* pszPath);

// The type list
    int GetTypeCount() const;                  // "suportnum", 0 to kMaxEntries
    CString GetTypeName(int nType) const;      // "type"
    int GetDefaultType() const;                // "default" of "PictConfig", unchecked
    void SetDefaultType(int nType);

// One type (nType -1 stands for no type: its section "PictType0" is normally absent)
    int GetSubCount(int nType) const;          // "subnum", 0 to kMaxEntries
    CString GetSubName(int nType, int nSub) const;
    int GetDefaultSub(int nType) const;        // "defsub", -1 for none
    BOOL HasQuality(int nType) const;          // "qfactor"
    int GetQualityMin(int nType) const;
    int GetQualityMax(int nType) const;
    int GetDefaultQuality(int nType) const;    // "defaultq"
    void SetDefaultQuality(int nType, int nQuality);
    CString GetTypeExt(int nType, const char* pszDefault) const;
    int GetFormat(int nType) const;            // "format", for a type without sub-formats
    int GetSubFormat(int nType, int nSub) const;   // "subfmt%d"; nSub -1 reads "subfmt0"

// Colour modes of a format code (section "FMT_CL_%d")
    // The offered modes in table order; a format without colour modes offers 24-bit RGB only.
    // bListed tells whether the section lists modes (then its "default" applies).
    int GetColorModes(int nFormat, const ColorMode* modes[kColorModeCount], bool& bListed) const;
    int GetDefaultColorMode(int nFormat) const;
    void SetDefaultColorMode(int nFormat, int nIndex);

private:
    static CString TypeSection(int nType);
    static CString FormatSection(int nFormat);
    int GetInt(const char* pszSection, const char* pszKey, const char* pszDefault) const;
    void SetInt(const char* pszSection, const char* pszKey, int nValue);

    CIniStdioFile m_file;
};
