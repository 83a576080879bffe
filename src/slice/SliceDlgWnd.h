// CSliceDlgWnd: the clip view of the crop dialogs and of the batch adjustment dialog. It is the
// control library's clip window with one addition: whenever the clip box changes, the owning
// dialog's preview shows the clipped region again.
//
// How a dialog uses it:
//   1) derive from ISliceDlgOwner (not needed for KX_SLICE_OWNER_ADJUST, whose view keeps no
//      preview) and hold a CSliceDlgWnd m_wndSlice; set its owner kind in the constructor;
//   2) in OnCreate: m_wndSlice.Create(WS_CHILD | WS_VISIBLE, nullptr, 0, this), so the dialog
//      is the view's parent, which is where the view finds its owner;
//   3) call m_wndSlice.OnClipChanged() after putting a picture in, after a hop and after a
//      rotation; the view calls it itself after every change the user makes to the box.
// Size, paint, mouse, timer, creation and keys are the clip window's own message handlers.
#pragma once
#include "module/kxcomdlglib.h"
#include <SliceWnd.h>

class CIM_WINDOW;

// Who owns the view, and so what a change of the clip box refreshes.
#define KX_SLICE_OWNER_POSITION 0   // the positioning crop dialog: clip preview and next output path
#define KX_SLICE_OWNER_CROP     1   // the image crop dialog: clip preview only
#define KX_SLICE_OWNER_ADJUST   2   // the batch adjustment dialog: nothing (it keeps no clip preview)

// What the view needs of the dialog that owns it, its parent window.
class ISliceDlgOwner
{
public:
    // The view that shows the current clip.
    virtual CIM_WINDOW* GetClipPreview() = 0;
    // The output path of the next save (copying the controls into the fields first), and where
    // it is kept for display; asked only of a KX_SLICE_OWNER_POSITION owner.
    virtual CString GetCurPicName() = 0;
    virtual void SetNextPicName(const CString& strPathName) = 0;

protected:
    ~ISliceDlgOwner() = default;
};

class KXCOMDLG_API CSliceDlgWnd : public CSliceWnd
{
public:
// Construction
    CSliceDlgWnd() = default;

// Attributes
    // KX_SLICE_OWNER_...; any other value leaves the owner alone. Set before the view is used.
    void SetOwnerKind(int nKind) { m_nOwnerKind = nKind; }
    int GetOwnerKind() const { return m_nOwnerKind; }

// Operations
    // Moves the view onto the rectangle of the owner's placeholder control and shows it; the
    // placeholder is hidden, since sibling windows do not clip one another and it would paint
    // over the view. bToTop also brings the view to the top of the stacking order (first in the
    // tab order).
    void LayOver(CWnd* pPlaceholder, BOOL bToTop);
    // What the owner's PreTranslateMessage hands on to the view. An arrow key goes to the view
    // (the box moves) unless an edit or a list of the owner has the focus, which keeps its own
    // arrows; TRUE when the view took it.
    BOOL ForwardArrowKey(const MSG* pMsg);
    // A double-click of the left button on the view while it has the focus.
    BOOL IsDoubleClick(const MSG* pMsg) const;

// Overridables
    // Shows the current clip in the owner's preview (and, for the positioning crop dialog, the
    // output path of the next save), then copies the owner's fields to its controls. Always 0.
    // The context-menu hook (OnViewCommand) stays the clip window's: no commands of its own.
    int OnClipChanged() override;

protected:
    // The owner of a preview-keeping kind, or null (another kind, or a parent that is not one).
    ISliceDlgOwner* GetOwner() const;

    int m_nOwnerKind = KX_SLICE_OWNER_POSITION;
};
