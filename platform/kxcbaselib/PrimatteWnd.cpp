#include "PrimatteWnd.h"
#include "KeyEngine.h"
#include "kxcbaseres.h"
#include <Parallel.h>
#include <kxraii.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

const double kZoomStep = 1.5;
const double kMaxZoom = 16.0;
const int kDragThreshold = 3;          // a press becomes a drag once the pointer moved this far
const int kArrowStep = 32;             // client pixels an arrow key pans
const UINT_PTR kAutoScrollTimer = 1;
const UINT kAutoScrollMs = 30;
const COLORREF kViewBackground = RGB(96, 96, 96);

enum : UINT { ID_PRIM_SHOW = 0x7F20, ID_PRIM_ZOOMIN = 0x7F30, ID_PRIM_ZOOMOUT, ID_PRIM_FIT, ID_PRIM_ACTUAL,
              ID_PRIM_UNDO, ID_PRIM_REDO };

void SetBack(KEYBACK& back, COLORREF colour)
{
    back.colour[0] = GetBValue(colour);
    back.colour[1] = GetGValue(colour);
    back.colour[2] = GetRValue(colour);
}

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

} // namespace

BEGIN_MESSAGE_MAP(CPrimatteWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_RBUTTONDOWN()
    ON_WM_TIMER()
    ON_WM_KEYDOWN()
    ON_WM_KEYUP()
    ON_WM_SETCURSOR()
    ON_WM_GETDLGCODE()
    ON_MESSAGE(WM_CAPTURECHANGED, OnCaptureChanged)
END_MESSAGE_MAP()

CPrimatteWnd::CPrimatteWnd() : m_nShowType(KX_SHOW_FOREGROUND), m_pEngine(new CKeyEngine) {}
CPrimatteWnd::~CPrimatteWnd() = default;

BOOL CPrimatteWnd::Create(DWORD dwStyle, const RECT* pRect, UINT nID, CWnd* pParentWnd)
{
    LPCSTR cls = AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW), nullptr);
    const CRect rect = pRect ? CRect(*pRect) : CRect();
    return CreateEx(0, cls, "", dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

int CPrimatteWnd::OnCreate(LPCREATESTRUCT)
{
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Pictures

int CPrimatteWnd::LoadFile(LPCSTR lpszPath, int nRole)
{
    if (nRole != KX_PRIM_FOREGROUND && nRole != KX_PRIM_BACKGROUND)
        return 0;
    CDib& target = nRole == KX_PRIM_FOREGROUND ? m_fg : m_bg;
    const bool ok = lpszPath && *lpszPath && target.Load(lpszPath, 0, 1, nullptr, nullptr) == 1;
    if (!ok)
        target.Free();
    if (nRole == KX_PRIM_FOREGROUND) {
        m_strFileName = ok ? lpszPath : "";
        m_strError = ok ? CString() : LoadText(IDS_PRIM_CANNOT_OPEN);
    }
    PictureChanged(nRole == KX_PRIM_FOREGROUND);
    SetShowType(nRole == KX_PRIM_FOREGROUND ? KX_SHOW_FOREGROUND : KX_SHOW_BACKGROUND);
    return ok && target.IsValid() ? 1 : 0;
}

int CPrimatteWnd::SetPicture(const CDib* pDib, int nRole, LPCSTR lpszName)
{
    if (nRole != KX_PRIM_FOREGROUND && nRole != KX_PRIM_BACKGROUND)
        return 0;
    CDib& target = nRole == KX_PRIM_FOREGROUND ? m_fg : m_bg;
    const bool ok = pDib && pDib->IsValid();
    if (ok)
        target = *pDib;
    else
        target.Free();
    if (nRole == KX_PRIM_FOREGROUND) {
        m_strFileName = ok && lpszName ? lpszName : "";
        m_strError.Empty();
    }
    PictureChanged(nRole == KX_PRIM_FOREGROUND);
    SetShowType(nRole == KX_PRIM_FOREGROUND ? KX_SHOW_FOREGROUND : KX_SHOW_BACKGROUND);
    return ok && target.IsValid() ? 1 : 0;
}

const CDib& CPrimatteWnd::GetForeground() const { return m_fg; }
const CDib& CPrimatteWnd::GetBackground() const { return m_bg; }

void CPrimatteWnd::PictureChanged(bool bForeground)
{
    if (bForeground) {
        // Without the memory to find the light on it, the picture is not taken: the window is
        // left without a foreground, as after a picture that could not be opened.
        if (!m_pEngine->SetPicture(m_fg.IsValid() ? &m_fg : nullptr)) {
            m_fg.Free();
            m_strFileName.Empty();
            m_strError = LoadText(IDS_PRIM_NO_MEMORY);
        }
        // What was made of the last picture must not outlive it.
        m_dibComposite.Free();
        m_dibMask.Free();
        m_alphaFull.reset();
        if (m_bFit || !m_fg.IsValid())
            m_bFit = true;
    }
    RebuildWork();
    if (m_bFit)
        m_dZoom = FitZoom();
    ClampScroll();
    KeyChanged();
}

void CPrimatteWnd::ShowImage(int nKind, int bRedraw)
{
    if (nKind < KX_SHOW_COMPOSITE || nKind > KX_SHOW_BACKGROUND)
        return;
    SetShowType(nKind);
    if (bRedraw && m_hWnd)
        UpdateWindow();
}

void CPrimatteWnd::SetShowType(int nKind)
{
    const bool changed = nKind != m_nShowType;
    m_nShowType = nKind;
    m_bFrameValid = false;
    Redraw();
    if (changed)
        OnShowTypeChanged();
}

void CPrimatteWnd::SetDefaultBgColor(int nMode, COLORREF color)
{
    if (nMode < KX_DEFBG_NONE || nMode > KX_DEFBG_PICTURE)
        nMode = KX_DEFBG_COLOR;
    if (nMode == m_nDefBgMode && color == m_crDefBg)
        return;
    m_nDefBgMode = nMode;
    m_crDefBg = color;
    KeyChanged();
}

// The background of a composite: a picture, the colour, or (output) none at all, (view) a
// chequer that shows where the composite is transparent.
KEYBACK CPrimatteWnd::Back(bool bFullSize) const
{
    KEYBACK back;
    SetBack(back, m_crDefBg);
    const bool picture = m_bg.IsValid() && m_nDefBgMode != KX_DEFBG_COLOR;
    if (picture) {
        back.mode = KEYBACK::Picture;
        const double cover = std::max((double)m_fg.GetWidth() / m_bg.GetWidth(), (double)m_fg.GetHeight() / m_bg.GetHeight());
        if (bFullSize) {
            back.picture = &m_bg;
            back.scale = 1 / cover;
            back.offsetX = 0.5 + (m_bg.GetWidth() * cover - m_fg.GetWidth()) / 2;
            back.offsetY = 0.5 + (m_bg.GetHeight() * cover - m_fg.GetHeight()) / 2;
        } else {
            back.picture = &m_workBg;
            back.scale = 1;
            back.offsetX = 0.5 + (m_workBg.GetWidth() - m_work.GetWidth()) / 2.0;
            back.offsetY = 0.5 + (m_workBg.GetHeight() - m_work.GetHeight()) / 2.0;
        }
    } else if (m_nDefBgMode == KX_DEFBG_NONE) {
        back.mode = bFullSize ? KEYBACK::Transparent : KEYBACK::Checker;
    }
    return back;
}

// ---------------------------------------------------------------------------------------------
// Keying

void CPrimatteWnd::SetOpType(int nOp)
{
    if (nOp < KX_OP_PICKSCREEN || nOp > KX_OP_DEFOCUS)
        return;
    m_nOpType = nOp;
    // Each choice of an operation starts a new fine-tuning selection (all colours until the
    // user picks some) and a new defocus step.
    m_fineColours.clear();
    m_nFineSession = ++m_nSessions;
    m_nDefocusSession = ++m_nSessions;
    if (nOp == KX_OP_FINETUNE && m_pEngine->IsKeyed())
        OnFineTuningReady();
}

void CPrimatteWnd::SetToolType(int nTool)
{
    if (nTool >= KX_TOOL_PICKER && nTool <= KX_TOOL_MOVE)
        m_nToolType = nTool;
}

void CPrimatteWnd::SetFineTuningVal(int nSpill, int nTransparency, int nDetail)
{
    if (!m_pEngine->IsKeyed())
        return;
    KEYSTEP step;
    step.op = KX_OP_FINETUNE;
    try {
        step.colours = m_fineColours;
    } catch (const std::bad_alloc&) {
        OutOfMemory();
        return;
    }
    step.values[0] = std::min(100, std::max(-100, nSpill));
    step.values[1] = std::min(100, std::max(-100, nTransparency));
    step.values[2] = std::min(100, std::max(-100, nDetail));
    if (!m_nFineSession)
        m_nFineSession = ++m_nSessions;
    step.session = m_nFineSession;
    const KEYSTEP* current = m_pEngine->GetCurrentStep();
    const bool inSession = current && current->op == KX_OP_FINETUNE && current->session == step.session;
    if (inSession && std::equal(step.values, step.values + 3, current->values))
        return;
    if (!inSession && !step.values[0] && !step.values[1] && !step.values[2])
        return;   // nothing tuned yet: no step
    if (!m_pEngine->Do(step)) {
        OutOfMemory();
        return;
    }
    KeyChanged();
}

void CPrimatteWnd::SetDefocusShrinkVal(int nDefocus, int nShrink)
{
    KEYSTEP step;
    step.op = KX_OP_DEFOCUS;
    step.values[0] = std::min(50, std::max(0, nDefocus));
    step.values[1] = std::min(100, std::max(0, nShrink));
    if (step.values[0] == m_pEngine->GetDefocus() && step.values[1] == m_pEngine->GetShrink())
        return;
    if (!m_nDefocusSession)
        m_nDefocusSession = ++m_nSessions;
    step.session = m_nDefocusSession;
    if (!m_pEngine->Do(step)) {
        OutOfMemory();
        return;
    }
    KeyChanged();
}

void CPrimatteWnd::SetInwardFlag(int bInward)
{
    if ((bInward != 0) == m_pEngine->GetInward())
        return;
    KEYSTEP step;
    step.op = KX_STEP_INWARD;
    step.values[0] = bInward != 0;
    if (!m_pEngine->Do(step)) {
        OutOfMemory();
        return;
    }
    KeyChanged();
}

int CPrimatteWnd::GetDefocus() const { return m_pEngine->GetDefocus(); }
int CPrimatteWnd::GetShrink() const { return m_pEngine->GetShrink(); }
int CPrimatteWnd::GetInwardFlag() const { return m_pEngine->GetInward() ? 1 : 0; }
BOOL CPrimatteWnd::IsKeyed() const { return m_pEngine->IsKeyed(); }

BOOL CPrimatteWnd::ApplyAt(const CPoint* pPoints, int nCount)
{
    if (!pPoints || nCount <= 0)
        return FALSE;
    return ApplyOperation(std::vector<CPoint>(pPoints, pPoints + nCount), nullptr);
}

BOOL CPrimatteWnd::ApplyRect(const CRect& rcPicture)
{
    return ApplyOperation(std::vector<CPoint>(), &rcPicture);
}

BOOL CPrimatteWnd::ApplyOperation(const std::vector<CPoint>& points, const CRect* pRect)
{
    if (!m_fg.IsValid() || m_nOpType == KX_OP_DEFOCUS)
        return FALSE;
    try {
        return ApplyOperationOf(points, pRect);
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
}

BOOL CPrimatteWnd::ApplyOperationOf(const std::vector<CPoint>& points, const CRect* pRect)
{
    const bool pick = m_nOpType == KX_OP_PICKSCREEN;
    // A spot about a screen pixel wide, so a click takes what the user sees there.
    const int spot = std::min(6, std::max(1, (int)std::lround(0.5 / std::max(m_dZoom, 1e-3))));
    std::vector<float> colours = m_pEngine->TakeColours(m_fg, 1.0, points, pRect, spot, pick);
    if (colours.empty())
        return FALSE;
    if (m_nOpType == KX_OP_FINETUNE) {
        if (!m_pEngine->IsKeyed())
            return FALSE;
        m_fineColours = colours;
        m_nFineSession = ++m_nSessions;
        OnFineTuningReady();
        return TRUE;
    }
    KEYSTEP step;
    step.op = m_nOpType;
    step.colours.swap(colours);
    if (pick) {
        float key[3];
        CKeyEngine::MedianColour(step.colours, key);
        step.values[0] = m_pEngine->MeasureScreenNoise(key);
        if (step.values[0] < 0)
            return OutOfMemory();
    } else if (!m_pEngine->IsKeyed()) {
        return FALSE;
    }
    if (!m_pEngine->Do(step))
        return OutOfMemory();
    KeyChanged();
    if (pick)
        SetShowType(KX_SHOW_COMPOSITE);
    return TRUE;
}

void CPrimatteWnd::KeyChanged()
{
    m_bOutOfMemory = false;
    ++m_nKeyVersion;
    m_bFrameValid = false;
    Redraw();
}

int CPrimatteWnd::PrimatteImage(int nLeft, int nTop, int nWidth, int nHeight)
{
    if (!m_fg.IsValid()) {
        m_dibComposite.Free();
        m_dibMask.Free();
        return 0;
    }
    const int w = m_fg.GetWidth(), h = m_fg.GetHeight();
    const KEYBACK back = Back(true);
    const bool whole = nLeft < 0 || nTop < 0 || !m_alphaFull || m_dibComposite.GetWidth() != w ||
                       m_dibComposite.GetHeight() != h ||
                       m_dibComposite.GetBitsPerPixel() != (back.mode == KEYBACK::Transparent ? 32 : 24);
    if (whole) {
        m_dibMask.Free();
        // The matte's buffer stays from one key to the next (the foreground's change drops it):
        // fresh pages cost more to touch than the keying that fills them.
        if (!m_alphaFull)
            m_alphaFull.reset(new (std::nothrow) BYTE[(size_t)w * h]);
        KEYOUTPUT out;
        out.composite = &m_dibComposite;
        out.alpha = m_alphaFull.get();
        out.alphaStride = w;
        if (!m_alphaFull || !m_pEngine->KeyRegion(m_fg, 1.0, CRect(0, 0, w, h), back, out)) {
            m_alphaFull.reset();
            m_dibComposite.Free();
            m_bOutOfMemory = true;
            return 0;
        }
        m_nFullVersion = m_nKeyVersion;
        m_nMaskVersion = 0;
        return 1;
    }
    CRect rc(nLeft, nTop, nLeft + std::max(0, nWidth), nTop + std::max(0, nHeight));
    rc.IntersectRect(rc, CRect(0, 0, w, h));
    if (rc.IsRectEmpty())
        return 1;
    CDib part;
    std::unique_ptr<BYTE[]> alpha(new (std::nothrow) BYTE[(size_t)rc.Width() * rc.Height()]);
    KEYOUTPUT out;
    out.composite = &part;
    out.alpha = alpha.get();
    out.alphaStride = rc.Width();
    if (!alpha || !m_pEngine->KeyRegion(m_fg, 1.0, rc, back, out))
        return 0;
    const int bpp = m_dibComposite.GetBitsPerPixel() / 8;
    for (int y = 0; y < rc.Height(); ++y) {
        memcpy(m_dibComposite.GetLine(rc.top + y) + rc.left * bpp, part.GetLine(y), (size_t)rc.Width() * bpp);
        memcpy(m_alphaFull.get() + (size_t)(rc.top + y) * w + rc.left, alpha.get() + (size_t)y * rc.Width(), rc.Width());
    }
    m_nMaskVersion = 0;
    return 1;
}

CDib* CPrimatteWnd::GetComposite()
{
    if (m_fg.IsValid() && (m_nFullVersion != m_nKeyVersion || !m_dibComposite.IsValid()))
        PrimatteImage(-1, -1, 0, 0);
    else if (!m_fg.IsValid())
        m_dibComposite.Free();
    return &m_dibComposite;
}

CDib* CPrimatteWnd::GetMask()
{
    GetComposite();
    if (!m_alphaFull) {
        m_dibMask.Free();
        return &m_dibMask;
    }
    if (m_nMaskVersion == m_nFullVersion && m_dibMask.IsValid())
        return &m_dibMask;
    const int w = m_fg.GetWidth(), h = m_fg.GetHeight();
    if (!m_dibMask.Create(w, h, 24))
        return &m_dibMask;
    const BYTE* alpha = m_alphaFull.get();
    // The rows take no memory and cannot throw: the job is finished here if the workers did not.
    KxParallelForAll(h, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            BYTE* row = m_dibMask.GetLine(y);
            const BYTE* a = alpha + (size_t)y * w;
            for (int x = 0; x < w; ++x)
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = a[x];
        }
    });
    m_dibMask.SetXRes(m_fg.GetXRes());
    m_dibMask.SetYRes(m_fg.GetYRes());
    m_nMaskVersion = m_nFullVersion;
    return &m_dibMask;
}

BOOL CPrimatteWnd::Undo()
{
    if (!m_pEngine->CanUndo())
        return FALSE;
    if (!m_pEngine->Undo())
        return OutOfMemory();
    KeyChanged();
    return TRUE;
}

BOOL CPrimatteWnd::Redo()
{
    if (!m_pEngine->CanRedo())
        return FALSE;
    if (!m_pEngine->Redo())
        return OutOfMemory();
    KeyChanged();
    return TRUE;
}

// An operation that could not get its memory did nothing: the key and the history are as they
// were. The status says so until the next change, and the user is told at once.
BOOL CPrimatteWnd::OutOfMemory()
{
    m_bOutOfMemory = true;
    if (m_hWnd && ::IsWindowVisible(m_hWnd))
        AfxMessageBox(LoadText(IDS_PRIM_NO_MEMORY), MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
}

// A handler that ran out of memory where no operation could tell (a picture for the view, a
// sampling drag's points) ends there: its message is done, and no exception leaves the window
// for the host's loop.
LRESULT CPrimatteWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return CWnd::WindowProc(message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        OutOfMemory();
        return 0;
    }
}

BOOL CPrimatteWnd::CanUndo() const { return m_pEngine->CanUndo(); }
BOOL CPrimatteWnd::CanRedo() const { return m_pEngine->CanRedo(); }
int CPrimatteWnd::GetHistoryCount() const { return m_pEngine->GetStepCount(); }
size_t CPrimatteWnd::GetHistoryBytes() const { return m_pEngine->GetHistoryBytes(); }

CString CPrimatteWnd::GetMsg() const
{
    if (m_bOutOfMemory)
        return LoadText(IDS_PRIM_NO_MEMORY);
    if (!m_fg.IsValid())
        return m_strError.IsEmpty() ? LoadText(IDS_PRIM_NO_FOREGROUND) : m_strError;
    CString text;
    text.Format(LoadText(IDS_PRIM_SIZE), m_fg.GetWidth(), m_fg.GetHeight(), (int)std::lround(m_dZoom * 100));
    return text;
}

// ---------------------------------------------------------------------------------------------
// The view: the foreground fitted into the window is keyed while the user works; zoomed past it,
// only the visible part of the full-size picture is.

void CPrimatteWnd::RebuildWork()
{
    m_work.Free();
    m_workBg.Free();
    m_bFrameValid = false;
    if (!m_fg.IsValid())
        return;
    CRect rc(0, 0, 800, 600);
    if (m_hWnd) {
        GetClientRect(&rc);
        if (rc.Width() < 16 || rc.Height() < 16)
            rc = CRect(0, 0, 800, 600);
    }
    const double fit = std::min(1.0, std::min((double)rc.Width() / m_fg.GetWidth(), (double)rc.Height() / m_fg.GetHeight()));
    const int w = std::max(1, (int)std::lround(m_fg.GetWidth() * fit));
    const int h = std::max(1, (int)std::lround(m_fg.GetHeight() * fit));
    if (w == m_fg.GetWidth() && h == m_fg.GetHeight())
        m_work = m_fg;
    else
        m_work.Resize(m_fg, w, h, 2);
    if (m_bg.IsValid()) {
        const double cover = std::max((double)w / m_bg.GetWidth(), (double)h / m_bg.GetHeight());
        const int bw = std::max(w, (int)std::ceil(m_bg.GetWidth() * cover - 1e-6));
        const int bh = std::max(h, (int)std::ceil(m_bg.GetHeight() * cover - 1e-6));
        m_workBg.Resize(m_bg, bw, bh, 2);
    }
}

double CPrimatteWnd::FitZoom() const
{
    if (!m_fg.IsValid())
        return 1.0;
    if (m_work.IsValid())
        return (double)m_work.GetWidth() / m_fg.GetWidth();
    return 1.0;
}

double CPrimatteWnd::WorkScale() const
{
    return m_work.IsValid() && m_fg.IsValid() ? (double)m_work.GetWidth() / m_fg.GetWidth() : 1.0;
}

void CPrimatteWnd::ClampScroll()
{
    if (!m_hWnd)
        return;
    CRect rc;
    GetClientRect(&rc);
    const double pw = m_fg.IsValid() ? m_fg.GetWidth() * m_dZoom : 0, ph = m_fg.IsValid() ? m_fg.GetHeight() * m_dZoom : 0;
    auto clamp = [](LONG& pos, double size, int client) {
        if (size <= client)
            pos = (LONG)std::lround((client - size) / 2);
        else
            pos = (LONG)std::min(0.0, std::max((double)pos, client - size));
    };
    clamp(m_ptScroll.x, pw, rc.Width());
    clamp(m_ptScroll.y, ph, rc.Height());
}

CPoint CPrimatteWnd::PictureToClient(double x, double y) const
{
    return CPoint((int)std::floor(m_ptScroll.x + x * m_dZoom), (int)std::floor(m_ptScroll.y + y * m_dZoom));
}

void CPrimatteWnd::ClientToPicture(CPoint point, double& x, double& y) const
{
    x = (point.x - m_ptScroll.x + 0.5) / m_dZoom;
    y = (point.y - m_ptScroll.y + 0.5) / m_dZoom;
}

void CPrimatteWnd::SetZoom(double zoom, CPoint anchor)
{
    if (!m_fg.IsValid())
        return;
    const double fit = FitZoom();
    zoom = std::min(kMaxZoom, std::max(fit / 4, zoom));
    double px, py;
    ClientToPicture(anchor, px, py);
    const bool changed = std::fabs(zoom - m_dZoom) > 1e-9;
    m_dZoom = zoom;
    m_bFit = std::fabs(zoom - fit) < 1e-9;
    m_ptScroll.x = (LONG)std::lround(anchor.x - px * zoom);
    m_ptScroll.y = (LONG)std::lround(anchor.y - py * zoom);
    ClampScroll();
    m_bFrameValid = false;
    Redraw();
    if (changed)
        OnScaleChanged();
}

CPoint CPrimatteWnd::ZoomAnchor() const
{
    CRect rc;
    if (m_hWnd)
        GetClientRect(&rc);
    return rc.CenterPoint();
}

void CPrimatteWnd::ZoomIn() { SetZoom(m_dZoom * kZoomStep, ZoomAnchor()); }
void CPrimatteWnd::ZoomOut() { SetZoom(m_dZoom / kZoomStep, ZoomAnchor()); }
void CPrimatteWnd::ZoomFit() { SetZoom(FitZoom(), ZoomAnchor()); }
void CPrimatteWnd::ZoomActual() { SetZoom(1.0, ZoomAnchor()); }

void CPrimatteWnd::ScrollBy(int dx, int dy)
{
    const CPoint before = m_ptScroll;
    m_ptScroll.x += dx;
    m_ptScroll.y += dy;
    ClampScroll();
    if (m_ptScroll == before)
        return;
    m_bFrameValid = false;
    Redraw();
    OnClipChanged();
}

CRect CPrimatteWnd::VisiblePicture() const
{
    CRect rc;
    GetClientRect(&rc);
    double l, t, r, b;
    ClientToPicture(rc.TopLeft(), l, t);
    ClientToPicture(rc.BottomRight(), r, b);
    CRect vis((int)std::floor(l) - 1, (int)std::floor(t) - 1, (int)std::ceil(r) + 1, (int)std::ceil(b) + 1);
    vis.IntersectRect(vis, CRect(0, 0, m_fg.GetWidth(), m_fg.GetHeight()));
    return vis;
}

// What the display kind shows of a region of a level of the picture (the work copy or the
// full-size picture).
bool CPrimatteWnd::RenderRegion(bool bFull, const CRect& rc, CDib& result) const
{
    const CDib& source = bFull ? m_fg : m_work;
    const double scale = bFull ? 1.0 : WorkScale();
    KEYBACK back = Back(bFull);
    switch (m_nShowType) {
    case KX_SHOW_FOREGROUND: {
        if (!result.Create(rc.Width(), rc.Height(), 24))
            return false;
        const int bpp = source.GetBitsPerPixel() / 8;
        for (int y = 0; y < rc.Height(); ++y) {
            const BYTE* src = source.GetLine(rc.top + y) + rc.left * bpp;
            BYTE* dst = result.GetLine(y);
            for (int x = 0; x < rc.Width(); ++x)
                memcpy(dst + 3 * x, src + bpp * x, 3);
        }
        return true;
    }
    case KX_SHOW_BACKGROUND:
        if (back.mode != KEYBACK::Picture)
            back.mode = KEYBACK::Colour;
        return CKeyEngine::RenderBack(back, rc, result);
    case KX_SHOW_MASK: {
        KEYOUTPUT out;
        out.mask = &result;
        return m_pEngine->KeyRegion(source, scale, rc, back, out);
    }
    default: {
        // The view shows a transparent composite over a chequer.
        if (back.mode == KEYBACK::Transparent)
            back.mode = KEYBACK::Checker;
        KEYOUTPUT out;
        out.composite = &result;
        return m_pEngine->KeyRegion(source, scale, rc, back, out);
    }
    }
}

void CPrimatteWnd::PrepareFrame(const CRect& rcClient)
{
    const int cw = rcClient.Width(), ch = rcClient.Height();
    if (m_bFrameValid && m_frame.GetWidth() == cw && m_frame.GetHeight() == ch)
        return;
    m_bFrameValid = false;
    // 32 bits a pixel, the screen's own: drawn without a conversion, at a fifth of the cost of
    // 24 bits.
    if (cw <= 0 || ch <= 0 || !m_frame.Create(cw, ch, 32))
        return;
    const DWORD background = (DWORD)GetBValue(kViewBackground) | (DWORD)GetGValue(kViewBackground) << 8 |
                             (DWORD)GetRValue(kViewBackground) << 16;
    for (int y = 0; y < ch; ++y) {
        BYTE* row = m_frame.GetLine(y);
        for (int x = 0; x < cw; ++x)
            memcpy(row + 4 * x, &background, 4);
    }
    m_bFrameValid = true;
    if (!m_fg.IsValid() || !m_work.IsValid())
        return;
    // Zoomed past the work copy, the visible part of the full-size picture is keyed instead.
    const double workScale = WorkScale();
    const bool full = m_dZoom > workScale * 1.0001;
    const CRect region = full ? VisiblePicture() : CRect(0, 0, m_work.GetWidth(), m_work.GetHeight());
    if (region.IsRectEmpty())
        return;
    if (!m_bViewValid || m_nViewVersion != m_nKeyVersion || m_nViewKind != m_nShowType || m_bViewFull != full ||
        m_rcViewResult != region) {
        m_bViewValid = RenderRegion(full, region, m_viewResult);
        m_nViewVersion = m_nKeyVersion;
        m_nViewKind = m_nShowType;
        m_bViewFull = full;
        m_rcViewResult = region;
        if (!m_bViewValid)
            return;
    }
    if (!m_bViewValid)
        return;
    // Screen pixels a pixel of the level; reduced views are resampled, enlarged ones show pixels.
    double q = m_dZoom / (full ? 1.0 : workScale);
    const CDib* shown = &m_viewResult;
    CDib reduced;
    double left = region.left, top = region.top;
    if (q < 1 - 1e-6) {
        const int rw = std::max(1, (int)std::lround(region.Width() * q)), rh = std::max(1, (int)std::lround(region.Height() * q));
        if (!reduced.Resize(m_viewResult, rw, rh, 1))
            return;
        shown = &reduced;
        left *= q;
        top *= q;
        q = 1;
    }
    const int sw = shown->GetWidth(), sh = shown->GetHeight();
    std::vector<int> columns(cw);
    for (int x = 0; x < cw; ++x) {
        const int lx = (int)std::floor((x - m_ptScroll.x + 0.5) / q - left);
        columns[x] = lx >= 0 && lx < sw ? lx : -1;
    }
    for (int y = 0; y < ch; ++y) {
        const int ly = (int)std::floor((y - m_ptScroll.y + 0.5) / q - top);
        if (ly < 0 || ly >= sh)
            continue;
        const BYTE* src = shown->GetLine(ly);
        BYTE* dst = m_frame.GetLine(y);
        for (int x = 0; x < cw; ++x)
            if (columns[x] >= 0)
                memcpy(dst + 4 * x, src + 3 * columns[x], 3);
    }
}

void CPrimatteWnd::OnPaint()
{
    CPaintDC dc(this);
    OnDraw(&dc);
}

void CPrimatteWnd::OnDraw(CDC* pDC)
{
    CRect rc;
    GetClientRect(&rc);
    PrepareFrame(rc);
    if (m_bFrameValid)
        m_frame.Draw(*pDC, rc);
    else
        pDC->FillSolidRect(&rc, kViewBackground);
    if (m_drag == DragRect)
        pDC->DrawFocusRect(&m_rcRubber);
}

BOOL CPrimatteWnd::OnEraseBkgnd(CDC*)
{
    return TRUE;   // the frame covers the whole client area
}

void CPrimatteWnd::OnSize(UINT, int, int)
{
    if (!m_fg.IsValid())
        return;
    // The work copy follows the window, so the fitted view stays one pixel a pixel.
    RebuildWork();
    if (m_bFit)
        m_dZoom = FitZoom();
    ClampScroll();
    m_bFrameValid = false;
    m_bViewValid = false;
    Redraw();
}

// ---------------------------------------------------------------------------------------------
// Mouse and keys

CPoint CPrimatteWnd::PicturePoint(CPoint client) const
{
    double x, y;
    ClientToPicture(client, x, y);
    return CPoint((int)std::floor(x), (int)std::floor(y));
}

void CPrimatteWnd::OnLButtonDown(UINT, CPoint point)
{
    SetFocus();
    if (!m_fg.IsValid() || m_drag != DragNone)
        return;
    m_ptDragStart = m_ptLast = point;
    m_bMoved = false;
    if (m_nToolType == KX_TOOL_MOVE || m_bSpacePan) {
        m_drag = DragPan;
        m_ptScrollStart = m_ptScroll;
    } else if (m_nToolType == KX_TOOL_EDIT) {
        m_drag = DragRect;
        m_rcRubber = CRect(point.x, point.y, point.x, point.y);
    } else {
        m_drag = DragSample;
        m_dragPoints.assign(1, PicturePoint(point));
    }
    SetCapture();
}

void CPrimatteWnd::OnMouseMove(UINT, CPoint point)
{
    if (m_drag == DragNone)
        return;
    if (std::abs(point.x - m_ptDragStart.x) >= kDragThreshold || std::abs(point.y - m_ptDragStart.y) >= kDragThreshold)
        m_bMoved = true;
    CRect rc;
    GetClientRect(&rc);
    switch (m_drag) {
    case DragPan: {
        const CPoint before = m_ptScroll;
        m_ptScroll = CPoint(m_ptScrollStart.x + point.x - m_ptDragStart.x, m_ptScrollStart.y + point.y - m_ptDragStart.y);
        ClampScroll();
        if (m_ptScroll != before) {
            m_bFrameValid = false;
            Redraw();
            OnClipChanged();
        }
        break;
    }
    case DragSample: {
        // Points every two screen pixels along the way, so a quick stroke leaves no gaps.
        const int dx = point.x - m_ptLast.x, dy = point.y - m_ptLast.y;
        const int steps = std::max(std::abs(dx), std::abs(dy)) / 2;
        if (steps == 0)
            break;
        CClientDC dc(this);
        kx::unique_hpen pen(::CreatePen(PS_SOLID, 1, RGB(255, 0, 255)));
        dc.SelectObject(pen.get());
        dc.MoveTo(m_ptLast.x, m_ptLast.y);
        dc.LineTo(point.x, point.y);
        for (int i = 1; i <= steps; ++i) {
            const CPoint p(m_ptLast.x + dx * i / steps, m_ptLast.y + dy * i / steps);
            const CPoint pic = PicturePoint(p);
            if (pic != m_dragPoints.back())
                m_dragPoints.push_back(pic);
        }
        m_ptLast = point;
        break;
    }
    case DragRect: {
        CClientDC dc(this);
        dc.DrawFocusRect(&m_rcRubber);
        m_rcRubber = CRect(std::min(m_ptDragStart.x, point.x), std::min(m_ptDragStart.y, point.y),
                           std::max(m_ptDragStart.x, point.x) + 1, std::max(m_ptDragStart.y, point.y) + 1);
        m_ptLast = point;
        if (!rc.PtInRect(point))
            SetTimer(kAutoScrollTimer, kAutoScrollMs);
        dc.DrawFocusRect(&m_rcRubber);
        break;
    }
    default:
        break;
    }
}

void CPrimatteWnd::OnLButtonUp(UINT, CPoint point)
{
    if (m_drag == DragNone)
        return;
    EndDrag(point);
}

void CPrimatteWnd::EndDrag(CPoint point)
{
    const Drag drag = m_drag;
    const bool moved = m_bMoved;
    m_drag = DragNone;   // first, so losing the capture below does not cancel the gesture
    KillTimer(kAutoScrollTimer);
    if (GetCapture() == this)
        ::ReleaseCapture();
    if (drag == DragRect) {
        Invalidate(FALSE);
        if (moved) {
            const CPoint a = PicturePoint(m_rcRubber.TopLeft());
            const CPoint b = PicturePoint(CPoint(m_rcRubber.right - 1, m_rcRubber.bottom - 1));
            const CRect pic(a.x, a.y, b.x + 1, b.y + 1);
            ApplyOperation(std::vector<CPoint>(), &pic);
        } else {
            ApplyOperation(std::vector<CPoint>(1, PicturePoint(point)), nullptr);
        }
    } else if (drag == DragSample) {
        Invalidate(FALSE);
        if (!moved)
            m_dragPoints.assign(1, PicturePoint(m_ptDragStart));
        ApplyOperation(m_dragPoints, nullptr);
    }
    m_dragPoints.clear();
}

LRESULT CPrimatteWnd::OnCaptureChanged(WPARAM, LPARAM)
{
    // The capture was taken away in the middle of a gesture: it is dropped, nothing is applied.
    if (m_drag != DragNone) {
        m_drag = DragNone;
        m_dragPoints.clear();
        KillTimer(kAutoScrollTimer);
        Invalidate(FALSE);
    }
    return 0;
}

void CPrimatteWnd::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != kAutoScrollTimer)
        return;
    if (m_drag != DragRect) {
        KillTimer(kAutoScrollTimer);
        return;
    }
    // The rectangle is dragged past the edge: the picture scrolls towards the pointer.
    CPoint point;
    ::GetCursorPos(&point);
    ScreenToClient(&point);
    CRect rc;
    GetClientRect(&rc);
    const int dx = point.x < 0 ? 16 : point.x >= rc.right ? -16 : 0;
    const int dy = point.y < 0 ? 16 : point.y >= rc.bottom ? -16 : 0;
    if (!dx && !dy) {
        KillTimer(kAutoScrollTimer);
        return;
    }
    const CPoint before = m_ptScroll;
    ScrollBy(dx, dy);
    m_ptDragStart.Offset(m_ptScroll.x - before.x, m_ptScroll.y - before.y);
    UpdateWindow();
    OnMouseMove(0, point);
}

void CPrimatteWnd::OnRButtonDown(UINT, CPoint point)
{
    SetFocus();
    ClientToScreen(&point);
    ShowContextMenu(point);
}

void CPrimatteWnd::ShowContextMenu(CPoint screen)
{
    if (GetMenuID()) {
        LPCSTR name = MAKEINTRESOURCEA(GetMenuID());
        kx::unique_hmenu loaded(::LoadMenuA(AfxFindResourceHandle(name, RT_MENU), name));
        HMENU hMenu = loaded ? ::GetSubMenu(loaded.get(), GetSubMenuID()) : nullptr;
        if (hMenu)
            ::TrackPopupMenu(hMenu, TPM_RIGHTBUTTON, screen.x, screen.y, 0, ::GetParent(m_hWnd), nullptr);
        return;
    }
    kx::unique_hmenu menu(::CreatePopupMenu());
    if (!menu)
        return;
    const bool picture = m_fg.IsValid() != FALSE;
    for (int kind = KX_SHOW_COMPOSITE; kind <= KX_SHOW_BACKGROUND; ++kind)
        ::AppendMenuA(menu.get(), MF_STRING | (kind == m_nShowType ? MF_CHECKED : 0), ID_PRIM_SHOW + kind,
                      LoadText(IDS_PRIM_COMPOSITE + kind));
    ::AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
    const struct { UINT id; UINT text; bool enabled; } items[] = {
        { ID_PRIM_ZOOMIN, IDS_CLIP_ZOOMIN, picture },
        { ID_PRIM_ZOOMOUT, IDS_CLIP_ZOOMOUT, picture },
        { ID_PRIM_FIT, IDS_CLIP_FIT, picture },
        { ID_PRIM_ACTUAL, IDS_CLIP_ACTUAL, picture },
        { 0, 0, false },
        { ID_PRIM_UNDO, IDS_PRIM_UNDO, CanUndo() != FALSE },
        { ID_PRIM_REDO, IDS_PRIM_REDO, CanRedo() != FALSE },
    };
    for (const auto& item : items) {
        if (!item.id)
            ::AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
        else
            ::AppendMenuA(menu.get(), MF_STRING | (item.enabled ? 0 : MF_GRAYED), item.id, LoadText(item.text));
    }
    const UINT cmd = (UINT)::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, m_hWnd, nullptr);
    if (cmd >= ID_PRIM_SHOW && cmd <= ID_PRIM_SHOW + KX_SHOW_BACKGROUND)
        ShowImage(cmd - ID_PRIM_SHOW, 1);
    else if (cmd == ID_PRIM_ZOOMIN) ZoomIn();
    else if (cmd == ID_PRIM_ZOOMOUT) ZoomOut();
    else if (cmd == ID_PRIM_FIT) ZoomFit();
    else if (cmd == ID_PRIM_ACTUAL) ZoomActual();
    else if (cmd == ID_PRIM_UNDO) Undo();
    else if (cmd == ID_PRIM_REDO) Redo();
}

void CPrimatteWnd::OnKeyDown(UINT nChar, UINT, UINT)
{
    const bool control = ::GetKeyState(VK_CONTROL) < 0;
    switch (nChar) {
    case VK_ADD:
    case VK_OEM_PLUS:
        ZoomIn();
        break;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
        ZoomOut();
        break;
    case '1':
    case VK_NUMPAD1:
        ZoomFit();
        break;
    case '2':
    case VK_NUMPAD2:
        ZoomActual();
        break;
    case VK_LEFT: ScrollBy(kArrowStep, 0); break;
    case VK_RIGHT: ScrollBy(-kArrowStep, 0); break;
    case VK_UP: ScrollBy(0, kArrowStep); break;
    case VK_DOWN: ScrollBy(0, -kArrowStep); break;
    case VK_SPACE:
        m_bSpacePan = true;
        break;
    case 'Z':
        if (control)
            Undo();
        break;
    case 'Y':
        if (control)
            Redo();
        break;
    default:
        break;
    }
}

void CPrimatteWnd::OnKeyUp(UINT nChar, UINT, UINT)
{
    if (nChar == VK_SPACE)
        m_bSpacePan = false;
}

BOOL CPrimatteWnd::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
{
    if (nHitTest != HTCLIENT)
        return CWnd::OnSetCursor(pWnd, nHitTest, message);
    const bool pan = m_nToolType == KX_TOOL_MOVE || m_bSpacePan || m_drag == DragPan;
    ::SetCursor(::LoadCursorA(nullptr, pan ? IDC_SIZEALL : IDC_CROSS));
    return TRUE;
}

UINT CPrimatteWnd::OnGetDlgCode()
{
    return DLGC_WANTARROWS | DLGC_WANTCHARS;
}

// ---------------------------------------------------------------------------------------------
// Overridables

void CPrimatteWnd::OnShowTypeChanged() {}
void CPrimatteWnd::OnFineTuningReady() {}
void CPrimatteWnd::SetMenuID(UINT nID) { m_nMenuID = nID; }
UINT CPrimatteWnd::GetMenuID() const { return m_nMenuID; }
int CPrimatteWnd::GetSubMenuID() const { return 0; }
int CPrimatteWnd::OnClipChanged() { return 0; }
void CPrimatteWnd::OnScaleChanged() {}
