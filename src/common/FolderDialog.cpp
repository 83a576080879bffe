#include "FolderDialog.h"

namespace {

// Only file-system folders, and only file-system ancestors, may be chosen.
const UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;

// An item list allocated by the shell, freed with the shell's allocator.
class CShellItem
{
public:
    explicit CShellItem(IMalloc* pMalloc) : m_pMalloc(pMalloc) {}
    ~CShellItem() { if (m_pidl) m_pMalloc->Free(m_pidl); }
    CShellItem(const CShellItem&) = delete;
    CShellItem& operator=(const CShellItem&) = delete;
    LPITEMIDLIST* operator&() { return &m_pidl; }
    void Reset(LPITEMIDLIST pidl) { if (m_pidl) m_pMalloc->Free(m_pidl); m_pidl = pidl; }
    LPITEMIDLIST Get() const { return m_pidl; }
private:
    IMalloc* m_pMalloc;
    LPITEMIDLIST m_pidl = nullptr;
};

// A COM interface pointer released when it goes out of scope.
template <class T> class CComRef
{
public:
    CComRef() = default;
    ~CComRef() { if (m_p) m_p->Release(); }
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;
    T** operator&() { return &m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T* Get() const { return m_p; }
private:
    T* m_p = nullptr;
};

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
    CComRef<IMalloc> malloc;
    if (FAILED(::SHGetMalloc(&malloc)) || !malloc)
        return 0;

    CShellItem root(malloc.Get());
    if (!m_strRoot.IsEmpty()) {
        CComRef<IShellFolder> desktop;
        if (FAILED(::SHGetDesktopFolder(&desktop)) || !desktop)
            return 0;
        WCHAR wide[MAX_PATH] = L"";
        if (!::MultiByteToWideChar(CP_ACP, 0, m_strRoot, -1, wide, MAX_PATH))
            return 0;
        ULONG eaten = 0;
        if (FAILED(desktop->ParseDisplayName(m_bi.hwndOwner, nullptr, wide, &eaten, &root, nullptr)) || !root.Get())
            return 0;
    }

    char buffer[MAX_PATH] = "";
    m_bi.pidlRoot = root.Get();
    m_bi.pszDisplayName = buffer;
    m_bi.lpszTitle = m_strTitle;
    CShellItem chosen(malloc.Get());
    chosen.Reset(::SHBrowseForFolderA(&m_bi));
    // The record keeps no pointer to what dies with this call.
    m_bi.pidlRoot = nullptr;
    m_bi.pszDisplayName = nullptr;
    m_bi.lpszTitle = nullptr;
    if (!chosen.Get())
        return 0;
    if (!::SHGetPathFromIDListA(chosen.Get(), buffer))
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
