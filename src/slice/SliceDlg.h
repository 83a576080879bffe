// CSliceDlg: the automatic positioning crop. Cuts several clips out of each picture of a folder:
// the clip box hops from one position on the picture to the next (the view's positioning
// options: a grid, or the prints found on a scanned sheet), the user corrects it if needed and
// saves the clip, shown in the preview, as a numbered file in the output folder; when no
// position is left the dialog goes on to the next picture of the folder.
//
// How a host uses it:
//   1) CSliceDlg dlg(pBitmap, strPath);   the bitmap (or null) is shown first, the path names
//      the picture, its folder is walked and its title names the output;
//   2) dlg.DoModal() ends only through "关闭" and always gives IDCANCEL;
//   3) the results are the files in the output folder.
//
// Keys: Enter saves; Page Up and Page Down hop the box back and on while the picture has
// positions, else go to the previous and next picture; the arrows move the box (except while an
// edit or the type list has the focus); a double-click on the view saves.
#pragma once
#include "SliceDlgBase.h"
#include "batch/BatchOutput.h"

class KXCOMDLG_API CSliceDlg : public CSliceDlgBase
{
public:
// Construction
    CSliceDlg(struct_LEAD_Bitmap* pBitmap, CString strPath);

// Attributes
    // The output path the next save will use (folder + name + extension), or empty while one
    // of them is missing. Reads the controls first.
    CString GetCurPicName() override;

protected:
// Overridables
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void LoadSettings() override;
    void OnPictureReached(const char* pszPath) override;
    void OnViewDoubleClick() override { OnBtnSave(); }
    void SetNextPicName(const CString& strPathName) override { m_output.m_strNextPath = strPathName; }
    // The dialog ends only through "关闭": Enter saves, Escape and the caption's close do nothing.
    void OnOK() override {}
    void OnCancel() override {}

// Handlers
    void OnBtnHopset();
    void OnBtnSave();
    void OnBtnDir();
    void OnChkTail();
    void OnBtnClose();

    CBatchOutput m_output{ KX_BATCH_SLICE };

    DECLARE_MESSAGE_MAP()
};
