// The open and save dialog for pictures: a fixed list of picture types, the chosen type's
// extension, format code and bits kept for the caller, an optional title, and in the open form a
// preview of the selected file under the standard controls.
//
//   CImgFileDialog dlg(TRUE, nullptr, nullptr, this);
//   dlg.m_lpszCaption = title;            // before DoModal; the text stays the caller's
//   if (dlg.DoModal() == IDOK)
//       Save(dlg.GetPathName(), dlg.m_nFormat, dlg.m_nBits);
#pragma once
#include "module/kxcomdlglib.h"
#include <afxdlgs.h>
#include <IM_WINDOW.h>
#include <vector>

class KXCOMDLG_API CImgFileDialog : public CFileDialog
{
    DECLARE_DYNAMIC(CImgFileDialog)
public:
// Construction
    CImgFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
                   CWnd* pParentWnd = nullptr);
    ~CImgFileDialog() override;

// Attributes
    LPCSTR m_lpszCaption = nullptr;   // before DoModal: the dialog's title when set
    CString m_strExt;                 // after DoModal: the chosen type's extension, format code
    int m_nFormat;                    // and bits per pixel
    int m_nBits;

protected:
    BOOL OnInitDialog() override;
    void OnInitDone() override;
    void OnFileNameChange() override;
    void OnTypeChange() override;
    // Extension, format code and bits of a 1-based filter row (row 1 for anything outside).
    void TakeRow(DWORD nRow);

    CRect m_rcPreview;
    std::vector<char> m_filter;   // text, zero, pattern, zero, ..., and a zero that ends the list
    CIM_WINDOW m_wndPreview;
};

// The open form titled "选择标准图", in which the adjustment dialogs and the picture check choose
// the picture they compare with. TRUE with the chosen file in strPath; a cancel leaves it as it was.
KXCOMDLG_API BOOL ChooseStandardPicture(CString& strPath, CWnd* pParentWnd = nullptr);
