// Background removal of one photograph: the user loads a foreground (and optionally a
// background picture), keys the screen away with the view's operations, fine tunes, composes
// over the default background or the background picture, and saves the composite and the mask.
// Its results are those files and the default background kept in the host profile.
//
//   CDlgPrimatte dlg(this);
//   dlg.DoModal();            // IDOK after "确定", IDCANCEL after "放弃"
#pragma once
#include "DlgPrimatteBase.h"

class KXCOMDLG_API CDlgPrimatte : public CDlgPrimatteBase
{
public:
// Construction
    explicit CDlgPrimatte(CWnd* pParentWnd = nullptr);
    ~CDlgPrimatte() override;

protected:
    BOOL OnInitDialog() override;
    // "确定": the values checked, then the dialog ends with IDOK.
    void OnBtnApply() { CDialog::OnOK(); }

    // The fine-tuning values this class last handed to a view, for the library's lifetime.
    static CKeyingMemory s_lastApplied;
    DECLARE_MESSAGE_MAP()
};
