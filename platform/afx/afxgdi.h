// Geometry and GDI wrappers: CPoint, CSize, CRect, the owned GDI objects and the device contexts.
// Every GDI object and DC is owned by its wrapper and released by its destructor.
#pragma once
#include "afxver.h"

class CWnd;

class CSize : public SIZE
{
public:
    CSize() { cx = cy = 0; }
    CSize(int x, int y) { cx = x; cy = y; }
    CSize(SIZE s) { cx = s.cx; cy = s.cy; }
    bool operator==(SIZE s) const { return cx == s.cx && cy == s.cy; }
    bool operator!=(SIZE s) const { return !(*this == s); }
};

class CPoint : public POINT
{
public:
    CPoint() { x = y = 0; }
    CPoint(int px, int py) { x = px; y = py; }
    CPoint(POINT p) { x = p.x; y = p.y; }
    explicit CPoint(LPARAM lParam) { x = (short)LOWORD(lParam); y = (short)HIWORD(lParam); }
    void Offset(int dx, int dy) { x += dx; y += dy; }
    bool operator==(POINT p) const { return x == p.x && y == p.y; }
    bool operator!=(POINT p) const { return !(*this == p); }
    CPoint operator+(SIZE s) const { return CPoint(x + s.cx, y + s.cy); }
    CPoint operator-(SIZE s) const { return CPoint(x - s.cx, y - s.cy); }
    CSize operator-(POINT p) const { return CSize(x - p.x, y - p.y); }
};

class CRect : public RECT
{
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    CRect(const RECT& r) { left = r.left; top = r.top; right = r.right; bottom = r.bottom; }
    CRect(POINT topLeft, SIZE size) { left = topLeft.x; top = topLeft.y; right = left + size.cx; bottom = top + size.cy; }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
    BOOL IsRectEmpty() const { return left >= right || top >= bottom; }
    BOOL IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    BOOL PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    void SetRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    void OffsetRect(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
    void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
    void InflateRect(int dx, int dy) { left -= dx; right += dx; top -= dy; bottom += dy; }
    void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
    void NormalizeRect();
    BOOL IntersectRect(const RECT* a, const RECT* b) { return ::IntersectRect(this, a, b); }
    BOOL UnionRect(const RECT* a, const RECT* b) { return ::UnionRect(this, a, b); }
    operator RECT*() { return this; }
    operator const RECT*() const { return this; }
    bool operator==(const RECT& r) const { return ::EqualRect(this, &r) != 0; }
    bool operator!=(const RECT& r) const { return !(*this == r); }
};

inline void CRect::NormalizeRect()
{
    if (left > right) { LONG t = left; left = right; right = t; }
    if (top > bottom) { LONG t = top; top = bottom; bottom = t; }
}

// A GDI object owned by its wrapper; DeleteObject runs in the destructor.
class AFX_API CGdiObject
{
public:
    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    virtual ~CGdiObject() { DeleteObject(); }
    HGDIOBJ m_hObject = nullptr;
    operator HGDIOBJ() const { return m_hObject; }
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    BOOL Attach(HGDIOBJ h) { DeleteObject(); m_hObject = h; return h != nullptr; }
    HGDIOBJ Detach() { HGDIOBJ h = m_hObject; m_hObject = nullptr; return h; }
    BOOL DeleteObject();
};

class AFX_API CPen : public CGdiObject
{
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    BOOL CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }
    operator HPEN() const { return (HPEN)m_hObject; }
};

class AFX_API CBrush : public CGdiObject
{
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    BOOL CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
    BOOL CreateSysColorBrush(int index) { return Attach(::GetSysColorBrush(index)); }
    operator HBRUSH() const { return (HBRUSH)m_hObject; }
};

class AFX_API CFont : public CGdiObject
{
public:
    BOOL CreateFontIndirect(const LOGFONTA* lf) { return Attach(::CreateFontIndirectA(lf)); }
    BOOL CreatePointFont(int nPointSize, const char* face, HDC hdc = nullptr);
    int GetLogFont(LOGFONTA* lf) const { return ::GetObjectA(m_hObject, sizeof(LOGFONTA), lf); }
    operator HFONT() const { return (HFONT)m_hObject; }
};

class AFX_API CBitmap : public CGdiObject
{
public:
    BOOL LoadBitmap(UINT nIDResource);
    BOOL CreateCompatibleBitmap(HDC hdc, int w, int h) { return Attach(::CreateCompatibleBitmap(hdc, w, h)); }
    operator HBITMAP() const { return (HBITMAP)m_hObject; }
    CSize GetSize() const;
};

// A device context. CDC itself owns a DC made with CreateCompatibleDC; the derived classes own
// the DC of a window for their lifetime. Selections made through SelectObject are put back when
// the wrapper dies.
class AFX_API CDC
{
public:
    CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC();

    HDC m_hDC = nullptr;
    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }

    static CDC* FromHandle(HDC hdc);  // a non-owning wrapper valid until the next idle time
    BOOL Attach(HDC hdc) { m_hDC = hdc; m_bOwned = false; return hdc != nullptr; }
    HDC Detach() { HDC h = m_hDC; m_hDC = nullptr; return h; }
    BOOL CreateCompatibleDC(CDC* pDC);

    HGDIOBJ SelectObject(HGDIOBJ h);
    HGDIOBJ SelectStockObject(int index) { return SelectObject(::GetStockObject(index)); }
    int SaveDC() { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int n) { return ::RestoreDC(m_hDC, n); }

    COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
    COLORREF SetBkColor(COLORREF c) { return ::SetBkColor(m_hDC, c); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int SetStretchBltMode(int mode) { return ::SetStretchBltMode(m_hDC, mode); }
    void FillSolidRect(const RECT* r, COLORREF c);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF c) { CRect r(x, y, x + cx, y + cy); FillSolidRect(&r, c); }
    void FillRect(const RECT* r, HBRUSH b) { ::FillRect(m_hDC, r, b); }
    void FrameRect(const RECT* r, HBRUSH b) { ::FrameRect(m_hDC, r, b); }
    void Draw3dRect(const RECT* r, COLORREF topLeft, COLORREF bottomRight);
    BOOL DrawEdge(RECT* r, UINT edge, UINT flags) { return ::DrawEdge(m_hDC, r, edge, flags); }
    BOOL DrawFocusRect(const RECT* r) { return ::DrawFocusRect(m_hDC, r); }
    BOOL Rectangle(int l, int t, int r, int b) { return ::Rectangle(m_hDC, l, t, r, b); }
    BOOL Rectangle(const RECT* r) { return Rectangle(r->left, r->top, r->right, r->bottom); }
    BOOL Ellipse(int l, int t, int r, int b) { return ::Ellipse(m_hDC, l, t, r, b); }
    CPoint MoveTo(int x, int y) { POINT p; ::MoveToEx(m_hDC, x, y, &p); return CPoint(p); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    BOOL Polygon(const POINT* pts, int n) { return ::Polygon(m_hDC, pts, n); }
    BOOL TextOut(int x, int y, const char* s, int n) { return ::TextOutA(m_hDC, x, y, s, n); }
    int DrawText(const char* s, int n, RECT* r, UINT format) { return ::DrawTextA(m_hDC, s, n, r, format); }
    CSize GetTextExtent(const char* s, int n) const { SIZE z{}; ::GetTextExtentPoint32A(m_hDC, s, n, &z); return CSize(z); }
    BOOL GetTextMetrics(TEXTMETRICA* tm) const { return ::GetTextMetricsA(m_hDC, tm); }
    BOOL BitBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, DWORD rop)
    { return ::BitBlt(m_hDC, x, y, w, h, src ? src->m_hDC : nullptr, sx, sy, rop); }
    BOOL StretchBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, int sw, int sh, DWORD rop)
    { return ::StretchBlt(m_hDC, x, y, w, h, src ? src->m_hDC : nullptr, sx, sy, sw, sh, rop); }
    BOOL PatBlt(int x, int y, int w, int h, DWORD rop) { return ::PatBlt(m_hDC, x, y, w, h, rop); }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }
    int IntersectClipRect(const RECT* r) { return ::IntersectClipRect(m_hDC, r->left, r->top, r->right, r->bottom); }
    BOOL DrawIcon(int x, int y, HICON h) { return ::DrawIcon(m_hDC, x, y, h); }

protected:
    void RestoreSelections();
    bool m_bOwned = false;   // created by CreateCompatibleDC: DeleteDC on destruction
private:
    struct Saved { HGDIOBJ obj; UINT type; };
    Saved m_saved[8] = {};    // the first object selected of each kind, put back on destruction
};

class AFX_API CPaintDC : public CDC
{
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps{};
protected:
    HWND m_hWnd;
};

class AFX_API CClientDC : public CDC
{
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;
protected:
    HWND m_hWnd;
};

class AFX_API CWindowDC : public CDC
{
public:
    explicit CWindowDC(CWnd* pWnd);
    ~CWindowDC() override;
protected:
    HWND m_hWnd;
};
