// CLineTrackBar: a slider drawn as a line with a thumb, paired with a buddy edit that shows its
// position as decimal text.
//
// How to use it:
//   1) place a KX_LINE_TRACKBAR_CTRL custom control and an edit in the template;
//   2) in OnInitDialog: m_slider.SubclassDlgItem(IDC_SLIDER, this);
//      m_slider.InitControl(IDC_SLIDER_EDIT, 0, -100, 0, 100, 1, 1, 0);
//   3) handle WM_KX_SLIDER_CHANGED (0x83E9) in the parent and re-read the sliders with GetPos;
//   4) in the buddy's EN_CHANGE handler, when NeedSendMessage() is non-zero, parse the text and
//      call SetPosFromBuddy(value, 0), which leaves the typed text alone. The slider never
//      parses its buddy itself: what a typed text means (and whether it is refused) is the
//      dialog's data exchange.
//
// Notification: the parent receives WM_KX_SLIDER_CHANGED, sent (not posted), with
// wParam = MAKEWPARAM(control id, code) and lParam = the position; code is
// KX_SLIDER_MOVED for a move, KX_SLIDER_LAST_VALUE for the closing notice of a gesture.
#pragma once
#include "kxcbaselib.h"

#define KX_SLIDER_MOVED      0
#define KX_SLIDER_LAST_VALUE 1

class KXCBASE_API CLineTrackBar : public CWnd
{
public:
// Construction
    CLineTrackBar();
    ~CLineTrackBar() override;

    // Sets up the attached slider.
    //   nBuddyID       id of the buddy edit, a sibling in the same parent; 0 for none
    //   bVertical      0 horizontal (minimum at the left), 1 vertical (minimum at the top)
    //   nMin, nMax     the range, inclusive (swapped when given the wrong way round)
    //   nPos           initial position, limited to the range; the buddy shows it
    //   nLineSize      step of an arrow key (at least 1)
    //   bTrackNotify   1: notify on every position change while the thumb is dragged;
    //                  0: notify once, when the drag ends, if the position changed
    //   nPageSize      step of Page Up / Page Down; 0 picks a tenth of the range (at least
    //                  nLineSize)
    // No notification is sent.
    BOOL InitControl(UINT nBuddyID, int bVertical, int nMin, int nPos, int nMax,
                     int nLineSize = 1, int bTrackNotify = 1, int nPageSize = 0);

// Attributes
    int GetPos() const { return m_nPos; }
    int GetRangeMin() const { return m_nMin; }
    int GetRangeMax() const { return m_nMax; }
    int GetLineSize() const { return m_nLineSize; }
    int GetPageSize() const { return m_nPageSize; }
    UINT GetBuddyID() const { return m_nBuddyID; }

    // Non-zero when the buddy's text is being changed by someone other than the slider: the
    // parent's EN_CHANGE handler then applies the text; zero while the slider writes its own
    // position there.
    int NeedSendMessage() const { return m_nWritingBuddy == 0; }

// Operations
    // Moves to nPos (limited to the range) and shows it in the buddy. With bNotify non-zero the
    // parent is notified as after a user move, even when the position did not change, so that a
    // dialog can ask for its preview this way.
    void SetPos(int nPos, int bNotify);
    // Moves to nPos (limited to the range) for a value the user is typing into the buddy: the
    // buddy keeps the text as typed, unfinished ("-", "") or beyond the range ("2000"), so the
    // typing goes on undisturbed; the next SetPos or user move shows the position again. With
    // bNotify non-zero the parent is notified as after a user move.
    void SetPosFromBuddy(int nPos, int bNotify);
    void SetRange(int nMin, int nMax, BOOL bRedraw = TRUE);

    // With bOn non-zero, every user gesture (a drag ending at the button release, a run of key
    // presses ending at the key release) that changed the position ends with one more
    // notification of code KX_SLIDER_LAST_VALUE carrying the final position, so that a parent
    // may defer costly work to it.
    void SetLastValNotice(int bOn) { m_bLastValNotice = bOn != 0; }

protected:
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    LRESULT OnCaptureChanged(WPARAM wParam, LPARAM lParam);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    UINT OnGetDlgCode();
    void OnSetFocus(CWnd* pOldWnd);
    void OnKillFocus(CWnd* pNewWnd);
    LRESULT OnEnable(WPARAM wParam, LPARAM lParam);

    // Geometry along the slider's axis, in client pixels.
    struct Axis { int start; int length; };
    Axis GetAxis() const;
    CRect GetThumbRect() const;
    int PosFromPixel(int along) const;
    int PixelFromPos(int pos) const;
    int Along(CPoint point) const { return m_bVertical ? point.y : point.x; }

    // Moves by the user: sets the position, writes the buddy, notifies when it changed (and
    // when notification is due for the gesture).
    void MoveByUser(int nPos, bool bNotify);
    void Notify(WORD code);
    void UpdateBuddy();
    void EndGesture();
    virtual void DrawSlider(CDC& dc, const CRect& rcClient);

    int m_nMin = 0;
    int m_nMax = 100;
    int m_nPos = 0;
    int m_nLineSize = 1;
    int m_nPageSize = 10;
    UINT m_nBuddyID = 0;
    bool m_bVertical = false;
    bool m_bTrackNotify = true;
    bool m_bLastValNotice = false;

    bool m_bDragging = false;
    int m_nDragOffset = 0;        // pointer minus thumb centre when the drag started
    bool m_bGestureMoved = false; // the position changed during the current drag or key run
    bool m_bUnsentMove = false;   // a drag without track notification changed the position
    int m_nWritingBuddy = 0;      // depth of our own writes to the buddy edit

    DECLARE_MESSAGE_MAP()
};
