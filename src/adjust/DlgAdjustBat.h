// CDlgAdjustBat: one set of colour adjustments applied to a folder of pictures, picture after
// picture. The controls, preview, keypad and profiles are the adjustment dialog's; in place of the
// after view a crop view shows the adjusted preview, on which the user can mark a clip box. Each
// "保存" (or Enter) crops the picture by a shown box, adjusts it at full size, writes it as a
// numbered file into the output folder and goes on to the next picture of the folder, which has
// been read ahead while the user looked at the current one.
//
// How a host uses it:
//   1) CDlgAdjustBat dlg(pPicture, strPath, nLayout);   the picture (or null: read from the
//      path) is shown first, the path names it and its folder is walked; layout 1 gives the
//      large template and turns landscape pictures to portrait;
//   2) dlg.DoModal() ends only through "关闭" and always gives IDCANCEL; Esc resets the values;
//   3) the results are the files in the output folder. The host's picture is never changed.
//
// Keys: Enter saves, Page Up and Page Down go to the previous and next picture; with the keypad
// on (Num Lock) its keys drive the adjustment and the arrows move the clip box; a double-click on
// the crop view crops.
#pragma once
#include "DlgAdjustBase.h"
#include "batch/BatchOutput.h"
#include "batch/BatchPreloader.h"
#include "batch/BatchWalk.h"
#include "slice/SliceDlgWnd.h"

class KXCOMDLG_API CDlgAdjustBat : public CDlgAdjustBase, private IBatchWalkOwner
{
public:
// Construction
    explicit CDlgAdjustBat(CDib* pDib = nullptr, CString strPath = CString(), int nLayout = 0);
    ~CDlgAdjustBat() override;

// Attributes
    // The output path the next save will use, or "" while name, folder or type is missing.
    // Reads the controls first.
    CString GetCurPicName();
    // The current picture's full path; it changes with every move.
    const CString& GetSourcePath() const { return m_walk.GetSourcePath(); }
    // The working picture, unadjusted (cropped by "剪裁" and by each save with a box shown).
    const CDib& GetWorkingPicture() const { return m_picture; }

// Operations
    // Shows the picture in the before view and in the crop view, reduced to fit them; null or an
    // invalid picture empties both. With layout 1 a picture wider than high is first turned a
    // quarter clockwise, in place.
    void SetSrcDstDib(CDib* pDib);

// Fields, bound to the controls by DoDataExchange
    CBatchOutput m_output{ KX_BATCH_ADJUST };   // name, numbering, folder, type, DPI, next path

protected:
// Overridables
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void AttachViews() override;
    void ShowPicture() override;
    void UpdatePreview() override;
    // Enter saves (PreTranslateMessage); only "关闭" ends the dialog, Esc and the caption's
    // close command reset the values.
    void OnOK() override {}
    void OnCancel() override { OnBtnReset(); }

// The folder walk
    BOOL IsPrevEnabled() const { return m_walk.IsPrevEnabled(); }
    BOOL IsNextEnabled() const { return m_walk.IsNextEnabled(); }
    void ArriveAt(const CString& strPathName) override;
    void OnUpdateBrowse() override;

// Handlers
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnBtnSave();
    void OnBtnDir() { m_output.ChooseFolder(this); }
    void OnChkTail() { m_output.NumberingSwitched(this, m_walk.GetSourcePath()); }
    KX_BATCH_WALK_HANDLERS()
    void OnBtnCrop();
    void OnBtnCropset();
    void OnBtnReset();
    void OnBtnClose();

// Helpers
    // The picture the crop view holds (its preview), read without making the view redraw.
    const CDib& ViewPicture() const;
    // How the view shows a picture: reduced to the crop view's rectangle, turned for layout 1.
    CBatchPictureFit ViewFit() const;
    // The reduced copy of the working picture into both views.
    void ShowReduced(const CDib& reduced);
    // The held clip settings, scaled from the working picture to the view's picture, to the view.
    void ShowHeldClip();
    // The working picture cut by the view's box at full size, with the held settings; the
    // picture it was goes to *pBefore when given. A clip that fails leaves it as it was.
    void ClipWorkingPicture(CDib* pBefore = nullptr);
    void PreloadNext();

    int m_nLayout;
    CDib m_picture;                  // the working picture, full size, never adjusted
    CBatchWalk m_walk;
    CSliceDlgWnd m_wndSlice;
    CBatchPreloader m_preload;
    // The clip settings in pixels of the full-size picture, and the scaled ones last given to
    // the view: settings the view reports unchanged are not taken for full-size ones.
    int m_nClipKind = KX_CLIP_NONE;
    long m_nClipWidth = 100;
    long m_nClipHeight = 100;
    int m_nShownKind = KX_CLIP_NONE;
    long m_nShownWidth = -1;
    long m_nShownHeight = -1;

    DECLARE_MESSAGE_MAP()
};
