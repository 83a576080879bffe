// CPrimatteViewWnd: the background-removal window as the keying dialogs embed it. It routes the
// window's messages to CPrimatteWnd and tells its owner dialog when the view changes what it
// shows and when its key is ready for fine tuning.
//
// The owning dialog's constructor sets its own pair: m_pDlgOwner (CDlgPrimatte) or
// m_pDlgBatOwner with m_bOwnerIsBatch = 1 (CDlgPrimatteBat).
#pragma once
#include "module/kxcomdlglib.h"
#include <PrimatteWnd.h>

class CDlgPrimatte;
class CDlgPrimatteBat;

class KXCOMDLG_API CPrimatteViewWnd : public CPrimatteWnd
{
public:
// Construction
    CPrimatteViewWnd() = default;
    ~CPrimatteViewWnd() override;

// Owner
    CDlgPrimatte* m_pDlgOwner = nullptr;
    CDlgPrimatteBat* m_pDlgBatOwner = nullptr;
    int m_bOwnerIsBatch = 0;

// Overridables of CPrimatteWnd
    void OnShowTypeChanged() override;
    void OnFineTuningReady() override;

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnSize(UINT nType, int cx, int cy);
    void OnPaint();
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnRButtonDown(UINT nFlags, CPoint point);
    void OnTimer(UINT_PTR nIDEvent);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);

private:
    class CDlgPrimatteBase* GetOwner() const;
    DECLARE_MESSAGE_MAP()
};
