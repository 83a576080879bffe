#include "DlgAdjustName.h"
#include "AdjustValues.h"
#include "kxcomdlgres.h"

CDlgAdjustName::CDlgAdjustName(CWnd* pParent) : CKxDialog(IDD_DLG_ADJUST_NAME, pParent) {}

void CDlgAdjustName::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ADJ_NAME, m_cbName);
    DDX_Text(pDX, IDC_ADJ_NAME, m_strName);
}

BOOL CDlgAdjustName::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_strProfilePath = CAdjustProfileStore::DefaultPath();
    LoadProfiles();
    return TRUE;
}

void CDlgAdjustName::LoadProfiles()
{
    CStringArray names;
    CAdjustProfileStore(m_strProfilePath).GetNames(names);
    m_cbName.ResetContent();
    for (int i = 0; i < names.GetSize(); ++i)
        m_cbName.AddString(names[i]);
    // Emptying the list also empties the edit field: a preset name that no profile begins with
    // must still be what the field shows.
    if (m_strName.IsEmpty() || m_cbName.SelectString(-1, m_strName) == CB_ERR)
        m_cbName.SetWindowText(m_strName);
}

void CDlgAdjustName::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    // A name the file cannot hold would be saved as a profile that is never found again. An
    // empty name is the caller's "save nothing".
    if (!m_strName.IsEmpty() && !CAdjustProfileStore::IsValidName(m_strName)) {
        AfxMessageBox(IDS_ADJUST_BAD_NAME, MB_OK);
        GotoDlgCtrl(&m_cbName);
        return;
    }
    EndDialog(IDOK);
}
