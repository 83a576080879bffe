// CIM_WINDOW: an image view. It keeps its own picture and shows it fitted into the client area,
// centred with its proportions kept, on a plain background.
//
// How to use it:
//   1) attach it to a KX_IMAGE_PREVIEW_CTRL (or any placeholder) with SubclassDlgItem, or make
//      one in code with Create(parent, rect, id, WS_VISIBLE | WS_BORDER);
//   2) Load(path), or ShowDib(picture) to show a copy of a picture;
//   3) change GetDib() in place and call Refresh() to show the change.
//
// The scaled picture is made once per change (high-quality resampling) and kept, so a repaint
// is one copy to the screen.
#pragma once
#include "kxcbaselib.h"
#include <Dib.h>
#include <DrawDib.h>

class KXCBASE_API CIM_WINDOW : public CWnd
{
public:
// Construction
    CIM_WINDOW();
    ~CIM_WINDOW() override;
    using CWnd::Create;
    // A child view of pParentWnd at rect (parent client coordinates); WS_CHILD is always added.
    BOOL Create(CWnd* pParentWnd, const RECT& rect, UINT nID, DWORD dwStyle = WS_VISIBLE | WS_BORDER);

// Attributes
    // The view's own picture; callers may change it in place (then Refresh).
    CDib* GetDib() { return &m_dib; }
    const CDib* GetDib() const { return &m_dib; }
    void SetBkColor(COLORREF color);
    COLORREF GetBkColor() const { return m_crBackground; }
    // Where the picture lands in the client area for the current size; empty without a picture.
    CRect GetPictureRect() const;

// Operations
    // Loads the picture file into the view's own picture and shows it; a picture larger than the
    // client area is loaded reduced to fit it (CDib::LoadFitted). Non-zero on success; on failure
    // the view is left empty, so it never shows a picture that is not the file's.
    int Load(LPCSTR lpszPath);
    // Redraws from the view's own picture.
    void Refresh();

// Overridables
    // Copy the given picture into the view's own and show it; the caller may destroy or change
    // its picture right afterwards.
    virtual void ShowDib(const CDrawDib& dib);
    virtual void ShowDib(const CDib& dib);

protected:
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnSize(UINT nType, int cx, int cy);
    // Remakes the scaled copy when the picture or the size changed.
    void PrepareScaled();

    CDib m_dib;
    CDib m_scaled;              // m_dib fitted into the client area
    bool m_bScaledValid = false;
    COLORREF m_crBackground;

    DECLARE_MESSAGE_MAP()
};
