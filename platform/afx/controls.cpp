#include "afximpl.h"

void CEdit::SetSel(int nStart, int nEnd, BOOL bNoScroll)
{
    SendMessage(EM_SETSEL, (WPARAM)nStart, (LPARAM)nEnd);
    if (!bNoScroll)
        SendMessage(EM_SCROLLCARET);
}

void CEdit::GetSel(int& nStart, int& nEnd) const
{
    DWORD s = 0, e = 0;
    SendMessage(EM_GETSEL, (WPARAM)&s, (LPARAM)&e);
    nStart = (int)s;
    nEnd = (int)e;
}

void CComboBox::GetLBText(int nIndex, CString& rString) const
{
    const int n = GetLBTextLen(nIndex);
    if (n < 0) {
        rString.Empty();
        return;
    }
    GetLBText(nIndex, rString.GetBufferSetLength(n + 1));
    rString.ReleaseBuffer();
}

void CComboBox::DrawItem(LPDRAWITEMSTRUCT) {}
void CComboBox::MeasureItem(LPMEASUREITEMSTRUCT) {}

BOOL CComboBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    // Owner-drawn combo boxes draw and measure their own items.
    switch (message) {
    case WM_DRAWITEM:
        DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        break;
    case WM_MEASUREITEM:
        MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
        break;
    default:
        return CWnd::OnChildNotify(message, wParam, lParam, pResult);
    }
    if (pResult)
        *pResult = TRUE;
    return TRUE;
}

void CListBox::GetText(int nIndex, CString& rString) const
{
    const int n = (int)SendMessage(LB_GETTEXTLEN, (WPARAM)nIndex);
    if (n < 0) {
        rString.Empty();
        return;
    }
    SendMessage(LB_GETTEXT, (WPARAM)nIndex, (LPARAM)rString.GetBufferSetLength(n + 1));
    rString.ReleaseBuffer();
}
