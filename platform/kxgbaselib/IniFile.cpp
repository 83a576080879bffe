#include "IniFile.h"
#include "StringEx.h"
#include <cstdlib>
#include <vector>

namespace {

// Large values are read with a growing buffer, up to a bound that keeps a damaged file from
// costing unbounded memory.
const DWORD kMaxRead = 16u << 20;

// A marker no real value holds, to tell a missing key from an empty value.
const char kAbsent[] = "\x01kx-absent\x01";

} // namespace

CIniFile::CIniFile(const char* pszPathName) : m_strPath(pszPathName) {}

BOOL CIniFile::IsValidSectionName(const char* pszSection)
{
    if (!pszSection || !*pszSection)
        return FALSE;
    const size_t n = strlen(pszSection);
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    if (blank(pszSection[0]) || blank(pszSection[n - 1]))
        return FALSE;
    // Byte by byte is safe in a double-byte code page: neither byte of a double-byte character
    // is below 0x40, and these are.
    return strpbrk(pszSection, "\r\n") == nullptr;
}

void CIniFile::GetSectionNames(CStringArray* pNames) const
{
    if (!pNames)
        return;
    pNames->RemoveAll();
    if (::GetFileAttributesA(m_strPath) == INVALID_FILE_ATTRIBUTES)
        return;
    std::vector<char> buf(4096);
    DWORD n = 0;
    for (;;) {
        n = ::GetPrivateProfileSectionNamesA(buf.data(), (DWORD)buf.size(), m_strPath);
        if (n < buf.size() - 2 || buf.size() >= kMaxRead)
            break;
        buf.resize(buf.size() * 2);
    }
    // The list is NUL-separated names ending in an empty one.
    for (const char* p = buf.data(); p < buf.data() + n && *p; p += strlen(p) + 1) {
        bool seen = false;
        for (int i = 0; i < pNames->GetSize() && !seen; ++i)
            seen = pNames->GetAt(i).CompareNoCase(p) == 0;
        if (!seen)
            pNames->Add(p);
    }
}

BOOL CIniFile::IsSectionExist(const char* pszSection) const
{
    // The section's key list cannot tell an empty section from a missing one; the names can.
    CStringArray names;
    GetSectionNames(&names);
    for (int i = 0; i < names.GetSize(); ++i)
        if (names[i].CompareNoCase(pszSection) == 0)
            return TRUE;
    return FALSE;
}

BOOL CIniFile::DeleteSection(const char* pszSection)
{
    return ::WritePrivateProfileStringA(pszSection, nullptr, nullptr, m_strPath);
}

BOOL CIniFile::Lookup(const char* pszSection, const char* pszKey, CString& value) const
{
    std::vector<char> buf(1024);
    for (;;) {
        const DWORD n = ::GetPrivateProfileStringA(pszSection, pszKey, kAbsent, buf.data(), (DWORD)buf.size(), m_strPath);
        if (n < buf.size() - 1 || buf.size() >= kMaxRead) {
            value = CString(buf.data(), (int)n);
            break;
        }
        buf.resize(buf.size() * 2);
    }
    return value != kAbsent;
}

CString CIniFile::GetString(const char* pszSection, const char* pszKey, const char* pszDefault) const
{
    CString value;
    return Lookup(pszSection, pszKey, value) ? value : CString(pszDefault);
}

BOOL CIniFile::WriteString(const char* pszSection, const char* pszKey, const char* pszValue)
{
    return ::WritePrivateProfileStringA(pszSection, pszKey, pszValue ? pszValue : "", m_strPath);
}

int CIniFile::GetInt(const char* pszSection, const char* pszKey, int nDefault, int nRadix) const
{
    CString value;
    if (!Lookup(pszSection, pszKey, value))
        return nDefault;
    if (nRadix == 10 || nRadix < 2 || nRadix > 36)
        return CStringEx(value).Int();
    return (int)std::strtoul(value, nullptr, nRadix);
}

BOOL CIniFile::WriteInt(const char* pszSection, const char* pszKey, int nValue, int nRadix)
{
    char text[40];
    if (nRadix == 10 || nRadix < 2 || nRadix > 36)
        std::snprintf(text, sizeof text, "%d", nValue);
    else
        _ultoa((unsigned long)(unsigned int)nValue, text, nRadix);
    return WriteString(pszSection, pszKey, text);
}

BOOL CIniFile::GetBool(const char* pszSection, const char* pszKey, BOOL bDefault) const
{
    CString value;
    if (!Lookup(pszSection, pszKey, value))
        return bDefault;
    return CStringEx(value).Bool() ? TRUE : FALSE;
}

BOOL CIniFile::WriteBool(const char* pszSection, const char* pszKey, BOOL bValue)
{
    return WriteString(pszSection, pszKey, bValue ? "1" : "0");
}
