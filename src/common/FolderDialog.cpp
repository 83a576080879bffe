#include "FolderDialog.h"
#include <kxraii.h>

namespace {

// Only file-system folders, and only file-system ancestors, may be chosen.
const UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;

} // namespace

CFolderDialog::CFolderDialog(const char* pszStartFolder, CWnd* pParentWnd, const char* pszRoot)
    : m_strRoot(pszRoot), m_strStartFolder(pszStartFolder)
{
    ZeroMemory(&m_bi, sizeof m_bi);
    m_bi.hwndOwner = CWnd::GetSafeHwnd(pParentWnd);
    m_bi.ulFlags = kBrowseFlags;
    m_bi.lpfn = &CFolderDialog::BrowseCallback;
    m_bi.lParam = reinterpret_cast<LPARAM>(this);
}

CFolderDialog::CFolderDialog(const CFolderDialog& other)
    : m_strTitle(other.m_strTitle), m_strFolder(other.m_strFolder), m_strRoot(other.m_strRoot),
      m_strStartFolder(other.m_strStartFolder), m_bi(other.m_bi)
{
    // The record's callback data names its own object: a copy must not call back into the
    // original, which may be gone by the time the copy browses.
    m_bi.lParam = reinterpret_cast<LPARAM>(this);
}

CFolderDialog& CFolderDialog::operator=(const CFolderDialog& other)
{
    if (this != &other) {
        m_strTitle = other.m_strTitle;
        m_strFolder = other.m_strFolder;
        m_strRoot = other.m_strRoot;
        m_strStartFolder = other.m_strStartFolder;
        m_bi = other.m_bi;
        m_bi.lParam = reinterpret_cast<LPARAM>(this);
    }
    return *this;
}

CFolderDialog::~CFolderDialog() = default;

int CFolderDialog::DoBrowse()
{
    kx::unique_pidl root;
    if (!m_strRoot.IsEmpty()) {
        kx::com_ptr<IShellFolder> desktop;
        if (FAILED(::SHGetDesktopFolder(desktop.put())) || !desktop)
            return 0;
        std::wstring wide = AfxToWide(m_strRoot);
        if (wide.empty())
            return 0;
        ULONG eaten = 0;
        if (FAILED(desktop->ParseDisplayName(m_bi.hwndOwner, nullptr, &wide[0], &eaten, root.put(), nullptr)) || !root)
            return 0;
    }

    // The shell writes the chosen folder's display name (one name, not a path) here.
    char displayName[MAX_PATH] = "";
    m_bi.pidlRoot = root.get();
    m_bi.pszDisplayName = displayName;
    m_bi.lpszTitle = m_strTitle;
    kx::unique_pidl chosen(::SHBrowseForFolderA(&m_bi));
    // The record keeps no pointer to what dies with this call.
    m_bi.pidlRoot = nullptr;
    m_bi.pszDisplayName = nullptr;
    m_bi.lpszTitle = nullptr;
    if (!chosen)
        return 0;
    // The path in a string of its own length: a folder deeper than MAX_PATH characters is still
    // a folder, and a path cut at that length would name another one.
    kx::unique_cotaskmem_string path;
    if (FAILED(::SHGetNameFromIDList(chosen.get(), SIGDN_FILESYSPATH, path.put())) || !path)
        return 0;
    bool lost = false;
    const CString folder = AfxFromWide(path.get(), -1, &lost);
    // A name the code page cannot spell would come back as another folder's path.
    if (lost || folder.IsEmpty())
        return 0;
    m_strFolder = folder;
    return 1;
}

int CALLBACK CFolderDialog::BrowseCallback(HWND hWnd, UINT uMsg, LPARAM, LPARAM lpData)
{
    const CFolderDialog* self = reinterpret_cast<const CFolderDialog*>(lpData);
    if (uMsg == BFFM_INITIALIZED && self && !self->m_strStartFolder.IsEmpty()) {
        const LPARAM path = reinterpret_cast<LPARAM>(self->m_strStartFolder.GetString());
        ::SendMessageA(hWnd, BFFM_SETSELECTIONA, TRUE, path);
        // Some shells (Wine's, the first time in a process) drop a selection made while the tree
        // is still being built; the repeat arrives once the browser's own loop runs, before any
        // user input, and the object outlives the browse.
        ::PostMessageA(hWnd, BFFM_SETSELECTIONA, TRUE, path);
    }
    return 0;
}
