#include "FolderListing.h"
#include "KXDiskFile.h"
#include <kxraii.h>
#include <algorithm>
#include <cstring>

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? (unsigned char)(c - 'A' + 'a') : c; }

// One step of the natural comparison: the digit runs at a and b by value (leading zeros do not
// count), their lengths moved past. Returns the order of the two numbers.
int CompareNumbers(const unsigned char*& a, const unsigned char*& b)
{
    while (*a == '0' && IsDigit(a[1]))
        ++a;
    while (*b == '0' && IsDigit(b[1]))
        ++b;
    const unsigned char* startA = a;
    const unsigned char* startB = b;
    while (IsDigit(*a))
        ++a;
    while (IsDigit(*b))
        ++b;
    const ptrdiff_t lenA = a - startA, lenB = b - startB;
    if (lenA != lenB)
        return lenA < lenB ? -1 : 1;
    const int order = std::memcmp(startA, startB, (size_t)lenA);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

int CompareNatural(const unsigned char* a, const unsigned char* b)
{
    while (*a && *b) {
        if (IsDigit(*a) && IsDigit(*b)) {
            if (const int order = CompareNumbers(a, b))
                return order;
            continue;
        }
        // A double-byte character is one unit: its trail byte may look like a letter or digit.
        const bool wideA = ::IsDBCSLeadByte(*a) && a[1];
        const bool wideB = ::IsDBCSLeadByte(*b) && b[1];
        const unsigned ca = wideA ? (unsigned)(*a << 8 | a[1]) : Fold(*a);
        const unsigned cb = wideB ? (unsigned)(*b << 8 | b[1]) : Fold(*b);
        if (wideA != wideB)
            return wideA ? 1 : -1;   // single-byte characters first, as in a code-page order
        if (ca != cb)
            return ca < cb ? -1 : 1;
        a += wideA ? 2 : 1;
        b += wideB ? 2 : 1;
    }
    return *a ? 1 : *b ? -1 : 0;
}

} // namespace

int CompareNaturalNoCase(const char* pszA, const char* pszB)
{
    const unsigned char* a = reinterpret_cast<const unsigned char*>(pszA ? pszA : "");
    const unsigned char* b = reinterpret_cast<const unsigned char*>(pszB ? pszB : "");
    if (const int order = CompareNatural(a, b))
        return order;
    const int bytes = std::strcmp(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b));
    return bytes < 0 ? -1 : bytes > 0 ? 1 : 0;
}

int CFolderListing::List(const char* pszFolder, NameFilter pfnAccept)
{
    m_names.clear();
    m_strFolder = pszFolder ? pszFolder : "";
    if (m_strFolder.IsEmpty())
        return 0;
    const char last = m_strFolder[m_strFolder.GetLength() - 1];
    // "C:" alone is the drive's current folder, not its root; a trailing separator is kept as is.
    if (last != '\\' && last != '/' && last != ':')
        m_strFolder += '\\';

    WIN32_FIND_DATAA fd;
    kx::unique_hfind find(::FindFirstFileA(m_strFolder + "*", &fd));
    if (!find)
        return 0;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (!pfnAccept || pfnAccept(fd.cFileName))
            m_names.push_back(fd.cFileName);
    } while (::FindNextFileA(find.get(), &fd));
    std::sort(m_names.begin(), m_names.end(),
              [](const CString& a, const CString& b) { return CompareNaturalNoCase(a, b) < 0; });
    return GetCount();
}

int CFolderListing::ListFolderOf(const char* pszPathName, NameFilter pfnAccept)
{
    const CString folder = CKXDiskFile(pszPathName).GetPath();
    if (folder.IsEmpty()) {
        m_names.clear();
        m_strFolder.Empty();
        return 0;
    }
    return List(folder, pfnAccept);
}

int CFolderListing::Find(const char* pszFileName) const
{
    if (!pszFileName)
        return -1;
    for (size_t i = 0; i < m_names.size(); ++i)
        if (std::strcmp(m_names[i], pszFileName) == 0)
            return (int)i;
    return -1;
}
