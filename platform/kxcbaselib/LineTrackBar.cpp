#include "LineTrackBar.h"
#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

// Length of the thumb along the axis; the thumb's centre travels between half a thumb from
// either end, so the whole thumb stays visible at both ends of the range.
const int kThumbLength = 9;
const int kGrooveThickness = 4;

// True when the text is exactly one decimal integer (blanks around it allowed) equal to value:
// then the buddy already shows the position and is left alone, whatever its spelling ("05").
bool TextShowsValue(const char* text, int value)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return false;
    long long n = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        n = n * 10 + (*p - '0');
        if (n > 0x7FFFFFFFLL + 1)
            return false;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return *p == '\0' && (negative ? -n : n) == value;
}

} // namespace

BEGIN_MESSAGE_MAP(CLineTrackBar, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_MESSAGE(WM_CAPTURECHANGED, OnCaptureChanged)
    ON_WM_KEYDOWN()
    ON_WM_KEYUP()
    ON_WM_GETDLGCODE()
    ON_WM_SETFOCUS()
    ON_WM_KILLFOCUS()
    ON_MESSAGE(WM_ENABLE, OnEnable)
END_MESSAGE_MAP()

CLineTrackBar::CLineTrackBar() = default;
CLineTrackBar::~CLineTrackBar() = default;

// ---------------------------------------------------------------------------------------------
// Operations

BOOL CLineTrackBar::InitControl(UINT nBuddyID, int bVertical, int nMin, int nPos, int nMax,
                                int nLineSize, int bTrackNotify, int nPageSize)
{
    m_nBuddyID = nBuddyID;
    m_bVertical = bVertical != 0;
    m_bTrackNotify = bTrackNotify != 0;
    m_nLineSize = std::max(1, nLineSize);
    SetRange(nMin, nMax, FALSE);
    m_nPageSize = nPageSize > 0 ? nPageSize
                                : std::max(m_nLineSize, (int)(((long long)m_nMax - m_nMin) / 10));
    m_nPos = std::clamp(nPos, m_nMin, m_nMax);
    if (!m_hWnd)
        return FALSE;
    UpdateBuddy();
    Invalidate(FALSE);
    return TRUE;
}

void CLineTrackBar::SetRange(int nMin, int nMax, BOOL bRedraw)
{
    if (nMin > nMax)
        std::swap(nMin, nMax);
    m_nMin = nMin;
    m_nMax = nMax;
    m_nPos = std::clamp(m_nPos, m_nMin, m_nMax);
    if (bRedraw && m_hWnd)
        Invalidate(FALSE);
}

void CLineTrackBar::SetPos(int nPos, int bNotify)
{
    nPos = std::clamp(nPos, m_nMin, m_nMax);
    if (nPos != m_nPos) {
        m_nPos = nPos;
        if (m_hWnd)
            Invalidate(FALSE);
    }
    if (!m_hWnd)
        return;
    UpdateBuddy();
    if (bNotify)
        Notify(KX_SLIDER_MOVED);
}

void CLineTrackBar::SetPosFromBuddy(int nPos, int bNotify)
{
    nPos = std::clamp(nPos, m_nMin, m_nMax);
    if (nPos != m_nPos) {
        m_nPos = nPos;
        if (m_hWnd)
            Invalidate(FALSE);
    }
    if (m_hWnd && bNotify)
        Notify(KX_SLIDER_MOVED);
}

void CLineTrackBar::UpdateBuddy()
{
    if (!m_nBuddyID || !m_hWnd)
        return;
    HWND hBuddy = ::GetDlgItem(::GetParent(m_hWnd), (int)m_nBuddyID);
    if (!hBuddy)
        return;
    char text[64] = "";
    ::GetWindowTextA(hBuddy, text, sizeof text);
    // Not rewritten when it already shows the position, so that the parent's change handler,
    // which may set the position again, cannot re-enter without end.
    if (::GetWindowTextLengthA(hBuddy) < (int)sizeof text && TextShowsValue(text, m_nPos))
        return;
    char value[16];
    std::snprintf(value, sizeof value, "%d", m_nPos);
    ++m_nWritingBuddy;
    ::SetWindowTextA(hBuddy, value);
    --m_nWritingBuddy;
}

void CLineTrackBar::Notify(WORD code)
{
    HWND hParent = ::GetParent(m_hWnd);
    if (hParent)
        ::SendMessageA(hParent, WM_KX_SLIDER_CHANGED, MAKEWPARAM(GetDlgCtrlID(), code), (LPARAM)m_nPos);
}

void CLineTrackBar::MoveByUser(int nPos, bool bNotify)
{
    nPos = std::clamp(nPos, m_nMin, m_nMax);
    if (nPos == m_nPos)
        return;
    m_nPos = nPos;
    m_bGestureMoved = true;
    Invalidate(FALSE);
    // The buddy first: a parent that handles the notification reads the edits.
    UpdateBuddy();
    if (bNotify)
        Notify(KX_SLIDER_MOVED);
    else
        m_bUnsentMove = true;
}

void CLineTrackBar::EndGesture()
{
    if (m_bUnsentMove)
        Notify(KX_SLIDER_MOVED);
    if (m_bGestureMoved && m_bLastValNotice)
        Notify(KX_SLIDER_LAST_VALUE);
    m_bUnsentMove = false;
    m_bGestureMoved = false;
}

// ---------------------------------------------------------------------------------------------
// Geometry

CLineTrackBar::Axis CLineTrackBar::GetAxis() const
{
    CRect rc;
    GetClientRect(&rc);
    const int total = m_bVertical ? rc.Height() : rc.Width();
    const int thumb = std::min(kThumbLength, std::max(1, total));
    return Axis{ thumb / 2, std::max(0, total - thumb) };
}

int CLineTrackBar::PixelFromPos(int pos) const
{
    const Axis axis = GetAxis();
    const long long span = (long long)m_nMax - m_nMin;
    if (span <= 0)
        return axis.start;
    return axis.start + (int)((((long long)pos - m_nMin) * axis.length * 2 + span) / (span * 2));
}

int CLineTrackBar::PosFromPixel(int along) const
{
    const Axis axis = GetAxis();
    const long long span = (long long)m_nMax - m_nMin;
    if (axis.length <= 0 || span <= 0)
        return m_nMin;
    const long long offset = std::clamp(along - axis.start, 0, axis.length);
    return m_nMin + (int)((offset * span * 2 + axis.length) / (axis.length * 2));
}

CRect CLineTrackBar::GetThumbRect() const
{
    CRect rc;
    GetClientRect(&rc);
    const int centre = PixelFromPos(m_nPos);
    const int thumb = std::min(kThumbLength, std::max(1, m_bVertical ? rc.Height() : rc.Width()));
    const int first = centre - thumb / 2;
    if (m_bVertical)
        return CRect(rc.left, first, rc.right, first + thumb);
    return CRect(first, rc.top, first + thumb, rc.bottom);
}

// ---------------------------------------------------------------------------------------------
// Drawing

BOOL CLineTrackBar::OnEraseBkgnd(CDC*) { return TRUE; }

void CLineTrackBar::OnPaint()
{
    CPaintDC dc(this);
    CRect rc;
    GetClientRect(&rc);
    if (rc.IsRectEmpty())
        return;
    // Drawn off screen and copied in one go, so that dragging does not flicker.
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(dc, rc.Width(), rc.Height());
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    memory.SelectObject(bitmap);
    DrawSlider(memory, rc);
    dc.BitBlt(0, 0, rc.Width(), rc.Height(), &memory, 0, 0, SRCCOPY);
}

void CLineTrackBar::DrawSlider(CDC& dc, const CRect& rcClient)
{
    const bool enabled = IsWindowEnabled() != FALSE;
    dc.FillSolidRect(&rcClient, ::GetSysColor(COLOR_BTNFACE));

    const Axis axis = GetAxis();
    const int cross = m_bVertical ? rcClient.Width() : rcClient.Height();
    const int grooveFirst = (cross - kGrooveThickness) / 2;
    CRect groove = m_bVertical
        ? CRect(grooveFirst, axis.start, grooveFirst + kGrooveThickness, axis.start + axis.length + 1)
        : CRect(axis.start, grooveFirst, axis.start + axis.length + 1, grooveFirst + kGrooveThickness);
    dc.DrawEdge(&groove, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    dc.FillSolidRect(&groove, ::GetSysColor(enabled ? COLOR_WINDOW : COLOR_BTNFACE));

    // A range around zero gets a mark at zero, the neutral value of the adjustment sliders.
    if (m_nMin < 0 && m_nMax > 0) {
        const int zero = PixelFromPos(0);
        const int tickLength = std::max(2, grooveFirst - 1);
        CRect tick = m_bVertical ? CRect(rcClient.left, zero, rcClient.left + tickLength, zero + 1)
                                 : CRect(zero, rcClient.top, zero + 1, rcClient.top + tickLength);
        dc.FillSolidRect(&tick, ::GetSysColor(COLOR_BTNSHADOW));
    }

    CRect thumb = GetThumbRect();
    if (m_bVertical)
        thumb.DeflateRect(1, 0);
    else
        thumb.DeflateRect(0, 1);
    dc.DrawEdge(&thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    if (!enabled)
        dc.FillSolidRect(&thumb, ::GetSysColor(COLOR_BTNSHADOW));

    if (::GetFocus() == m_hWnd) {
        CRect focus = rcClient;
        dc.SetTextColor(RGB(0, 0, 0));
        dc.SetBkColor(RGB(255, 255, 255));
        dc.DrawFocusRect(&focus);
    }
}

void CLineTrackBar::OnSetFocus(CWnd*) { Invalidate(FALSE); }
void CLineTrackBar::OnKillFocus(CWnd*) { Invalidate(FALSE); }

LRESULT CLineTrackBar::OnEnable(WPARAM, LPARAM)
{
    Invalidate(FALSE);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Mouse and keyboard

void CLineTrackBar::OnLButtonDown(UINT, CPoint point)
{
    if (::GetFocus() != m_hWnd)
        SetFocus();
    SetCapture();
    m_bDragging = true;
    m_bGestureMoved = false;
    m_bUnsentMove = false;
    const int along = Along(point);
    const int centre = PixelFromPos(m_nPos);
    if (GetThumbRect().PtInRect(point)) {
        // Grabbing the thumb off its centre must not make it jump.
        m_nDragOffset = along - centre;
    } else {
        m_nDragOffset = 0;
        MoveByUser(PosFromPixel(along), m_bTrackNotify);
    }
}

void CLineTrackBar::OnMouseMove(UINT, CPoint point)
{
    if (m_bDragging)
        MoveByUser(PosFromPixel(Along(point) - m_nDragOffset), m_bTrackNotify);
}

void CLineTrackBar::OnLButtonUp(UINT, CPoint point)
{
    if (!m_bDragging)
        return;
    MoveByUser(PosFromPixel(Along(point) - m_nDragOffset), m_bTrackNotify);
    m_bDragging = false;
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    EndGesture();
}

LRESULT CLineTrackBar::OnCaptureChanged(WPARAM, LPARAM lParam)
{
    // Someone else took the mouse mid-drag: the gesture ends where it is.
    if (m_bDragging && reinterpret_cast<HWND>(lParam) != m_hWnd) {
        m_bDragging = false;
        EndGesture();
    }
    return 0;
}

UINT CLineTrackBar::OnGetDlgCode() { return DLGC_WANTARROWS; }

void CLineTrackBar::OnKeyDown(UINT nChar, UINT, UINT)
{
    long long target;
    switch (nChar) {
    case VK_LEFT: case VK_UP:    target = (long long)m_nPos - m_nLineSize; break;
    case VK_RIGHT: case VK_DOWN: target = (long long)m_nPos + m_nLineSize; break;
    case VK_PRIOR:               target = (long long)m_nPos - m_nPageSize; break;
    case VK_NEXT:                target = (long long)m_nPos + m_nPageSize; break;
    case VK_HOME:                target = m_nMin; break;
    case VK_END:                 target = m_nMax; break;
    default:
        Default();
        return;
    }
    if (m_bDragging)
        return;
    MoveByUser((int)std::clamp(target, (long long)m_nMin, (long long)m_nMax), true);
}

void CLineTrackBar::OnKeyUp(UINT nChar, UINT, UINT)
{
    switch (nChar) {
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
    case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END:
        if (!m_bDragging)
            EndGesture();
        break;
    default:
        Default();
        break;
    }
}
