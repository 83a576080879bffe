// Asks for the name under which the adjustment values are saved as a profile, offering the
// profiles of adjust.cfg to pick from or type over.
//
//   CDlgAdjustName dlg(this);
//   dlg.m_strName = current;              // before DoModal: preset, selects the first match
//   if (dlg.DoModal() == IDOK)
//       Save(dlg.m_strName);              // after IDOK: as typed or picked; a name the
//                                         // profile file cannot hold is refused with a message
#pragma once
#include "module/KxDialog.h"

class KXCOMDLG_API CDlgAdjustName : public CKxDialog
{
public:
    explicit CDlgAdjustName(CWnd* pParent = nullptr);

    CString m_strName;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void LoadProfiles();

    CComboBox m_cbName;
    CString m_strProfilePath;
};
