#include "afxdlgs.h"
#include <cstring>

namespace {
// White until the user defines colours of their own, as the system's dialog starts.
COLORREF g_customColors[16] = {
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
};
} // namespace

CColorDialog::CColorDialog(COLORREF clrInit, DWORD dwFlags, CWnd* pParentWnd) : m_pParentWnd(pParentWnd)
{
    std::memset(&m_cc, 0, sizeof m_cc);
    m_cc.lStructSize = sizeof m_cc;
    m_cc.lpCustColors = g_customColors;
    // Only the red, green and blue bytes make a colour the dialog can show.
    m_cc.rgbResult = clrInit & 0x00FFFFFF;
    m_cc.Flags = dwFlags | CC_RGBINIT;
}

COLORREF* CColorDialog::GetSavedCustomColors() { return g_customColors; }

INT_PTR CColorDialog::DoModal()
{
    m_cc.hwndOwner = m_pParentWnd ? CWnd::GetSafeHwnd(m_pParentWnd) : ::GetActiveWindow();
    const COLORREF start = m_cc.rgbResult;
    if (::ChooseColorA(&m_cc))
        return IDOK;
    m_cc.rgbResult = start;
    return IDCANCEL;
}
