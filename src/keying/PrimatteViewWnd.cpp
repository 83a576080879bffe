#include "PrimatteViewWnd.h"
#include "DlgPrimatte.h"
#include "DlgPrimatteBat.h"

BEGIN_MESSAGE_MAP(CPrimatteViewWnd, CPrimatteWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_PAINT()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_RBUTTONDOWN()
    ON_WM_TIMER()
    ON_WM_KEYDOWN()
    ON_WM_KEYUP()
END_MESSAGE_MAP()

CPrimatteViewWnd::~CPrimatteViewWnd() = default;

CDlgPrimatteBase* CPrimatteViewWnd::GetOwner() const
{
    if (m_bOwnerIsBatch)
        return m_pDlgBatOwner;
    return m_pDlgOwner;
}

void CPrimatteViewWnd::OnShowTypeChanged()
{
    if (CDlgPrimatteBase* owner = GetOwner())
        owner->ShowTypeChanged(m_nShowType);
}

void CPrimatteViewWnd::OnFineTuningReady()
{
    if (CDlgPrimatteBase* owner = GetOwner())
        owner->FineTuningReady();
}

int CPrimatteViewWnd::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    return CPrimatteWnd::OnCreate(lpCreateStruct) == -1 ? -1 : 0;
}

void CPrimatteViewWnd::OnSize(UINT nType, int cx, int cy) { CPrimatteWnd::OnSize(nType, cx, cy); }

void CPrimatteViewWnd::OnPaint()
{
    CPaintDC dc(this);
    CPrimatteWnd::OnDraw(&dc);
}

void CPrimatteViewWnd::OnLButtonDown(UINT nFlags, CPoint point) { CPrimatteWnd::OnLButtonDown(nFlags, point); }
void CPrimatteViewWnd::OnLButtonUp(UINT nFlags, CPoint point) { CPrimatteWnd::OnLButtonUp(nFlags, point); }
void CPrimatteViewWnd::OnMouseMove(UINT nFlags, CPoint point) { CPrimatteWnd::OnMouseMove(nFlags, point); }
void CPrimatteViewWnd::OnRButtonDown(UINT nFlags, CPoint point) { CPrimatteWnd::OnRButtonDown(nFlags, point); }
void CPrimatteViewWnd::OnTimer(UINT_PTR nIDEvent) { CPrimatteWnd::OnTimer(nIDEvent); }
void CPrimatteViewWnd::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) { CPrimatteWnd::OnKeyDown(nChar, nRepCnt, nFlags); }
void CPrimatteViewWnd::OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) { CPrimatteWnd::OnKeyUp(nChar, nRepCnt, nFlags); }
