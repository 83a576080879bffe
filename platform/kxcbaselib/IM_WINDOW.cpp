#include "IM_WINDOW.h"
#include <Geometry.h>

BEGIN_MESSAGE_MAP(CIM_WINDOW, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
END_MESSAGE_MAP()

CIM_WINDOW::CIM_WINDOW() : m_crBackground(::GetSysColor(COLOR_BTNFACE)) {}
CIM_WINDOW::~CIM_WINDOW() = default;

BOOL CIM_WINDOW::Create(CWnd* pParentWnd, const RECT& rect, UINT nID, DWORD dwStyle)
{
    return CreateEx(0, KX_IMAGE_PREVIEW_CLASS, "", dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

void CIM_WINDOW::SetBkColor(COLORREF color)
{
    m_crBackground = color;
    if (m_hWnd)
        Invalidate(FALSE);
}

CRect CIM_WINDOW::GetPictureRect() const
{
    if (!m_hWnd || !m_dib.IsValid())
        return CRect();
    CRect rc, fit;
    GetClientRect(&rc);
    return GetProporCerterRect(rc, m_dib.GetWidth(), m_dib.GetHeight(), fit) ? fit : CRect();
}

int CIM_WINDOW::Load(LPCSTR lpszPath)
{
    // The view never shows more than its client area, so a large photograph is decoded reduced.
    CRect rc;
    if (m_hWnd)
        GetClientRect(&rc);
    const bool ok = lpszPath && (rc.IsRectEmpty() ? m_dib.Load(lpszPath, 0, 1, nullptr, nullptr)
                                                  : m_dib.LoadFitted(lpszPath, rc.Width(), rc.Height(), nullptr)) == 1;
    if (!ok)
        m_dib.Free();
    Refresh();
    return ok ? 1 : 0;
}

void CIM_WINDOW::ShowDib(const CDrawDib& dib)
{
    m_dib = dib;
    Refresh();
}

void CIM_WINDOW::ShowDib(const CDib& dib)
{
    m_dib = dib;
    Refresh();
}

void CIM_WINDOW::Refresh()
{
    m_bScaledValid = false;
    if (m_hWnd) {
        Invalidate(FALSE);
        UpdateWindow();
    }
}

void CIM_WINDOW::OnSize(UINT, int, int)
{
    m_bScaledValid = false;
    Invalidate(FALSE);
}

void CIM_WINDOW::PrepareScaled()
{
    if (m_bScaledValid)
        return;
    m_bScaledValid = true;
    const CRect target = GetPictureRect();
    if (target.IsRectEmpty()) {
        m_scaled.Free();
        return;
    }
    if (target.Width() == m_dib.GetWidth() && target.Height() == m_dib.GetHeight())
        m_scaled = m_dib;
    else
        m_scaled.Resize(m_dib, target.Width(), target.Height(), 2);
}

BOOL CIM_WINDOW::OnEraseBkgnd(CDC*) { return TRUE; }

void CIM_WINDOW::OnPaint()
{
    CPaintDC dc(this);
    CRect rc;
    GetClientRect(&rc);
    if (rc.IsRectEmpty())
        return;
    PrepareScaled();
    // Background and picture are composed off screen, so a refresh never flashes the background.
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(dc, rc.Width(), rc.Height());
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    memory.SelectObject(bitmap);
    memory.FillSolidRect(&rc, m_crBackground);
    if (m_scaled.IsValid()) {
        const CRect target = GetPictureRect();
        m_scaled.Draw(memory, CRect(target.TopLeft(), CSize(m_scaled.GetWidth(), m_scaled.GetHeight())));
    }
    dc.BitBlt(0, 0, rc.Width(), rc.Height(), &memory, 0, 0, SRCCOPY);
}
