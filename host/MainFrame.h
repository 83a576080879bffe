// The demo host's main window: the pictures of a folder, the selected one shown large, and a menu
// entry for every dialog of the library.
#pragma once
#include <afxwin.h>
#include "Dib.h"
#include "ThumbListCtrl.h"

class CMainFrame : public CWnd
{
public:
    CMainFrame() = default;
    // The menu bar holds the host's own "文件" popup and the popups the subsystems registered.
    BOOL Create(const char* pictureFolder);

    // The folder's pictures, the selected one's path and its image as the dialogs get them.
    void OpenFolder(const char* folder);
    const CString& GetFolder() const { return m_folder; }
    CString SelectedPath() const;
    CDib* SelectedDib() { return m_picture.IsValid() ? &m_picture : nullptr; }
    // The shown picture itself, valid or not, for commands that change or save it.
    CDib& Picture() { return m_picture; }
    CThumbListCtrl& Thumbs() { return m_thumbs; }
    void SelectPicture(int index);
    // The selected picture was changed by a dialog: redraw it and remake its thumbnail.
    void PictureChanged();
    // The outcome of the last dialog, shown under the picture.
    void SetStatus(const CString& text);

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnSize(UINT nType, int cx, int cy);
    void OnFileOpenFolder();
    void OnFileExit();
    void OnThumbChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void PostNcDestroy() override;
    DECLARE_MESSAGE_MAP()

private:
    CRect PictureArea() const;

    CString m_folder;
    CThumbListCtrl m_thumbs;
    int m_selected = -1;
    CDib m_picture;
    CString m_status;
};
