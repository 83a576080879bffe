#include "ExpandDialog.h"
#include <algorithm>

CExpandDialog::CExpandDialog(UINT nIDTemplate, CWnd* pParent)
    : CDialog(nIDTemplate, pParent), m_strReducedText("<<"), m_strExpandedText(">>")
{
}

CExpandDialog::CExpandDialog(UINT nIDTemplate, int nMarkerID, int nButtonID, LPCSTR lpszReducedText,
                             LPCSTR lpszExpandedText, CWnd* pParent, BOOL bButtonStaysUsable)
    : CDialog(nIDTemplate, pParent), m_strReducedText(lpszReducedText ? lpszReducedText : ""),
      m_strExpandedText(lpszExpandedText ? lpszExpandedText : ""), m_nMarkerID(nMarkerID), m_nButtonID(nButtonID),
      m_bButtonStaysUsable(bButtonStaysUsable)
{
}

BOOL CExpandDialog::OnDialogExpanding(BOOL) { return TRUE; }

void CExpandDialog::OnDialogExpanded(BOOL) {}

BOOL CExpandDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bExpanded = TRUE;
    m_disabled.clear();
    ExpandBox(FALSE);
    return TRUE;
}

void CExpandDialog::ExpandBox(BOOL bExpand)
{
    bExpand = bExpand != FALSE;
    if (bExpand == m_bExpanded)
        return;
    HWND hButton = m_nButtonID ? ::GetDlgItem(m_hWnd, m_nButtonID) : nullptr;
    HWND hMarker = m_nMarkerID ? ::GetDlgItem(m_hWnd, m_nMarkerID) : nullptr;
    if (!hButton || !hMarker)
        return;

    CRect marker, dialog;
    ::GetWindowRect(hMarker, &marker);
    GetWindowRect(&dialog);
    if (bExpand) {
        for (HWND h : m_disabled)
            if (::IsWindow(h) && ::GetParent(h) == m_hWnd)
                ::EnableWindow(h, TRUE);
        m_disabled.clear();
    } else {
        for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
            CRect child, common;
            ::GetWindowRect(h, &child);
            // The button itself stays usable wherever it lies: it is the way back.
            if (h != hButton && !common.IntersectRect(&child, &marker) && ::IsWindowEnabled(h)) {
                ::EnableWindow(h, FALSE);
                m_disabled.push_back(h);
            }
        }
    }

    if (bExpand) {
        SetWindowPos(nullptr, 0, 0, m_sizeFull.cx, m_sizeFull.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        // Grown near an edge of the screen, the dialog moves back inside it.
        SendMessage(DM_REPOSITION);
        KeepInsideWorkArea();
        if (m_bButtonStaysUsable)
            ::SetWindowTextA(hButton, m_strExpandedText);
        else
            ::EnableWindow(hButton, FALSE);
        m_bExpanded = TRUE;
    } else {
        m_sizeFull = CSize(dialog.Width(), dialog.Height());
        ::ShowWindow(hMarker, SW_HIDE);
        SetWindowPos(nullptr, 0, 0, marker.right - dialog.left, marker.bottom - dialog.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::SetWindowTextA(hButton, m_strReducedText);
        m_bExpanded = FALSE;
    }
}

void CExpandDialog::KeepInsideWorkArea()
{
    // Not every platform's dialogs act on DM_REPOSITION (Wine's leave the window where it is):
    // the same move, done here when the window still reaches past its monitor's work area.
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoA(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &info))
        return;
    const CRect work = info.rcWork;
    CRect r;
    GetWindowRect(&r);
    int x = r.left, y = r.top;
    if (r.right > work.right)
        x -= r.right - work.right;
    if (r.bottom > work.bottom)
        y -= r.bottom - work.bottom;
    x = std::max(x, (int)work.left);
    y = std::max(y, (int)work.top);
    if (x != r.left || y != r.top)
        SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CExpandDialog::Expand(BOOL bExpand)
{
    bExpand = bExpand != FALSE;
    if (bExpand == m_bExpanded)
        return TRUE;
    if (!OnDialogExpanding(m_bExpanded))
        return FALSE;
    ExpandBox(bExpand);
    if (HWND hButton = m_nButtonID ? ::GetDlgItem(m_hWnd, m_nButtonID) : nullptr) {
        if (HWND hNext = ::GetNextDlgTabItem(m_hWnd, hButton, FALSE))
            ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hNext), TRUE);
    }
    OnDialogExpanded(m_bExpanded);
    return m_bExpanded == bExpand;
}

BOOL CExpandDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (m_nButtonID != 0 && LOWORD(wParam) == m_nButtonID && HIWORD(wParam) == 0)
        Expand(!m_bExpanded);
    return CDialog::OnCommand(wParam, lParam);
}
