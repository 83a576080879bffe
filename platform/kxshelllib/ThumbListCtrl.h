// CThumbListCtrl: a list view of the pictures of a folder, one thumbnail each, with multiple
// selection.
//
// How to use it:
//   1) Create it in a parent (or attach it to a list view with SubclassDlgItem);
//   2) SetThumbSize if 96 x 96 does not suit, then LoadFolder(path);
//   3) walk the selection with GetSelectedItem(-1), GetSelectedItem(previous) ... until -1;
//   4) change an item's image through GetItemThumb(i)->m_pDib and call RedrawItems(i, i): the
//      thumbnail is remade from the image before the list repaints it.
#pragma once
#include "kxshelllib.h"
#include <afxcmn.h>
#include <Dib.h>
#include <kxraii.h>
#include <memory>
#include <vector>

// One picture of the list.
class KXSHELL_API CThumbItem
{
public:
    CThumbItem();
    ~CThumbItem();
    CThumbItem(const CThumbItem&) = delete;
    CThumbItem& operator=(const CThumbItem&) = delete;

    CString m_strPath;          // full path of the picture file
    int m_nFileWidth = 0;       // size of the picture in the file
    int m_nFileHeight = 0;
    // The picture the thumbnail shows: the file's picture reduced to fit the thumbnail (never
    // enlarged). Owned by the item; callers may change it in place and redraw the item.
    CDib* m_pDib;
    // A saved copy for callers that must be able to put the image back: null until a caller
    // stores a CDib made with new; from then on it belongs to the item, which deletes it.
    CDib* m_pSaveDib = nullptr;
    int m_nImage = -1;          // its thumbnail in the list's image list
};

class KXSHELL_API CThumbListCtrl : public CListCtrl
{
public:
// Construction
    CThumbListCtrl();
    ~CThumbListCtrl() override;
    // An icon view that keeps its selection shown and arranges itself; WS_CHILD is added.
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

// Attributes
    // Size of the thumbnails, before the first picture is added.
    void SetThumbSize(int cx, int cy);
    CSize GetThumbSize() const { return m_thumbSize; }
    // The next selected item after nStartAfter (-1 starts from the top), or -1.
    int GetSelectedItem(int nStartAfter = -1) const;
    // The item at nIndex, or null outside the list.
    CThumbItem* GetItemThumb(int nIndex) const;
    CImageList& GetThumbImages() { return m_images; }

// Operations
    // Replaces the items with the readable pictures of the folder (files Load cannot read are
    // left out), in name order. The pictures are decoded on the picture library's worker threads,
    // several at once. Returns the number of items.
    int LoadFolder(LPCSTR lpszFolder);
    // Adds one picture at the end; its index, or -1 when the file cannot be read.
    int AddPicture(LPCSTR lpszPath);
    void RemoveAll();
    // Remakes the thumbnails of the items nFirst..nLast from their images (RedrawItems does this
    // before it repaints them).
    void UpdateThumbs(int nFirst, int nLast);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool EnsureImageList();
    // A bitmap of the thumbnail size with the picture fitted and centred on the window colour.
    kx::unique_hbitmap MakeThumbBitmap(const CDib& dib) const;
    kx::unique_hbitmap CreateThumbBitmap() const;
    // Draws the thumbnail of the picture into the thumbnail-sized bitmap selected into hdc.
    void PaintThumb(HDC hdc, const CDib& dib) const;
    // Reads the picture of path into a new item at the thumbnail size; nullptr when unreadable.
    // Touches nothing of the list, so several may run at once.
    std::unique_ptr<CThumbItem> ReadThumb(const CString& path) const;
    // Puts a read item at the end of the list; its index, or -1.
    int InsertThumb(std::unique_ptr<CThumbItem> item);

    CImageList m_images;
    CSize m_thumbSize;
    std::vector<std::unique_ptr<CThumbItem>> m_items;
};
