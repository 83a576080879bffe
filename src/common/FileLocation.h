// CFileLocation: asks where a picture file that is not at its stored path now lies. The user
// types a folder, picks one of the five last used ones or browses; only a folder that holds the
// file is accepted. The recent folders live in the host profile, section "Fileloc".
//
//   CKXDiskFile file(storedPath);
//   CFileLocation dlg(this);
//   dlg.m_pFile = &file;                       // required, before GetDefault / DoModal
//   dlg.m_strMessage = "...";                  // text above the folder box
//   if (dlg.GetDefault() || dlg.DoModal() == IDOK)
//       Open(file.GetPathName());              // the file object now names where it is
#pragma once
#include "module/KxDialog.h"
#include <KXDiskFile.h>

class KXCOMDLG_API CFileLocation : public CKxDialog
{
public:
// Construction
    explicit CFileLocation(CWnd* pParent = nullptr);

// Attributes
    CComboBox m_ctlLocation;         // the folder box and its recent list
    CString m_strMessage;            // set before DoModal
    CString m_strLocation;           // the folder typed or chosen
    CKXDiskFile* m_pFile = nullptr;  // the host's file, not owned; set before DoModal

// Operations
    // IDCANCEL at once when no file is set.
    INT_PTR DoModal() override;
    // Without a dialog: 1 when the file exists where it is, or in the last used folder (the
    // file object is moved there when it was not found at its own path), else 0.
    BOOL GetDefault();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnKillfocusLocation();
    void OnDestroy();
    void OnBrowse();
    // Puts the folder at the top of the list unless the list has it already (any letter case).
    void AddRecent(const CString& folder);

    DECLARE_MESSAGE_MAP()
};
