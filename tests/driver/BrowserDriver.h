// Driving the shell's folder browser, a dialog of this thread with a folder tree.
#pragma once
#include <UiDriver.h>
#include <commctrl.h>
#include <shlobj.h>
#include <memory>

// The browser when it is the dialog the user works in, else null.
inline HWND ActiveFolderBrowser()
{
    HWND h = ActiveDialogWindow();
    return h && ::FindWindowExA(h, nullptr, WC_TREEVIEWA, nullptr) ? h : nullptr;
}

inline CString TreeItemText(HWND browser, UINT which)
{
    HWND tree = ::FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
    char text[MAX_PATH] = "";
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = (HTREEITEM)::SendMessageA(tree, TVM_GETNEXTITEM, which, 0);
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (item.hItem)
        ::SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&item);
    return text;
}

// Whether one of the browser's labels shows this text.
inline bool BrowserShows(HWND browser, const char* text)
{
    for (HWND h = ::GetWindow(browser, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        char buf[512] = "";
        ::GetWindowTextA(h, buf, sizeof buf);
        if (strcmp(buf, text) == 0)
            return true;
    }
    return false;
}

// Waits for the browser and its selection, lets the check look at it, then presses one of its
// buttons. With caret set, the user waits until the tree shows that folder selected: the shell
// may select the root first and the start folder only once the tree is built, which under load
// takes many ticks.
inline UiScript& OnFolderBrowser(UiScript& script, std::function<void(HWND)> check, int button,
                                 const char* caret = nullptr)
{
    return script.Until(caret ? caret : "folder browser", [check, button, caret] {
        HWND h = ActiveFolderBrowser();
        // The user acts once the tree shows a selected folder.
        const CString selected = h ? TreeItemText(h, TVGN_CARET) : CString();
        if (selected.IsEmpty() || (caret && selected != caret))
            return false;
        if (check)
            check(h);
        ::PostMessageA(::GetDlgItem(h, button), BM_CLICK, 0, 0);
        return true;
    });
}

// Picks a folder in the browser by its path, as a user's clicks in the tree do, and waits until
// the tree shows it selected. The request is repeated only now and then: each one expands the
// tree anew, and one every tick would keep a loaded machine from ever finishing the first.
inline UiScript& PickInFolderBrowser(UiScript& script, const CString& path, const char* name)
{
    auto lastAsked = std::make_shared<DWORD>(0);
    return script.Until(name, [path, name, lastAsked] {
        HWND h = ActiveFolderBrowser();
        if (!h)
            return false;
        if (TreeItemText(h, TVGN_CARET) == name)
            return true;
        if (*lastAsked == 0 || ::GetTickCount() - *lastAsked > 1000) {
            ::SendMessageA(h, BFFM_SETSELECTIONA, TRUE, (LPARAM)path.GetString());
            *lastAsked = ::GetTickCount();
        }
        return false;
    });
}
