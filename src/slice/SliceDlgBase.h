// What the two crop dialogs share: the clip view laid over the template's grey rectangle 10038
// with the clip's preview in 10037, the picture each move of the folder walk reaches, zoom, the
// crop options, the arrow keys and the double-click on the view.
//
// How to derive from it:
//   1) pass the template, the host's bitmap (or null) and path, and the view's owner kind;
//   2) override LoadSettings to read what the dialog remembers before the first picture is
//      shown, PrepareClipbox to set the clip box up once the first picture is in the view, and
//      OnPictureReached for what a move means to the dialog beyond showing the picture;
//   3) in PreTranslateMessage call TranslateViewKeys first; a double-click on the view comes to
//      OnViewDoubleClick;
//   4) chain the message map to this class.
#pragma once
#include "batch/BatchWalk.h"
#include "module/KxDialog.h"
#include "slice/SliceDlgWnd.h"
#include <Dib.h>
#include <IM_WINDOW.h>
#include <LeadBitmap.h>

class KXCOMDLG_API CSliceDlgBase : public CKxDialog, public IBatchWalkOwner, public ISliceDlgOwner
{
public:
// Attributes (after DoModal)
    // The full path of the picture shown last; it changes with every move.
    const CString& GetSourcePath() const { return m_walk.GetSourcePath(); }
    // The picture in the clip view (turned as the user turned it), and the last clip.
    const CDib& GetViewPicture() const { return *m_wndClip.GetDib(); }
    const CDib& GetClipPicture() const { return *m_wndPreview.GetDib(); }

protected:
    CSliceDlgBase(UINT nIDTemplate, struct_LEAD_Bitmap* pBitmap, const char* pszPath, int nOwnerKind);

// Overridables
    virtual void LoadSettings() {}
    virtual void PrepareClipbox() {}
    // After a move reached pszPath and the view shows it (or nothing when it did not load).
    virtual void OnPictureReached(const char* pszPath) {}
    virtual void OnViewDoubleClick() = 0;

    BOOL OnInitDialog() override;

// The walk's owner
    void ArriveAt(const CString& strPathName) override;
    void OnUpdateBrowse() override;

// The view's owner
    CIM_WINDOW* GetClipPreview() override { return &m_wndPreview; }
    // Only a dialog that saves has a next output path; the view asks for it only then.
    CString GetCurPicName() override { return CString(); }
    void SetNextPicName(const CString&) override {}

// Helpers
    // The arrow keys go to the clip view, a double-click on it to OnViewDoubleClick; TRUE when
    // the message was one of them.
    BOOL TranslateViewKeys(MSG* pMsg);

// Handlers
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnChangeClipBox();
    void OnBtnZoomin();
    void OnBtnZoomout();
    void OnBtnCropopt();
    KX_BATCH_WALK_HANDLERS()

    struct_LEAD_Bitmap* m_pBitmap;   // the host's, shown first; never owned
    CBatchWalk m_walk;
    CSliceDlgWnd m_wndClip;
    CIM_WINDOW m_wndPreview;
    CDib m_picture;                  // each picture a move reached

    DECLARE_MESSAGE_MAP()
};
