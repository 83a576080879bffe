// CFolderDialog: the shell's folder browser, opened on a start folder and optionally below a
// root folder; only file-system folders can be chosen.
//
//   CFolderDialog dlg(m_strFolder, this, nullptr);
//   dlg.m_strTitle = "...";                      // text above the tree, before DoBrowse
//   if (dlg.DoBrowse())
//       m_strFolder = dlg.GetFolder();           // as the shell gives it: no trailing "\"
//                                                // except for a drive's root ("C:\")
#pragma once
#include "module/kxcomdlglib.h"
#include <shlobj.h>

class KXCOMDLG_API CFolderDialog
{
public:
// Construction
    // pszStartFolder: selected when the browser opens (empty or null: none). pszRoot: the top of
    // the tree (empty or null: the shell's own, the desktop).
    explicit CFolderDialog(const char* pszStartFolder = nullptr, CWnd* pParentWnd = nullptr,
                           const char* pszRoot = nullptr);
    CFolderDialog(const CFolderDialog& other);
    CFolderDialog& operator=(const CFolderDialog& other);
    virtual ~CFolderDialog();

// Attributes
    CString m_strTitle;           // text shown above the folder tree; set before DoBrowse
    const CString& GetFolder() const { return m_strFolder; }

// Operations
    // 1 when a folder was chosen (its path is then GetFolder()), 0 when the user cancelled, the
    // choice is not a file-system folder or the root cannot be found.
    int DoBrowse();

    static int CALLBACK BrowseCallback(HWND hWnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

private:
    CString m_strFolder;          // the chosen folder after a successful DoBrowse
    CString m_strRoot;
    CString m_strStartFolder;
    BROWSEINFOA m_bi;             // owner, flags, callback; the item pointers are set per browse
};
