// CSliceWnd: the clip window. It holds its own copy of a picture, shows it fitted into the window
// or zoomed, and lets the user mark a clip box on it: dragged, resized by its handles, held to a
// fixed size or a fixed ratio when asked, always inside the picture, nudged with the arrow keys.
// The marked region comes out as a packed DIB, cut from the window's picture or, mapped, from a
// larger copy of it.
//
// How to use it:
//   1) m_wndClip.Create(WS_CHILD | WS_VISIBLE, nullptr, 0, this) in the owner's OnCreate, then
//      move it where it belongs;
//   2) put a picture in: SetDib(bitmap handle), UpdateDib(&picture) or LoadFile(path, 1);
//   3) SetClipFlag(kind, width, height) and ShowClipbox(); the owner hears of every change the
//      user makes through OnClipChanged and the EN_CHANGE notifications below;
//   4) ClipImage() (or ClipImageDib(&fullSizePicture)) gives the marked region; the caller frees
//      the handle (GlobalFree), typically after CDib::Load(handle) took a copy.
//
// Clip settings (SetClipFlag / GetClipFlag): a kind and two numbers.
//   KX_CLIP_NONE  (-1)  no clip box: ShowClipbox shows nothing;
//   KX_CLIP_FREE  (0)   any shape; a new box covers the whole picture; the numbers are kept but
//                       not used;
//   KX_CLIP_SIZE  (1)   a box of width x height pixels of the picture (each side at most the
//                       picture's), moved but never resized by the user;
//   KX_CLIP_RATIO (2)   width : height is the box's proportion; a new box is the largest of it
//                       that fits the picture, and resizing by a corner keeps it.
// Settings change only where the next box is placed (ShowClipbox, the options dialog); a box
// already on the picture stays where the user put it.
//
// Notifications to the parent: WM_COMMAND with EN_CHANGE from id KX_CLIP_MOVED (the box was
// moved) or KX_CLIP_RESIZED (its size changed), after each drag, nudge or options change; then
// the OnClipChanged hook runs.
//
// Keys (OnKeyDown): arrows move the box by one screen pixel (Shift: ten), Ctrl+arrows resize it
// from its right and bottom edges; without a box they scroll a zoomed picture. Keypad + and -
// zoom in and out, "1" fits the picture into the window, "2" shows it at actual size. Page Down
// and Page Up go to the next and the previous hop position (below); "[" and "]" turn the box by a
// tenth of a degree counter-clockwise and clockwise (Shift: a whole degree).
//
// Automatic positioning ("hop"): the box steps through positions on the picture, one per clip.
//   KX_HOP_NONE   (0)  no positions; the box stays where the user puts it;
//   KX_HOP_GRID   (1)  the cells of a grid (HOPGRID: rows, columns, margins, gaps, order), for
//                      contact sheets and strips of frames. With a fixed-size box the cells have
//                      the box's size and step from the left and top margins; with a ratio the
//                      box is the largest of it in each cell; otherwise the box is the cell;
//   KX_HOP_DETECT (2)  the photographic prints found on a scanned sheet (CPrintFinder), in the
//                      grid's reading order, each with its own tilt as the box's angle. The box
//                      takes each print's shape, whatever the crop options say.
// A new picture brings the box to the first position, HopNext moves it on. A box with an angle
// is drawn turned, and ClipImage cuts it out upright.
#pragma once
#include "kxcbaselib.h"
#include "TiltRect.h"
#include <Dib.h>
#include <LeadBitmap.h>
#include <vector>

#define KX_CLIP_NONE  (-1)
#define KX_CLIP_FREE  0
#define KX_CLIP_SIZE  1
#define KX_CLIP_RATIO 2

#define KX_CLIP_MOVED   10039
#define KX_CLIP_RESIZED 10040

#define KX_HOP_NONE   0
#define KX_HOP_GRID   1
#define KX_HOP_DETECT 2

class KXCBASE_API CSliceWnd : public CWnd
{
public:
// Construction
    CSliceWnd();
    ~CSliceWnd() override;

// Picture
    // Each of these replaces the window's picture with a copy of the given one (null or an invalid
    // picture empties it) and fits it into the window. A clip box already placed keeps its place
    // relative to the picture.
    void SetDib(const struct_LEAD_Bitmap* pBitmap);
    void UpdateDib(const CDib* pDib);
    // Loads a picture file. nFit 1 fits the picture into the window, 0 keeps the zoom factor.
    // 1 on success; on failure the window is empty.
    int LoadFile(LPCSTR lpszPath, int nFit = 1);
    // The window's own picture. Callers may change it in place: handing out the writable pointer
    // makes the next paint show the picture anew.
    CDib* GetDib();
    const CDib* GetDib() const { return &m_dib; }

// Clip box
    // Non-zero while the box is shown (whether or not a picture is held).
    BOOL HaveClipbox() const { return m_bShowBox; }
    // Shows the box. When the settings changed since the box was placed (or none was), a box of
    // the settings is placed first, centred where the last one was (the picture's centre for the
    // first). Nothing is shown for KX_CLIP_NONE.
    void ShowClipbox();
    // Hides the box; it keeps its place for ClipImageDib and for the next ShowClipbox.
    void HideClipbox();
    void SetClipFlag(int nKind, long nWidth, long nHeight);
    void GetClipFlag(int& nKind, long& nWidth, long& nHeight) const;
    // The box in pixels of the window's picture; empty when none was placed.
    CRect GetClipRect() const { return m_rcClip; }
    // Puts the box at rc (picture pixels), held to the settings and inside the picture; no
    // notification. The box's visibility does not change.
    void SetClipRect(const CRect& rc);

    // The box's region of the window's picture as a packed DIB (the clipboard's format); null
    // without a picture or a placed box. The caller owns the handle.
    HGLOBAL ClipImage();
    // The box's region mapped onto pDib, a copy of the window's picture at another size: the
    // region scales with the picture. For KX_CLIP_SIZE the region is exactly the set width x
    // height pixels of pDib (set them in pDib's pixels before the call), centred where the box
    // lies; for KX_CLIP_RATIO it keeps the set proportion exactly. Null without pictures or box.
    HGLOBAL ClipImageDib(const CDib* pDib);

    // The crop options dialog: kind, width and height, with common ratios. IDOK when the user
    // confirmed: the settings are taken, and a shown box is placed anew by them.
    int DlgCropOpt();

    // The box's turn in degrees, clockwise as seen on the screen; the box turns about its centre.
    double GetClipAngle() const { return m_dAngle; }
    void SetClipAngle(double dDegrees);

// Automatic positioning
    // KX_HOP_...; anything else counts as KX_HOP_NONE. Changing it finds the positions anew.
    void SetHopMode(int nMode);
    int GetHopMode() const { return m_nHopMode; }
    // The grid: left and top margins (the right and bottom margins are the same), the gaps
    // between cells, columns and rows; all distances in pixels of the picture. The mode and the
    // order are kept.
    void SetHopParam(int nLeft, int nTop, int nHGap, int nVGap, int nCols, int nRows);
    void SetHopGrid(const HOPGRID& grid);
    const HOPGRID& GetHopGrid() const { return m_hopGrid; }
    // Non-zero when the picture has positions to hop to.
    BOOL CanHop();
    // The positions on the picture, in order, and the one the box was last brought to (-1 for
    // none). The prints are looked for once a picture.
    const std::vector<CTiltRect>& GetHopPositions();
    int GetHopIndex() const { return m_nHop; }
    // Brings the box nStep positions on (back for a negative step) and returns the index of the
    // position reached; -1 when there is no such position, and the box stays where it is. No
    // notification: the caller refreshes what depends on the box.
    int HopNext(int nStep = 1);
    // The box takes the angle of its position again (0 without one), dropping any turn the user
    // gave it.
    void ResetAngle();
    // The positioning options dialog: mode, grid and order, with the number of positions they
    // give on the picture shown. IDOK when the user confirmed: the options are taken, stored when
    // a profile section was set, and the box goes to the first position and is reported changed.
    int DlgHopOpt();
    // Keeps the positioning options in the host application's profile, section lpszSection:
    // read now (nDefaultMode and a one-cell grid when nothing is stored; values out of range
    // count as their nearest allowed), written whenever the options dialog is confirmed.
    void EnableHopProfile(LPCSTR lpszSection, int nDefaultMode);

// Zoom
    void ZoomIn();
    void ZoomOut();
    void ZoomFit();
    void ZoomActual();
    // Screen pixels per picture pixel.
    double GetZoom() const { return m_dZoom; }
    BOOL IsZoomFit() const { return m_bFit; }
    // Where the picture lands in the client area (may reach beyond it when zoomed).
    CRect GetPictureRect() const;
    CPoint PictureToClient(double x, double y) const;
    void ClientToPicture(CPoint point, double& x, double& y) const;
    void SetBkColor(COLORREF color);

// Overridables
    // A context menu of the owner's (menu resource id, and the index of the popup in it) replaces
    // the window's own; its commands go to OnViewCommand, then to the parent.
    virtual void SetMenuID(UINT nID);
    virtual UINT GetMenuID() const;
    virtual int GetSubMenuID() const;
    // Drawn over the box after its frame: by default the lines of thirds.
    virtual void DrawOtherClipFlag(CDC* pDC, const CRect& rcBox);
    // Offered each region cut by ClipImage and ClipImageDib before it is packed.
    virtual void AfterClip(CDib& clip);
    // The user changed the box (after the parent's EN_CHANGE notification). The result is not
    // used by the window.
    virtual int OnClipChanged();
    // A context-menu command: non-zero when the override handled it; 0 lets the window handle
    // its own commands and send the others to the parent.
    virtual int OnViewCommand(UINT nID);
    // A child of pParentWnd at *pRect (parent client coordinates; null for an empty rectangle,
    // moved into place by the owner later) with control id nID.
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
    void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    UINT OnGetDlgCode();
    LRESULT OnCaptureChanged(WPARAM wParam, LPARAM lParam);

protected:
    // What a point of the client area grabs.
    enum Hit { HitNone, HitInside, HitLeft, HitTop, HitRight, HitBottom,
               HitTopLeft, HitTopRight, HitBottomLeft, HitBottomRight, HitPicture };
    enum Drag { DragNone, DragMove, DragResize, DragNew, DragPan };

    Hit HitTest(CPoint point) const;
    CRect BoxToClient() const;
    // The box of the settings, centred on (cx, cy) in picture pixels, inside the picture.
    CRect PlaceBox(double cx, double cy) const;
    // rc held to the settings' kind and inside the picture.
    CRect Conform(const CRect& rc) const;
    // The box corner under the pointer moved to (x, y), the opposite corner fixed.
    CRect ResizeTo(Hit handle, double x, double y) const;
    // A change by the user's drag: the box moves, the gesture remembers it changed.
    void ChangeBox(const CRect& rc);
    // Tells the parent (EN_CHANGE from KX_CLIP_MOVED or KX_CLIP_RESIZED), then OnClipChanged.
    void NotifyChange(bool bResized);
    void PictureChanged(bool bFit);
    void DragTo(CPoint point);
    void EndDrag();
    void UpdateScrollBars();
    void ScrollBy(int dx, int dy);
    void SetZoom(double zoom, CPoint anchor);
    double FitZoom() const;
    CPoint ZoomAnchor() const;
    void EnsureBoxVisible();
    void ShowContextMenu(CPoint screen);
    void PrepareDisplay(const CRect& rcClient);
    void Redraw() { if (m_hWnd) Invalidate(FALSE); }
    // The box as a turned rectangle in picture pixels.
    CTiltRect GetTiltBox() const;
    // A client point in the box's own frame: turned back about the box's centre.
    CPoint ToBoxFrame(CPoint point) const;
    // Finds the positions when they are stale; brings the box to the first one after a new
    // picture or new options when bFirst is set.
    void UpdateHopPositions(bool bFirst);
    void PlaceAtHop(int nIndex);
    void WriteHopProfile() const;

    CDib m_dib;                    // the picture, in its own pixels
    CSize m_sizeBoxBase;           // the picture size m_rcClip refers to
    CRect m_rcClip;                // the box, picture pixels; empty when none was placed
    bool m_bShowBox = false;
    int m_nClipKind = KX_CLIP_FREE;
    long m_nClipWidth = 0;
    long m_nClipHeight = 0;
    int m_nPlacedKind = KX_CLIP_NONE;   // the settings the box was last placed by
    long m_nPlacedWidth = 0;
    long m_nPlacedHeight = 0;

    double m_dZoom = 1.0;
    bool m_bFit = true;
    CPoint m_ptScroll;             // client offset of the picture's top-left when zoomed past the window
    COLORREF m_crBackground;

    // The picture as shown: the visible part at the zoom, kept until the picture, the zoom, the
    // scroll position or the size changes.
    CDib m_display;
    CRect m_rcDisplay;             // where m_display lands, client coordinates
    bool m_bDisplayValid = false;

    Drag m_drag = DragNone;
    Hit m_dragHandle = HitNone;
    CPoint m_ptDragStart;          // client point where the button went down
    CRect m_rcDragStart;           // the box then
    CPoint m_ptScrollStart;
    CPoint m_ptLastMouse;
    bool m_bDragChanged = false;
    bool m_bDragResized = false;

    UINT m_nMenuID = 0;

    double m_dAngle = 0;                 // the box's turn, degrees clockwise
    int m_nHopMode = KX_HOP_NONE;
    HOPGRID m_hopGrid;
    std::vector<CTiltRect> m_hopPositions;
    bool m_bHopValid = false;            // m_hopPositions belong to the picture and options
    int m_nHop = -1;
    CString m_strHopSection;             // where the options are stored; empty: nowhere

    DECLARE_MESSAGE_MAP()
};
