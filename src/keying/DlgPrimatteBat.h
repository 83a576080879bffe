// Background removal over a folder: the keying dialog opened on a picture given by the host,
// with the batch panel. "保存" (or Enter) writes the composite into the output folder under the
// batch naming rule and moves on to the next picture of the folder; the folder walk, the output
// naming and its stored settings (section "Settings", keys "Prim ...") are the batch family's.
// The background picture, the default background and the slider values carry over from picture
// to picture; each new picture starts on its foreground with the screen colour to pick.
//
//   CDlgPrimatteBat dlg(selectedPicturePath);
//   dlg.DoModal();            // IDCANCEL when "关闭" ends it; the results are the files written
#pragma once
#include "DlgPrimatteBase.h"
#include "batch/BatchOutput.h"
#include "batch/BatchWalk.h"

class KXCOMDLG_API CDlgPrimatteBat : public CDlgPrimatteBase, private IBatchWalkOwner
{
public:
// Construction
    explicit CDlgPrimatteBat(const char* pszPicture = "");
    ~CDlgPrimatteBat() override;

// Attributes
    // The output path the next save will use, or "" while name, folder or type is missing.
    CString GetCurPicName();

// Fields, bound to the controls by DoDataExchange
    CBatchOutput m_output{ KX_BATCH_PRIMATTE };   // name, numbering, folder, type, DPI, next path
    BOOL m_bAutoCompose = FALSE;                  // check box 10061 "浏览图像时自动合成"

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnInitDialog() override;

// The folder walk
    BOOL IsPrevEnabled() const { return m_walk.IsPrevEnabled(); }
    BOOL IsNextEnabled() const { return m_walk.IsNextEnabled(); }
    void ArriveAt(const CString& strPathName) override;
    void OnUpdateBrowse() override;

// Handlers
    void OnBtnApply();
    void OnBtnDir() { m_output.ChooseFolder(this); }
    void OnChkTail() { m_output.NumberingSwitched(this, m_walk.GetSourcePath()); }
    KX_BATCH_WALK_HANDLERS()
    void OnChkAutocomp() { UpdateData(TRUE); }

    CBatchWalk m_walk;

    // The fine-tuning values this class last handed to a view, for the library's lifetime.
    static CKeyingMemory s_lastApplied;
    DECLARE_MESSAGE_MAP()
};
