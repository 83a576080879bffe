// CPrimatteWnd: the background-removal window. It holds a foreground photographed in front of a
// coloured screen, an optional background picture, and a key that says how opaque every colour
// of the foreground is; it shows the composite, the mask, the foreground or the background, and
// lets the user shape the key by clicking or dragging over the picture.
//
// How to use it:
//   1) Create(WS_CHILD | WS_VISIBLE, nullptr, 0, pParent) in the owner's OnCreate, then move it
//      where it belongs;
//   2) LoadFile(path, KX_PRIM_FOREGROUND) and, if wanted, LoadFile(path, KX_PRIM_BACKGROUND) or
//      SetDefaultBgColor(KX_DEFBG_COLOR, colour);
//   3) SetOpType(KX_OP_PICKSCREEN) and let the user click the screen; other operations refine the
//      key (SetOpType, then clicks; SetFineTuningVal; SetDefocusShrinkVal);
//   4) GetComposite() and GetMask() give the full-size results, for saving.
//
// The key is a model of the screen in colour space, so it applies to any picture shot on the same
// screen: a new foreground is keyed at once by the key already made. What the user sees is keyed
// on a view-sized copy of the foreground (or, zoomed in, on the visible part only), so a click or a
// slider step costs the same whatever the picture's size; the full-size picture is keyed when
// GetComposite, GetMask or PrimatteImage asks for it.
//
// The key, for a pixel of colour C where the screen behind it would have colour B (the picked
// screen colour corrected by a smooth map of the screen's uneven light, found on the picture):
//   - a colour C = a F + (1 - a) B mixes a foreground colour F with the screen; a is the opacity.
//     C - B points from the screen towards F, and a is how far along that way C lies, measured
//     by the colour difference: how far C's screen channel stands above the larger of its other
//     two, against B's own (C's difference is (1 - a) of B's for a foreground that does not lean
//     the screen's way), times a gain that depends on the way; then opacities below an inner
//     threshold become 0 (screen noise), above an outer one 1;
//   - hair of a colour past the screen's complement (fair hair on a blue screen) has lost all the
//     screen's lead well short of its own colour, where the colour difference would read its
//     strands opaque: among mixes with little solid subject round them whose densest colours lie
//     past that point, a is how far along the way C lies towards a colour beyond the densest;
//   - inside the subject (no clear screen within about a hundredth of the picture), a mixed colour
//     whose screen channel lies well below B's is a dark part of the subject, not the screen seen
//     through black: it becomes opaque (navy cloth on a blue screen), while glass, lighter than
//     the screen, and strands at the open screen keep what they measure;
//   - a part the key finds mixed that the opaque subject encloses all round, with no clear screen
//     in it, is the subject in colours of the screen's hue (a badge on a coat) and becomes opaque,
//     keeping its colours, unless its colours lie on one line from the screen colour as a
//     see-through cover's do (glass in a frame keeps its cover);
//   - the foreground's own colour is C less (1 - a) B, so hair and glass keep their real colours
//     and the new background shows through them; what still leans towards the screen's hue
//     beyond a tolerance (near the subject's edge, beyond the lean of the subject's colour near
//     it where that is less) is screen light spilt on the subject: its hue is taken away, its
//     brightness kept;
//   - the composite is that colour plus (1 - a) times the background; the mask is a in grey.
//
// Operations (SetOpType; a click takes the colours of a small spot, a drag those along its way,
// the edit tool those inside the dragged rectangle):
//   0 KX_OP_PICKSCREEN     the colours are the screen: the key starts anew from them, the screen
//                          light is mapped, the screen noise measured; the composite is shown.
//   1 KX_OP_CLEANBG        the colours are background: they and the colours lying their way from
//                          the screen nearer it become fully transparent (specks, seams and shadows
//                          on the screen); the colours that way further out, from a little above
//                          these colours' measure on, keep theirs (strands beside a speck).
//   2 KX_OP_CLEANFG        the colours are foreground: they and colours close to them become fully
//                          opaque (holes in the subject where it resembles the screen).
//   3 KX_OP_FGOPAQUE       foreground that shows through although it should not: the opacity of
//                          colours lying the same way from the screen, from these colours outwards,
//                          is raised until these are opaque (the mixes nearer the screen, from
//                          half their way in, less and less, so the subject's soft edge stays).
//   4 KX_OP_FGTRANSPARENT  the opposite: colours lying that way, from these colours towards the
//                          screen, lose about a third of their opacity a click (glass, veils); the
//                          colours further out, the subject itself, keep theirs.
//   5 KX_OP_RESTOREDETAIL  fine detail lost to the inner threshold, to cleaned background or to a
//                          faint measure: these colours and colours close to them keep their
//                          measured opacity again, even below the screen's noise (the threshold is
//                          lowered round them, not round the screen colour, so the screen stays
//                          clear), and they and the mixes lying their way near them show half again
//                          their opacity a click (not those nearer the screen than a third of
//                          their way, so the screen's noise stays clear).
//   6 KX_OP_CLEANSPILL     colours lying this way keep none of the screen's hue.
//   7 KX_OP_FINETUNE       the colours are selected for fine tuning (OnFineTuningReady follows);
//                          SetFineTuningVal then adjusts spill, transparency and detail for
//                          colours lying their way (for all colours when none was selected).
//   8 KX_OP_DEFOCUS        clicks do nothing; SetDefocusShrinkVal and SetInwardFlag shape the
//                          matte in space: shrink erodes it, defocus softens its edge, inward keeps
//                          the softened edge inside the subject.
// Before a screen colour is picked there is no key: the composite is the foreground itself.
//
// History: every operation is a step of its own, kept as what it did (the colours it took and its
// values), never as a picture. Undo and Redo replay the steps from the start, so a redone key is
// the same as the first time, bit for bit. The last KX_PRIM_HISTORY steps are kept; older ones
// are folded into the starting key. Slider moves of one fine-tuning selection, and consecutive
// SetDefocusShrinkVal calls, are one step.
//
// Tools (SetToolType): 1 picker: click or drag to take colours; 2 edit: drag a rectangle whose
// colours are taken; 3 move: drag to pan. With any tool, the space bar held down pans, and the
// right button opens a menu of displays and zoom.
//
// Keys (OnKeyDown): keypad + and - (and the main keyboard's) zoom in and out, "1" fits the picture
// into the window, "2" shows it at actual size; the arrows pan a picture larger than the window;
// Ctrl+Z undoes, Ctrl+Y redoes.
#pragma once
#include "kxcbaselib.h"
#include "KeyEngine.h"
#include <Dib.h>
#include <memory>
#include <vector>

// LoadFile roles
#define KX_PRIM_FOREGROUND 2
#define KX_PRIM_BACKGROUND 3

// Display kinds (ShowImage, m_nShowType)
#define KX_SHOW_COMPOSITE  0
#define KX_SHOW_MASK       1
#define KX_SHOW_FOREGROUND 2
#define KX_SHOW_BACKGROUND 3

// Operations (SetOpType), as described above
#define KX_OP_PICKSCREEN     0
#define KX_OP_CLEANBG        1
#define KX_OP_CLEANFG        2
#define KX_OP_FGOPAQUE       3
#define KX_OP_FGTRANSPARENT  4
#define KX_OP_RESTOREDETAIL  5
#define KX_OP_CLEANSPILL     6
#define KX_OP_FINETUNE       7
#define KX_OP_DEFOCUS        8

// Mouse tools (SetToolType)
#define KX_TOOL_PICKER 1
#define KX_TOOL_EDIT   2
#define KX_TOOL_MOVE   3

// Default background modes (SetDefaultBgColor)
#define KX_DEFBG_NONE    0   // the background picture if one is loaded, else none: the composite
                             // is a 32-bit picture whose alpha is the mask
#define KX_DEFBG_COLOR   1   // the colour, whatever picture is loaded
#define KX_DEFBG_PICTURE 2   // the background picture (the owner loads it), else the colour

// Steps of the history kept before the oldest are folded into the starting key.
#define KX_PRIM_HISTORY 200

class KXCBASE_API CPrimatteWnd : public CWnd
{
public:
// Construction
    CPrimatteWnd();
    ~CPrimatteWnd() override;

// State the owner reads
    CDib m_dibComposite;     // the full-size composite as last finished: read it through GetComposite()
    CDib m_dibMask;          // the full-size mask (24-bit grey) as last finished: read it through GetMask()
    int m_nShowType;         // KX_SHOW_..., what the window shows
    CString m_strFileName;   // the foreground's full path; empty without a foreground

// Pictures
    // Loads a picture file as KX_PRIM_FOREGROUND or KX_PRIM_BACKGROUND and shows it (the display
    // kind becomes 2 or 3). 1 on success. A foreground that fails to load leaves the window
    // without a foreground: nothing keyed is shown and GetMsg says the picture could not be
    // opened. A background that fails leaves no background picture. Other roles are refused (0).
    // The key stays: a new foreground is keyed by it at once.
    int LoadFile(LPCSTR lpszPath, int nRole);
    // The same with a picture in memory (copied); null or invalid empties the role. name is what
    // m_strFileName becomes for a foreground.
    int SetPicture(const CDib* pDib, int nRole, LPCSTR lpszName = nullptr);
    const CDib& GetForeground() const;
    const CDib& GetBackground() const;
    // Shows KX_SHOW_...; bRedraw repaints at once. OnShowTypeChanged follows a change.
    void ShowImage(int nKind, int bRedraw);
    // KX_DEFBG_... and the colour it uses.
    void SetDefaultBgColor(int nMode, COLORREF color);
    int GetDefaultBgMode() const { return m_nDefBgMode; }
    COLORREF GetDefaultBgColor() const { return m_crDefBg; }

// Keying
    void SetOpType(int nOp);            // KX_OP_...; others are ignored
    int GetOpType() const { return m_nOpType; }
    void SetToolType(int nTool);        // KX_TOOL_...; others are ignored
    int GetToolType() const { return m_nToolType; }
    // Spill, transparency and detail, each -100..100 (clamped), relative to the key as it was when
    // the colours were selected for fine tuning (KX_OP_FINETUNE): positive spill takes more of the
    // screen's hue away, positive transparency makes the colours more transparent, positive detail
    // keeps fainter detail. 0, 0, 0 gives back the key of the selection.
    void SetFineTuningVal(int nSpill, int nTransparency, int nDetail);
    // Defocus 0..50 (the edge is softened over defocus / 5 pixels of the full-size picture) and
    // shrink 0..100 (the matte is eroded by shrink / 10 pixels); both absolute, clamped.
    void SetDefocusShrinkVal(int nDefocus, int nShrink);
    void SetInwardFlag(int bInward);
    int GetDefocus() const;
    int GetShrink() const;
    int GetInwardFlag() const;
    // Performs the current operation on picture pixels as a click (one point) or a drag (a path)
    // of the picker does; FALSE when there is no foreground or nothing to take.
    BOOL ApplyAt(const CPoint* pPoints, int nCount);
    // As the edit tool does with a rectangle of picture pixels.
    BOOL ApplyRect(const CRect& rcPicture);
    // Keys the full-size picture into m_dibComposite and m_dibMask: nLeft < 0 or nTop < 0 the
    // whole picture; otherwise only the rectangle nLeft, nTop, nWidth x nHeight of it is keyed
    // anew (the rest of both keeps what it had, or the whole is keyed when they are not of the
    // picture's size). 1 on success; 0 without a foreground or memory (then both are empty).
    int PrimatteImage(int nLeft, int nTop, int nWidth, int nHeight);
    // The full-size composite and mask, keyed first when the key or the pictures changed since
    // they were last made. Empty (invalid) without a foreground or when memory ran out. Callers may
    // change the picture in place (set its resolution): it stays so until the key changes.
    CDib* GetComposite();
    CDib* GetMask();
    // TRUE when a screen colour has been picked.
    BOOL IsKeyed() const;

    BOOL Undo();                        // FALSE when there is nothing to undo
    BOOL Redo();
    BOOL CanUndo() const;
    BOOL CanRedo() const;
    int GetHistoryCount() const;        // steps kept, done and undone
    size_t GetHistoryBytes() const;     // the memory the history holds

    // A short status text: the picture's size and the zoom, or why there is no picture, or that
    // the last operation ran out of memory. An operation that runs out of memory (a click,
    // SetFineTuningVal, SetDefocusShrinkVal, SetInwardFlag, Undo, Redo) does nothing, and a
    // message box tells the user while the window is visible.
    CString GetMsg() const;

// Zoom
    void ZoomIn();
    void ZoomOut();
    void ZoomFit();
    void ZoomActual();
    double GetZoom() const { return m_dZoom; }      // screen pixels a picture pixel
    BOOL IsZoomFit() const { return m_bFit; }
    CPoint PictureToClient(double x, double y) const;
    void ClientToPicture(CPoint point, double& x, double& y) const;

// Overridables
    // The display kind changed (m_nShowType), by the window itself or by ShowImage / LoadFile.
    virtual void OnShowTypeChanged();
    // Colours were selected for fine tuning: SetFineTuningVal now adjusts them.
    virtual void OnFineTuningReady();
    // A context menu of the owner's (menu resource id, and the index of the popup in it) replaces
    // the window's own; its commands go to the parent.
    virtual void SetMenuID(UINT nID);
    virtual UINT GetMenuID() const;
    virtual int GetSubMenuID() const;
    // The visible part of the picture moved (panning). The result is not used by the window.
    virtual int OnClipChanged();
    // The zoom changed.
    virtual void OnScaleChanged();
    // A child of pParentWnd at *pRect (null: an empty rectangle, moved into place later).
    virtual BOOL Create(DWORD dwStyle, const RECT* pRect, UINT nID, CWnd* pParentWnd);

// Message handlers, routed to by subclasses
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnSize(UINT nType, int cx, int cy);
    void OnPaint();
    void OnDraw(CDC* pDC);
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnRButtonDown(UINT nFlags, CPoint point);
    void OnTimer(UINT_PTR nIDEvent);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    UINT OnGetDlgCode();
    LRESULT OnCaptureChanged(WPARAM wParam, LPARAM lParam);

protected:
    enum Drag { DragNone, DragSample, DragRect, DragPan };

    // The key, the pictures or the background changed: the view is keyed anew, the full-size
    // results are stale.
    void KeyChanged();
    void PictureChanged(bool bForeground);
    void SetShowType(int nKind);
    // One step of the current operation on the colours at these picture points or in the
    // rectangle (picture pixels).
    BOOL ApplyOperation(const std::vector<CPoint>& points, const CRect* pRect);
    BOOL ApplyOperationOf(const std::vector<CPoint>& points, const CRect* pRect);
    // Reports an operation that ran out of memory (FALSE, for the caller to return).
    BOOL OutOfMemory();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The background of a composite of the full-size picture or of the work copy.
    KEYBACK Back(bool bFullSize) const;
    bool RenderRegion(bool bFull, const CRect& rc, CDib& result) const;
    void RebuildWork();
    double WorkScale() const;          // work copy pixels a picture pixel
    double FitZoom() const;
    void SetZoom(double zoom, CPoint anchor);
    CPoint ZoomAnchor() const;
    void ClampScroll();
    void ScrollBy(int dx, int dy);
    CPoint PicturePoint(CPoint client) const;
    void EndDrag(CPoint point);
    void ShowContextMenu(CPoint screen);
    void Redraw() { if (m_hWnd) Invalidate(FALSE); }
    // Makes m_frame, what the client area shows, when it is stale.
    void PrepareFrame(const CRect& rcClient);
    CRect VisiblePicture() const;      // the part of the picture in the client area, picture pixels

    std::unique_ptr<CKeyEngine> m_pEngine;
    CDib m_fg;                         // the foreground, full size
    CDib m_bg;                         // the background picture, full size
    CDib m_work;                       // the foreground fitted into the window
    CDib m_workBg;                     // the background reduced to cover m_work
    CString m_strError;                // why there is no foreground, for GetMsg
    bool m_bOutOfMemory = false;       // the last operation ran out of memory
    int m_nDefBgMode = KX_DEFBG_COLOR;
    COLORREF m_crDefBg = RGB(255, 255, 255);
    int m_nOpType = KX_OP_PICKSCREEN;
    int m_nToolType = KX_TOOL_PICKER;
    std::vector<float> m_fineColours;  // the colours of the current fine tuning; none: all
    unsigned m_nSessions = 0;          // fine-tuning selections and defocus sessions made
    unsigned m_nFineSession = 0;
    unsigned m_nDefocusSession = 0;

    unsigned m_nKeyVersion = 1;        // counts changes of the key, the pictures and the background
    unsigned m_nFullVersion = 0;       // the version m_dibComposite was made for
    unsigned m_nMaskVersion = 0;       // the full version m_dibMask was made for
    std::unique_ptr<BYTE[]> m_alphaFull;   // the full-size matte m_dibMask is made of
    bool m_bFrameValid = false;
    CDib m_frame;                      // the client area as shown
    bool m_bViewValid = false;
    CDib m_viewResult;                 // what m_frame shows, of the level
    CRect m_rcViewResult;              // in pixels of its level
    unsigned m_nViewVersion = 0;
    int m_nViewKind = -1;
    bool m_bViewFull = false;          // m_viewResult is of the full-size picture, not of m_work

    double m_dZoom = 1.0;
    bool m_bFit = true;
    CPoint m_ptScroll;                 // client point of the picture's top-left corner

    Drag m_drag = DragNone;
    CPoint m_ptDragStart, m_ptLast;
    CPoint m_ptScrollStart;
    bool m_bMoved = false;
    CRect m_rcRubber;                  // the edit tool's rectangle, client coordinates
    std::vector<CPoint> m_dragPoints;  // picture points of a sampling drag
    bool m_bSpacePan = false;
    UINT m_nMenuID = 0;

    DECLARE_MESSAGE_MAP()
};
