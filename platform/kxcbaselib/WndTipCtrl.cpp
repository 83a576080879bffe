#include "WndTipCtrl.h"
#include <algorithm>

namespace {
const UINT_PTR kWatchTimer = 1;
const UINT kWatchPeriodMs = 200;
const int kPadding = 4;
const int kSampleHeight = 24;        // pixels: large enough to judge a face by
const int kSampleMaxBytes = 48;
} // namespace

BEGIN_MESSAGE_MAP(CWndTipCtrl, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_TIMER()
    ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

CWndTipCtrl::CWndTipCtrl() = default;
CWndTipCtrl::~CWndTipCtrl() = default;

BOOL CWndTipCtrl::Create(CWnd* pOwner)
{
    if (m_hWnd)
        return FALSE;
    m_hWndOwner = pOwner ? pOwner->m_hWnd : nullptr;
    HWND hTop = m_hWndOwner ? ::GetAncestor(m_hWndOwner, GA_ROOT) : nullptr;
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    m_fontText.CreateFontIndirect(&ncm.lfStatusFont);
    LPCSTR cls = AfxRegisterWndClass(CS_SAVEBITS, ::LoadCursorA(nullptr, IDC_ARROW));
    return CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, cls, "", WS_POPUP | WS_BORDER,
                    0, 0, 0, 0, hTop, nullptr);
}

void CWndTipCtrl::PostNcDestroy() { m_hWndOwner = nullptr; }

CString CWndTipCtrl::SampleLine() const
{
    const char* begin = m_strSample;
    const char* end = begin;
    // One line, cut at a whole character so a double-byte text never ends in half a character.
    while (*end && *end != '\r' && *end != '\n' && end - begin < kSampleMaxBytes)
        end = ::CharNextA(end);
    return CString(begin, (int)(end - begin));
}

CSize CWndTipCtrl::MeasureTip()
{
    CClientDC dc(this);
    dc.SelectObject(m_fontText);
    CSize text = dc.GetTextExtent(m_strText, m_strText.GetLength());
    int width = text.cx;
    int height = text.cy + 2 * kPadding;
    const CString sample = SampleLine();
    if (!sample.IsEmpty()) {
        dc.SelectObject(m_fontSample);
        CSize s = dc.GetTextExtent(sample, sample.GetLength());
        width = std::max(width, (int)s.cx);
        height += s.cy + kPadding;
    }
    // The border takes a pixel on each side.
    return CSize(width + 2 * kPadding + 2, height + 2);
}

void CWndTipCtrl::ShowTips(CPoint ptScreen, LPCSTR lpszText, LPCSTR lpszSample)
{
    if (!m_hWnd)
        return;
    if (!lpszText || !*lpszText) {
        HideTips();
        return;
    }
    m_dwShownAt = ::GetTickCount();
    const CString sample = lpszSample ? lpszSample : "";
    if (IsWindowVisible() && m_strText == lpszText && m_strSample == sample && m_ptShown == ptScreen)
        return;

    if (m_strText != lpszText || !m_fontSample.GetSafeHandle()) {
        LOGFONTA lf{};
        lf.lfHeight = -kSampleHeight;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = ANTIALIASED_QUALITY;
        lstrcpynA(lf.lfFaceName, lpszText, LF_FACESIZE);
        m_fontSample.CreateFontIndirect(&lf);
    }
    m_strText = lpszText;
    m_strSample = sample;
    m_ptShown = ptScreen;

    const CSize size = MeasureTip();
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    ::GetMonitorInfoA(::MonitorFromPoint(ptScreen, MONITOR_DEFAULTTONEAREST), &mi);
    const CRect work(mi.rcWork);
    const int cx = std::min((int)size.cx, work.Width());
    const int cy = std::min((int)size.cy, work.Height());
    const int x = std::max((int)work.left, std::min((int)ptScreen.x, (int)work.right - cx));
    const int y = std::max((int)work.top, std::min((int)ptScreen.y, (int)work.bottom - cy));
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, cx, cy, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    Invalidate();
    SetTimer(kWatchTimer, kWatchPeriodMs);
}

void CWndTipCtrl::HideTips()
{
    if (!m_hWnd)
        return;
    KillTimer(kWatchTimer);
    ShowWindow(SW_HIDE);
}

void CWndTipCtrl::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != kWatchTimer) {
        Default();
        return;
    }
    const bool ownerGone = m_hWndOwner && (!::IsWindow(m_hWndOwner) || !::IsWindowVisible(m_hWndOwner));
    if (ownerGone || ::GetTickCount() - m_dwShownAt >= m_nAutoHideMs)
        HideTips();
}

void CWndTipCtrl::OnMouseMove(UINT, CPoint)
{
    // The tip never stands in the way of what the user points at.
    HideTips();
}

BOOL CWndTipCtrl::OnEraseBkgnd(CDC*) { return TRUE; }

void CWndTipCtrl::OnPaint()
{
    CPaintDC dc(this);
    CRect rc;
    GetClientRect(&rc);
    dc.FillSolidRect(&rc, ::GetSysColor(COLOR_INFOBK));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(::GetSysColor(COLOR_INFOTEXT));
    dc.SelectObject(m_fontText);
    CRect line(rc.left + kPadding, rc.top + kPadding, rc.right - kPadding, rc.bottom);
    const int textHeight = dc.DrawText(m_strText, m_strText.GetLength(), &line,
                                       DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    const CString sample = SampleLine();
    if (!sample.IsEmpty()) {
        line.top += textHeight + kPadding;
        dc.SelectObject(m_fontSample);
        dc.DrawText(sample, sample.GetLength(), &line, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    }
}
