// CIniStdioFile: an INI file read once into memory, looked up and changed there, and written
// back as a whole, keeping everything it does not change (comments, blank lines, order).
//
//   CIniStdioFile cfg(CIniStdioFile::modeWriteThrough);
//   cfg.Open(path, TRUE, TRUE, TRUE, FALSE);     // read existing values, allow writing
//   int n = cfg.GetValueInt("PictConfig", "suportnum", 0);
//   cfg.SetValue("PictConfig", "default", "2");  // in the file at once (write-through)
//
// What it gives that the system's private-profile functions do not: keys in file order, the keys
// before the first section header under the empty section name "", and one reading of the file
// for many lookups.
//
// Contract:
// - Lines: "[name]" starts a section; "key=value" is an entry (blanks around key and value are
//   dropped, a value in double quotes loses them); lines starting with ";" or "#", blank lines
//   and lines without "=" are kept as they are and otherwise ignored. CR-LF and LF both end a
//   line; a rewritten file keeps the line ending it had (CR-LF for a new file).
// - Damaged text: a header without its "]" names the section with the rest of the line; a
//   duplicate key reads as its first occurrence (SetValue changes that one); sections of the
//   same name count as one, in the order they appear. Any bytes, and lines of any length, are
//   read without failing. Files above 64 MB are not read (Open fails) so a wrong path cannot
//   exhaust memory.
// - Names are compared without regard to letter case unless modeCaseSensitive is given.
// - When values reach the disk: with modeWriteThrough, every SetValue that changes something
//   rewrites the file before it returns; otherwise the file is rewritten by Flush, by Close and
//   by the destructor, when something changed. Either way, values set are in the file the next
//   time it is opened. The file is replaced through a temporary file beside it, so a failed
//   write leaves the old file whole.
#pragma once
#include "kxgbaselib.h"
#include <string>
#include <vector>

class KXGBASE_API CIniStdioFile
{
public:
    enum
    {
        modeReadOnly = 0x1,        // never write, whatever Open allows
        modeCaseSensitive = 0x2,   // section and key names compared with letter case
        modeWriteThrough = 0x4,    // every change goes to the disk at once
    };

// Construction
    explicit CIniStdioFile(UINT nMode = modeWriteThrough);
    ~CIniStdioFile();
    CIniStdioFile(const CIniStdioFile&) = delete;
    CIniStdioFile& operator=(const CIniStdioFile&) = delete;

    // Opens the file (closing a previous one first):
    //   bRead      read the values the file holds (FALSE starts empty and replaces the file's
    //              content at the first write);
    //   bWrite     allow SetValue to change the file;
    //   bCreate    a missing file is fine: it starts empty and is created at the first write
    //              (without it a missing file makes Open fail);
    //   bTruncate  discard the content at once (the file is rewritten empty now).
    // FALSE when the file cannot be read (or is missing without bCreate); the object is then not
    // open and every lookup gives its default.
    BOOL Open(const char* pszPathName, BOOL bRead = TRUE, BOOL bWrite = TRUE, BOOL bCreate = TRUE,
              BOOL bTruncate = FALSE);
    // Writes pending changes; TRUE when nothing was pending or the file was written.
    BOOL Flush();
    // Flush, then forget the content.
    void Close();

// Attributes
    BOOL IsOpen() const { return m_bOpen; }
    const CString& GetPathName() const { return m_strPath; }

// Lookups
    CString GetValue(const char* pszSection, const char* pszKey, const char* pszDefault = "") const;
    // The value read as a decimal integer (CStringEx::Int), or the default when absent.
    int GetValueInt(const char* pszSection, const char* pszKey, int nDefault = 0) const;
    BOOL IsSectionExist(const char* pszSection) const;
    // The section names in file order, each once; the empty name "" first when keys stand
    // before the first header.
    int GetSectionNames(CStringArray& names) const;
    // The keys of the section in file order, each once; returns their number.
    int GetKeysInSection(const char* pszSection, CStringArray& keys) const;
    int GetKeysInSection(const char* pszSection, CStringArray* pKeys) const
    { return pKeys ? GetKeysInSection(pszSection, *pKeys) : 0; }

// Changes
    // Creates or replaces the value (and the section). FALSE when the file is not open for
    // writing, when a name cannot be stored in an INI line (a key with "=", a name with a line
    // break or a section with "]") or when the write-through failed.
    BOOL SetValue(const char* pszSection, const char* pszKey, const char* pszValue);
    BOOL SetValueInt(const char* pszSection, const char* pszKey, int nValue);

private:
    struct Line
    {
        std::string raw;      // the text as read, or empty for a new entry
        std::string key;      // empty for a line that is not an entry
        std::string value;
        bool changed = false;
    };
    struct Section
    {
        std::string name;
        std::string header;   // the header line as read; empty for the leading keys and new ones
        std::vector<Line> lines;
    };

    void Parse(const std::string& text);
    std::string Serialize() const;
    BOOL WriteFile();
    bool SameName(const std::string& a, const char* b) const;
    const Line* FindEntry(const char* pszSection, const char* pszKey) const;
    Line* FindEntry(const char* pszSection, const char* pszKey);

    UINT m_nMode;
    BOOL m_bOpen = FALSE;
    BOOL m_bWritable = FALSE;
    bool m_bDirty = false;
    bool m_bCrLf = true;
    bool m_bUtf8Bom = false;
    CString m_strPath;
    std::vector<Section> m_sections;   // [0] holds the lines before the first header
};
