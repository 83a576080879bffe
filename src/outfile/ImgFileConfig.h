// CImgFileConfig: where and how the host writes its output pictures - name, folder, resolution,
// picture type with sub-format, colour mode and quality, and the page range. The types come from
// the format catalogue; the dialog writes no picture.
//
//   CImgFileConfig dlg(this);                  // reads name, folder and DPI from "outfil"
//   dlg.m_nFirstPage = 1; dlg.m_nLastPage = doc.Pages(); dlg.m_nCurPage = doc.Current();
//   if (dlg.DoModal() == IDOK)
//       Save(dlg.m_strOutPath + dlg.m_strOutName + "." + dlg.m_strTypeExt, dlg.m_nFormat,
//            dlg.m_nBitsPerPixel, dlg.m_nQuality, dlg.GetFromPage(), dlg.GetToPage());
#pragma once
#include "module/KxDialog.h"
#include "PictCatalog.h"
#include <afxcmn.h>

class KXCOMDLG_API CImgFileConfig : public CKxDialog
{
public:
// Construction
    explicit CImgFileConfig(CWnd* pParent = nullptr);

// Results (after an OK ending)
    CString m_strOutName;        // 1031; profile "outfil" / "picname", "Img"
    int m_nDPI;                  // 1029; profile "outfil" / "DPI", 250
    CString m_strOutPath;        // 1027; profile "outfil" / "picpath", "C:\"
    CString m_strTypeExt;        // "typeext" of the chosen type, without the dot
    int m_nBitsPerPixel = 24;
    int m_nColorMode = 1;        // value of the chosen colour mode (1 = 24-bit RGB ...)
    int m_nFormat = 0;           // format code of the chosen type or sub-format
    int m_nQuality = 0;          // slider position when the user confirmed

// Inputs (before DoModal)
    int m_nFirstPage = 0;
    int m_nLastPage = 0;
    int m_nCurPage = 0;
    // Bit 0: no page choice - the page-range controls are disabled and the range is the limits.
    int m_nOption = 0;

// Operations
    int GetFromPage() const { return m_nFromPage; }
    int GetToPage() const { return m_nToPage; }
    // Fill the type and the colour-mode lists from the catalogue; 1 on success.
    int InitPictTypeCtrl();
    int InitPictColorModeCtrl();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnOutfilBrowse();
    void OnSelchangeOutfilType();
    void OnSelchangeOutfilSubtype();
    void OnSetfocusOutfilEditRang();
    void OnSelchangeOutfilColmode();
    // The format code of the selected type's selected sub-format, or of the type itself.
    int SelectedFormat() const;
    // 1 when the folder exists or the user had it created; 0 keeps the dialog open.
    int CheckOutputFolder();

    CComboBox m_ctlColorMode;    // 4037
    CComboBox m_ctlType;         // 1023
    CComboBox m_ctlSubType;      // 4038
    CSliderCtrl m_ctlQuality;    // 4039
    CSpinButtonCtrl m_ctlDpiSpin;   // 4042
    CPictCatalog m_catalog;      // open while the dialog runs, closed by the destructor
    int m_nFromPage = 0;
    int m_nToPage = 0;

    DECLARE_MESSAGE_MAP()
};
