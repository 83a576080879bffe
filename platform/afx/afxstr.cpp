#include "afxstr.h"
#include "afxres.h"
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mbstring.h>

namespace {
// Clamp helpers so that out-of-range counts behave as MFC's: empty results, never a throw.
int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
}

int CString::Compare(const char* psz) const { return std::strcmp(m_str.c_str(), psz ? psz : ""); }

int CString::CompareNoCase(const char* psz) const
{
    return _mbsicmp(reinterpret_cast<const unsigned char*>(m_str.c_str()),
                    reinterpret_cast<const unsigned char*>(psz ? psz : ""));
}

CString CString::Mid(int nFirst) const { return Mid(nFirst, GetLength()); }

CString CString::Mid(int nFirst, int nCount) const
{
    nFirst = Clamp(nFirst, 0, GetLength());
    nCount = Clamp(nCount, 0, GetLength() - nFirst);
    return CString(m_str.substr((size_t)nFirst, (size_t)nCount));
}

CString CString::Left(int nCount) const { return Mid(0, nCount); }

CString CString::Right(int nCount) const
{
    nCount = Clamp(nCount, 0, GetLength());
    return Mid(GetLength() - nCount, nCount);
}

CString CString::SpanIncluding(const char* set) const
{
    return Left((int)std::strspn(m_str.c_str(), set ? set : ""));
}

CString CString::SpanExcluding(const char* set) const
{
    return Left((int)std::strcspn(m_str.c_str(), set ? set : ""));
}

void CString::MakeUpper()
{
    _mbsupr(reinterpret_cast<unsigned char*>(&m_str[0]));
}

void CString::MakeLower()
{
    _mbslwr(reinterpret_cast<unsigned char*>(&m_str[0]));
}

void CString::MakeReverse() { std::reverse(m_str.begin(), m_str.end()); }

int CString::Replace(char chOld, char chNew)
{
    int n = 0;
    for (char& c : m_str)
        if (c == chOld) { c = chNew; ++n; }
    return n;
}

int CString::Replace(const char* pszOld, const char* pszNew)
{
    if (!pszOld || !*pszOld)
        return 0;
    const std::string from(pszOld), to(pszNew ? pszNew : "");
    int n = 0;
    for (size_t pos = m_str.find(from); pos != std::string::npos; pos = m_str.find(from, pos + to.size())) {
        m_str.replace(pos, from.size(), to);
        ++n;
    }
    return n;
}

int CString::Remove(char ch)
{
    const size_t before = m_str.size();
    m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
    return (int)(before - m_str.size());
}

int CString::Insert(int nIndex, char ch)
{
    m_str.insert((size_t)Clamp(nIndex, 0, GetLength()), 1, ch);
    return GetLength();
}

int CString::Insert(int nIndex, const char* psz)
{
    m_str.insert((size_t)Clamp(nIndex, 0, GetLength()), psz ? psz : "");
    return GetLength();
}

int CString::Delete(int nIndex, int nCount)
{
    nIndex = Clamp(nIndex, 0, GetLength());
    nCount = Clamp(nCount, 0, GetLength() - nIndex);
    m_str.erase((size_t)nIndex, (size_t)nCount);
    return GetLength();
}

void CString::TrimLeft() { TrimLeft(" \t\r\n\v\f"); }
void CString::TrimRight() { TrimRight(" \t\r\n\v\f"); }
void CString::TrimLeft(char ch) { const char set[2] = { ch, 0 }; TrimLeft(set); }
void CString::TrimRight(char ch) { const char set[2] = { ch, 0 }; TrimRight(set); }

void CString::TrimLeft(const char* set)
{
    const size_t pos = m_str.find_first_not_of(set ? set : "");
    m_str.erase(0, pos == std::string::npos ? m_str.size() : pos);
}

void CString::TrimRight(const char* set)
{
    const size_t pos = m_str.find_last_not_of(set ? set : "");
    m_str.erase(pos == std::string::npos ? 0 : pos + 1);
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0 || nStart > GetLength())
        return -1;
    const size_t pos = m_str.find(ch, (size_t)nStart);
    return pos == std::string::npos ? -1 : (int)pos;
}

int CString::Find(const char* psz, int nStart) const
{
    if (!psz || nStart < 0 || nStart > GetLength())
        return -1;
    const size_t pos = m_str.find(psz, (size_t)nStart);
    return pos == std::string::npos ? -1 : (int)pos;
}

int CString::ReverseFind(char ch) const
{
    const size_t pos = m_str.rfind(ch);
    return pos == std::string::npos ? -1 : (int)pos;
}

int CString::FindOneOf(const char* set) const
{
    const size_t pos = m_str.find_first_of(set ? set : "");
    return pos == std::string::npos ? -1 : (int)pos;
}

void CString::FormatV(const char* fmt, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n < 0) {
        m_str.clear();
        return;
    }
    std::string out((size_t)n + 1, '\0');
    std::vsnprintf(&out[0], out.size(), fmt, args);
    out.resize((size_t)n);
    m_str.swap(out);
}

void CString::Format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    FormatV(fmt, args);
    va_end(args);
}

void CString::Format(UINT nFormatID, ...)
{
    CString fmt;
    fmt.LoadString(nFormatID);
    va_list args;
    va_start(args, nFormatID);
    FormatV(fmt, args);
    va_end(args);
}

BOOL CString::LoadString(UINT nID)
{
    m_str.clear();
    return AfxLoadStringFromChain(nID, *this);
}

char* CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength > GetLength())
        m_str.resize((size_t)nMinBufLength);
    return &m_str[0];
}

char* CString::GetBufferSetLength(int nNewLength)
{
    m_str.resize(nNewLength > 0 ? (size_t)nNewLength : 0);
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
        nNewLength = (int)std::strlen(m_str.c_str());
    m_str.resize((size_t)std::min(nNewLength, GetLength()));
}

CString operator+(const CString& a, const CString& b) { CString r(a); r += b; return r; }
CString operator+(const CString& a, const char* b) { CString r(a); r += b; return r; }
CString operator+(const char* a, const CString& b) { CString r(a); r += b; return r; }
CString operator+(const CString& a, char b) { CString r(a); r += b; return r; }
CString operator+(char a, const CString& b) { CString r(a); r += b; return r; }

void CStringArray::InsertAt(int i, const char* s, int nCount)
{
    i = Clamp(i, 0, GetSize());
    m_items.insert(m_items.begin() + i, (size_t)(nCount > 0 ? nCount : 0), CString(s));
}

void CStringArray::RemoveAt(int i, int nCount)
{
    if (i < 0 || i >= GetSize())
        return;
    nCount = Clamp(nCount, 0, GetSize() - i);
    m_items.erase(m_items.begin() + i, m_items.begin() + i + nCount);
}

std::wstring AfxToWide(const char* text, int n)
{
    if (!text || n == 0)
        return std::wstring();
    const int count = ::MultiByteToWideChar(CP_ACP, 0, text, n, nullptr, 0);
    if (count <= 0)
        return std::wstring();
    std::wstring wide((size_t)count, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, n, &wide[0], count);
    if (n < 0)
        wide.resize((size_t)count - 1);   // the terminating zero is the string's own
    return wide;
}

CString AfxFromWide(const wchar_t* text, int n, bool* pbLost)
{
    if (pbLost)
        *pbLost = false;
    CString result;
    if (!text || n == 0)
        return result;
    BOOL lost = FALSE;
    BOOL* pLost = pbLost ? &lost : nullptr;
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text, n, nullptr, 0, nullptr, pLost);
    if (bytes <= 0)
        return result;
    const int length = n < 0 ? bytes - 1 : bytes;
    std::vector<char> buffer((size_t)bytes + 1, '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, n, buffer.data(), bytes, nullptr, pLost);
    result = CString(buffer.data(), length);
    if (pbLost)
        *pbLost = lost != FALSE;
    return result;
}
