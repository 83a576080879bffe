#include "FileLocation.h"
#include "FolderDialog.h"
#include "kxcomdlgres.h"

namespace {
const char kSection[] = "Fileloc";
const char kLastKey[] = "LOC";
const int kRecentShown = 5;

CString RecentKey(int n)
{
    CString key;
    key.Format("LOC%d", n);
    return key;
}
} // namespace

BEGIN_MESSAGE_MAP(CFileLocation, CKxDialog)
    ON_CBN_KILLFOCUS(IDC_FILELOC_LOCATION, OnKillfocusLocation)
    ON_WM_DESTROY()
    ON_BN_CLICKED(IDC_FILELOC_BROWSE, OnBrowse)
END_MESSAGE_MAP()

CFileLocation::CFileLocation(CWnd* pParent) : CKxDialog(IDD_FILE_LOCATION, pParent) {}

INT_PTR CFileLocation::DoModal()
{
    if (!m_pFile)
        return IDCANCEL;
    return CKxDialog::DoModal();
}

void CFileLocation::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_FILELOC_LOCATION, m_ctlLocation);
    DDX_Text(pDX, IDC_FILELOC_MESSAGE, m_strMessage);
    DDX_Text(pDX, IDC_FILELOC_LOCATION, m_strLocation);
}

BOOL CFileLocation::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The list is read up to the first gap, so a hand-removed entry ends it.
    for (int k = 1; k <= kRecentShown; ++k) {
        const CString folder = GetProfileString(kSection, RecentKey(k), "");
        if (folder.IsEmpty())
            break;
        m_ctlLocation.AddString(folder);
    }
    return TRUE;
}

void CFileLocation::AddRecent(const CString& folder)
{
    if (!folder.IsEmpty() && m_ctlLocation.FindStringExact(-1, folder) == CB_ERR)
        m_ctlLocation.InsertString(0, folder);
}

void CFileLocation::OnKillfocusLocation()
{
    UpdateData(TRUE);
    AddRecent(m_strLocation);
}

void CFileLocation::OnBrowse()
{
    CFolderDialog dlg(m_strLocation, this, nullptr);
    dlg.m_strTitle.Format(IDS_FILELOC_BROWSE_TITLE, m_pFile->GetFileName().GetString());
    if (!dlg.DoBrowse())
        return;
    m_strLocation = dlg.GetFolder();
    AddRecent(m_strLocation);
    UpdateData(FALSE);
}

void CFileLocation::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    // Try the folder on a copy first, so the host's file keeps its path when it is not there.
    CKXDiskFile probe(m_pFile->GetPathName());
    probe.SetPath(m_strLocation);
    if (probe.Exist())
        m_pFile->SetPath(m_strLocation);
    if (m_pFile->Exist())
        EndDialog(IDOK);
}

void CFileLocation::OnDestroy()
{
    const int n = m_ctlLocation.m_hWnd ? m_ctlLocation.GetCount() : 0;
    for (int i = 0; i < n; ++i) {
        CString folder;
        m_ctlLocation.GetLBText(i, folder);
        if (!folder.IsEmpty())
            WriteProfileString(kSection, RecentKey(i + 1), folder);
    }
    WriteProfileString(kSection, kLastKey, m_strLocation);
    CDialog::OnDestroy();
}

BOOL CFileLocation::GetDefault()
{
    // Without a file there is nothing to look for.
    if (!m_pFile)
        return FALSE;
    if (m_pFile->Exist())
        return TRUE;
    if (m_strLocation.IsEmpty())
        m_strLocation = GetProfileString(kSection, kLastKey, "");
    if (m_strLocation.IsEmpty())
        return FALSE;
    m_pFile->SetPath(m_strLocation);
    return m_pFile->Exist();
}
