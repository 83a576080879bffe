// Common controls of the framework: image lists and list views, thin wrappers as in MFC.
#pragma once
#include "afxwin.h"
#include <commctrl.h>

// An image list owned by its wrapper; ImageList_Destroy runs in the destructor.
class AFX_API CImageList
{
public:
// Construction
    CImageList() = default;
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;
    ~CImageList() { DeleteImageList(); }
    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    // From a bitmap resource (found through the resource chain), cut into images cx wide, with
    // crMask as the transparent colour.
    BOOL Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask);
    BOOL DeleteImageList();

// Attributes
    HIMAGELIST m_hImageList = nullptr;
    operator HIMAGELIST() const { return m_hImageList; }
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }

// Operations
    // The bitmaps are copied; they stay the caller's.
    int Add(HBITMAP hbmImage, HBITMAP hbmMask = nullptr) { return ImageList_Add(m_hImageList, hbmImage, hbmMask); }
    int Add(HBITMAP hbmImage, COLORREF crMask) { return ImageList_AddMasked(m_hImageList, hbmImage, crMask); }
    BOOL Replace(int nImage, HBITMAP hbmImage, HBITMAP hbmMask = nullptr)
    { return ImageList_Replace(m_hImageList, nImage, hbmImage, hbmMask); }
    BOOL Remove(int nImage) { return ImageList_Remove(m_hImageList, nImage); }
    BOOL Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle)
    { return ImageList_Draw(m_hImageList, nImage, pDC->m_hDC, pt.x, pt.y, nStyle); }
};

class AFX_API CListCtrl : public CWnd
{
public:
// Construction
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

// Attributes
    int GetItemCount() const { return (int)SendMessage(LVM_GETITEMCOUNT); }
    UINT GetSelectedCount() const { return (UINT)SendMessage(LVM_GETSELECTEDCOUNT); }
    int GetNextItem(int nItem, int nFlags) const { return (int)SendMessage(LVM_GETNEXTITEM, (WPARAM)nItem, MAKELPARAM(nFlags, 0)); }
    UINT GetItemState(int nItem, UINT nMask) const { return (UINT)SendMessage(LVM_GETITEMSTATE, (WPARAM)nItem, (LPARAM)nMask); }
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    DWORD_PTR GetItemData(int nItem) const;
    BOOL SetItemData(int nItem, DWORD_PTR dwData);
    CString GetItemText(int nItem, int nSubItem) const;
    HIMAGELIST SetImageList(CImageList* pImageList, int nImageListType)
    { return (HIMAGELIST)SendMessage(LVM_SETIMAGELIST, (WPARAM)nImageListType, (LPARAM)(pImageList ? pImageList->m_hImageList : nullptr)); }
    CSize SetIconSpacing(int cx, int cy)
    { DWORD r = (DWORD)SendMessage(LVM_SETICONSPACING, 0, MAKELPARAM(cx, cy)); return CSize(LOWORD(r), HIWORD(r)); }

// Operations
    int InsertItem(const LVITEMA* pItem) { return (int)SendMessage(LVM_INSERTITEMA, 0, (LPARAM)pItem); }
    int InsertItem(int nItem, LPCSTR lpszItem, int nImage);
    BOOL DeleteItem(int nItem) { return (BOOL)SendMessage(LVM_DELETEITEM, (WPARAM)nItem); }
    BOOL DeleteAllItems() { return (BOOL)SendMessage(LVM_DELETEALLITEMS); }
    BOOL RedrawItems(int nFirst, int nLast) { return (BOOL)SendMessage(LVM_REDRAWITEMS, (WPARAM)nFirst, (LPARAM)nLast); }
    BOOL EnsureVisible(int nItem, BOOL bPartialOK) { return (BOOL)SendMessage(LVM_ENSUREVISIBLE, (WPARAM)nItem, bPartialOK); }
    BOOL Arrange(UINT nCode) { return (BOOL)SendMessage(LVM_ARRANGE, (WPARAM)nCode); }
};

class AFX_API CSpinButtonCtrl : public CWnd
{
public:
    void SetRange(int nLower, int nUpper) { SendMessage(UDM_SETRANGE32, (WPARAM)nLower, (LPARAM)nUpper); }
    void SetRange32(int nLower, int nUpper) { SetRange(nLower, nUpper); }
    void GetRange32(int& nLower, int& nUpper) const
    { SendMessage(UDM_GETRANGE32, (WPARAM)&nLower, (LPARAM)&nUpper); }
    int SetPos(int nPos) { return (int)SendMessage(UDM_SETPOS32, 0, (LPARAM)nPos); }
    int GetPos() const { return (int)SendMessage(UDM_GETPOS32, 0, 0); }
    CWnd* SetBuddy(CWnd* pWndBuddy) { return FromHandle((HWND)SendMessage(UDM_SETBUDDY, (WPARAM)GetSafeHwnd(pWndBuddy))); }
    CWnd* GetBuddy() const { return FromHandle((HWND)SendMessage(UDM_GETBUDDY)); }
};

class AFX_API CProgressCtrl : public CWnd
{
public:
    void SetRange(short nLower, short nUpper) { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(nLower, nUpper)); }
    void SetRange32(int nLower, int nUpper) { SendMessage(PBM_SETRANGE32, (WPARAM)nLower, (LPARAM)nUpper); }
    void GetRange(int& nLower, int& nUpper) const
    {
        PBRANGE range = {};
        SendMessage(PBM_GETRANGE, FALSE, (LPARAM)&range);
        nLower = range.iLow;
        nUpper = range.iHigh;
    }
    int GetPos() const { return (int)SendMessage(PBM_GETPOS); }
    // Returns the previous position; the control keeps the position within its range.
    int SetPos(int nPos) { return (int)SendMessage(PBM_SETPOS, (WPARAM)nPos); }
    int OffsetPos(int nPos) { return (int)SendMessage(PBM_DELTAPOS, (WPARAM)nPos); }
    int SetStep(int nStep) { return (int)SendMessage(PBM_SETSTEP, (WPARAM)nStep); }
    int StepIt() { return (int)SendMessage(PBM_STEPIT); }
};

class AFX_API CSliderCtrl : public CWnd
{
public:
    int GetPos() const { return (int)SendMessage(TBM_GETPOS); }
    void SetPos(int nPos) { SendMessage(TBM_SETPOS, TRUE, (LPARAM)nPos); }
    int GetRangeMin() const { return (int)SendMessage(TBM_GETRANGEMIN); }
    int GetRangeMax() const { return (int)SendMessage(TBM_GETRANGEMAX); }
    void GetRange(int& nMin, int& nMax) const { nMin = GetRangeMin(); nMax = GetRangeMax(); }
    void SetRangeMin(int nMin, BOOL bRedraw = FALSE) { SendMessage(TBM_SETRANGEMIN, bRedraw, (LPARAM)nMin); }
    void SetRangeMax(int nMax, BOOL bRedraw = FALSE) { SendMessage(TBM_SETRANGEMAX, bRedraw, (LPARAM)nMax); }
    void SetRange(int nMin, int nMax, BOOL bRedraw = FALSE) { SetRangeMin(nMin, FALSE); SetRangeMax(nMax, bRedraw); }
    void SetTicFreq(int nFreq) { SendMessage(TBM_SETTICFREQ, (WPARAM)nFreq); }
    void SetPageSize(int nSize) { SendMessage(TBM_SETPAGESIZE, 0, (LPARAM)nSize); }
    void SetLineSize(int nSize) { SendMessage(TBM_SETLINESIZE, 0, (LPARAM)nSize); }
};

// The position of a slider control.
AFX_API void DDX_Slider(CDataExchange* pDX, int nIDC, int& value);
