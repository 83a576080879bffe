// Driving the shell's folder browser, a dialog of this thread with a folder tree.
#pragma once
#include <UiDriver.h>
#include <commctrl.h>
#include <shlobj.h>

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

// Waits for the browser and its selection, lets the check look at it, then presses one of its buttons.
inline UiScript& OnFolderBrowser(UiScript& script, std::function<void(HWND)> check, int button)
{
    return script.Until("folder browser", [check, button] {
        HWND h = ActiveFolderBrowser();
        // The user acts once the tree shows a selected folder.
        if (!h || TreeItemText(h, TVGN_CARET).IsEmpty())
            return false;
        if (check)
            check(h);
        ::PostMessageA(::GetDlgItem(h, button), BM_CLICK, 0, 0);
        return true;
    });
}
