// Common controls of the framework: thin wrappers, one method per control message.
#pragma once
#include "afxwin.h"

class AFX_API CSpinButtonCtrl : public CWnd
{
public:
    void SetRange(int nLower, int nUpper) { SendMessage(UDM_SETRANGE32, (WPARAM)nLower, (LPARAM)nUpper); }
    void SetRange32(int nLower, int nUpper) { SetRange(nLower, nUpper); }
    void GetRange32(int& nLower, int& nUpper) const
    { SendMessage(UDM_GETRANGE32, (WPARAM)&nLower, (LPARAM)&nUpper); }
    int SetPos(int nPos) { return (int)SendMessage(UDM_SETPOS32, 0, (LPARAM)nPos); }
    int GetPos() const { return (int)SendMessage(UDM_GETPOS32, 0, 0); }
    CWnd* SetBuddy(CWnd* pWndBuddy) { return FromHandle((HWND)SendMessage(UDM_SETBUDDY, (WPARAM)pWndBuddy->GetSafeHwnd())); }
    CWnd* GetBuddy() const { return FromHandle((HWND)SendMessage(UDM_GETBUDDY)); }
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
