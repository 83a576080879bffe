#include "afximpl.h"
#include <unordered_map>

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    const BOOL ok = ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    return ok;
}

BOOL CFont::CreatePointFont(int nPointSize, const char* face, HDC hdc)
{
    HDC screen = hdc ? hdc : ::GetDC(nullptr);
    LOGFONTA lf{};
    lf.lfHeight = -::MulDiv(nPointSize, ::GetDeviceCaps(screen, LOGPIXELSY), 720);
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, face ? face : "", LF_FACESIZE);
    if (!hdc)
        ::ReleaseDC(nullptr, screen);
    return CreateFontIndirect(&lf);
}

BOOL CBitmap::LoadBitmap(UINT nIDResource)
{
    LPCSTR name = MAKEINTRESOURCEA(nIDResource);
    return Attach(::LoadBitmapA(AfxFindResourceHandle(name, RT_BITMAP), name));
}

CSize CBitmap::GetSize() const
{
    BITMAP bm{};
    ::GetObjectA(m_hObject, sizeof bm, &bm);
    return CSize(bm.bmWidth, bm.bmHeight);
}

namespace {
std::unordered_map<HDC, CDC*>& TempDCs() { static std::unordered_map<HDC, CDC*> map; return map; }
}

CDC* CDC::FromHandle(HDC hdc)
{
    if (!hdc)
        return nullptr;
    // Handlers receive wrappers of DCs they do not own; one wrapper per DC, kept for the process
    // but never deleting the DC.
    CDC*& p = TempDCs()[hdc];
    if (!p)
        p = new CDC;
    p->m_hDC = hdc;
    p->m_bOwned = false;
    return p;
}

CDC::~CDC()
{
    RestoreSelections();
    if (m_bOwned && m_hDC)
        ::DeleteDC(m_hDC);
}

BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    m_hDC = ::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr);
    m_bOwned = true;
    return m_hDC != nullptr;
}

HGDIOBJ CDC::SelectObject(HGDIOBJ h)
{
    HGDIOBJ old = ::SelectObject(m_hDC, h);
    const UINT type = (UINT)::GetObjectType(h);
    // Remember what the DC held before we first changed each kind, to put it back.
    for (Saved& s : m_saved) {
        if (s.obj && s.type == type)
            return old;
    }
    for (Saved& s : m_saved) {
        if (!s.obj) {
            s.obj = old;
            s.type = type;
            break;
        }
    }
    return old;
}

void CDC::RestoreSelections()
{
    for (Saved& s : m_saved) {
        if (s.obj && m_hDC)
            ::SelectObject(m_hDC, s.obj);
        s.obj = nullptr;
    }
}

void CDC::FillSolidRect(const RECT* r, COLORREF c)
{
    const COLORREF old = ::SetBkColor(m_hDC, c);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, r, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, old);
}

void CDC::Draw3dRect(const RECT* r, COLORREF topLeft, COLORREF bottomRight)
{
    const int x = r->left, y = r->top, cx = r->right - r->left, cy = r->bottom - r->top;
    FillSolidRect(x, y, cx - 1, 1, topLeft);
    FillSolidRect(x, y, 1, cy - 1, topLeft);
    FillSolidRect(x + cx, y, -1, cy, bottomRight);
    FillSolidRect(x, y + cy, cx, -1, bottomRight);
}

// The window DCs put their selections back before the DC goes back to the system.
CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }
CPaintDC::~CPaintDC()
{
    RestoreSelections();
    ::EndPaint(m_hWnd, &m_ps);
    m_hDC = nullptr;
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) { m_hDC = ::GetDC(m_hWnd); }
CClientDC::~CClientDC()
{
    RestoreSelections();
    ::ReleaseDC(m_hWnd, m_hDC);
    m_hDC = nullptr;
}

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) { m_hDC = ::GetWindowDC(m_hWnd); }
CWindowDC::~CWindowDC()
{
    RestoreSelections();
    ::ReleaseDC(m_hWnd, m_hDC);
    m_hDC = nullptr;
}
