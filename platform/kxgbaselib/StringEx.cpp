#include "StringEx.h"
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

// Start of field nIndex and its length, for a separator of nSep characters.
bool FindField(const std::string& s, const char* sep, size_t nSep, int nIndex, size_t& start, size_t& len)
{
    if (s.empty() || nSep == 0 || nIndex < 0)
        return false;
    size_t pos = 0;
    for (int i = 0; i < nIndex; ++i) {
        const size_t next = s.find(sep, pos, nSep);
        if (next == std::string::npos)
            return false;
        pos = next + nSep;
    }
    const size_t end = s.find(sep, pos, nSep);
    start = pos;
    len = (end == std::string::npos ? s.size() : end) - pos;
    return true;
}

int CountFields(const std::string& s, const char* sep, size_t nSep)
{
    if (s.empty())
        return 0;
    if (nSep == 0)
        return 1;
    int n = 1;
    for (size_t pos = s.find(sep, 0, nSep); pos != std::string::npos; pos = s.find(sep, pos + nSep, nSep))
        ++n;
    return n;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

} // namespace

int CStringEx::GetFieldCount(char chSep) const { return CountFields(str(), &chSep, 1); }

int CStringEx::GetFieldCount(const char* pszSep) const
{
    return CountFields(str(), pszSep ? pszSep : "", pszSep ? std::strlen(pszSep) : 0);
}

CString CStringEx::GetField(int nIndex, char chSep) const
{
    size_t start = 0, len = 0;
    if (!FindField(str(), &chSep, 1, nIndex, start, len))
        return CString();
    return CString(str().substr(start, len));
}

CString CStringEx::GetField(int nIndex, const char* pszSep) const
{
    const size_t nSep = pszSep ? std::strlen(pszSep) : 0;
    if (nSep == 0)
        return nIndex == 0 ? CString(*this) : CString();
    size_t start = 0, len = 0;
    if (!FindField(str(), pszSep, nSep, nIndex, start, len))
        return CString();
    return CString(str().substr(start, len));
}

int CStringEx::Int() const
{
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(GetString(), &end, 10);
    if (end == GetString())
        return 0;
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return (int)v;
}

double CStringEx::Double() const
{
    char* end = nullptr;
    const double v = std::strtod(GetString(), &end);
    return end == GetString() ? 0.0 : v;
}

bool CStringEx::Bool() const
{
    const std::string& s = str();
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    const CString word(s.substr(b, e - b));
    if (word.IsEmpty())
        return false;
    char* end = nullptr;
    const double v = std::strtod(word.GetString(), &end);
    if (end != word.GetString())
        return v != 0.0;
    return word.CompareNoCase("true") == 0 || word.CompareNoCase("yes") == 0 || word.CompareNoCase("on") == 0;
}
