#include "afximpl.h"
#include <vector>
#include "afxcmn.h"

// ---------------------------------------------------------------------------------------------
// CImageList

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow)
{
    DeleteImageList();
    m_hImageList = ImageList_Create(cx, cy, nFlags, nInitial, nGrow);
    return m_hImageList != nullptr;
}

BOOL CImageList::Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask)
{
    DeleteImageList();
    LPCSTR name = MAKEINTRESOURCEA(nBitmapID);
    m_hImageList = ImageList_LoadImageA(AfxFindResourceHandle(name, RT_BITMAP), name, cx, nGrow, crMask,
                                        IMAGE_BITMAP, LR_CREATEDIBSECTION);
    return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList()
{
    if (!m_hImageList)
        return FALSE;
    const BOOL ok = ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return ok;
}

// ---------------------------------------------------------------------------------------------
// CListCtrl

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    INITCOMMONCONTROLSEX icc = { sizeof icc, ICC_LISTVIEW_CLASSES };
    ::InitCommonControlsEx(&icc);
    return CreateEx(0, WC_LISTVIEWA, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask)
{
    LVITEMA item{};
    item.state = nState;
    item.stateMask = nMask;
    return (BOOL)SendMessage(LVM_SETITEMSTATE, (WPARAM)nItem, (LPARAM)&item);
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const
{
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    return SendMessage(LVM_GETITEMA, 0, (LPARAM)&item) ? (DWORD_PTR)item.lParam : 0;
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData)
{
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    item.lParam = (LPARAM)dwData;
    return (BOOL)SendMessage(LVM_SETITEMA, 0, (LPARAM)&item);
}

CString CListCtrl::GetItemText(int nItem, int nSubItem) const
{
    // The list tells no length: a text that fills the buffer but for its zero may have been cut,
    // so the buffer grows until the text leaves room to spare.
    std::vector<char> text(MAX_PATH);
    for (;;) {
        LVITEMA item{};
        item.iSubItem = nSubItem;
        item.pszText = text.data();
        item.cchTextMax = (int)text.size();
        const int n = (int)SendMessage(LVM_GETITEMTEXTA, (WPARAM)nItem, (LPARAM)&item);
        // A megabyte is far beyond any name a list shows; it only keeps a broken control from
        // making the loop endless.
        if (n < (int)text.size() - 1 || text.size() >= (1u << 20))
            return CString(item.pszText, n);
        text.resize(text.size() * 4);
    }
}

int CListCtrl::InsertItem(int nItem, LPCSTR lpszItem, int nImage)
{
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = nItem;
    item.pszText = const_cast<LPSTR>(lpszItem);
    item.iImage = nImage;
    return InsertItem(&item);
}


void DDX_Slider(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = (int)::SendMessageA(hCtrl, TBM_GETPOS, 0, 0);
    else
        ::SendMessageA(hCtrl, TBM_SETPOS, TRUE, (LPARAM)value);
}
