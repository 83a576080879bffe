#include "SliceWnd.h"
#include "CropOptDlg.h"
#include "kxcbaseres.h"
#include <Geometry.h>
#include <kxraii.h>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const int kHandleSize = 7;       // side of a drawn handle, screen pixels
const int kGrabDistance = 5;     // how far from a handle or edge the pointer still grabs it
const int kDragThreshold = 3;    // a new box starts once the pointer moved this far
const double kZoomStep = 1.5;
const double kMaxZoom = 16.0;
const UINT_PTR kAutoScrollTimer = 1;
const UINT kAutoScrollMs = 30;

// Commands of the window's own context menu.
enum : UINT { ID_CLIP_ZOOMIN = 0x7F10, ID_CLIP_ZOOMOUT, ID_CLIP_FIT, ID_CLIP_ACTUAL, ID_CLIP_TOGGLEBOX, ID_CLIP_OPTIONS,
              ID_CLIP_HOPOPTIONS };

// A 32-bit top-down DIB section selected into a memory DC, for composing a frame off screen.
class CFrameBuffer
{
public:
    CFrameBuffer(CDC* pDC, int width, int height) : m_width(width), m_height(height)
    {
        kx::dib_section section(*pDC, width, height, 32);
        m_bits = static_cast<DWORD*>(section.bits);
        m_bitmap.Attach(section.bitmap.release());
        if (m_bits && m_dc.CreateCompatibleDC(pDC))
            m_dc.SelectObject(m_bitmap);
        else
            m_bits = nullptr;
    }
    bool IsValid() const { return m_bits != nullptr; }
    DWORD* Row(int y) { return m_bits + (size_t)y * m_width; }
    CDC& DC() { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    int m_width, m_height;
    CBitmap m_bitmap;     // declared before the DC: the DC lets go of it first
    CDC m_dc;
    DWORD* m_bits = nullptr;
};

int RoundInt(double v) { return Round(v); }

} // namespace

BEGIN_MESSAGE_MAP(CSliceWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    // A second click in quick succession is a second press (the owner may take the double-click
    // before it arrives here).
    { WM_LBUTTONDBLCLK, 0, 0, 0, AFX_THUNK(_p->OnLButtonDown((UINT)wParam, CPoint(lParam)); return 0;) },
    ON_WM_MOUSEMOVE()
    ON_WM_RBUTTONDOWN()
    ON_WM_TIMER()
    ON_WM_KEYDOWN()
    ON_WM_HSCROLL()
    ON_WM_VSCROLL()
    ON_WM_MOUSEWHEEL()
    ON_WM_SETCURSOR()
    ON_WM_GETDLGCODE()
    ON_MESSAGE(WM_CAPTURECHANGED, OnCaptureChanged)
END_MESSAGE_MAP()

CSliceWnd::CSliceWnd() : m_crBackground(RGB(96, 96, 96)) {}
CSliceWnd::~CSliceWnd() = default;

BOOL CSliceWnd::Create(DWORD dwStyle, const RECT* pRect, UINT nID, CWnd* pParentWnd)
{
    // Double clicks are reported, so an owner can take one as its own command.
    LPCSTR cls = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW), nullptr);
    const CRect rect = pRect ? CRect(*pRect) : CRect();
    return CreateEx(0, cls, "", dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

int CSliceWnd::OnCreate(LPCREATESTRUCT)
{
    ::ShowScrollBar(m_hWnd, SB_BOTH, FALSE);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Picture

void CSliceWnd::SetDib(const struct_LEAD_Bitmap* pBitmap)
{
    if (!pBitmap || !CopyLeadBitmap(*pBitmap, m_dib))
        m_dib.Free();
    PictureChanged(true);
}

void CSliceWnd::UpdateDib(const CDib* pDib)
{
    if (pDib && pDib->IsValid())
        m_dib = *pDib;
    else
        m_dib.Free();
    PictureChanged(true);
}

int CSliceWnd::LoadFile(LPCSTR lpszPath, int nFit)
{
    const bool ok = lpszPath && m_dib.Load(lpszPath, 0, 1, nullptr, nullptr) == 1;
    if (!ok)
        m_dib.Free();
    PictureChanged(nFit != 0);
    return ok ? 1 : 0;
}

CDib* CSliceWnd::GetDib()
{
    m_bDisplayValid = false;
    return &m_dib;
}

void CSliceWnd::PictureChanged(bool bFit)
{
    m_bDisplayValid = false;
    m_bHopValid = false;
    if (m_dib.IsValid() && !m_rcClip.IsRectEmpty()) {
        // The box keeps its place relative to the picture, so the next picture of a series is
        // cut where the last one was.
        const CSize base = m_sizeBoxBase;
        if (base.cx > 0 && base.cy > 0 && (base.cx != m_dib.GetWidth() || base.cy != m_dib.GetHeight())) {
            const double sx = m_dib.GetWidth() / (double)base.cx, sy = m_dib.GetHeight() / (double)base.cy;
            CRect mapped(RoundInt(m_rcClip.left * sx), RoundInt(m_rcClip.top * sy),
                         RoundInt(m_rcClip.right * sx), RoundInt(m_rcClip.bottom * sy));
            m_sizeBoxBase = CSize(m_dib.GetWidth(), m_dib.GetHeight());
            m_rcClip = Conform(mapped);
        }
    }
    if (bFit || !m_dib.IsValid())
        m_bFit = true;
    if (m_bFit)
        m_dZoom = FitZoom();
    m_ptScroll = CPoint();
    UpdateScrollBars();
    // A new picture starts at its first position.
    if (m_nHopMode != KX_HOP_NONE)
        UpdateHopPositions(true);
    Redraw();
}

// ---------------------------------------------------------------------------------------------
// Clip box

void CSliceWnd::SetClipFlag(int nKind, long nWidth, long nHeight)
{
    m_nClipKind = nKind < 0 ? KX_CLIP_NONE : nKind;
    m_nClipWidth = nWidth;
    m_nClipHeight = nHeight;
    m_bHopValid = false;   // grid cells follow the box's size and ratio
}

void CSliceWnd::GetClipFlag(int& nKind, long& nWidth, long& nHeight) const
{
    nKind = m_nClipKind;
    nWidth = m_nClipWidth;
    nHeight = m_nClipHeight;
}

void CSliceWnd::ShowClipbox()
{
    if (m_nClipKind == KX_CLIP_NONE) {
        HideClipbox();
        return;
    }
    // A box the user placed is shown where it was; new settings place a new one, centred where
    // the last one was.
    const bool placed = !m_rcClip.IsRectEmpty() && m_nPlacedKind == m_nClipKind && m_nPlacedWidth == m_nClipWidth
                        && m_nPlacedHeight == m_nClipHeight;
    if (m_dib.IsValid() && !placed) {
        double cx = m_dib.GetWidth() / 2.0, cy = m_dib.GetHeight() / 2.0;
        if (!m_rcClip.IsRectEmpty()) {
            cx = (m_rcClip.left + m_rcClip.right) / 2.0;
            cy = (m_rcClip.top + m_rcClip.bottom) / 2.0;
        }
        m_rcClip = PlaceBox(cx, cy);
        m_sizeBoxBase = CSize(m_dib.GetWidth(), m_dib.GetHeight());
        m_nPlacedKind = m_nClipKind;
        m_nPlacedWidth = m_nClipWidth;
        m_nPlacedHeight = m_nClipHeight;
    }
    m_bShowBox = true;
    Redraw();
}

void CSliceWnd::HideClipbox()
{
    if (m_bShowBox) {
        m_bShowBox = false;
        Redraw();
    }
}

void CSliceWnd::SetClipRect(const CRect& rc)
{
    if (!m_dib.IsValid())
        return;
    CRect normal = rc;
    normal.NormalizeRect();
    m_sizeBoxBase = CSize(m_dib.GetWidth(), m_dib.GetHeight());
    m_rcClip = Conform(normal);
    m_nPlacedKind = m_nClipKind;
    m_nPlacedWidth = m_nClipWidth;
    m_nPlacedHeight = m_nClipHeight;
    Redraw();
}

CRect CSliceWnd::PlaceBox(double cx, double cy) const
{
    const int W = m_dib.GetWidth(), H = m_dib.GetHeight();
    int w = W, h = H;
    if (m_nClipKind == KX_CLIP_SIZE) {
        w = (int)std::clamp<long>(m_nClipWidth, 1, W);
        h = (int)std::clamp<long>(m_nClipHeight, 1, H);
    } else if (m_nClipKind == KX_CLIP_RATIO && m_nClipWidth > 0 && m_nClipHeight > 0) {
        const double ratio = m_nClipWidth / (double)m_nClipHeight;
        if (ratio > W / (double)H) {
            w = W;
            h = std::clamp(RoundInt(W / ratio), 1, H);
        } else {
            w = std::clamp(RoundInt(H * ratio), 1, W);
            h = H;
        }
    }
    int left = std::clamp(RoundInt(cx - w / 2.0), 0, W - w);
    int top = std::clamp(RoundInt(cy - h / 2.0), 0, H - h);
    return CRect(left, top, left + w, top + h);
}

CRect CSliceWnd::Conform(const CRect& rc) const
{
    const int W = m_dib.GetWidth(), H = m_dib.GetHeight();
    if (W <= 0 || H <= 0)
        return CRect();
    int w = std::clamp<int>(rc.Width(), 1, W), h = std::clamp<int>(rc.Height(), 1, H);
    if (m_nClipKind == KX_CLIP_SIZE) {
        w = (int)std::clamp<long>(m_nClipWidth, 1, W);
        h = (int)std::clamp<long>(m_nClipHeight, 1, H);
    } else if (m_nClipKind == KX_CLIP_RATIO && m_nClipWidth > 0 && m_nClipHeight > 0) {
        const double ratio = m_nClipWidth / (double)m_nClipHeight;
        // Keep the width, unless the height it asks for does not fit.
        h = RoundInt(w / ratio);
        if (h > H || h < 1) {
            h = std::clamp(h, 1, H);
            w = std::clamp(RoundInt(h * ratio), 1, W);
        }
    }
    // Kept the same size where the centre allows, then pushed inside the picture.
    const int cx = (rc.left + rc.right) / 2, cy = (rc.top + rc.bottom) / 2;
    int left = std::clamp(cx - w / 2, 0, W - w);
    int top = std::clamp(cy - h / 2, 0, H - h);
    if (rc.Width() == w)
        left = std::clamp<int>(rc.left, 0, W - w);
    if (rc.Height() == h)
        top = std::clamp<int>(rc.top, 0, H - h);
    return CRect(left, top, left + w, top + h);
}

CRect CSliceWnd::ResizeTo(Hit handle, double x, double y) const
{
    const int W = m_dib.GetWidth(), H = m_dib.GetHeight();
    const CRect& s = m_rcDragStart;
    x = std::clamp(x, 0.0, (double)W);
    y = std::clamp(y, 0.0, (double)H);
    const bool left = handle == HitLeft || handle == HitTopLeft || handle == HitBottomLeft;
    const bool right = handle == HitRight || handle == HitTopRight || handle == HitBottomRight;
    const bool top = handle == HitTop || handle == HitTopLeft || handle == HitTopRight;
    const bool bottom = handle == HitBottom || handle == HitBottomLeft || handle == HitBottomRight;

    if (m_nClipKind == KX_CLIP_RATIO && m_nClipWidth > 0 && m_nClipHeight > 0) {
        // The opposite corner stays; the pointer may cross it, which turns the box over.
        const double ratio = m_nClipWidth / (double)m_nClipHeight;
        const double ax = left ? s.right : s.left, ay = top ? s.bottom : s.top;
        const int dirX = x >= ax ? 1 : -1, dirY = y >= ay ? 1 : -1;
        const double availX = dirX > 0 ? W - ax : ax, availY = dirY > 0 ? H - ay : ay;
        double w = std::max(std::fabs(x - ax), std::fabs(y - ay) * ratio);
        w = std::min({ w, availX, availY * ratio });
        int wi = std::max(1, RoundInt(w));
        int hi = std::max(1, RoundInt(wi / ratio));
        if (hi > availY) {
            hi = std::max(1, (int)availY);
            wi = std::max(1, std::min((int)availX, RoundInt(hi * ratio)));
        }
        const int x0 = RoundInt(ax), y0 = RoundInt(ay);
        CRect rc(dirX > 0 ? x0 : x0 - wi, dirY > 0 ? y0 : y0 - hi, dirX > 0 ? x0 + wi : x0, dirY > 0 ? y0 + hi : y0);
        return rc;
    }

    CRect rc = s;
    if (left)
        rc.left = RoundInt(x);
    if (right)
        rc.right = RoundInt(x);
    if (top)
        rc.top = RoundInt(y);
    if (bottom)
        rc.bottom = RoundInt(y);
    rc.NormalizeRect();
    if (rc.Width() < 1) {
        rc.right = std::min<LONG>(W, rc.left + 1);
        rc.left = rc.right - 1;
    }
    if (rc.Height() < 1) {
        rc.bottom = std::min<LONG>(H, rc.top + 1);
        rc.top = rc.bottom - 1;
    }
    return rc;
}

void CSliceWnd::ChangeBox(const CRect& rc)
{
    if (rc == m_rcClip)
        return;
    m_bDragResized = m_bDragResized || rc.Size() != m_rcClip.Size();
    m_bDragChanged = true;
    m_rcClip = rc;
    m_sizeBoxBase = CSize(m_dib.GetWidth(), m_dib.GetHeight());
    Redraw();
}

void CSliceWnd::NotifyChange(bool bResized)
{
    if (CWnd* pParent = GetParent())
        pParent->SendMessage(WM_COMMAND, MAKEWPARAM(bResized ? KX_CLIP_RESIZED : KX_CLIP_MOVED, EN_CHANGE), (LPARAM)m_hWnd);
    OnClipChanged();
}

HGLOBAL CSliceWnd::ClipImage()
{
    return ClipImageDib(&m_dib);
}

HGLOBAL CSliceWnd::ClipImageDib(const CDib* pDib)
{
    if (!pDib || !pDib->IsValid() || !m_dib.IsValid() || m_rcClip.IsRectEmpty())
        return nullptr;
    const int W = pDib->GetWidth(), H = pDib->GetHeight();
    // The box belongs to the picture of the size it was placed on.
    const double sx = W / (double)m_sizeBoxBase.cx, sy = H / (double)m_sizeBoxBase.cy;
    CRect rc(RoundInt(m_rcClip.left * sx), RoundInt(m_rcClip.top * sy), RoundInt(m_rcClip.right * sx),
             RoundInt(m_rcClip.bottom * sy));
    const bool same = pDib == &m_dib && m_sizeBoxBase == CSize(W, H);
    if (!same && (m_nClipKind == KX_CLIP_SIZE || m_nClipKind == KX_CLIP_RATIO)) {
        int w = std::clamp(rc.Width(), 1, W), h = std::clamp(rc.Height(), 1, H);
        if (m_nClipKind == KX_CLIP_SIZE) {
            w = (int)std::clamp<long>(m_nClipWidth, 1, W);
            h = (int)std::clamp<long>(m_nClipHeight, 1, H);
        } else if (m_nClipWidth > 0 && m_nClipHeight > 0) {
            const double ratio = m_nClipWidth / (double)m_nClipHeight;
            h = RoundInt(w / ratio);
            if (h > H || h < 1) {
                h = std::clamp(h, 1, H);
                w = std::clamp(RoundInt(h * ratio), 1, W);
            }
        }
        const double cx = (m_rcClip.left + m_rcClip.right) / 2.0 * sx, cy = (m_rcClip.top + m_rcClip.bottom) / 2.0 * sy;
        const int left = std::clamp(RoundInt(cx - w / 2.0), 0, W - w), top = std::clamp(RoundInt(cy - h / 2.0), 0, H - h);
        rc = CRect(left, top, left + w, top + h);
    }
    CDib clip;
    if (m_dAngle != 0) {
        // A turned box is cut out upright.
        if (!CutTiltRect(*pDib, CTiltRect((rc.left + rc.right) / 2.0, (rc.top + rc.bottom) / 2.0, rc.Width(), rc.Height(), m_dAngle), clip))
            return nullptr;
    } else {
        CDib& source = const_cast<CDib&>(*pDib);   // described, never written
        struct_LEAD_Bitmap region;
        if (!DescribeLeadBitmap(source, region, &rc) || !CopyLeadBitmap(region, clip))
            return nullptr;
    }
    AfterClip(clip);
    return clip.CopyToHandle();
}

int CSliceWnd::DlgCropOpt()
{
    CCropOptDlg dlg(this);
    dlg.m_nKind = m_nClipKind;
    dlg.m_nWidth = m_nClipWidth;
    dlg.m_nHeight = m_nClipHeight;
    if (dlg.DoModal() != IDOK)
        return IDCANCEL;
    SetClipFlag(dlg.m_nKind, dlg.m_nWidth, dlg.m_nHeight);
    if (m_bShowBox || m_nClipKind == KX_CLIP_NONE) {
        const CRect before = m_rcClip;
        ShowClipbox();
        if (m_dib.IsValid())
            NotifyChange(m_rcClip.Size() != before.Size());
    }
    return IDOK;
}

// ---------------------------------------------------------------------------------------------
// Overridables

void CSliceWnd::SetMenuID(UINT nID) { m_nMenuID = nID; }
UINT CSliceWnd::GetMenuID() const { return m_nMenuID; }
int CSliceWnd::GetSubMenuID() const { return 0; }

void CSliceWnd::DrawOtherClipFlag(CDC* pDC, const CRect& rcBox)
{
    if (rcBox.Width() < 24 || rcBox.Height() < 24)
        return;
    CPen pen(PS_DOT, 1, RGB(255, 255, 255));
    pDC->SelectObject(pen);
    pDC->SetBkMode(TRANSPARENT);
    for (int i = 1; i <= 2; ++i) {
        const int x = rcBox.left + rcBox.Width() * i / 3, y = rcBox.top + rcBox.Height() * i / 3;
        pDC->MoveTo(x, rcBox.top + 1);
        pDC->LineTo(x, rcBox.bottom - 1);
        pDC->MoveTo(rcBox.left + 1, y);
        pDC->LineTo(rcBox.right - 1, y);
    }
    pDC->SelectStockObject(BLACK_PEN);
}

void CSliceWnd::AfterClip(CDib&) {}
int CSliceWnd::OnClipChanged() { return 0; }
int CSliceWnd::OnViewCommand(UINT) { return 0; }

// ---------------------------------------------------------------------------------------------
// Zoom and scrolling

double CSliceWnd::FitZoom() const
{
    if (!m_hWnd || !m_dib.IsValid())
        return 1.0;
    // The whole window counts: a fitted picture needs no scroll bars.
    CRect rc;
    GetClientRect(&rc);
    const DWORD style = GetStyle();
    if (style & WS_VSCROLL)
        rc.right += ::GetSystemMetrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL)
        rc.bottom += ::GetSystemMetrics(SM_CYHSCROLL);
    if (rc.IsRectEmpty())
        return 1.0;
    return std::min(rc.Width() / (double)m_dib.GetWidth(), rc.Height() / (double)m_dib.GetHeight());
}

CRect CSliceWnd::GetPictureRect() const
{
    if (!m_hWnd || !m_dib.IsValid())
        return CRect();
    CRect rc;
    GetClientRect(&rc);
    const int w = std::max(1, RoundInt(m_dib.GetWidth() * m_dZoom));
    const int h = std::max(1, RoundInt(m_dib.GetHeight() * m_dZoom));
    const int x = w <= rc.Width() ? (rc.Width() - w) / 2 : -m_ptScroll.x;
    const int y = h <= rc.Height() ? (rc.Height() - h) / 2 : -m_ptScroll.y;
    return CRect(x, y, x + w, y + h);
}

CPoint CSliceWnd::PictureToClient(double x, double y) const
{
    const CRect pic = GetPictureRect();
    return CPoint(pic.left + RoundInt(x * m_dZoom), pic.top + RoundInt(y * m_dZoom));
}

void CSliceWnd::ClientToPicture(CPoint point, double& x, double& y) const
{
    const CRect pic = GetPictureRect();
    x = (point.x - pic.left) / m_dZoom;
    y = (point.y - pic.top) / m_dZoom;
}

void CSliceWnd::UpdateScrollBars()
{
    if (!m_hWnd)
        return;
    bool needH = false, needV = false;
    if (m_dib.IsValid() && !m_bFit) {
        CRect rc;
        GetClientRect(&rc);
        const DWORD style = GetStyle();
        int cw = rc.Width() + ((style & WS_VSCROLL) ? ::GetSystemMetrics(SM_CXVSCROLL) : 0);
        int ch = rc.Height() + ((style & WS_HSCROLL) ? ::GetSystemMetrics(SM_CYHSCROLL) : 0);
        const int w = RoundInt(m_dib.GetWidth() * m_dZoom), h = RoundInt(m_dib.GetHeight() * m_dZoom);
        needH = w > cw;
        needV = h > ch;
        if (needH && !needV)
            needV = h > ch - ::GetSystemMetrics(SM_CYHSCROLL);
        if (needV && !needH)
            needH = w > cw - ::GetSystemMetrics(SM_CXVSCROLL);
    }
    ::ShowScrollBar(m_hWnd, SB_HORZ, needH);
    ::ShowScrollBar(m_hWnd, SB_VERT, needV);
    CRect rc;
    GetClientRect(&rc);
    const int w = m_dib.IsValid() ? RoundInt(m_dib.GetWidth() * m_dZoom) : 0;
    const int h = m_dib.IsValid() ? RoundInt(m_dib.GetHeight() * m_dZoom) : 0;
    m_ptScroll.x = std::clamp<int>(m_ptScroll.x, 0, std::max(0, w - rc.Width()));
    m_ptScroll.y = std::clamp<int>(m_ptScroll.y, 0, std::max(0, h - rc.Height()));
    SCROLLINFO si = { sizeof si, SIF_ALL };
    if (needH) {
        si.nMin = 0; si.nMax = w - 1; si.nPage = rc.Width(); si.nPos = m_ptScroll.x;
        ::SetScrollInfo(m_hWnd, SB_HORZ, &si, TRUE);
    }
    if (needV) {
        si.nMin = 0; si.nMax = h - 1; si.nPage = rc.Height(); si.nPos = m_ptScroll.y;
        ::SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
    }
    m_bDisplayValid = false;
}

void CSliceWnd::ScrollBy(int dx, int dy)
{
    const CPoint before = m_ptScroll;
    m_ptScroll.Offset(dx, dy);
    UpdateScrollBars();
    if (m_ptScroll != before)
        Redraw();
}

void CSliceWnd::SetZoom(double zoom, CPoint anchor)
{
    if (!m_dib.IsValid())
        return;
    const double fit = FitZoom();
    // Never smaller than the fitted picture, never beyond a few screen pixels per picture pixel.
    zoom = std::clamp(zoom, fit, std::max(kMaxZoom, fit));
    double px, py;
    ClientToPicture(anchor, px, py);
    m_bFit = zoom <= fit * 1.0001;
    m_dZoom = m_bFit ? fit : zoom;
    // The picture point under the anchor stays there.
    m_ptScroll = CPoint(RoundInt(px * m_dZoom) - anchor.x, RoundInt(py * m_dZoom) - anchor.y);
    UpdateScrollBars();
    // The scroll bars took room: anchor again with the final client size.
    m_ptScroll = CPoint(RoundInt(px * m_dZoom) - anchor.x, RoundInt(py * m_dZoom) - anchor.y);
    UpdateScrollBars();
    Redraw();
}

CPoint CSliceWnd::ZoomAnchor() const
{
    // Zooming keeps the box in view, or the middle of the window without one.
    if (m_bShowBox && !m_rcClip.IsRectEmpty())
        return PictureToClient((m_rcClip.left + m_rcClip.right) / 2.0, (m_rcClip.top + m_rcClip.bottom) / 2.0);
    CRect rc;
    GetClientRect(&rc);
    return rc.CenterPoint();
}

void CSliceWnd::ZoomIn()
{
    SetZoom(m_dZoom * kZoomStep, ZoomAnchor());
}

void CSliceWnd::ZoomOut()
{
    SetZoom(m_dZoom / kZoomStep, ZoomAnchor());
}

void CSliceWnd::ZoomFit()
{
    m_bFit = true;
    m_dZoom = FitZoom();
    m_ptScroll = CPoint();
    UpdateScrollBars();
    m_dZoom = FitZoom();
    Redraw();
}

void CSliceWnd::ZoomActual()
{
    SetZoom(1.0, ZoomAnchor());
}

void CSliceWnd::EnsureBoxVisible()
{
    if (m_bFit || m_rcClip.IsRectEmpty())
        return;
    CRect rc;
    GetClientRect(&rc);
    const CRect box = BoxToClient();
    int dx = 0, dy = 0;
    if (box.Width() <= rc.Width()) {
        if (box.left < 0) dx = box.left;
        else if (box.right > rc.right) dx = box.right - rc.right;
    }
    if (box.Height() <= rc.Height()) {
        if (box.top < 0) dy = box.top;
        else if (box.bottom > rc.bottom) dy = box.bottom - rc.bottom;
    }
    if (dx || dy)
        ScrollBy(dx, dy);
}

void CSliceWnd::SetBkColor(COLORREF color)
{
    m_crBackground = color;
    Redraw();
}

void CSliceWnd::OnSize(UINT, int, int)
{
    if (m_bFit)
        m_dZoom = FitZoom();
    UpdateScrollBars();
    Redraw();
}

void CSliceWnd::OnHScroll(UINT nSBCode, UINT, CScrollBar*)
{
    SCROLLINFO si = { sizeof si, SIF_ALL };
    ::GetScrollInfo(m_hWnd, SB_HORZ, &si);
    int pos = m_ptScroll.x;
    switch (nSBCode) {
    case SB_LINELEFT: pos -= 20; break;
    case SB_LINERIGHT: pos += 20; break;
    case SB_PAGELEFT: pos -= (int)si.nPage; break;
    case SB_PAGERIGHT: pos += (int)si.nPage; break;
    case SB_THUMBTRACK: case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_LEFT: pos = 0; break;
    case SB_RIGHT: pos = si.nMax; break;
    default: return;
    }
    ScrollBy(pos - m_ptScroll.x, 0);
}

void CSliceWnd::OnVScroll(UINT nSBCode, UINT, CScrollBar*)
{
    SCROLLINFO si = { sizeof si, SIF_ALL };
    ::GetScrollInfo(m_hWnd, SB_VERT, &si);
    int pos = m_ptScroll.y;
    switch (nSBCode) {
    case SB_LINEUP: pos -= 20; break;
    case SB_LINEDOWN: pos += 20; break;
    case SB_PAGEUP: pos -= (int)si.nPage; break;
    case SB_PAGEDOWN: pos += (int)si.nPage; break;
    case SB_THUMBTRACK: case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
    }
    ScrollBy(0, pos - m_ptScroll.y);
}

BOOL CSliceWnd::OnMouseWheel(UINT nFlags, short zDelta, CPoint pt)
{
    ScreenToClient(&pt);
    if (nFlags & MK_CONTROL) {
        SetZoom(zDelta > 0 ? m_dZoom * kZoomStep : m_dZoom / kZoomStep, pt);
    } else {
        const int step = -zDelta * 60 / WHEEL_DELTA;
        if (nFlags & MK_SHIFT)
            ScrollBy(step, 0);
        else
            ScrollBy(0, step);
    }
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Mouse

CRect CSliceWnd::BoxToClient() const
{
    if (m_rcClip.IsRectEmpty())
        return CRect();
    const CPoint tl = PictureToClient(m_rcClip.left, m_rcClip.top);
    const CPoint br = PictureToClient(m_rcClip.right, m_rcClip.bottom);
    return CRect(tl.x, tl.y, std::max(br.x, tl.x + 1), std::max(br.y, tl.y + 1));
}

CSliceWnd::Hit CSliceWnd::HitTest(CPoint point) const
{
    if (!m_dib.IsValid())
        return HitNone;
    const CPoint onScreen = point;
    // A turned box is grabbed by its turned handles and edges.
    point = ToBoxFrame(point);
    if (m_bShowBox && !m_rcClip.IsRectEmpty()) {
        const CRect box = BoxToClient();
        const int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
        auto grabs = [&](int x, int y) { return std::abs(point.x - x) <= kGrabDistance && std::abs(point.y - y) <= kGrabDistance; };
        if (m_nClipKind != KX_CLIP_SIZE) {
            // The nearest corner wins, so even a tiny box can be grown from each of them.
            const struct { CPoint at; Hit hit; } corners[] = {
                { box.BottomRight(), HitBottomRight }, { box.TopLeft(), HitTopLeft },
                { CPoint(box.right, box.top), HitTopRight }, { CPoint(box.left, box.bottom), HitBottomLeft },
            };
            Hit best = HitNone;
            int bestDistance = 0;
            for (const auto& c : corners) {
                const int d = std::abs(point.x - c.at.x) + std::abs(point.y - c.at.y);
                if (grabs(c.at.x, c.at.y) && (best == HitNone || d < bestDistance)) {
                    best = c.hit;
                    bestDistance = d;
                }
            }
            if (best != HitNone)
                return best;
        }
        if (m_nClipKind == KX_CLIP_FREE) {
            const bool alongX = point.x > box.left && point.x < box.right;
            const bool alongY = point.y > box.top && point.y < box.bottom;
            if (grabs(cx, box.top) || (alongX && std::abs(point.y - box.top) <= 2)) return HitTop;
            if (grabs(cx, box.bottom) || (alongX && std::abs(point.y - box.bottom) <= 2)) return HitBottom;
            if (grabs(box.left, cy) || (alongY && std::abs(point.x - box.left) <= 2)) return HitLeft;
            if (grabs(box.right, cy) || (alongY && std::abs(point.x - box.right) <= 2)) return HitRight;
        }
        if (box.PtInRect(point))
            return HitInside;
    }
    return GetPictureRect().PtInRect(onScreen) ? HitPicture : HitNone;
}

void CSliceWnd::OnLButtonDown(UINT, CPoint point)
{
    SetFocus();
    if (!m_dib.IsValid())
        return;
    const Hit hit = HitTest(point);
    m_drag = DragNone;
    m_dragHandle = hit;
    m_ptDragStart = point;
    m_ptLastMouse = point;
    m_ptScrollStart = m_ptScroll;
    m_rcDragStart = m_rcClip;
    m_bDragChanged = false;
    m_bDragResized = false;
    switch (hit) {
    case HitInside:
        m_drag = DragMove;
        break;
    case HitPicture:
        if (m_bShowBox && m_nClipKind == KX_CLIP_SIZE) {
            // A box that cannot change its size jumps to the pointer and follows it.
            double x, y;
            ClientToPicture(point, x, y);
            ChangeBox(Conform(CRect(RoundInt(x) - m_rcClip.Width() / 2, RoundInt(y) - m_rcClip.Height() / 2,
                                    RoundInt(x) - m_rcClip.Width() / 2 + m_rcClip.Width(),
                                    RoundInt(y) - m_rcClip.Height() / 2 + m_rcClip.Height())));
            m_rcDragStart = m_rcClip;
            m_drag = DragMove;
        } else if (m_bShowBox) {
            m_drag = DragNew;
        } else if (!m_bFit) {
            m_drag = DragPan;
        }
        break;
    case HitNone:
        if (!m_bFit)
            m_drag = DragPan;
        break;
    default:
        m_drag = DragResize;
        break;
    }
    if (m_drag != DragNone) {
        SetCapture();
        SetTimer(kAutoScrollTimer, kAutoScrollMs);
    }
}

void CSliceWnd::OnMouseMove(UINT, CPoint point)
{
    if (m_drag == DragNone)
        return;
    m_ptLastMouse = point;
    DragTo(point);
}

void CSliceWnd::DragTo(CPoint point)
{
    double x, y;
    ClientToPicture(point, x, y);
    switch (m_drag) {
    case DragMove: {
        double x0, y0;
        ClientToPicture(m_ptDragStart + (m_ptScrollStart - m_ptScroll), x0, y0);
        CRect rc = m_rcDragStart;
        rc.OffsetRect(RoundInt(x - x0), RoundInt(y - y0));
        const int W = m_dib.GetWidth(), H = m_dib.GetHeight();
        rc.OffsetRect(std::clamp<int>(rc.left, 0, W - rc.Width()) - rc.left, std::clamp<int>(rc.top, 0, H - rc.Height()) - rc.top);
        ChangeBox(rc);
        break;
    }
    case DragResize:
        if (m_dAngle != 0) {
            // In the box's own frame about its centre when the drag began, then back.
            const double cx = (m_rcDragStart.left + m_rcDragStart.right) / 2.0, cy = (m_rcDragStart.top + m_rcDragStart.bottom) / 2.0;
            const double a = m_dAngle * 3.14159265358979323846 / 180, c = std::cos(a), s = std::sin(a);
            const double fx = cx + (x - cx) * c + (y - cy) * s, fy = cy - (x - cx) * s + (y - cy) * c;
            const CRect framed = ResizeTo(m_dragHandle, fx, fy);
            const double mx = (framed.left + framed.right) / 2.0 - cx, my = (framed.top + framed.bottom) / 2.0 - cy;
            const double nx = cx + mx * c - my * s, ny = cy + mx * s + my * c;
            const int left = RoundInt(nx - framed.Width() / 2.0), top = RoundInt(ny - framed.Height() / 2.0);
            ChangeBox(CRect(left, top, left + framed.Width(), top + framed.Height()));
        } else {
            ChangeBox(ResizeTo(m_dragHandle, x, y));
        }
        break;
    case DragNew: {
        if (std::abs(point.x - m_ptDragStart.x) < kDragThreshold && std::abs(point.y - m_ptDragStart.y) < kDragThreshold
            && !m_bDragChanged)
            return;
        // The press point is the fixed corner of the new box.
        double ax, ay;
        ClientToPicture(m_ptDragStart + (m_ptScrollStart - m_ptScroll), ax, ay);
        ax = std::clamp(ax, 0.0, (double)m_dib.GetWidth());
        ay = std::clamp(ay, 0.0, (double)m_dib.GetHeight());
        m_rcDragStart = CRect(RoundInt(ax), RoundInt(ay), RoundInt(ax), RoundInt(ay));
        m_dAngle = 0;   // a box drawn by hand is upright
        ChangeBox(ResizeTo(HitBottomRight, x, y));
        break;
    }
    case DragPan:
        ScrollBy(m_ptDragStart.x - point.x + m_ptScrollStart.x - m_ptScroll.x,
                 m_ptDragStart.y - point.y + m_ptScrollStart.y - m_ptScroll.y);
        break;
    default:
        break;
    }
}

void CSliceWnd::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != kAutoScrollTimer || m_drag == DragNone || m_drag == DragPan || m_bFit)
        return;
    // A drag beyond the window's edge scrolls the zoomed picture towards the pointer.
    CRect rc;
    GetClientRect(&rc);
    const CPoint p = m_ptLastMouse;
    int dx = p.x < 0 ? p.x : p.x > rc.right ? p.x - rc.right : 0;
    int dy = p.y < 0 ? p.y : p.y > rc.bottom ? p.y - rc.bottom : 0;
    if (!dx && !dy)
        return;
    ScrollBy(std::clamp(dx, -40, 40), std::clamp(dy, -40, 40));
    DragTo(p);
}

void CSliceWnd::OnLButtonUp(UINT, CPoint point)
{
    if (m_drag == DragNone)
        return;
    DragTo(point);
    EndDrag();
}

void CSliceWnd::EndDrag()
{
    const Drag drag = m_drag;
    m_drag = DragNone;
    KillTimer(kAutoScrollTimer);
    if (GetCapture() == this)
        ::ReleaseCapture();
    if (drag != DragPan && m_bDragChanged) {
        m_bDragChanged = false;
        NotifyChange(m_bDragResized);
    }
}

LRESULT CSliceWnd::OnCaptureChanged(WPARAM, LPARAM lParam)
{
    // Capture taken away (another window, a message box): the gesture ends where it is.
    if (m_drag != DragNone && (HWND)lParam != m_hWnd)
        EndDrag();
    return 0;
}

BOOL CSliceWnd::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
{
    if (nHitTest != HTCLIENT)
        return (BOOL)Default();
    CPoint point;
    ::GetCursorPos(&point);
    ScreenToClient(&point);
    LPCSTR cursor = IDC_ARROW;
    switch (HitTest(point)) {
    case HitInside: cursor = IDC_SIZEALL; break;
    case HitLeft: case HitRight: cursor = IDC_SIZEWE; break;
    case HitTop: case HitBottom: cursor = IDC_SIZENS; break;
    case HitTopLeft: case HitBottomRight: cursor = IDC_SIZENWSE; break;
    case HitTopRight: case HitBottomLeft: cursor = IDC_SIZENESW; break;
    case HitPicture: cursor = m_bShowBox ? IDC_CROSS : (m_bFit ? IDC_ARROW : IDC_HAND); break;
    default: break;
    }
    ::SetCursor(::LoadCursorA(nullptr, cursor));
    return TRUE;
}

void CSliceWnd::OnRButtonDown(UINT, CPoint point)
{
    SetFocus();
    ClientToScreen(&point);
    ShowContextMenu(point);
}

void CSliceWnd::ShowContextMenu(CPoint screen)
{
    HMENU hMenu = nullptr, hLoaded = nullptr;
    if (GetMenuID()) {
        LPCSTR name = MAKEINTRESOURCEA(GetMenuID());
        hLoaded = ::LoadMenuA(AfxFindResourceHandle(name, RT_MENU), name);
        hMenu = hLoaded ? ::GetSubMenu(hLoaded, GetSubMenuID()) : nullptr;
    }
    if (!hMenu) {
        CString text;
        hLoaded = ::CreatePopupMenu();
        hMenu = hLoaded;
        const bool picture = m_dib.IsValid() != FALSE;
        const struct { UINT id; UINT text; bool enabled; } items[] = {
            { ID_CLIP_ZOOMIN, IDS_CLIP_ZOOMIN, picture },
            { ID_CLIP_ZOOMOUT, IDS_CLIP_ZOOMOUT, picture && !m_bFit },
            { ID_CLIP_FIT, IDS_CLIP_FIT, picture },
            { ID_CLIP_ACTUAL, IDS_CLIP_ACTUAL, picture },
            { 0, 0, false },
            { ID_CLIP_TOGGLEBOX, (UINT)(m_bShowBox ? IDS_CLIP_HIDEBOX : IDS_CLIP_SHOWBOX), picture },
            { ID_CLIP_OPTIONS, IDS_CLIP_OPTIONS, true },
            { ID_CLIP_HOPOPTIONS, IDS_CLIP_HOPOPT, true },
        };
        for (const auto& item : items) {
            if (!item.id) {
                ::AppendMenuA(hMenu, MF_SEPARATOR, 0, nullptr);
                continue;
            }
            text.LoadString(item.text);
            ::AppendMenuA(hMenu, MF_STRING | (item.enabled ? 0 : MF_GRAYED), item.id, text);
        }
    }
    const UINT cmd = hMenu ? (UINT)::TrackPopupMenu(hMenu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, m_hWnd, nullptr) : 0;
    if (hLoaded)
        ::DestroyMenu(hLoaded);
    if (!cmd || OnViewCommand(cmd))
        return;
    switch (cmd) {
    case ID_CLIP_ZOOMIN: ZoomIn(); break;
    case ID_CLIP_ZOOMOUT: ZoomOut(); break;
    case ID_CLIP_FIT: ZoomFit(); break;
    case ID_CLIP_ACTUAL: ZoomActual(); break;
    case ID_CLIP_TOGGLEBOX:
        if (m_bShowBox)
            HideClipbox();
        else
            ShowClipbox();
        break;
    case ID_CLIP_OPTIONS: DlgCropOpt(); break;
    case ID_CLIP_HOPOPTIONS: DlgHopOpt(); break;
    default:
        if (CWnd* pParent = GetParent())
            pParent->SendMessage(WM_COMMAND, MAKEWPARAM(cmd, 0), 0);
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Keyboard

UINT CSliceWnd::OnGetDlgCode() { return DLGC_WANTARROWS | DLGC_WANTCHARS; }

void CSliceWnd::OnKeyDown(UINT nChar, UINT, UINT)
{
    const bool shift = ::GetKeyState(VK_SHIFT) < 0, control = ::GetKeyState(VK_CONTROL) < 0;
    int dx = 0, dy = 0;
    switch (nChar) {
    case VK_LEFT: dx = -1; break;
    case VK_RIGHT: dx = 1; break;
    case VK_UP: dy = -1; break;
    case VK_DOWN: dy = 1; break;
    case VK_ADD: case VK_OEM_PLUS: ZoomIn(); return;
    case VK_SUBTRACT: case VK_OEM_MINUS: ZoomOut(); return;
    case '1': ZoomFit(); return;
    case '2': ZoomActual(); return;
    case VK_NEXT: case VK_PRIOR:
        if (HopNext(nChar == VK_NEXT ? 1 : -1) >= 0)
            NotifyChange(true);
        return;
    case VK_OEM_4: case VK_OEM_6:   // "[" and "]"
        if (m_bShowBox && !m_rcClip.IsRectEmpty()) {
            SetClipAngle(m_dAngle + (nChar == VK_OEM_6 ? 1 : -1) * (shift ? 1.0 : 0.1));
            NotifyChange(false);
        }
        return;
    default: Default(); return;
    }
    if (!m_dib.IsValid())
        return;
    if (!m_bShowBox || m_rcClip.IsRectEmpty()) {
        ScrollBy(dx * 20, dy * 20);
        return;
    }
    // One screen pixel a press, at least one picture pixel.
    const int step = std::max(1, RoundInt(1.0 / m_dZoom)) * (shift ? 10 : 1);
    const int W = m_dib.GetWidth(), H = m_dib.GetHeight();
    CRect rc = m_rcClip;
    bool resized = false;
    if (control) {
        if (m_nClipKind == KX_CLIP_SIZE)
            return;
        if (m_nClipKind == KX_CLIP_RATIO && m_nClipWidth > 0 && m_nClipHeight > 0) {
            const double ratio = m_nClipWidth / (double)m_nClipHeight;
            int w = rc.Width() + dx * step, h = rc.Height() + dy * step;
            if (dx)
                h = RoundInt(w / ratio);
            else
                w = RoundInt(h * ratio);
            if (w < 1 || h < 1 || rc.left + w > W || rc.top + h > H)
                return;
            rc.right = rc.left + w;
            rc.bottom = rc.top + h;
        } else {
            rc.right = std::clamp<int>(rc.right + dx * step, rc.left + 1, W);
            rc.bottom = std::clamp<int>(rc.bottom + dy * step, rc.top + 1, H);
        }
        resized = true;
    } else {
        rc.OffsetRect(std::clamp<int>(rc.left + dx * step, 0, W - rc.Width()) - rc.left,
                      std::clamp<int>(rc.top + dy * step, 0, H - rc.Height()) - rc.top);
    }
    if (rc == m_rcClip)
        return;
    m_rcClip = rc;
    Redraw();
    EnsureBoxVisible();
    NotifyChange(resized);
}

// ---------------------------------------------------------------------------------------------
// Painting

BOOL CSliceWnd::OnEraseBkgnd(CDC*) { return TRUE; }

void CSliceWnd::OnPaint()
{
    CPaintDC dc(this);
    OnDraw(&dc);
}

void CSliceWnd::PrepareDisplay(const CRect& rcClient)
{
    if (m_bDisplayValid)
        return;
    m_bDisplayValid = true;
    m_display.Free();
    m_rcDisplay.SetRectEmpty();
    const CRect pic = GetPictureRect();
    CRect visible;
    if (pic.IsRectEmpty() || !visible.IntersectRect(&pic, &rcClient))
        return;
    // Only the part on screen is resampled, so a zoomed 35-megapixel picture scrolls as fast
    // as a fitted one.
    const int W = m_dib.GetWidth(), H = m_dib.GetHeight();
    const int x0 = std::clamp((int)std::floor((visible.left - pic.left) / m_dZoom), 0, W - 1);
    const int y0 = std::clamp((int)std::floor((visible.top - pic.top) / m_dZoom), 0, H - 1);
    const int x1 = std::clamp((int)std::ceil((visible.right - pic.left) / m_dZoom), x0 + 1, W);
    const int y1 = std::clamp((int)std::ceil((visible.bottom - pic.top) / m_dZoom), y0 + 1, H);
    const CPoint tl = PictureToClient(x0, y0), br = PictureToClient(x1, y1);
    const CRect target(tl.x, tl.y, std::max(br.x, tl.x + 1), std::max(br.y, tl.y + 1));
    const bool whole = x0 == 0 && y0 == 0 && x1 == W && y1 == H;
    CDib part;
    const CDib* source = &m_dib;
    if (!whole) {
        struct_LEAD_Bitmap region;
        const CRect rcPart(x0, y0, x1, y1);
        if (!DescribeLeadBitmap(m_dib, region, &rcPart) || !CopyLeadBitmap(region, part))
            return;
        source = &part;
    }
    if (target.Width() == source->GetWidth() && target.Height() == source->GetHeight()) {
        m_display = *source;
    } else {
        // Reduced with the high-quality filter; enlarged smoothly at first, then as pixels, so a
        // close look shows where the box edge falls.
        const bool reducing = target.Width() < source->GetWidth();
        const int mode = reducing ? 2 : (m_dZoom >= 3.0 ? 0 : 1);
        if (!m_display.Resize(*source, target.Width(), target.Height(), mode))
            return;
    }
    m_rcDisplay = target;
}

void CSliceWnd::OnDraw(CDC* pDC)
{
    CRect rc;
    GetClientRect(&rc);
    if (rc.IsRectEmpty())
        return;
    CFrameBuffer frame(pDC, rc.Width(), rc.Height());
    if (!frame.IsValid())
        return;
    const DWORD back = ((DWORD)GetRValue(m_crBackground) << 16) | ((DWORD)GetGValue(m_crBackground) << 8) | GetBValue(m_crBackground);
    for (int y = 0; y < rc.Height(); ++y)
        std::fill(frame.Row(y), frame.Row(y) + rc.Width(), back);

    PrepareDisplay(rc);
    const bool box = m_bShowBox && !m_rcClip.IsRectEmpty() && m_dib.IsValid();
    const CRect rcBox = box ? BoxToClient() : CRect();
    // A turned box: what lies inside is found in the box's own frame.
    const bool turned = box && m_dAngle != 0;
    const double turnC = std::cos(m_dAngle * 3.14159265358979323846 / 180), turnS = std::sin(m_dAngle * 3.14159265358979323846 / 180);
    const double boxCx = (rcBox.left + rcBox.right) / 2.0, boxCy = (rcBox.top + rcBox.bottom) / 2.0;
    const double halfW = rcBox.Width() / 2.0, halfH = rcBox.Height() / 2.0;
    if (m_display.IsValid()) {
        CRect shown;
        shown.IntersectRect(&m_rcDisplay, &rc);
        const int bytes = m_display.GetBitsPerPixel() / 8;
        for (int y = shown.top; y < shown.bottom; ++y) {
            const BYTE* src = m_display.GetLine(y - m_rcDisplay.top) + (size_t)(shown.left - m_rcDisplay.left) * bytes;
            DWORD* dst = frame.Row(y) + shown.left;
            const bool rowInBox = box && y >= rcBox.top && y < rcBox.bottom;
            const double dy = y + 0.5 - boxCy;
            for (int x = shown.left; x < shown.right; ++x, src += bytes, ++dst) {
                DWORD b = src[0], g = src[1], r = src[2];
                bool inside = rowInBox && x >= rcBox.left && x < rcBox.right;
                if (turned) {
                    const double dx = x + 0.5 - boxCx;
                    inside = std::fabs(dx * turnC + dy * turnS) <= halfW && std::fabs(-dx * turnS + dy * turnC) <= halfH;
                }
                // What the clip leaves out is shown dimmed.
                if (box && !inside) {
                    b >>= 1; g >>= 1; r >>= 1;
                }
                *dst = (r << 16) | (g << 8) | b;
            }
        }
    }

    if (box) {
        CDC& dc = frame.DC();
        // The frame, handles and marks of a turned box are drawn upright under a turn of the
        // page about the box's centre.
        if (turned) {
            ::SetGraphicsMode(dc.m_hDC, GM_ADVANCED);
            const XFORM turn = { (FLOAT)turnC, (FLOAT)turnS, (FLOAT)-turnS, (FLOAT)turnC,
                                 (FLOAT)(boxCx - boxCx * turnC + boxCy * turnS), (FLOAT)(boxCy - boxCx * turnS - boxCy * turnC) };
            ::SetWorldTransform(dc.m_hDC, &turn);
        }
        // Two tones, so the frame shows on light and dark pictures alike.
        CPen light(PS_SOLID, 1, RGB(255, 255, 255)), dark(PS_DOT, 1, RGB(0, 0, 0));
        dc.SelectStockObject(NULL_BRUSH);
        dc.SelectObject(light);
        dc.Rectangle(rcBox.left - 1, rcBox.top - 1, rcBox.right + 1, rcBox.bottom + 1);
        dc.SetBkMode(TRANSPARENT);
        dc.SelectObject(dark);
        dc.Rectangle(rcBox.left - 1, rcBox.top - 1, rcBox.right + 1, rcBox.bottom + 1);
        DrawOtherClipFlag(&dc, rcBox);
        if (m_nClipKind != KX_CLIP_SIZE) {
            CPen frameOfHandle(PS_SOLID, 1, RGB(0, 0, 0));
            CBrush fill(RGB(255, 255, 255));
            dc.SelectObject(frameOfHandle);
            dc.SelectObject(fill);
            std::vector<CPoint> handles = { rcBox.TopLeft(), CPoint(rcBox.right, rcBox.top),
                                            CPoint(rcBox.left, rcBox.bottom), rcBox.BottomRight() };
            if (m_nClipKind == KX_CLIP_FREE) {
                const CPoint c = rcBox.CenterPoint();
                handles.insert(handles.end(), { CPoint(c.x, rcBox.top), CPoint(c.x, rcBox.bottom),
                                                CPoint(rcBox.left, c.y), CPoint(rcBox.right, c.y) });
            }
            const int half = kHandleSize / 2;
            for (const CPoint& p : handles)
                dc.Rectangle(p.x - half, p.y - half, p.x + half + 1, p.y + half + 1);
        }
        if (turned) {
            ::ModifyWorldTransform(dc.m_hDC, nullptr, MWT_IDENTITY);
            ::SetGraphicsMode(dc.m_hDC, GM_COMPATIBLE);
        }
    }
    pDC->BitBlt(0, 0, rc.Width(), rc.Height(), &frame.DC(), 0, 0, SRCCOPY);
}
