#include "IniStdioFile.h"
#include "StringEx.h"
#include <kxraii.h>
#include <cstdio>

namespace {

const LONGLONG kMaxFileSize = 64ll << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool ReadWholeFile(const CString& path, std::string& text, bool& missing)
{
    missing = false;
    kx::unique_hfile file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD err = ::GetLastError();
        missing = err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
        return false;
    }
    LARGE_INTEGER size = {};
    bool ok = ::GetFileSizeEx(file.get(), &size) && size.QuadPart <= kMaxFileSize;
    if (ok) {
        text.resize((size_t)size.QuadPart);
        DWORD got = 0;
        ok = text.empty() || (::ReadFile(file.get(), &text[0], (DWORD)text.size(), &got, nullptr) && got == text.size());
    }
    return ok;
}

bool NameStorable(const char* p, bool bSection)
{
    for (; *p; ++p)
        if (*p == '\r' || *p == '\n' || (bSection ? *p == ']' : *p == '='))
            return false;
    return true;
}

} // namespace

CIniStdioFile::CIniStdioFile(UINT nMode) : m_nMode(nMode) {}

CIniStdioFile::~CIniStdioFile() { Close(); }

BOOL CIniStdioFile::Open(const char* pszPathName, BOOL bRead, BOOL bWrite, BOOL bCreate, BOOL bTruncate)
{
    Close();
    m_strPath = pszPathName;
    m_sections.assign(1, Section());
    m_bCrLf = true;
    m_bUtf8Bom = false;
    m_bDirty = false;

    std::string text;
    bool missing = false;
    const bool read = ReadWholeFile(m_strPath, text, missing);
    if (!read && !(missing && bCreate))
        return FALSE;
    m_bOpen = TRUE;
    m_bWritable = bWrite && !(m_nMode & modeReadOnly);
    if (read && bRead && !bTruncate)
        Parse(text);
    else if (read)
        m_bDirty = true;   // the old content is to be replaced
    if (bTruncate && m_bWritable)
        WriteFile();
    return TRUE;
}

void CIniStdioFile::Parse(const std::string& input)
{
    size_t pos = 0;
    if (input.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        m_bUtf8Bom = true;
        pos = 3;
    }
    const size_t firstLf = input.find('\n', pos);
    m_bCrLf = firstLf == std::string::npos || (firstLf > 0 && input[firstLf - 1] == '\r');

    while (pos < input.size()) {
        size_t end = input.find('\n', pos);
        if (end == std::string::npos)
            end = input.size();
        std::string raw = input.substr(pos, end - pos);
        pos = end + 1;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();

        const std::string text = Trim(raw);
        if (!text.empty() && text[0] == '[') {
            Section s;
            const size_t close = text.find(']');
            s.name = Trim(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            s.header = raw;
            m_sections.push_back(std::move(s));
            continue;
        }
        Line line;
        line.raw = raw;
        const size_t eq = text.find('=');
        if (!text.empty() && text[0] != ';' && text[0] != '#' && eq != std::string::npos) {
            line.key = Trim(text.substr(0, eq));
            line.value = Trim(text.substr(eq + 1));
            if (line.value.size() >= 2 && line.value.front() == '"' && line.value.back() == '"')
                line.value = line.value.substr(1, line.value.size() - 2);
        }
        m_sections.back().lines.push_back(std::move(line));
    }
}

std::string CIniStdioFile::Serialize() const
{
    const char* eol = m_bCrLf ? "\r\n" : "\n";
    std::string out;
    if (m_bUtf8Bom)
        out += "\xEF\xBB\xBF";
    bool lastBlank = true;   // nothing written yet counts as a separation
    for (size_t i = 0; i < m_sections.size(); ++i) {
        const Section& s = m_sections[i];
        if (i > 0) {
            // A new section stands apart from the one before it, as a person would write it.
            if (s.header.empty() && !lastBlank)
                out += eol;
            out += s.header.empty() ? "[" + s.name + "]" : s.header;
            out += eol;
            lastBlank = false;
        }
        for (const Line& line : s.lines) {
            lastBlank = line.key.empty() && Trim(line.raw).empty();
            if (line.changed || line.raw.empty()) {
                if (!line.key.empty()) {
                    // Values with outer blanks or quotes are quoted so they read back the same.
                    const std::string& v = line.value;
                    const bool quote = !v.empty() && (IsBlank(v.front()) || IsBlank(v.back()) || v.front() == '"');
                    out += line.key + "=" + (quote ? "\"" + v + "\"" : v);
                }
            } else {
                out += line.raw;
            }
            out += eol;
        }
    }
    return out;
}

BOOL CIniStdioFile::WriteFile()
{
    if (!m_bOpen || !m_bWritable)
        return FALSE;
    const std::string text = Serialize();
    const CString temp = m_strPath + ".kxtmp";
    bool ok = false;
    {
        kx::unique_hfile file(::CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return FALSE;
        DWORD written = 0;
        ok = text.empty() || (::WriteFile(file.get(), text.data(), (DWORD)text.size(), &written, nullptr) && written == text.size());
    }   // closed before it replaces the file
    if (!ok || !::MoveFileExA(temp, m_strPath, MOVEFILE_REPLACE_EXISTING)) {
        ::DeleteFileA(temp);
        return FALSE;
    }
    m_bDirty = false;
    return TRUE;
}

BOOL CIniStdioFile::Flush()
{
    if (!m_bDirty)
        return TRUE;
    return WriteFile();
}

void CIniStdioFile::Close()
{
    if (m_bOpen)
        Flush();
    m_bOpen = FALSE;
    m_bWritable = FALSE;
    m_bDirty = false;
    m_sections.clear();
}

bool CIniStdioFile::SameName(const std::string& a, const char* b) const
{
    const CString sa(a);
    return (m_nMode & modeCaseSensitive) ? sa.Compare(b) == 0 : sa.CompareNoCase(b) == 0;
}

const CIniStdioFile::Line* CIniStdioFile::FindEntry(const char* pszSection, const char* pszKey) const
{
    if (!pszSection || !pszKey)
        return nullptr;
    for (const Section& s : m_sections) {
        if (!SameName(s.name, pszSection))
            continue;
        for (const Line& line : s.lines)
            if (!line.key.empty() && SameName(line.key, pszKey))
                return &line;
    }
    return nullptr;
}

CIniStdioFile::Line* CIniStdioFile::FindEntry(const char* pszSection, const char* pszKey)
{
    return const_cast<Line*>(static_cast<const CIniStdioFile*>(this)->FindEntry(pszSection, pszKey));
}

CString CIniStdioFile::GetValue(const char* pszSection, const char* pszKey, const char* pszDefault) const
{
    const Line* line = FindEntry(pszSection, pszKey);
    return line ? CString(line->value) : CString(pszDefault);
}

int CIniStdioFile::GetValueInt(const char* pszSection, const char* pszKey, int nDefault) const
{
    const Line* line = FindEntry(pszSection, pszKey);
    return line ? CStringEx(CString(line->value)).Int() : nDefault;
}

BOOL CIniStdioFile::IsSectionExist(const char* pszSection) const
{
    if (!pszSection)
        return FALSE;
    for (size_t i = 0; i < m_sections.size(); ++i)
        if (SameName(m_sections[i].name, pszSection)) {
            if (i > 0)
                return TRUE;
            for (const Line& line : m_sections[0].lines)
                if (!line.key.empty())
                    return TRUE;
        }
    return FALSE;
}

int CIniStdioFile::GetSectionNames(CStringArray& names) const
{
    names.RemoveAll();
    for (size_t i = 0; i < m_sections.size(); ++i) {
        const Section& s = m_sections[i];
        bool hasKeys = false;
        for (const Line& line : s.lines)
            hasKeys = hasKeys || !line.key.empty();
        if (i == 0 && !hasKeys)
            continue;
        bool seen = false;
        for (int k = 0; k < names.GetSize() && !seen; ++k)
            seen = SameName(s.name, names[k]);
        if (!seen)
            names.Add(CString(s.name));
    }
    return names.GetSize();
}

int CIniStdioFile::GetKeysInSection(const char* pszSection, CStringArray& keys) const
{
    keys.RemoveAll();
    if (!pszSection)
        return 0;
    for (const Section& s : m_sections) {
        if (!SameName(s.name, pszSection))
            continue;
        for (const Line& line : s.lines) {
            if (line.key.empty())
                continue;
            bool seen = false;
            for (int k = 0; k < keys.GetSize() && !seen; ++k)
                seen = SameName(line.key, keys[k]);
            if (!seen)
                keys.Add(CString(line.key));
        }
    }
    return keys.GetSize();
}

BOOL CIniStdioFile::SetValue(const char* pszSection, const char* pszKey, const char* pszValue)
{
    if (!m_bOpen || !m_bWritable || !pszSection || !pszKey)
        return FALSE;
    const std::string key = Trim(pszKey);
    const std::string value = pszValue ? pszValue : "";
    if (key.empty() || key[0] == '[' || key[0] == ';' || key[0] == '#' || !NameStorable(pszKey, false)
        || !NameStorable(pszSection, true))
        return FALSE;
    if (value.find_first_of("\r\n") != std::string::npos)
        return FALSE;

    if (Line* line = FindEntry(pszSection, key.c_str())) {
        if (line->value == value)
            return TRUE;
        line->value = value;
        line->changed = true;
    } else {
        Section* target = nullptr;
        for (Section& s : m_sections)
            if (SameName(s.name, pszSection)) {
                target = &s;
                break;
            }
        if (!target) {
            Section s;
            s.name = Trim(pszSection);
            m_sections.push_back(std::move(s));
            target = &m_sections.back();
        }
        // After the section's last entry, so comments and blank lines that close it stay last.
        size_t at = target->lines.size();
        while (at > 0 && target->lines[at - 1].key.empty())
            --at;
        Line entry;
        entry.key = key;
        entry.value = value;
        entry.changed = true;
        target->lines.insert(target->lines.begin() + (std::ptrdiff_t)at, std::move(entry));
    }
    m_bDirty = true;
    if (m_nMode & modeWriteThrough)
        return WriteFile();
    return TRUE;
}

BOOL CIniStdioFile::SetValueInt(const char* pszSection, const char* pszKey, int nValue)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", nValue);
    return SetValue(pszSection, pszKey, text);
}
