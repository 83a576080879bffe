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
    m_bi.hwndOwner = pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr;
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
        WCHAR wide[MAX_PATH] = L"";
        if (!::MultiByteToWideChar(CP_ACP, 0, m_strRoot, -1, wide, MAX_PATH))
            return 0;
        ULONG eaten = 0;
        if (FAILED(desktop->ParseDisplayName(m_bi.hwndOwner, nullptr, wide, &eaten, root.put(), nullptr)) || !root)
            return 0;
    }

    char buffer[MAX_PATH] = "";
    m_bi.pidlRoot = root.get();
    m_bi.pszDisplayName = buffer;
    m_bi.lpszTitle = m_strTitle;
    kx::unique_pidl chosen(::SHBrowseForFolderA(&m_bi));
    // The record keeps no pointer to what dies with this call.
    m_bi.pidlRoot = nullptr;
    m_bi.pszDisplayName = nullptr;
    m_bi.lpszTitle = nullptr;
    if (!chosen)
        return 0;
    if (!::SHGetPathFromIDListA(chosen.get(), buffer))
        return 0;
    m_strFolder = buffer;
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
