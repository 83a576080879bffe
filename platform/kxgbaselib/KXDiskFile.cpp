#include "KXDiskFile.h"

namespace {

// Position just after the last folder separator or drive colon, found character by character
// so that a second byte of a double-byte character is never taken for a "\".
int NameStart(const CString& path)
{
    const unsigned char* s = reinterpret_cast<const unsigned char*>(path.GetString());
    int start = 0;
    for (int i = 0; s[i]; ) {
        if (::IsDBCSLeadByte(s[i]) && s[i + 1]) {
            i += 2;
            continue;
        }
        if (s[i] == '\\' || s[i] == '/' || (s[i] == ':' && i == 1))
            start = i + 1;
        ++i;
    }
    return start;
}

// Position of the name's last dot, or -1.
int LastDot(const CString& name)
{
    const unsigned char* s = reinterpret_cast<const unsigned char*>(name.GetString());
    int dot = -1;
    for (int i = 0; s[i]; ) {
        if (::IsDBCSLeadByte(s[i]) && s[i + 1]) {
            i += 2;
            continue;
        }
        if (s[i] == '.')
            dot = i;
        ++i;
    }
    return dot;
}

// Whether the text ends in "\" or "/", read character by character (a bare "C:" does not: it
// becomes the drive's root folder).
bool EndsWithSeparator(const CString& path)
{
    const int n = path.GetLength();
    return n > 0 && NameStart(path) == n && path[n - 1] != ':';
}

} // namespace

CKXDiskFile::CKXDiskFile(const char* pszPathName) { SetPathName(pszPathName); }

void CKXDiskFile::SetPathName(const char* pszPathName)
{
    const CString path(pszPathName);
    const int start = NameStart(path);
    m_strFolder = path.Left(start);
    m_strName = path.Mid(start);
}

void CKXDiskFile::SetPath(const char* pszFolder)
{
    CString folder(pszFolder);
    folder.TrimLeft();
    folder.TrimRight();
    if (!folder.IsEmpty() && !EndsWithSeparator(folder))
        folder += '\\';
    m_strFolder = folder;
}

void CKXDiskFile::SetFileName(const char* pszFileName)
{
    SetPathName(m_strFolder + CString(pszFileName));
}

CString CKXDiskFile::GetTitle() const
{
    const int dot = LastDot(m_strName);
    return dot < 0 ? m_strName : m_strName.Left(dot);
}

CString CKXDiskFile::GetExtension() const
{
    const int dot = LastDot(m_strName);
    return dot < 0 ? CString() : m_strName.Mid(dot + 1);
}

BOOL CKXDiskFile::Exist() const
{
    const CString path = GetPathName();
    if (path.IsEmpty())
        return FALSE;
    const DWORD attr = ::GetFileAttributesA(path);
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

CString GetExecutableFolder()
{
    return CKXDiskFile(AfxGetModuleFileName(nullptr)).GetPath();
}

CString GetFileBesideExecutable(const char* pszFileName)
{
    CKXDiskFile file(AfxGetModuleFileName(nullptr));
    file.SetFileName(pszFileName);
    return file.GetPathName();
}

BOOL CKXDiskFile::IsFolder(const char* pszPath)
{
    const DWORD attributes = pszPath && *pszPath ? ::GetFileAttributesA(pszPath) : INVALID_FILE_ATTRIBUTES;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? TRUE : FALSE;
}
