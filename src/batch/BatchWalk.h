// CBatchWalk: the folder walk of the batch dialogs. It holds the full path of the current
// picture and moves to the first, previous, next or last picture of that picture's folder, or to
// a picture file the user opens; the dialog says what reaching a picture means for it.
//
// The pictures of a folder are its files whose extension CDib::IsImageExt takes, in the one
// stable order of CFolderListing: by name, letter case ignored, runs of digits by their value
// (img2 before img10). Every press lists the folder anew, so files added, removed or renamed
// meanwhile count at once. The current picture is found by its exact name (letter case counts);
// when it is not in the folder (renamed, deleted, or named by the host in another case) "<-" and
// "->" find nothing, while "|<-" and "->|" still reach the first and the last picture.
//
// How a batch dialog uses it:
//   1) derive from IBatchWalkOwner and hold a CBatchWalk m_walk{ *this, strSourcePath };
//   2) ArriveAt(path): load and show the picture (and m_output.PictureReached(path)); the walk
//      makes it the current picture afterwards whether or not it loaded;
//   3) OnUpdateBrowse(): m_walk.ShowState(this), then what the dialog adds;
//   4) handlers: KX_BATCH_WALK_HANDLERS() in the class (OnBtnHome, OnBtnPrev, OnBtnNext,
//      OnBtnEnd, OnBtnOpen on m_walk) and ON_KX_BATCH_WALK_BUTTONS() in its message map;
//   5) PreTranslateMessage: CBatchWalk::TranslateKeys(pMsg, this, IDC_SAVE) first.
#pragma once
#include "module/kxcomdlglib.h"

// What the walk needs of its dialog.
class IBatchWalkOwner
{
public:
    // Steps 2 and 3 of a move: load the picture and show it, or empty the views when it does not
    // load; name the output after it where the dialog does. The wait cursor is on.
    virtual void ArriveAt(const CString& strPathName) = 0;
    // The refresh after every press, whether or not it moved.
    virtual void OnUpdateBrowse() = 0;

protected:
    ~IBatchWalkOwner() = default;
};

class KXCOMDLG_API CBatchWalk
{
public:
    enum Move { First, Previous, Next, Last };

// Construction
    CBatchWalk(IBatchWalkOwner& owner, const char* pszSourcePath);

// Attributes
    // The current picture's full path; empty for none.
    const CString& GetSourcePath() const { return m_strSourcePath; }
    void SetSourcePath(const char* pszPathName) { m_strSourcePath = pszPathName ? pszPathName : ""; }
    // A picture lies before / after the current one (both false without a current picture).
    BOOL IsPrevEnabled() const;
    BOOL IsNextEnabled() const;
    // Where the button would go; empty when it does not move.
    CString GetTarget(Move move) const;

// Operations
    // The button's move: the target reached (ArriveAt, then it is the current picture), then
    // the refresh.
    void Go(Move move);
    // "打开图像文件": the open-file dialog; a chosen picture file is reached as by a move (a file
    // of another type is ignored), then the refresh.
    void Open();
    // Reaches the picture without a refresh.
    void MoveTo(const char* pszPathName);
    // The walk's part of the refresh: "|<-" and "<-" enabled when a picture lies before, "->"
    // and "->|" when one lies after, the current path shown (controls 10054 to 10060 of pDlg).
    void ShowState(CWnd* pDlg) const;
    // Page Up and Page Down post a click of "<-" and "->", Enter one of the save button (when
    // nSaveID is not 0) to pDlg; TRUE when the key was one of them.
    static BOOL TranslateKeys(const MSG* pMsg, CWnd* pDlg, UINT nSaveID);
    // Posts a click of the button as the user's click would come.
    static void PostClick(CWnd* pDlg, UINT nID);

private:
    IBatchWalkOwner& m_owner;
    CString m_strSourcePath;
};

// The handlers of the walk's five buttons, for a dialog class with a CBatchWalk m_walk.
#define KX_BATCH_WALK_HANDLERS() \
    void OnBtnHome() { m_walk.Go(CBatchWalk::First); } \
    void OnBtnPrev() { m_walk.Go(CBatchWalk::Previous); } \
    void OnBtnNext() { m_walk.Go(CBatchWalk::Next); } \
    void OnBtnEnd() { m_walk.Go(CBatchWalk::Last); } \
    void OnBtnOpen() { m_walk.Open(); }

// Their message-map entries: "|<-", "<-", "->", "->|" and "打开图像文件" (ids of kxcomdlgres.h).
#define ON_KX_BATCH_WALK_BUTTONS() \
    ON_BN_CLICKED(IDC_BATCH_FIRST, OnBtnHome) \
    ON_BN_CLICKED(IDC_BATCH_PREV, OnBtnPrev) \
    ON_BN_CLICKED(IDC_BATCH_NEXT, OnBtnNext) \
    ON_BN_CLICKED(IDC_BATCH_LAST, OnBtnEnd) \
    ON_BN_CLICKED(IDC_BATCH_OPEN, OnBtnOpen)
