// CString (of char, the ANSI code page) and CStringArray, as the MFC dialogs use them.
#pragma once
#include "afxver.h"
#include <string>
#include <vector>

class AFX_API CString
{
public:
// Construction
    CString() = default;
    CString(const CString& other) = default;
    CString(CString&& other) noexcept = default;
    CString(const char* psz) : m_str(psz ? psz : "") {}
    CString(const char* pch, int nLength) : m_str(pch ? pch : "", pch && nLength > 0 ? nLength : 0) {}
    CString(char ch, int nRepeat = 1) : m_str(nRepeat > 0 ? nRepeat : 0, ch) {}
    CString(const std::string& s) : m_str(s) {}

    CString& operator=(const CString& other) = default;
    CString& operator=(CString&& other) noexcept = default;
    CString& operator=(const char* psz) { m_str = psz ? psz : ""; return *this; }
    CString& operator=(char ch) { m_str.assign(1, ch); return *this; }

// Attributes
    int GetLength() const { return (int)m_str.size(); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    char GetAt(int i) const { return m_str.at((size_t)i); }
    void SetAt(int i, char ch) { m_str.at((size_t)i) = ch; }
    char operator[](int i) const { return GetAt(i); }
    operator const char*() const { return m_str.c_str(); }
    const char* GetString() const { return m_str.c_str(); }
    const std::string& str() const { return m_str; }

// Operations
    CString& operator+=(const CString& s) { m_str += s.m_str; return *this; }
    CString& operator+=(const char* psz) { if (psz) m_str += psz; return *this; }
    CString& operator+=(char ch) { m_str += ch; return *this; }

    int Compare(const char* psz) const;
    int CompareNoCase(const char* psz) const;
    int Collate(const char* psz) const { return Compare(psz); }

    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString SpanIncluding(const char* set) const;
    CString SpanExcluding(const char* set) const;

    void MakeUpper();
    void MakeLower();
    void MakeReverse();
    int Replace(char chOld, char chNew);
    int Replace(const char* pszOld, const char* pszNew);
    int Remove(char ch);
    int Insert(int nIndex, char ch);
    int Insert(int nIndex, const char* psz);
    int Delete(int nIndex, int nCount = 1);
    void TrimLeft();
    void TrimRight();
    void TrimLeft(char ch);
    void TrimRight(char ch);
    void TrimLeft(const char* set);
    void TrimRight(const char* set);

    int Find(char ch, int nStart = 0) const;
    int Find(const char* psz, int nStart = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* set) const;

    void Format(const char* fmt, ...);
    void FormatV(const char* fmt, va_list args);
    void Format(UINT nFormatID, ...);
    // Loads a string of the string table: the current resource handle first, then every module
    // of the resource chain. FALSE (and an empty string) when no module has it.
    BOOL LoadString(UINT nID);

    char* GetBuffer(int nMinBufLength);
    char* GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);

private:
    std::string m_str;
};

AFX_API CString operator+(const CString& a, const CString& b);
AFX_API CString operator+(const CString& a, const char* b);
AFX_API CString operator+(const char* a, const CString& b);
AFX_API CString operator+(const CString& a, char b);
AFX_API CString operator+(char a, const CString& b);

// Text between the active code page and UTF-16, sized from the text, however long. n is the
// number of characters, -1 for up to the terminating zero. AfxFromWide sets *pbLost when a
// character has no form in the code page (it then arrives as the code page's default character).
AFX_API std::wstring AfxToWide(const char* text, int n = -1);
AFX_API CString AfxFromWide(const wchar_t* text, int n = -1, bool* pbLost = nullptr);
inline bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
inline bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
inline bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
inline bool operator!=(const CString& a, const char* b) { return a.Compare(b) != 0; }
inline bool operator!=(const char* a, const CString& b) { return b.Compare(a) != 0; }
inline bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
inline bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }

class AFX_API CStringArray
{
public:
    int GetSize() const { return (int)m_items.size(); }
    int GetCount() const { return GetSize(); }
    int GetUpperBound() const { return GetSize() - 1; }
    BOOL IsEmpty() const { return m_items.empty(); }
    void SetSize(int nNewSize) { m_items.resize(nNewSize > 0 ? (size_t)nNewSize : 0); }
    void RemoveAll() { m_items.clear(); }
    const CString& GetAt(int i) const { return m_items.at((size_t)i); }
    void SetAt(int i, const char* s) { m_items.at((size_t)i) = s; }
    CString& ElementAt(int i) { return m_items.at((size_t)i); }
    const CString& operator[](int i) const { return GetAt(i); }
    CString& operator[](int i) { return ElementAt(i); }
    int Add(const char* s) { m_items.emplace_back(s); return GetUpperBound(); }
    int Add(const CString& s) { m_items.push_back(s); return GetUpperBound(); }
    void InsertAt(int i, const char* s, int nCount = 1);
    void RemoveAt(int i, int nCount = 1);
    void Append(const CStringArray& src) { m_items.insert(m_items.end(), src.m_items.begin(), src.m_items.end()); }
    void Copy(const CStringArray& src) { m_items = src.m_items; }

private:
    std::vector<CString> m_items;
};
